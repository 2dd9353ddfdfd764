// The common-track editor driven through its controls: what it asks, what it writes back
// into the store and the file, and what its trial play queues.

#include "editors/common_track_dlg.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <cstdio>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "dialog_test.h"

namespace stores_test {
namespace {

using editors::CCommonTrackDlg;
using platform::MessageAnswer;
using schedule::CommonTrack;
using schedule::TrackEntry;

CommonTrack Track(const std::string& name, const std::string& main, int order = 0,
                  const std::string& secondary = std::string()) {
    CommonTrack track;
    track.name = name;
    track.main.path = main;
    track.secondary.path = secondary;
    track.order = order;
    return track;
}

// What a queued trial entry plays: path, limit, default-volume flag, volume.
using Queued = std::tuple<std::string, int, int, int>;

std::vector<Queued> Queue(const engine_test::FakePlayer& player) {
    std::vector<Queued> queued;
    for (const TrackEntry& entry : player.queue) {
        queued.emplace_back(entry.path, entry.limit, entry.useDefaultVolume, entry.volume);
    }
    return queued;
}

class CommonTrackDlgTest : public DialogTest<CCommonTrackDlg> {
protected:
    void AddTracks(const std::vector<CommonTrack>& tracks) {
        for (const CommonTrack& track : tracks) {
            ASSERT_TRUE(host.commonTracks.Add(&track));
        }
    }
    std::size_t Count() { return Rows("trackList").size(); }
    void ClickRow(int row) { DialogTest::ClickRow("trackList", row); }

