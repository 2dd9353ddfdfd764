// The main window over a temporary program folder, on the virtual clock with the fake
// audio system: a morning's item counted down, started, shown and finished; the layout;
// the save question on closing.

#include "app/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <fstream>
#include <iterator>

#include "app/command_ids.h"
#include "app/frame_fixture.h"
#include "editors/common_track_dlg.h"
#include "editors/timetable_edit_dlg.h"
#include "player/player_dlg.h"
#include "views/pending_wnd.h"
#include "views/schedule_list_view.h"
#include "widgets/clock_wnd.h"
#include "widgets/taskbar_notifier.h"

namespace {

using namespace ui_test;
using MainFrameTest = FrameTest;

TEST_F(MainFrameTest, MorningItemIsAnnouncedPlayedAndFinished) {
    app::CMainFrame& main = MakeFrame();
    views::CPendingWnd& pending = *main.PendingView();

    // Start-up: the settings' timetable is loaded and its first item is pending.
    EXPECT_EQ(pending.GetCaption(), "实验小学");
    EXPECT_EQ(pending.GetTimetableTitle(), "冬季作息");
    EXPECT_EQ(pending.GetItemTitle(), "第一节上课");
    EXPECT_EQ(pending.GetTimeText(), "08:00:00");
    EXPECT_EQ(pending.GetPendingMode(), 1);
    EXPECT_EQ(main.PaneText(0).toStdString(), "运行中...");
    EXPECT_EQ(main.PaneText(2).toStdString(), " Varnel ");
    views::CScheduleListView& list = *pending.GetListView();
    ASSERT_EQ(list.rowCount(), 2);
    EXPECT_EQ(list.GetRowImage(0), views::CScheduleListView::RowNext);
    EXPECT_EQ(list.GetRowImage(1), views::CScheduleListView::RowLater);

    // The last ten seconds are counted down in pane 1 and in the notifier.
    TickTo(7, 59, 55);
    EXPECT_EQ(main.PaneText(1).toStdString(), "作息项将在5秒后自动播放");
    EXPECT_NE(main.Notifier()->State(), CTaskbarNotifier::NotifierState::Idle);

    // On its second the item starts, the player shows it and the next item is pending.
    TickTo(8, 0, 0);
    EXPECT_TRUE(main.PlayerWindow()->isVisible());
    EXPECT_TRUE(main.Action(app::kCmdShowPlayer)->isChecked());
    EXPECT_EQ(pending.GetItemTitle(), "第一节下课");
    EXPECT_EQ(pending.GetPlayMode(), "手动播放");
    EXPECT_EQ(list.GetRowImage(0), views::CScheduleListView::RowPast);
    EXPECT_EQ(list.GetRowImage(1), views::CScheduleListView::RowNext);

    // The track ends: the player the engine showed is hidden again.
    audio.Advance(5000);
    clock.Advance(5000);
    main.PlayerWindow()->UpdateStatus();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !main.PlayerWindow()->isVisible(); }, 2000));
    EXPECT_FALSE(main.Action(app::kCmdShowPlayer)->isChecked());

    const std::string events = ReadFile(m_Dir + "events.log");
    EXPECT_NE(
        events.find("2026-12-08 07:59:50 notify [第一节上课][bell.wav]:将在10秒后开始自动播放!"),
        std::string::npos)
        << events;
    EXPECT_NE(events.find("2026-12-08 08:00:00 play " + m_Dir + "音乐库/bell.wav"),
              std::string::npos)
        << events;
    EXPECT_NE(events.find(" finished\n"), std::string::npos) << events;
    // The bell log keeps what rang, not the countdown.
    const std::string bells = ReadFile(m_Dir + "QELT.log");
    EXPECT_NE(bells.find("2026-12-08 08:00:00 play "), std::string::npos) << bells;
    EXPECT_EQ(bells.find(" status "), std::string::npos) << bells;
    EXPECT_EQ(bells.find(" notify "), std::string::npos) << bells;

    // The view switch shows the list and says so in its text and mark.
    main.OnCommand(app::kCmdSwitchView);
    EXPECT_EQ(pending.GetPendingMode(), 0);
    EXPECT_EQ(main.Action(app::kCmdSwitchView)->text().toStdString(), "切换至待播(&Q)");
    EXPECT_TRUE(main.Action(app::kCmdSwitchView)->isChecked());
}

TEST_F(MainFrameTest, WithoutAudioOutputItSaysSoOnceAndStillRings) {
    m_bAudioOutput = false;
    app::CMainFrame& main = MakeFrame();
    EXPECT_EQ(main.PaneText(3).toStdString(), "没有可用的音频输出");
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialogs.messages.size() == 1; }, 2000));
    EXPECT_EQ(dialogs.messages[0].icon, platform::MessageIcon::Warning);
    // The day goes on: the item starts on its second and the next one is pending.
    TickTo(8, 0, 0);
    EXPECT_EQ(main.PendingView()->GetItemTitle(), "第一节下课");
    QApplication::processEvents();
    EXPECT_EQ(dialogs.messages.size(), 1u);
}

