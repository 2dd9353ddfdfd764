// The main window's editor commands: a dialog opened at most once with its check mark
// while open, the track menus rebuilt when a store editor closes, and the refresh
// question after a timetable editor in modify mode.

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QPointer>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "app/command_ids.h"
#include "app/frame_fixture.h"
#include "editors/common_track_dlg.h"
#include "editors/playlist_dlg.h"
#include "editors/timetable_edit_dlg.h"

namespace {

using namespace ui_test;
using EditorCommandsTest = FrameTest;

template <typename Dialog>
QList<Dialog*> OpenDialogs(app::CMainFrame& frame) {
    QList<Dialog*> open;
    for (Dialog* dialog : frame.findChildren<Dialog*>()) {
        if (dialog->isVisible()) {
            open << dialog;
        }
    }
    return open;
}

// Whether a window-modal dialog keeps input from widget, as Qt decides it: the widget is
// blocked when its window, or a window it stands on (parent or transient parent), is one
// the modal dialog stands on.
bool BlockedBy(const QWidget* widget, const QWidget* modal) {
    const auto above = [](const QWindow* window) {
        return window->parent() != nullptr ? window->parent() : window->transientParent();
    };
    for (const QWindow* w = widget->windowHandle(); w != nullptr; w = above(w)) {
        for (const QWindow* m = above(modal->windowHandle()); m != nullptr; m = above(m)) {
            if (m == w) {
                return true;
            }
        }
    }
    return false;
}

template <typename Dialog>
Dialog* TopLevel() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<Dialog*>(widget);
            dialog != nullptr && dialog->isVisible()) {
            return dialog;
        }
    }
    return nullptr;
}

TEST_F(EditorCommandsTest, AStoreEditorReachedFromTheItemEditorTakesInputOpenBeforeOrNot) {
    app::CMainFrame& main = MakeFrame();
    main.OnCommand(app::kCmdCommonTracks);
    const QPointer<editors::CCommonTrackDlg> openBefore =
        OpenDialogs<editors::CCommonTrackDlg>(main).front();
    bool checked = false;
    QTimer::singleShot(0, &main, [&] {
        QWidget* itemEditor = QApplication::activeModalWidget();
        ASSERT_NE(itemEditor, nullptr);
        ASSERT_TRUE(openBefore);
        EXPECT_TRUE(BlockedBy(openBefore, itemEditor)) << "owned by the frame, it is blocked";
        // The item editor's editor buttons ask the frame for the store editors.
        main.OpenStoreEditor(app::kCmdCommonTracks);
        main.OpenStoreEditor(app::kCmdPlaylists);
        ASSERT_TRUE(openBefore);
        EXPECT_TRUE(openBefore->isVisible());
        EXPECT_FALSE(BlockedBy(openBefore, itemEditor));
        const editors::CPlaylistDlg* openedNow = TopLevel<editors::CPlaylistDlg>();
        ASSERT_NE(openedNow, nullptr);
        EXPECT_FALSE(BlockedBy(openedNow, itemEditor));
        checked = true;
        itemEditor->close();
    });
    main.OnCommand(app::kCmdNewItem);
    EXPECT_TRUE(checked);
}

TEST_F(EditorCommandsTest, StoreEditorOpensOnceAndItsCloseRebuildsTheMenu) {
    app::CMainFrame& main = MakeFrame();
    // Chosen again while open, the command keeps its mark.
    for (int i = 0; i < 3; ++i) {
        main.Action(app::kCmdCommonTracks)->trigger();
        EXPECT_TRUE(main.Action(app::kCmdCommonTracks)->isChecked()) << i;
    }
    ASSERT_EQ(OpenDialogs<editors::CCommonTrackDlg>(main).size(), 1);

    // A track added while the editor is open reaches the menu when it closes.
    schedule::CommonTrack track;
    track.name = "上课铃";
    main.CommonTracks().Add(&track);
    OpenDialogs<editors::CCommonTrackDlg>(main).front()->close();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return !main.Action(app::kCmdCommonTracks)->isChecked(); }, 2000));
    bool found = false;
    for (const QAction* action : main.PlayMenu()->actions()) {
        found = found || action->text() == QStringLiteral("常用曲目播放(&C)");
    }
    EXPECT_TRUE(found);
    // Closed, it opens again.
    main.OnCommand(app::kCmdCommonTracks);
    EXPECT_EQ(OpenDialogs<editors::CCommonTrackDlg>(main).size(), 1);
}

TEST_F(EditorCommandsTest, ClosingAStoreEditorShowsTheListsPlayModesAnew) {
    app::CMainFrame& main = MakeFrame();
    schedule::Playlist lunch;
    lunch.name = "午休";
    lunch.entries.push_back(schedule::TrackEntry{"音乐库/bell.wav"});
    ASSERT_TRUE(main.Playlists().Add(&lunch));
    schedule::ScheduleItem item = Item(12, 0, 0, "午休", true);
    item.kind = schedule::ListMusic;
    item.musicName = "午休";
    ASSERT_TRUE(main.Session().AddItemToday(item));
    auto* list = main.findChild<QTableWidget*>(QStringLiteral("scheduleList"));
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->rowCount(), 3);
    EXPECT_EQ(list->item(2, 3)->text(), QStringLiteral("首曲自动"));

    // The playlist is deleted in the editor; its item reads as missing once it closes.
    main.OnCommand(app::kCmdPlaylists);
    ASSERT_EQ(OpenDialogs<editors::CPlaylistDlg>(main).size(), 1);
    ASSERT_TRUE(main.Playlists().Delete(0));
    OpenDialogs<editors::CPlaylistDlg>(main).front()->close();
    EXPECT_EQ(list->item(2, 3)->text(), QStringLiteral("******"));
    EXPECT_EQ(list->item(2, 4)->text(), QStringLiteral("列表曲目(不存在)"));
    EXPECT_EQ(list->rowCount(), 3);
}

TEST_F(EditorCommandsTest, OnlyAModifyModeTimetableEditorAsksToRefresh) {
    app::CMainFrame& main = MakeFrame();
    const std::string path = m_Dir + "作息表/冬季.zxb";
    dialogs.files.push_back({path});
    main.OnCommand(app::kCmdViewTimetable);
    ASSERT_EQ(OpenDialogs<editors::CTimetableEditDlg>(main).size(), 1);
    OpenDialogs<editors::CTimetableEditDlg>(main).front()->close();
    QApplication::processEvents();
    EXPECT_TRUE(dialogs.messages.empty());

    dialogs.files.push_back({path});
    dialogs.answers = {platform::MessageAnswer::Yes};
    main.OnCommand(app::kCmdModifyTimetable);
    ASSERT_EQ(OpenDialogs<editors::CTimetableEditDlg>(main).size(), 1);
    OpenDialogs<editors::CTimetableEditDlg>(main).front()->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialogs.messages.empty(); }, 2000));
    EXPECT_EQ(dialogs.messages.back().text, "是否要刷新当前作息表!");
    EXPECT_EQ(dialogs.messages.back().caption, "清除作息表项");

    // A file that cannot be read opens nothing.
    std::ofstream(m_Dir + "作息表/坏.zxb") << "not a timetable";
    dialogs.files.push_back({m_Dir + "作息表/坏.zxb"});
    main.OnCommand(app::kCmdModifyTimetable);
    EXPECT_TRUE(OpenDialogs<editors::CTimetableEditDlg>(main).empty());
}

}  // namespace
