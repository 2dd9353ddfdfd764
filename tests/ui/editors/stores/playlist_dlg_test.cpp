// The playlist editor driven through its controls: browsing files in, the entry edits
// it keeps and the ones it drops, its questions and file, and its trial play.

#include "editors/playlist_dlg.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "dialog_test.h"
#include "player/player_dlg.h"

namespace stores_test {
namespace {

using editors::CPlaylistDlg;
using platform::MessageAnswer;
using schedule::Playlist;
using schedule::TrackEntry;

Playlist MakePlaylist(const std::string& name, const std::vector<std::string>& paths) {
    Playlist playlist;
    playlist.name = name;
    for (const std::string& path : paths) {
        TrackEntry entry;
        entry.path = path;
        playlist.entries.push_back(entry);
    }
    return playlist;
}

std::vector<std::string> Paths(const Playlist& playlist) {
    std::vector<std::string> paths;
    for (const TrackEntry& entry : playlist.entries) {
        paths.push_back(entry.path);
    }
    return paths;
}

const QString kAddRow = QStringLiteral("添加新的曲目...");

class PlaylistDlgTest : public DialogTest<CPlaylistDlg> {
protected:
    void AddPlaylists(const std::vector<Playlist>& playlists) {
        for (const Playlist& playlist : playlists) {
            ASSERT_TRUE(host.playlists.Add(&playlist));
        }
    }
    // Adds one readable file through the browse button while the row for adding is
    // selected.
    void BrowseIn(const std::string& name) {
        host.player.lengths[name] = 1000;
        host.dialogs.files.push_back({host.AppDir() + "音乐库/" + name});
        Click("browseButton");
    }
    std::string StoreFile() const { return host.AppDir() + CPlaylistDlg::kStoreFile; }
};

TEST_F(PlaylistDlgTest, BrowsingAppendsReadableFilesOrReplacesTheSelectedEntry) {
    Open();
    EXPECT_EQ(Rows("fileList"), std::vector<QString>{kAddRow});
    Click("newButton");

    // Five files, two of which cannot be measured: the three good ones are appended in
    // the dialog's order, and the row for adding stays selected.
    host.player.lengths = {{"a.mp3", 60000}, {"c.mp3", 120000}, {"e.mp3", 30500}};
    const std::string dir = host.AppDir();
    host.dialogs.files.push_back({dir + "音乐库/a.mp3", dir + "音乐库/b.mp3", dir + "音乐库/c.mp3",
                                  dir + "音乐库/d.mp3", dir + "e.mp3"});
    Click("browseButton");
    const platform::FileDialogRequest& request = host.dialogs.fileRequests.back();
    EXPECT_TRUE(request.multiple);
    EXPECT_EQ(request.title, "请选择音乐文件");
    EXPECT_EQ(request.folder, dir + "音乐库");
    EXPECT_EQ(request.filter, player::CPlayerDlg::kMusicFilter);
    // A file in the program folder itself keeps its full path.
    const QString inProgramFolder = QString::fromStdString(dir + "e.mp3");
    EXPECT_EQ(Rows("fileList"),
              (std::vector<QString>{QStringLiteral("音乐库/a.mp3"), QStringLiteral("音乐库/c.mp3"),
                                    inProgramFolder, kAddRow}));
    EXPECT_EQ(CurrentRow("fileList"), 3);
    EXPECT_EQ(Get<QLabel>("lengthLabel")->text(), QStringLiteral("全曲长:30秒"));
    EXPECT_TRUE(host.dialogs.messages.empty());

    Type("nameEdit", QStringLiteral("Morning"));
    Click("newButton");
    ASSERT_EQ(host.playlists.GetCount(), 1);
    TrackEntry expected;
    expected.path = "音乐库/a.mp3";
    expected.limit = 60000;
    EXPECT_EQ(host.playlists.Get(0)->entries.front(), expected);
    EXPECT_EQ(Rows("fileList"), std::vector<QString>{kAddRow});

    // Replacing: a file that cannot be measured leaves the entry; a good one replaces it
    // and stays the entry being edited.
    ClickRow("playlistList", 0);
    ClickRow("fileList", 1);
    host.dialogs.files.push_back({dir + "音乐库/d.mp3"});
    Click("browseButton");
    EXPECT_FALSE(host.dialogs.fileRequests.back().multiple);
    EXPECT_EQ(Rows("fileList")[1], QStringLiteral("音乐库/c.mp3"));
    host.player.lengths["f.mp3"] = 90000;
    host.dialogs.files.push_back({dir + "其他/f.mp3"});
    Click("browseButton");
    EXPECT_EQ(Rows("fileList")[1], QStringLiteral("其他/f.mp3"));
    EXPECT_EQ(Edit("fileEdit")->text(), QStringLiteral("其他/f.mp3"));
    EXPECT_EQ(CurrentRow("fileList"), 1);
    Click("exitButton");
    EXPECT_TRUE(Closed());
    EXPECT_EQ(Paths(*host.playlists.Get(0)),
              (std::vector<std::string>{"音乐库/a.mp3", "其他/f.mp3", dir + "e.mp3"}));
    EXPECT_EQ(host.playlists.Get(0)->entries[1].limit, 90000);
    EXPECT_EQ(host.closes, 1);
}

TEST_F(PlaylistDlgTest, FilesChosenBeforeNewWaitForTheirName) {
    Open();
    host.player.lengths = {{"a.mp3", 60000}};
    host.dialogs.files.push_back({host.AppDir() + "音乐库/a.mp3"});
    Click("browseButton");
    const std::vector<QString> chosen = {QStringLiteral("音乐库/a.mp3"), kAddRow};
    ASSERT_EQ(Rows("fileList"), chosen);
    // "新增" says what is missing and keeps the files.
    Click("newButton");
    EXPECT_EQ(host.MessageTexts(), std::vector<std::string>{"请先填写曲目名"});
    EXPECT_TRUE(Edit("nameEdit")->isEnabled());
    EXPECT_EQ(m_pDlg->focusWidget(), Edit("nameEdit"));
    EXPECT_EQ(Rows("fileList"), chosen);
    Type("nameEdit", QStringLiteral("Morning"));
    Click("newButton");
    ASSERT_EQ(host.playlists.GetCount(), 1);
    EXPECT_EQ(host.playlists.Get(0)->entries.size(), 1U);
}

TEST_F(PlaylistDlgTest, EntryEditsAreKeptOrDroppedByWhereTheUserGoesNext) {
    AddPlaylists({MakePlaylist("L", {"x.mp3", "y.mp3", "z.mp3"}), MakePlaylist("M", {"m.mp3"})});
    Open();
    ClickRow("playlistList", 0);
    EXPECT_EQ(Rows("fileList"),
              (std::vector<QString>{QStringLiteral("x.mp3"), QStringLiteral("y.mp3"),
                                    QStringLiteral("z.mp3"), kAddRow}));
    EXPECT_EQ(Edit("fileEdit")->text(), QStringLiteral("x.mp3"));
    EXPECT_FALSE(Edit("volumeEdit")->isEnabled());
    EXPECT_FALSE(Edit("randomLimitEdit")->isEnabled());

    // A volume edit, then typing in the file field, then another entry: both are kept.
    Click("defaultVolumeCheck");
    EXPECT_TRUE(Edit("volumeEdit")->isEnabled());
    Type("volumeEdit", QStringLiteral("40"));
    Type("fileEdit", QStringLiteral("x2.mp3"));
    EXPECT_EQ(Rows("fileList")[0], QStringLiteral("x2.mp3"));
    EXPECT_EQ(CurrentRow("fileList"), 0);
    ClickRow("fileList", 1);
    EXPECT_EQ(Edit("fileEdit")->text(), QStringLiteral("y.mp3"));
    EXPECT_FALSE(Edit("volumeEdit")->isEnabled());

    // An edit followed by the row for adding is dropped.
    Click("autoPlayCheck");
    ClickRow("fileList", 3);
    EXPECT_TRUE(Edit("fileEdit")->text().isEmpty());

    // Another playlist: the kept edits reach the store.
    ClickRow("playlistList", 1);
    const Playlist& stored = *host.playlists.Get(0);
    EXPECT_EQ(stored.entries[0].path, "x2.mp3");
    EXPECT_EQ(stored.entries[0].volume, 40);
    EXPECT_EQ(stored.entries[0].useDefaultVolume, 0);
    EXPECT_EQ(stored.entries[1].autoPlay, 1);

    // The row for adding neither moves nor goes; the first entry does not go up nor the
    // last one down.
    ClickRow("playlistList", 0);
    ClickRow("fileList", 3);
    Click("entryDeleteButton");
    Click("entryUpButton");
    ClickRow("fileList", 0);
    Click("entryUpButton");
    ClickRow("fileList", 2);
    Click("entryDownButton");
    EXPECT_EQ(Rows("fileList"),
              (std::vector<QString>{QStringLiteral("x2.mp3"), QStringLiteral("y.mp3"),
                                    QStringLiteral("z.mp3"), kAddRow}));
    EXPECT_TRUE(host.dialogs.messages.empty());

    // Moving z up and deleting the first entry, then closing writes the list back.
    Click("entryUpButton");
    EXPECT_EQ(CurrentRow("fileList"), 1);
    ClickRow("fileList", 0);
    host.dialogs.answers.push_back(MessageAnswer::Yes);
    Click("entryDeleteButton");
    ASSERT_EQ(host.dialogs.messages.size(), 1U);
    EXPECT_EQ(host.dialogs.messages[0].text, "真的要删除当前文件列表选中的内容吗?");
    EXPECT_EQ(host.dialogs.messages[0].caption, "删除当前内容");
    EXPECT_EQ(Rows("fileList"),
              (std::vector<QString>{QStringLiteral("z.mp3"), QStringLiteral("y.mp3"), kAddRow}));
    EXPECT_EQ(CurrentRow("fileList"), 0);
    QTest::keyClick(m_pDlg, Qt::Key_Escape);
    EXPECT_TRUE(Closed());
    EXPECT_EQ(Paths(*host.playlists.Get(0)), (std::vector<std::string>{"z.mp3", "y.mp3"}));
    EXPECT_EQ(host.dialogs.messages.size(), 1U);
}

TEST_F(PlaylistDlgTest, NewPlaylistsAndSavingAskTheirQuestions) {
    AddPlaylists({MakePlaylist("Bell", {"bell.mp3"})});

    // Saving right after opening asks; No writes nothing, Yes writes the file.
    Open();
    Click("saveButton");
    ASSERT_EQ(host.dialogs.messages.size(), 1U);
    EXPECT_EQ(host.dialogs.messages[0].caption, "保存列表曲目到文件");
    EXPECT_TRUE(Closed());
    EXPECT_FALSE(std::filesystem::exists(StoreFile()));
    Open();
    host.dialogs.answers.push_back(MessageAnswer::Yes);
    Click("saveButton");
    EXPECT_TRUE(Closed());
    schedule::CPlaylistStore reread;
    ASSERT_TRUE(reread.Load(StoreFile()));
    EXPECT_EQ(reread.Records(), host.playlists.Records());

    // A new playlist needs a name, files and a name not yet taken; letter case counts.
    Open();
    host.dialogs.messages.clear();
    Click("newButton");
    EXPECT_TRUE(Edit("nameEdit")->isEnabled());
    Click("newButton");
    Type("nameEdit", QStringLiteral("Bell"));
    Click("newButton");
    BrowseIn("ring.mp3");
    Click("newButton");
    EXPECT_EQ(host.MessageTexts(),
              (std::vector<std::string>{"标题为空,请填写标题后再试!",
                                        "该列表中的曲目为空,请添加曲目后再试!",
                                        "列表曲目中已经存在相同的名称,请换名重试!"}));
    EXPECT_EQ(host.playlists.GetCount(), 1);
    Type("nameEdit", QStringLiteral("bell"));
    Click("randomCheck");
    EXPECT_TRUE(Edit("randomLimitEdit")->isEnabled());
    Type("randomLimitEdit", QStringLiteral("2"));
    Click("newButton");
    ASSERT_EQ(host.playlists.GetCount(), 2);
    EXPECT_EQ(host.playlists.Get(1)->name, "bell");
    EXPECT_EQ(host.playlists.Get(1)->randomPlay, 1);
    EXPECT_EQ(host.playlists.Get(1)->randomLimit, 2);
    EXPECT_EQ(Paths(*host.playlists.Get(1)), std::vector<std::string>{"音乐库/ring.mp3"});
    EXPECT_TRUE(Edit("nameEdit")->text().isEmpty());
    EXPECT_EQ(Rows("playlistList").size(), 2U);

    // A random limit left empty is not a whole number.
    Type("randomLimitEdit", QString());
    Click("newButton");
    EXPECT_EQ(host.MessageTexts().back(), "请键入一个整数。");
    Type("randomLimitEdit", QStringLiteral("0"));

    // Closing, and saving, with a filled-in playlist not yet added offer to add it.
    Type("nameEdit", QStringLiteral("Extra"));
    BrowseIn("extra.mp3");
    host.dialogs.messages.clear();
    host.dialogs.answers = {MessageAnswer::Yes};
    Click("exitButton");
    ASSERT_EQ(host.dialogs.messages.size(), 1U);
    EXPECT_EQ(host.dialogs.messages[0].caption, "保存列表曲目");
    EXPECT_EQ(host.playlists.Get(2)->name, "Extra");
    EXPECT_TRUE(Closed());
    Open();
    Click("newButton");
    Type("nameEdit", QStringLiteral("Last"));
    BrowseIn("last.mp3");
    host.dialogs.messages.clear();
    Click("saveButton");
    ASSERT_EQ(host.dialogs.messages.size(), 2U);
    EXPECT_EQ(host.dialogs.messages[0].caption, "添加列表曲目");
    EXPECT_EQ(host.dialogs.messages[1].caption, "保存列表曲目到文件");
    EXPECT_EQ(host.playlists.GetCount(), 3);
    EXPECT_TRUE(Closed());

    // A store file that cannot be replaced is said, and the editor stays open until a
    // later save succeeds.
    ASSERT_TRUE(std::filesystem::remove(StoreFile()));
    ASSERT_TRUE(std::filesystem::create_directory(StoreFile()));
    Open();
    host.dialogs.messages.clear();
    host.dialogs.answers = {MessageAnswer::Yes};
    Click("saveButton");
    EXPECT_EQ(host.MessageTexts(),
              (std::vector<std::string>{
                  "    真的要将编辑过的列表曲目保存到文件吗?\r\n如果您不保存的话,"
                  "本次编辑的内容在程序运行\r\n期间还是有效的,但退出程序后就会失效!",
                  "程序在保存列表曲目文件时出现未知错误,请重试!"}));
    EXPECT_FALSE(Closed());
    ASSERT_TRUE(std::filesystem::remove(StoreFile()));
    host.dialogs.answers = {MessageAnswer::Yes};
    Click("saveButton");
    EXPECT_TRUE(Closed());
    ASSERT_TRUE(reread.Load(StoreFile()));
    EXPECT_EQ(reread.GetCount(), 3);
}

TEST_F(PlaylistDlgTest, TrialPlaysOneFileOrTheWholeListAsTheScheduleWould) {
    Playlist random = MakePlaylist(
        "R", {"音乐库/a.mp3", "音乐库/b.mp3", "音乐库/c.mp3", "音乐库/d.mp3", "音乐库/e.mp3"});
    random.randomPlay = 1;
    random.randomLimit = 3;
    const std::string dir = host.AppDir();
    std::filesystem::create_directories(dir + "音乐库");
    for (const char* name : {"w1.ogg", "w2.ogg"}) {
        std::FILE* file = std::fopen((dir + "音乐库/" + name).c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fclose(file);
    }
    AddPlaylists({random, MakePlaylist("W", {"音乐库/*.ogg"})});
    Open();
    ClickRow("playlistList", 0);

    // The whole random list: the queue the schedule would play in this second, on a
    // queue emptied of what was there.
    host.player.queue = {TrackEntry{"stale"}};
    Click("trialButton");
    const std::vector<TrackEntry> trial = host.player.queue;
    host.player.ClearQueue(true);
    host.Session().PlayPlaylistFromMenu(0);
    EXPECT_EQ(trial, host.player.queue);
    ASSERT_EQ(trial.size(), 3U);
    EXPECT_EQ(trial[0].path.rfind(dir + "音乐库/", 0), 0U);

    // The random fields as shown count; a second press stops what plays.
    Type("randomLimitEdit", QStringLiteral("2"));
    host.player.playing = false;
    Click("trialButton");
    EXPECT_EQ(host.player.queue.size(), 2U);
    Click("trialButton");
    EXPECT_TRUE(host.player.queue.empty());

    // Wildcard entries play as the files they match.
    ClickRow("playlistList", 1);
    Click("trialButton");
    EXPECT_EQ(host.player.QueuedNames().size(), 2U);
    host.player.playing = false;

    // One file: the file field's, whole and at the default volume; a second press stops
    // it, and closing stops the editor's own trial.
    Click("singleTrialCheck");
    ClickRow("playlistList", 0);
    ClickRow("fileList", 1);
    Click("trialButton");
    ASSERT_EQ(host.player.queue.size(), 1U);
    EXPECT_EQ(host.player.queue[0].path, dir + "音乐库/b.mp3");
    EXPECT_EQ(host.player.queue[0].limit, -1);
    EXPECT_EQ(host.player.queue[0].useDefaultVolume, 1);
    EXPECT_EQ(host.player.queue[0].volume, 100);
    Click("trialButton");
    EXPECT_TRUE(host.player.queue.empty());
    Click("trialButton");
    EXPECT_TRUE(host.player.playing);

    // An empty new playlist is handed over as it is: nothing is queued.
    Click("singleTrialCheck");
    Click("trialButton");
    Click("newButton");
    host.player.queue = {TrackEntry{"stale"}};
    Click("trialButton");
    EXPECT_TRUE(host.player.queue.empty());
    EXPECT_TRUE(host.dialogs.messages.empty());

    Click("singleTrialCheck");
    host.player.playing = false;
    ClickRow("playlistList", 0);
    Click("trialButton");
    QTest::keyClick(m_pDlg, Qt::Key_Escape);
    EXPECT_TRUE(Closed());
    EXPECT_TRUE(host.player.queue.empty());
}

TEST_F(PlaylistDlgTest, ABellStartedDuringTheTrialPlaysOnThroughPressCloseAndSave) {
    // Today rings at 09:00:10 and 09:01:00; the clock stands at 09:00:00.
    schedule::CTimetable timetable;
    for (const auto& [time, path] : {std::pair{9 * 3600 + 10, "音乐库/first.mp3"},
                                     std::pair{9 * 3600 + 60, "音乐库/second.mp3"}}) {
        schedule::ScheduleItem item;
        item.time = time;
        item.kind = schedule::SingleMusic;
        item.title = "铃";
        item.path = path;
        timetable.AddItem(host.clock.Now().weekday, &item);
    }
    const std::string path = host.AppDir() + "today.zxb";
    ASSERT_TRUE(timetable.Save(path));
    ASSERT_TRUE(host.Session().LoadTimetable(path));
    const auto tickTo = [this](int second) {
        while (host.clock.Now().SecondsSinceMidnight() < second) {
            host.clock.Advance(1000);
            host.Session().Tick();
        }
    };
    AddPlaylists({MakePlaylist("L", {"音乐库/a.mp3", "音乐库/b.mp3"})});

    // The whole list on trial; the first bell replaces it. Pressed again: refused, and
    // nothing started; then closed.
    Open();
    ClickRow("playlistList", 0);
    Click("trialButton");
    ASSERT_EQ(host.player.QueuedNames(), (std::vector<std::string>{"a.mp3", "b.mp3"}));
    tickTo(9 * 3600 + 12);
    ASSERT_EQ(host.player.QueuedNames(), std::vector<std::string>{"first.mp3"});
    ASSERT_TRUE(host.player.playing);
    host.log.Clear();
    Click("trialButton");
    EXPECT_EQ(host.MessageTexts(), std::vector<std::string>{editors::kTrialRefused});
    QTest::keyClick(m_pDlg, Qt::Key_Escape);
    EXPECT_TRUE(Closed());
    EXPECT_TRUE(host.log.With("clear").empty());
    EXPECT_TRUE(host.log.With("load").empty());
    EXPECT_EQ(host.player.QueuedNames(), std::vector<std::string>{"first.mp3"});
    EXPECT_TRUE(host.player.playing);

    // The first bell has ended; one file on trial, the second bell replaces it, and
    // saving closes.
    host.player.playing = false;
    Open();
    Click("singleTrialCheck");
    ClickRow("playlistList", 0);
    ClickRow("fileList", 1);
    Click("trialButton");
    ASSERT_EQ(host.player.QueuedNames(), std::vector<std::string>{"b.mp3"});
    tickTo(9 * 3600 + 62);
    ASSERT_EQ(host.player.QueuedNames(), std::vector<std::string>{"second.mp3"});
    host.log.Clear();
    host.dialogs.answers.push_back(MessageAnswer::Yes);
    Click("saveButton");
    EXPECT_TRUE(Closed());
    EXPECT_TRUE(std::filesystem::exists(StoreFile()));
    EXPECT_TRUE(host.log.With("clear").empty());
    EXPECT_EQ(host.player.QueuedNames(), std::vector<std::string>{"second.mp3"});
    EXPECT_TRUE(host.player.playing);
}

}  // namespace
}  // namespace stores_test