TEST_F(MainFrameTest, ASnapcastServerOutOfReachIsSaidInPaneThreeAndTheBellLog) {
    // Not there when the item's track opened, then gone while it played: each said once,
    // when the track starts and when it ends, and the day goes on.
    snapcastTrouble = {player::SnapcastTrouble::Unreachable, player::SnapcastTrouble::Lost};
    app::CMainFrame& main = MakeFrame();
    TickTo(8, 0, 0);
    EXPECT_EQ(main.PaneText(3).toStdString(), "Snapcast 服务器无法连接，铃声未能送到各处扬声器");
    audio.Advance(5000);
    main.PlayerWindow()->UpdateStatus();
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            return main.PaneText(3).toStdString() == "Snapcast 服务器连接中断，下一项将重新连接";
        },
        2000));
    EXPECT_TRUE(snapcastTrouble.empty());
    std::ifstream file(m_Dir + "QELT.log");
    const std::string bells((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
    EXPECT_NE(bells.find(" snapcast Snapcast 服务器无法连接"), std::string::npos) << bells;
    EXPECT_NE(bells.find(" snapcast Snapcast 服务器连接中断"), std::string::npos) << bells;
    EXPECT_EQ(main.PendingView()->GetItemTitle(), "第一节下课");
}

TEST_F(MainFrameTest, HolidayKeepsTheBellsQuiet) {
    std::ofstream(m_Dir + "作息表/节假日.txt") << "# 元旦前的调休\n2026-12-07..2026-12-08\n";
    app::CMainFrame& main = MakeFrame();
    EXPECT_EQ(main.PendingView()->GetItemTitle(), "今日为节假日，不播放作息项");
    TickTo(8, 0, 5);
    EXPECT_FALSE(main.PlayerWindow()->isVisible());
    EXPECT_EQ(main.PendingView()->GetItemTitle(), "今日为节假日，不播放作息项");
    views::CScheduleListView& list = *main.PendingView()->GetListView();
    ASSERT_EQ(list.rowCount(), 2);
    EXPECT_EQ(list.GetRowImage(0), views::CScheduleListView::RowPast);
    EXPECT_EQ(list.GetRowImage(1), views::CScheduleListView::RowPast);
}

TEST_F(MainFrameTest, AMakeupDayShowsAndListsTheWeekdayItFollows) {
    schedule::CTimetable timetable;
    timetable.SetTitle("冬季作息");
    const schedule::ScheduleItem monday = Item(8, 0, 0, "周一早读", true);
    timetable.AddItem(1, &monday);
    ASSERT_TRUE(timetable.Save(m_Dir + "作息表/冬季.zxb"));
    std::ofstream(m_Dir + "作息表/节假日.txt") << "2026-12-08 星期一  # 调休\n";
    app::CMainFrame& main = MakeFrame();
    EXPECT_EQ(main.PendingView()->GetDayNote(), "今日按星期一作息");
    EXPECT_EQ(main.PendingView()->GetItemTitle(), "周一早读");
    ASSERT_EQ(main.PendingView()->GetListView()->rowCount(), 1);
    TickTo(8, 0, 1);
    EXPECT_NE(ReadFile(m_Dir + "QELT.log").find("item 08:00:00 [周一早读]"), std::string::npos);
}

TEST_F(MainFrameTest, LayoutKeepsTheClockAtTheToolbarsRightEnd) {
    app::CMainFrame& main = MakeFrame();
    EXPECT_EQ(main.size(), QSize(app::kFrameWidth, app::kFrameHeight));
    EXPECT_EQ(main.minimumSize(), QSize(app::kFrameMinWidth, app::kFrameMinHeight));
    EXPECT_EQ(main.windowTitle().toStdString(), "Varnel V1.3");
    main.show();
    for (const int width : {700, 980}) {
        main.resize(width, app::kFrameHeight);
        QApplication::processEvents();
        const QRect bar = main.ToolBar()->rect();
        const QRect clockArea = main.ClockWnd()->geometry();
        EXPECT_EQ(clockArea.width(), app::kClockWidth);
        EXPECT_EQ(clockArea.right(), bar.right() - 1) << "width " << width;
        EXPECT_EQ(clockArea.top(), bar.top() + 1);
        EXPECT_EQ(clockArea.bottom(), bar.bottom() - 1);
    }
    EXPECT_EQ(main.ClockWnd()->Text().toStdString(), "2026年12月08日 星期二 07:59:40");
    main.OnCommand(app::kCmdShowClock);
    EXPECT_FALSE(main.ClockWnd()->isVisible());
}

// Deletes today's row from the current timetable, leaving the edit unsaved.
void DeleteItemUnsaved(app::CMainFrame& main, int row) {
    const schedule::ScheduleItem* item = main.Session().Engine().Timetable().GetItem(kTuesday, row);
    ASSERT_NE(item, nullptr);
    ASSERT_TRUE(main.Session().DeleteItemToday(row, schedule::ScheduleItem(*item)));
    main.Session().CurrentTimetable().SetModified();
}

TEST_F(MainFrameTest, ClosingAsksOnceToSaveAModifiedTimetable) {
    const std::string path = m_Dir + "作息表/冬季.zxb";
    const std::string before = ReadFile(path);

    // No: the file stays as it was.
    {
        app::CMainFrame& main = MakeFrame();
        DeleteItemUnsaved(main, 1);
        dialogs.answers = {platform::MessageAnswer::No};
        main.close();
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].text, "作息表已经被修改过了,要保存作息表吗?");
        EXPECT_EQ(dialogs.messages[0].caption, "保存作息表");
        EXPECT_EQ(ReadFile(path), before);
        frame.reset();
    }
    // Yes: the timetable is written with the item removed.
    {
        app::CMainFrame& main = MakeFrame();
        DeleteItemUnsaved(main, 1);
        dialogs.answers = {platform::MessageAnswer::Yes};
        main.close();
        EXPECT_EQ(dialogs.messages.size(), 2u);
        schedule::CTimetable saved;
        ASSERT_TRUE(saved.Load(path, true));
        EXPECT_EQ(saved.GetDay(kTuesday)->size(), 1u);
        EXPECT_FALSE(main.Session().Engine().Timetable().IsModified());
        frame.reset();
    }
    // Yes, but the file cannot be written: the program stays open with the edits.
    {
        app::CMainFrame& main = MakeFrame();
        DeleteItemUnsaved(main, 0);
        fs::remove(path);
        fs::create_directory(path);
        dialogs.answers = {platform::MessageAnswer::Yes};
        main.show();
        EXPECT_FALSE(main.close());
        EXPECT_TRUE(main.Session().Engine().Timetable().IsModified());
        fs::remove(path);
        dialogs.answers = {platform::MessageAnswer::No};
        EXPECT_TRUE(main.close());
    }
}

