// The media player window on the offscreen platform: what it shows while a queue plays,
// its buttons, keys and list commands, the volume slider, and where it places itself.

#include "player/player_dlg.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QGuiApplication>
#include <QListWidget>
#include <QMouseEvent>
#include <QProgressBar>
#include <QScreen>
#include <QSignalSpy>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "common/scripted_dialogs.h"
#include "player/fake_audio_system.h"
#include "player/status_display.h"

namespace player {
namespace {

constexpr int kMinute = 60000;

schedule::TrackEntry Entry(const std::string& path, int limit, int autoPlay, int volume) {
    schedule::TrackEntry entry;
    entry.path = path;
    entry.fullPlay = 0;
    entry.limit = limit;
    entry.autoPlay = autoPlay;
    entry.volume = volume;
    entry.useDefaultVolume = 0;
    return entry;
}

class PlayerDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        settings = std::make_unique<schedule::CSettings>(
            dir.filePath(QStringLiteral("QELT.INI")).toStdString());
        audio.SetLength("/music/a.mp3", 3 * kMinute);
        audio.SetLength("/music/b.mp3", 125 * kMinute);
        audio.SetLength("/music/c.mp3", 2 * kMinute);
    }

    CPlayerDlg& Make() {
        dlg = std::make_unique<CPlayerDlg>(audio, *settings, dialogs);
        return *dlg;
    }

    QAbstractButton* Button(const char* name) const {
        for (QAbstractButton* button : dlg->findChildren<QAbstractButton*>()) {
            if (button->accessibleName() == QString::fromUtf8(name)) {
                return button;
            }
        }
        ADD_FAILURE() << "no button " << name;
        return nullptr;
    }
    void Click(const char* name) const {
        QAbstractButton* button = Button(name);
        ASSERT_NE(button, nullptr);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(3, 3));
    }
    bool Enabled(const char* name) const { return Button(name)->isEnabled(); }
    std::string Line(int n) const {
        return dlg->findChild<CStatusDisplay*>()->Line(n).toStdString();
    }
    QStringList ListLines() const {
        QStringList lines;
        const auto* list = dlg->findChild<QListWidget*>();
        for (int i = 0; i < list->count(); ++i) {
            lines << list->item(i)->text();
        }
        return lines;
    }
    QListWidget* List() const { return dlg->findChild<QListWidget*>(); }
    QProgressBar* Progress() const { return dlg->findChild<QProgressBar*>(); }
    // A real double-click: press, release, then a second press that arrives as a
    // double-click event.
    void DoubleClickRow(int row) const {
        QListWidget* list = List();
        list->doItemsLayout();
        const QPoint at = list->visualItemRect(list->item(row)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
        QTest::mousePress(list->viewport(), Qt::LeftButton, {}, at);
        QMouseEvent twice(QEvent::MouseButtonDblClick, at, list->viewport()->mapToGlobal(at),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &twice);
        QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, at);
    }
    QSlider* Volume() const { return dlg->findChild<QSlider*>(); }
    std::uint32_t Position() const { return audio.ChannelPosition(audio.LastChannel()); }

    QTemporaryDir dir;
    std::unique_ptr<schedule::CSettings> settings;
    FakeAudioSystem audio;
    ui_test::ScriptedDialogs dialogs;
    std::unique_ptr<CPlayerDlg> dlg;
};