    std::string StoreFile() const { return host.AppDir() + CCommonTrackDlg::kStoreFile; }
};

TEST_F(CommonTrackDlgTest, OpeningSelectingAndClosingAskNothing) {
    AddTracks({Track("A", "音乐库/a.mp3"), Track("B", "音乐库/b.mp3", 1, "音乐库/s.mp3")});
    const std::vector<CommonTrack> before = host.commonTracks.Records();

    // Opened: the names, no track shown, the secondary group off.
    Open();
    EXPECT_EQ(Count(), 2U);
    EXPECT_FALSE(Edit("nameEdit")->isEnabled());
    EXPECT_TRUE(Get<QRadioButton>("noSecondaryRadio")->isChecked());
    EXPECT_FALSE(Edit("secondaryFileEdit")->isEnabled());
    EXPECT_FALSE(Get<QCheckBox>("trialSecondaryCheck")->isEnabled());
    QTest::keyClick(m_pDlg, Qt::Key_Escape);
    EXPECT_TRUE(Closed());
    EXPECT_TRUE(host.dialogs.messages.empty());
    EXPECT_EQ(host.closes, 1);

    // Selecting shows each track with its order; saving without a change asks nothing.
    Open();
    ClickRow(1);
    EXPECT_EQ(Edit("nameEdit")->text(), QStringLiteral("B"));
    EXPECT_TRUE(Get<QRadioButton>("mainFirstRadio")->isChecked());
    EXPECT_EQ(Edit("secondaryFileEdit")->text(), QStringLiteral("音乐库/s.mp3"));
    EXPECT_TRUE(Edit("secondaryFileEdit")->isEnabled());
    ClickRow(0);
    EXPECT_EQ(Edit("mainFileEdit")->text(), QStringLiteral("音乐库/a.mp3"));
    EXPECT_FALSE(Edit("secondaryFileEdit")->isEnabled());
    ClickRow(1);
    Click("saveButton");
    EXPECT_TRUE(Closed());
    EXPECT_TRUE(host.dialogs.messages.empty());
    EXPECT_FALSE(std::filesystem::exists(StoreFile()));
    EXPECT_EQ(host.commonTracks.Records(), before);

    // The window's close button reports the close once.
    Open();
    m_pDlg->close();
    EXPECT_TRUE(Closed());
    EXPECT_EQ(host.closes, 3);
}

TEST_F(CommonTrackDlgTest, EditsAreWrittenBackOnSelectingAnotherTrackAndSaved) {
    AddTracks({Track("A", "音乐库/a.mp3"), Track("B", "音乐库/b.mp3"), Track("C", "音乐库/c.mp3")});
    const CommonTrack storedA = *host.commonTracks.Get(0);
    Open();

    // A changed volume goes into the store when another track is selected.
    ClickRow(0);
    EXPECT_FALSE(Edit("mainVolumeEdit")->isEnabled());
    Click("mainDefaultVolumeCheck");
    EXPECT_TRUE(Edit("mainVolumeEdit")->isEnabled());
    Type("mainVolumeEdit", QStringLiteral("55"));
    ClickRow(1);
    EXPECT_EQ(host.commonTracks.Get(0)->main.volume, 55);
    EXPECT_EQ(host.commonTracks.Get(0)->main.useDefaultVolume, 0);
    EXPECT_EQ(host.commonTracks.Get(1)->main.path, "音乐库/b.mp3");

    // Browsing: a file that cannot be read is refused and emptied; a good one is stored
    // relative to the program folder with its length shown.
    host.player.lengths["new.mp3"] = 180500;
    host.dialogs.files.push_back({host.AppDir() + "音乐库/bad.mp3"});
    host.dialogs.files.push_back({host.AppDir() + "音乐库/new.mp3"});
    Click("mainBrowseButton");
    EXPECT_EQ(host.MessageTexts(), std::vector<std::string>{"您所选中的文件格式错误,请另行选择"});
    EXPECT_TRUE(Edit("mainFileEdit")->text().isEmpty());
    Click("mainBrowseButton");
    const platform::FileDialogRequest& request = host.dialogs.fileRequests.back();
    EXPECT_EQ(request.folder, host.AppDir() + "音乐库");
    EXPECT_FALSE(request.multiple);
    EXPECT_EQ(Edit("mainFileEdit")->text(), QStringLiteral("音乐库/new.mp3"));
    EXPECT_EQ(Edit("mainSecondsEdit")->text(), QStringLiteral("180"));
    EXPECT_EQ(Get<QLabel>("mainLengthLabel")->text(), QStringLiteral("全曲长:180秒"));
    ClickRow(2);
    EXPECT_EQ(host.commonTracks.Get(1)->main.path, "音乐库/new.mp3");
    EXPECT_EQ(host.commonTracks.Get(1)->main.limit, 180000);

    // A track emptied of its main file is refused when moving on, and stays as stored.
    Type("mainFileEdit", QString());
    ClickRow(0);
    EXPECT_EQ(host.MessageTexts().back(), "主曲目文件不能为空");
    EXPECT_EQ(host.commonTracks.Get(2)->main.path, "音乐库/c.mp3");

    // Deleting the selected track writes nothing back into the others.
    ClickRow(2);
    host.dialogs.answers.push_back(MessageAnswer::Yes);
    Click("deleteButton");
    EXPECT_EQ(host.dialogs.messages.back().text, "真的要删除当前选中的内容吗?");
    EXPECT_EQ(host.dialogs.messages.back().caption, "删除当前内容");
    ASSERT_EQ(host.commonTracks.GetCount(), 2);
    EXPECT_EQ(Count(), 2U);
    const CommonTrack storedB = *host.commonTracks.Get(1);
    ClickRow(0);
    EXPECT_EQ(host.commonTracks.Get(1)->main, storedB.main);
    EXPECT_EQ(host.commonTracks.Get(0)->main.path, storedA.main.path);

    // Moving B up; the save question writes the store's file.
    ClickRow(1);
    Click("moveUpButton");
    EXPECT_EQ(host.commonTracks.Get(0)->name, "B");
    EXPECT_EQ(CurrentRow("trackList"), 0);
    const std::size_t shown = host.dialogs.messages.size();
    host.dialogs.answers.push_back(MessageAnswer::Yes);
    Click("saveButton");
    ASSERT_EQ(host.dialogs.messages.size(), shown + 1);
    EXPECT_EQ(host.dialogs.messages.back().caption, "保存常用曲目到文件");
    EXPECT_TRUE(Closed());
    schedule::CCommonTrackStore reread;
    ASSERT_TRUE(reread.Load(StoreFile()));
    EXPECT_EQ(reread.Records(), host.commonTracks.Records());
    EXPECT_EQ(reread.Get(1)->main.volume, 55);
}

TEST_F(CommonTrackDlgTest, NewTracksAreCheckedBeforeTheyAreAdded) {
    AddTracks({Track("Bell", "音乐库/bell.mp3")});
    Open();
    Click("newButton");
    EXPECT_TRUE(Edit("nameEdit")->isEnabled());

    // Main first without a secondary file is refused.
    Type("nameEdit", QStringLiteral("Ring"));
    Type("mainFileEdit", QStringLiteral("音乐库/a.mp3"));
    Click("mainFirstRadio");
    Click("newButton");
    ASSERT_EQ(host.dialogs.messages.size(), 1U);
    EXPECT_EQ(host.dialogs.messages[0].text, "辅曲的曲目文件不能为空");
    EXPECT_EQ(host.dialogs.messages[0].caption, "错误");
    EXPECT_EQ(host.dialogs.messages[0].icon, platform::MessageIcon::Error);
    EXPECT_EQ(host.commonTracks.GetCount(), 1);

    // A play time that is not a whole number keeps the editor on that field.
    Type("secondaryFileEdit", QStringLiteral("音乐库/b.mp3"));
    Click("secondaryFullPlayCheck");
    Type("secondarySecondsEdit", QStringLiteral("1.5"));
    Click("newButton");
    EXPECT_EQ(host.MessageTexts().back(), "请键入一个整数。");
    EXPECT_EQ(host.commonTracks.GetCount(), 1);
    EXPECT_EQ(m_pDlg->focusWidget(), Edit("secondarySecondsEdit"));
    Type("secondarySecondsEdit", QStringLiteral("20"));
    Click("newButton");
    ASSERT_EQ(host.commonTracks.GetCount(), 2);
    const CommonTrack& ring = *host.commonTracks.Get(1);
    EXPECT_EQ(ring.name, "Ring");
    EXPECT_EQ(ring.order, schedule::MainFirst);
    EXPECT_EQ(ring.secondary.path, "音乐库/b.mp3");
    EXPECT_EQ(ring.secondary.fullPlay, 0);
    EXPECT_EQ(ring.secondary.limit, 20000);
    EXPECT_TRUE(Edit("nameEdit")->isEnabled());
    EXPECT_TRUE(Edit("nameEdit")->text().isEmpty());
    EXPECT_EQ(Count(), 2U);

    // Names differing in letter case or by a trailing space are new; the same is not.
    Click("noSecondaryRadio");
    for (const char* name : {"bell", "Bell ", "Bell"}) {
        Type("nameEdit", QString::fromUtf8(name));
        Type("mainFileEdit", QStringLiteral("音乐库/bell.mp3"));
        Click("newButton");
    }
    EXPECT_EQ(host.commonTracks.GetCount(), 4);
    EXPECT_EQ(host.MessageTexts().back(), "常用曲目列表中已经存在相同的曲目名,请换名重试!");

    // A name too long for the file is refused rather than cut.
    Type("nameEdit", QString(130, QChar(0x957F)));
    Click("newButton");
    EXPECT_EQ(host.commonTracks.GetCount(), 4);
    EXPECT_NE(host.MessageTexts().back().find("曲目名太长了"), std::string::npos);

    // Saving with a track not yet added offers to add it; a store folder that cannot
    // be written is reported instead of passing silently, and the editor stays open.
    Type("nameEdit", QStringLiteral("Last"));
    const std::string folder = host.AppDir() + "作息表";
    std::FILE* blocker = std::fopen(folder.c_str(), "wb");
    ASSERT_NE(blocker, nullptr);
    std::fclose(blocker);
    host.dialogs.answers = {MessageAnswer::Yes, MessageAnswer::Yes};
    const std::size_t shown = host.dialogs.messages.size();
    Click("saveButton");
    ASSERT_EQ(host.dialogs.messages.size(), shown + 3);
    EXPECT_EQ(host.dialogs.messages[shown].caption, "保存常用曲目");
    EXPECT_EQ(host.dialogs.messages[shown + 1].caption, "保存常用曲目到文件");
    EXPECT_EQ(host.dialogs.messages[shown + 2].text,
              "程序在保存常用曲目文件时出现未知错误,请重试!");
    EXPECT_EQ(host.commonTracks.GetCount(), 5);
    EXPECT_FALSE(Closed());

    // Once the folder can be made, saving again asks again and writes all five.
    ASSERT_TRUE(std::filesystem::remove(folder));
    host.dialogs.answers = {MessageAnswer::Yes};
    Click("saveButton");
    ASSERT_EQ(host.dialogs.messages.size(), shown + 4);
    EXPECT_EQ(host.dialogs.messages.back().caption, "保存常用曲目到文件");
    EXPECT_TRUE(Closed());
    schedule::CCommonTrackStore reread;
    ASSERT_TRUE(reread.Load(StoreFile()));
    EXPECT_EQ(reread.GetCount(), 5);
}

TEST_F(CommonTrackDlgTest, FilesChosenBeforeNewWaitForTheirName) {
    Open();
    host.player.lengths["bell.mp3"] = 5000;
    host.dialogs.files.push_back({host.AppDir() + "音乐库/bell.mp3"});
    Click("mainBrowseButton");
    ASSERT_EQ(Edit("mainFileEdit")->text(), QStringLiteral("音乐库/bell.mp3"));
    // "新增" says what is missing and keeps the file.
    Click("newButton");
    EXPECT_EQ(host.MessageTexts(), std::vector<std::string>{"请先填写曲目名"});
    EXPECT_TRUE(Edit("nameEdit")->isEnabled());
    EXPECT_EQ(m_pDlg->focusWidget(), Edit("nameEdit"));
    EXPECT_EQ(Edit("mainFileEdit")->text(), QStringLiteral("音乐库/bell.mp3"));
    Click("noSecondaryRadio");
    Type("nameEdit", QStringLiteral("Bell"));
    Click("newButton");
    ASSERT_EQ(host.commonTracks.GetCount(), 1);
    EXPECT_EQ(host.commonTracks.Get(0)->main.path, "音乐库/bell.mp3");
}

TEST_F(CommonTrackDlgTest, TrialPlayQueuesTheChosenTracksInOrder) {
    Open();
    Type("mainFileEdit", QStringLiteral("音乐库/m.mp3"));
    Click("mainFullPlayCheck");
    Type("mainSecondsEdit", QStringLiteral("30"));
    Click("mainDefaultVolumeCheck");
    Type("mainVolumeEdit", QStringLiteral("80"));
    Click("mainFirstRadio");
    Type("secondaryFileEdit", QStringLiteral("音乐库/s.mp3"));
    Click("secondaryDefaultVolumeCheck");
    Type("secondaryVolumeEdit", QStringLiteral("40"));

    const Queued main{host.AppDir() + "音乐库/m.mp3", 30000, 0, 80};
    const Queued secondary{host.AppDir() + "音乐库/s.mp3", -1, 0, 40};
    const Queued secondaryAtDefault{host.AppDir() + "音乐库/s.mp3", -1, 1, 100};
    const Queued untouched{"before", 0, 1, 100};
    struct Row {
        const char* order;
        bool trialMain;
        bool trialSecondary;
        std::vector<Queued> queue;
    };
    const std::vector<Row> table = {
        {"noSecondaryRadio", true, true, {main}},
        {"noSecondaryRadio", true, false, {main}},
        {"noSecondaryRadio", false, true, {untouched}},
        {"mainFirstRadio", true, false, {main}},
        {"secondaryFirstRadio", true, false, {main}},
        {"mainFirstRadio", false, true, {secondary}},
        {"secondaryFirstRadio", false, true, {secondary}},
        {"mainFirstRadio", true, true, {main, secondaryAtDefault}},
        {"secondaryFirstRadio", true, true, {secondary, main}},
    };
    for (const Row& row : table) {
        SCOPED_TRACE(std::string(row.order) + (row.trialMain ? " main" : "") +
                     (row.trialSecondary ? " secondary" : ""));
        Click(row.order);
        Get<QCheckBox>("trialMainCheck")->setChecked(row.trialMain);
        Get<QCheckBox>("trialSecondaryCheck")->setChecked(row.trialSecondary);
        host.player.playing = false;
        host.player.queue = {TrackEntry{"before"}};
        Click("trialButton");
        EXPECT_EQ(Queue(host.player), row.queue);
        EXPECT_EQ(host.player.playing, row.queue.front() != untouched);
    }
    EXPECT_TRUE(host.dialogs.messages.empty());

    // Neither box checked: refused with a message.
    Get<QCheckBox>("trialMainCheck")->setChecked(false);
    Get<QCheckBox>("trialSecondaryCheck")->setChecked(false);
    host.player.playing = false;
    Click("trialButton");
    EXPECT_EQ(host.MessageTexts(), std::vector<std::string>{"没有选中试播选项,不能试播!"});

    // A second press stops the editor's own trial; playback it did not start is refused
    // rather than replaced, and a trial starts once that has ended.
    Get<QCheckBox>("trialMainCheck")->setChecked(true);
    Click("noSecondaryRadio");
    Click("trialButton");
    EXPECT_TRUE(host.player.playing);
    Click("trialButton");
    EXPECT_FALSE(host.player.playing);
    EXPECT_TRUE(host.player.queue.empty());
    host.player.playing = true;
    host.player.queue = {TrackEntry{"schedule"}};
    Click("trialButton");
    EXPECT_EQ(host.MessageTexts().back(), editors::kTrialRefused);
    EXPECT_EQ(Queue(host.player), (std::vector<Queued>{{"schedule", 0, 1, 100}}));
    EXPECT_TRUE(host.player.playing);
    host.player.playing = false;
    Click("trialButton");
    EXPECT_EQ(Queue(host.player), std::vector<Queued>{main});

    // Closing stops the trial it started.
    QTest::keyClick(m_pDlg, Qt::Key_Escape);
    EXPECT_TRUE(Closed());
    EXPECT_TRUE(host.player.queue.empty());
}

TEST_F(CommonTrackDlgTest, ABellStartedDuringTheTrialPlaysOnThroughPressCloseAndSave) {
    AddTracks({Track("Bell", "音乐库/bell.mp3"), Track("Trial", "音乐库/trial.mp3")});
    const std::vector<std::string> bell{"bell.mp3"};
    const auto startTrial = [this] {
        ClickRow(1);
        Get<QCheckBox>("trialMainCheck")->setChecked(true);
        Click("trialButton");
        ASSERT_EQ(host.player.QueuedNames(), std::vector<std::string>{"trial.mp3"});
        // The bell is played from the menu while the trial plays, and replaces it.
        host.Session().PlayCommonTrackFromMenu(0);
        ASSERT_EQ(host.player.QueuedNames(), std::vector<std::string>{"bell.mp3"});
        ASSERT_TRUE(host.player.playing);
        host.log.Clear();
    };

    // Pressed again: refused and nothing started; then closed.
    Open();
    startTrial();
    Click("trialButton");
    EXPECT_EQ(host.MessageTexts(), std::vector<std::string>{editors::kTrialRefused});
    QTest::keyClick(m_pDlg, Qt::Key_Escape);
    EXPECT_TRUE(Closed());
    EXPECT_TRUE(host.log.With("clear").empty());
    EXPECT_TRUE(host.log.With("load").empty());
    EXPECT_EQ(host.player.QueuedNames(), bell);
    EXPECT_TRUE(host.player.playing);

    // The bell has ended; the next trial is replaced by a bell as well, and saving closes.
    host.player.playing = false;
    Open();
    startTrial();
    Click("saveButton");
    EXPECT_TRUE(Closed());
    EXPECT_EQ(host.MessageTexts().size(), 1U);
    EXPECT_TRUE(host.log.With("clear").empty());
    EXPECT_EQ(host.player.QueuedNames(), bell);
    EXPECT_TRUE(host.player.playing);
}

}  // namespace
}  // namespace stores_test