// The newest open timetable editor with its title typed over (an unsaved edit).
editors::CTimetableEditDlg* EditTimetableTitle(app::CMainFrame& main, const char* title) {
    const QList<editors::CTimetableEditDlg*> open =
        main.findChildren<editors::CTimetableEditDlg*>();
    if (open.isEmpty()) {
        ADD_FAILURE() << "no timetable editor";
        return nullptr;
    }
    open.back()->findChild<QLineEdit*>()->setText(QString::fromUtf8(title));
    return open.back();
}

TEST_F(MainFrameTest, ClosingClosesEachOpenEditorThroughItsOwnQuestions) {
    app::CMainFrame& main = MakeFrame();
    main.show();
    main.OnCommand(app::kCmdCommonTracks);
    schedule::CommonTrack track;
    track.name = "上课铃";
    ASSERT_TRUE(main.CommonTracks().Add(&track));
    main.OnCommand(app::kCmdNewTimetable);
    QPointer<editors::CTimetableEditDlg> editor = EditTimetableTitle(main, "春季作息");
    ASSERT_TRUE(editor);

    // The store editor asks to save its changed store (No), then the timetable editor
    // asks; Yes with the file dialog cancelled keeps the editor and the program open.
    dialogs.answers = {platform::MessageAnswer::No, platform::MessageAnswer::Yes};
    EXPECT_FALSE(main.close());
    ASSERT_EQ(dialogs.messages.size(), 2u);
    EXPECT_EQ(dialogs.messages[0].caption, "保存常用曲目到文件");
    EXPECT_EQ(dialogs.messages[1].text, "作息表已经被修改过了,要保存作息表吗?");
    EXPECT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_TRUE(main.isVisible());
    ASSERT_TRUE(editor);
    EXPECT_TRUE(editor->isVisible());
    EXPECT_FALSE(main.Action(app::kCmdCommonTracks)->isChecked());

    // Yes with a file chosen: the editor saves and closes, and so does the program.
    const std::string saved = m_Dir + "作息表/春季.zxb";
    dialogs.answers = {platform::MessageAnswer::Yes};
    dialogs.files.push_back({saved});
    EXPECT_TRUE(main.close());
    schedule::CTimetable written;
    ASSERT_TRUE(written.Load(saved, true));
    EXPECT_EQ(written.GetTitle(), "春季作息");
    EXPECT_EQ(dialogs.messages.size(), 3u);
}