TEST_F(PlayerDlgTest, ShowsTheQueueAsItPlaysAndReportsItsEnd) {
    CPlayerDlg& player = Make();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_FALSE(player.isVisible());
    for (const char* name : {"开始播放", "暂停播放", "前一首", "后一首"}) {
        EXPECT_FALSE(Enabled(name)) << name;
    }
    QSignalSpy finished(&player, &CPlayerDlg::playbackFinished);
    QSignalSpy started(&player, &CPlayerDlg::trackStarted);

    player.ClearQueue(true);
    player.Append(Entry("/music/a.mp3", 20000, 0, 70));
    player.AddFile("/music/b.mp3", 1, -1, 0, -1);
    player.RefreshList();
    EXPECT_EQ(ListLines(), QStringList({"1.a.mp3", "2.b.mp3"}));

    // A manual track waits for Play with its lines shown.
    ASSERT_TRUE(player.LoadTrack(0));
    EXPECT_EQ(Line(1), "1.a.mp3 - 总时间 03:00\r\n");
    EXPECT_EQ(Line(2), "非全曲播放 - 音量:70\r\n");
    EXPECT_EQ(Line(3), "时间:00:00 - 00:20\r\n");
    EXPECT_EQ(Line(4), "手动播放...");
    EXPECT_TRUE(Enabled("开始播放"));
    EXPECT_FALSE(Enabled("暂停播放"));
    EXPECT_FALSE(Enabled("前一首"));
    EXPECT_TRUE(Enabled("后一首"));
    EXPECT_TRUE(dlg->findChild<CStatusDisplay*>()->accessibleDescription().contains(
        QStringLiteral("手动播放...")));

    Click("开始播放");
    EXPECT_FALSE(Enabled("开始播放"));
    EXPECT_TRUE(Enabled("暂停播放"));
    EXPECT_TRUE(player.IsProgressTimerRunning());
    EXPECT_EQ(Volume()->value(), 70);
    ASSERT_EQ(started.count(), 1);
    EXPECT_EQ(started.at(0).at(0).toString(), QStringLiteral("/music/a.mp3"));

    audio.Advance(5000);
    player.UpdateStatus();
    EXPECT_EQ(Line(3), "时间:00:05 - 00:20\r\n");
    EXPECT_EQ(Line(4), "正在播放...");
    EXPECT_EQ(Progress()->value(), 25);

    // A click on the progress bar seeks within the play limit, not the file's length.
    const int x = Progress()->width() / 2;
    QTest::mouseClick(Progress(), Qt::LeftButton, {}, QPoint(x, 3));
    const int percent = Progress()->value();
    EXPECT_GE(percent, 49);
    EXPECT_LE(percent, 50);
    EXPECT_EQ(Position(), static_cast<std::uint32_t>(20000 * percent / 100));

    // Paused, time stands still and a click does not seek.
    Click("暂停播放");
    EXPECT_FALSE(player.IsProgressTimerRunning());
    const std::uint32_t pausedAt = Position();
    audio.Advance(5000);
    QTest::mouseClick(Progress(), Qt::LeftButton, {}, QPoint(Progress()->width() - 2, 3));
    player.UpdateStatus();
    EXPECT_EQ(Position(), pausedAt);
    EXPECT_EQ(Line(4), "暂停播放...");
    Click("暂停播放");
    EXPECT_TRUE(player.IsProgressTimerRunning());

    // The limit ends the first track; the second plays at the slider's volume.
    audio.Advance(11000);
    player.UpdateStatus();
    EXPECT_EQ(Line(1), "2.b.mp3 - 总时间 125:00\r\n");
    EXPECT_EQ(Line(2), "全曲播放 - 音量:70\r\n");
    EXPECT_TRUE(Enabled("前一首"));
    EXPECT_FALSE(Enabled("后一首"));
    EXPECT_EQ(started.count(), 2);

    // The end of the last track empties the window and tells the frame once, after
    // the tick that found it.
    audio.Advance(125 * kMinute);
    player.UpdateStatus();
    for (int n = 1; n <= 4; ++n) {
        EXPECT_EQ(Line(n), "") << n;
    }
    EXPECT_TRUE(ListLines().isEmpty());
    EXPECT_EQ(Progress()->value(), 0);
    EXPECT_FALSE(player.IsProgressTimerRunning());
    EXPECT_EQ(finished.count(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(finished.count(), 1);
}

TEST_F(PlayerDlgTest, VolumeChangesWhenTheSliderIsLetGo) {
    CPlayerDlg& player = Make();
    player.Append(Entry("/music/a.mp3", 20000, 1, 80));
    player.AddFile("/music/c.mp3", 1, -1, 0, -1);
    ASSERT_TRUE(player.LoadTrack(0));
    const ChannelHandle channel = audio.LastChannel();
    EXPECT_FLOAT_EQ(audio.ChannelVolume(channel), 0.8f);

    Volume()->setSliderDown(true);
    Volume()->setSliderPosition(30);
    EXPECT_FLOAT_EQ(audio.ChannelVolume(channel), 0.8f);
    EXPECT_EQ(Line(2), "非全曲播放 - 音量:80\r\n");
    Volume()->setSliderDown(false);
    EXPECT_FLOAT_EQ(audio.ChannelVolume(channel), 0.3f);
    EXPECT_EQ(Line(2), "非全曲播放 - 音量:30\r\n");

    // A step from the keyboard applies at once.
    QTest::keyClick(Volume(), Qt::Key_Left);
    EXPECT_FLOAT_EQ(audio.ChannelVolume(channel), 0.29f);
    EXPECT_EQ(Line(2), "非全曲播放 - 音量:29\r\n");

    // The queued entry keeps its own volume; the next track that takes the slider's
    // volume finds it where the user left it.
    EXPECT_EQ(player.Engine().Queue()[0].volume, 80);
    player.Next();
    EXPECT_FLOAT_EQ(audio.ChannelVolume(audio.LastChannel()), 0.29f);
    EXPECT_EQ(Line(2), "全曲播放 - 音量:29\r\n");

    player.SetDefaultVolume(150);
    EXPECT_EQ(Volume()->value(), 100);
}

TEST_F(PlayerDlgTest, WindowCommandsAndKeys) {
    CPlayerDlg& player = Make();
    player.show();
    QSignalSpy finished(&player, &CPlayerDlg::playbackFinished);

    // "V" shows and hides the list; the width stays.
    EXPECT_EQ(player.size(), QSize(293, 120));
    Click("显示或隐藏歌曲列表");
    EXPECT_EQ(player.size(), QSize(293, 210));
    EXPECT_TRUE(List()->isVisible());
    Click("显示或隐藏歌曲列表");
    EXPECT_EQ(player.size(), QSize(293, 120));
    EXPECT_FALSE(List()->isVisible());

    // Opening while idle starts the first file; the dialog asks for music files.
    dialogs.files.push_back({"/music/a.mp3", "/music/b.mp3"});
    Click("打开音乐文件");
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(dialogs.fileRequests[0].title, "请选择音乐文件");
    EXPECT_TRUE(dialogs.fileRequests[0].multiple);
    EXPECT_EQ(dialogs.fileRequests[0].filter.rfind("所有音乐格式|*.MOD;*.S3M;", 0), 0u);
    EXPECT_EQ(ListLines(), QStringList({"1.a.mp3", "2.b.mp3"}));
    EXPECT_TRUE(player.IsPlaying());
    EXPECT_EQ(player.Engine().Current(), 0);

    // Opening while a track plays appends and does not interrupt; a cancel adds nothing.
    audio.Advance(3000);
    dialogs.files.push_back({"/music/c.mp3"});
    Click("打开音乐文件");
    EXPECT_EQ(ListLines(), QStringList({"1.a.mp3", "2.b.mp3", "3.c.mp3"}));
    EXPECT_EQ(Position(), 3000u);
    EXPECT_EQ(player.OpenFiles(false), 0);
    EXPECT_EQ(player.Engine().Queue().size(), 3u);

    // Moving and deleting entries leaves the playing track alone.
    Click("显示或隐藏歌曲列表");
    List()->setCurrentRow(2);
    Click("上移");
    EXPECT_EQ(ListLines(), QStringList({"1.a.mp3", "2.c.mp3", "3.b.mp3"}));
    EXPECT_EQ(List()->currentRow(), 1);
    dialogs.answers.push_back(platform::MessageAnswer::No);
    Click("删除");
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "真的要删除当前选中的歌曲吗?");
    EXPECT_EQ(dialogs.messages[0].caption, "删除当前歌曲");
    EXPECT_EQ(dialogs.messages[0].icon, platform::MessageIcon::Question);
    EXPECT_EQ(ListLines().size(), 3);
    dialogs.answers.push_back(platform::MessageAnswer::Yes);
    Click("删除");
    EXPECT_EQ(ListLines(), QStringList({"1.a.mp3", "2.b.mp3"}));
    EXPECT_EQ(List()->currentRow(), 1);
    EXPECT_TRUE(player.IsPlaying());
    EXPECT_EQ(Position(), 3000u);

    // A bell that replaces the queue while the question is open keeps all its tracks.
    List()->setCurrentRow(1);
    dialogs.whileAsking = [&player](const ui_test::ShownMessage&) {
        player.ClearQueue(true);
        player.Append(Entry("/music/a.mp3", 0, 1, 50));
        player.Append(Entry("/music/b.mp3", 0, 1, 50));
        player.RefreshList();
        player.LoadTrack(0);
    };
    dialogs.answers.push_back(platform::MessageAnswer::Yes);
    Click("删除");
    dialogs.whileAsking = nullptr;
    EXPECT_EQ(ListLines(), QStringList({"1.a.mp3", "2.b.mp3"}));
    EXPECT_EQ(player.Engine().Queue().size(), 2u);
    EXPECT_TRUE(player.IsPlaying());

    // Escape hides the window and the music goes on.
    QTest::keyClick(&player, Qt::Key_Escape);
    EXPECT_FALSE(player.isVisible());
    EXPECT_TRUE(player.IsPlaying());

    // A double-click plays that line; Previous and Next step through the queue.
    player.show();
    DoubleClickRow(1);
    EXPECT_EQ(player.Engine().Current(), 1);
    EXPECT_EQ(Line(1), "2.b.mp3 - 总时间 125:00\r\n");
    Click("前一首");
    EXPECT_EQ(player.Engine().Current(), 0);
    EXPECT_FALSE(Enabled("前一首"));
    EXPECT_TRUE(Enabled("后一首"));
    Click("后一首");
    EXPECT_EQ(player.Engine().Current(), 1);
    EXPECT_TRUE(Enabled("前一首"));
    EXPECT_FALSE(Enabled("后一首"));

    // "X" stops, empties the list, hides and tells the frame exactly once.
    Click("关闭音乐播放器");
    EXPECT_FALSE(player.isVisible());
    EXPECT_FALSE(player.IsPlaying());
    EXPECT_TRUE(ListLines().isEmpty());
    EXPECT_TRUE(player.Engine().Queue().empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(finished.count(), 1);

    // A cancelled open dialog leaves a waiting track where it is.
    player.show();
    player.Append(Entry("/music/a.mp3", 0, 0, 50));
    player.Append(Entry("/music/c.mp3", 0, 0, 50));
    player.RefreshList();
    ASSERT_TRUE(player.LoadTrack(1));
    Click("打开音乐文件");
    EXPECT_EQ(player.Engine().Current(), 1);
    EXPECT_EQ(Line(1), "2.c.mp3 - 总时间 02:00\r\n");

    // Enter does what "X" does.
    QTest::keyClick(&player, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(finished.count(), 2);
    EXPECT_FALSE(player.Engine().IsLoaded());
    EXPECT_TRUE(player.Engine().Queue().empty());
    EXPECT_FALSE(player.isVisible());
}

TEST_F(PlayerDlgTest, PlacesItselfFromTheSavedPositionAndSavesItOnClosing) {
    const QSize screen(1920, 1080);
    EXPECT_EQ(CPlayerDlg::PlacementFor(100, 200, screen), QPoint(100, 200));
    EXPECT_EQ(CPlayerDlg::PlacementFor(5000, 5000, screen), QPoint(1600, 920));
    EXPECT_EQ(CPlayerDlg::PlacementFor(0, 200, screen), std::nullopt);
    EXPECT_EQ(CPlayerDlg::PlacementFor(100, 0, screen), std::nullopt);
    EXPECT_EQ(CPlayerDlg::PlacementFor(-40, 200, screen), std::nullopt);
    // A screen smaller than the margin pushes the position below 0: centred.
    EXPECT_EQ(CPlayerDlg::PlacementFor(100, 100, QSize(300, 1080)), std::nullopt);

    const QRect geometry = QGuiApplication::primaryScreen()->geometry();
    ASSERT_TRUE(settings->SetPlayerPosition(100000, 150));
    Make();
    EXPECT_EQ(dlg->pos(), QPoint(geometry.width() - 320, 150));
    dlg->move(123, 45);
    dlg.reset();
    EXPECT_EQ(settings->GetPlayerX(), 123);
    EXPECT_EQ(settings->GetPlayerY(), 45);

    ASSERT_TRUE(settings->SetPlayerPosition(0, 150));
    Make();
    EXPECT_EQ(dlg->geometry().center(), geometry.center());
}

TEST_F(PlayerDlgTest, AnAudioSystemThatCannotStartIsReportedOnce) {
    audio.FailInit(true);
    CPlayerDlg& player = Make();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, "音频引擎错误,可能无法播放音频");
    EXPECT_EQ(dialogs.messages[0].caption, "错误");
    EXPECT_EQ(dialogs.messages[0].icon, platform::MessageIcon::Error);

    // Tracks then fail to open, and the window says which.
    QSignalSpy failed(&player, &CPlayerDlg::openFailed);
    player.AddFile("/music/a.mp3", 1, -1, 0, -1);
    EXPECT_FALSE(player.LoadTrack(0));
    ASSERT_EQ(failed.count(), 1);
    EXPECT_EQ(failed.at(0).at(0).toString(), QStringLiteral("/music/a.mp3"));
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

}  // namespace
}  // namespace player
