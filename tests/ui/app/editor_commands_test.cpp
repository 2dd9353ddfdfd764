// The main window's editor commands: a dialog opened at most once with its check mark
// while open, the track menus rebuilt when a store editor closes, and the refresh
// question after a timetable editor in modify mode.

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QMenu>
#include <QTest>

#include "app/command_ids.h"
#include "app/frame_fixture.h"
#include "editors/common_track_dlg.h"
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

TEST_F(EditorCommandsTest, StoreEditorOpensOnceAndItsCloseRebuildsTheMenu) {
    app::CMainFrame& main = MakeFrame();
    main.OnCommand(app::kCmdCommonTracks);
    main.OnCommand(app::kCmdCommonTracks);
    ASSERT_EQ(OpenDialogs<editors::CCommonTrackDlg>(main).size(), 1);
    EXPECT_TRUE(main.Action(app::kCmdCommonTracks)->isChecked());

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