TEST_F(MainFrameTest, EndedByTheSystemItKeepsEveryUnsavedChangeWithoutAsking) {
    const std::string path = m_Dir + "作息表/冬季.zxb";
    const std::string before = ReadFile(path);
    std::ofstream(path + ".unsaved") << "an earlier copy";
    app::CMainFrame& main = MakeFrame();
    main.show();
    DeleteItemUnsaved(main, 1);
    schedule::CommonTrack track;
    track.name = "上课铃";
    ASSERT_TRUE(main.CommonTracks().Add(&track));
    dialogs.files.push_back({path});
    main.OnCommand(app::kCmdModifyTimetable);
    QPointer<editors::CTimetableEditDlg> editor = EditTimetableTitle(main, "改过的标题");
    ASSERT_TRUE(editor);

    main.Shutdown();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(!editor || !editor->isVisible());
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(ReadFile(path + ".unsaved"), "an earlier copy");
    // The editor's copy first, then the current timetable's, each under a fresh name.
    schedule::CTimetable kept;
    ASSERT_TRUE(kept.Load(path + ".unsaved.1", true));
    EXPECT_EQ(kept.GetTitle(), "改过的标题");
    ASSERT_TRUE(kept.Load(path + ".unsaved.2", true));
    EXPECT_EQ(kept.GetDay(kTuesday)->size(), 1u);
    schedule::CCommonTrackStore tracks;
    ASSERT_TRUE(tracks.Load(m_Dir + "作息表/M2list.dat.unsaved"));
    EXPECT_EQ(tracks.GetCount(), 1);
    const std::string log = ReadFile(m_Dir + "QELT.log");
    EXPECT_NE(log.find("unsaved " + path + ".unsaved.2"), std::string::npos) << log;
    EXPECT_NE(log.find("unsaved " + m_Dir + "作息表/M2list.dat.unsaved"), std::string::npos);

    // Closing afterwards asks nothing.
    EXPECT_TRUE(main.close());
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(MainFrameTest, ItemsAddedWithoutATimetableAreSavedToAFileTheUserChooses) {
    schedule::CSettings settings(m_Dir + "QELT.INI");
    ASSERT_TRUE(settings.SetTimetablePath(""));
    app::CMainFrame& main = MakeFrame();
    ASSERT_TRUE(main.Session().AddItemToday(Item(9, 0, 0, "临时集会", true)));
    main.Session().CurrentTimetable().SetModified();
    EXPECT_EQ(main.PendingView()->GetTimetableTitle(), "无作息表");

    // Cancelling the file dialog writes nothing and keeps the edit; no error is shown.
    main.OnCommand(app::kCmdSaveTimetable);
    ASSERT_EQ(dialogs.fileRequests.size(), 1u);
    EXPECT_TRUE(dialogs.fileRequests[0].save);
    EXPECT_EQ(dialogs.fileRequests[0].folder, m_Dir + "作息表");
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(main.Session().Engine().Timetable().IsModified());

    // A chosen file holds the item and becomes the current timetable.
    const std::string path = m_Dir + "作息表/集会.zxb";
    dialogs.files.push_back({path});
    main.OnCommand(app::kCmdSaveTimetable);
    EXPECT_TRUE(dialogs.messages.empty());
    schedule::CTimetable saved;
    ASSERT_TRUE(saved.Load(path, true));
    EXPECT_EQ(saved.GetDay(kTuesday)->size(), 1u);
    EXPECT_EQ(main.Session().Engine().Timetable().GetPath(), path);
    EXPECT_FALSE(main.Session().Engine().Timetable().IsModified());
    EXPECT_EQ(schedule::CSettings(m_Dir + "QELT.INI").GetTimetablePath(), "作息表/集会.zxb");
    EXPECT_TRUE(main.close());
}

TEST_F(MainFrameTest, AnItemEditedWhileTheDayTurnsIsDroppedWithAWord) {
    app::CMainFrame& main = MakeFrame();
    main.show();
    // Confirms the modal item editor once it is up, after turning the day if asked.
    const auto confirmEditor = [&](bool turnDay) {
        QTimer::singleShot(0, &main, [&, turnDay] {
            if (turnDay) {
                clock.Set({2026, 12, 9, 0, 0, 1, 0, 0});
                main.Tick();
            }
            QWidget* editor = QApplication::activeModalWidget();
            ASSERT_NE(editor, nullptr);
            editor->findChild<QPushButton*>(QStringLiteral("okButton"))->click();
        });
        main.OnCommand(app::kCmdNewItem);
    };
    confirmEditor(false);
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(main.Session().Engine().Timetable().GetDay(kTuesday)->size(), 3u);

    confirmEditor(true);
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "编辑作息项");
    EXPECT_EQ(main.Session().Engine().Timetable().GetDay(kTuesday)->size(), 3u);
    EXPECT_EQ(main.Session().Engine().Timetable().GetDay(kTuesday + 1)->size(), 0u);
}

}  // namespace
