// The extension-run settings dialog and the extension-run items dialog.

#include "editors/ext_run_dlg.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "dialog_helpers.h"
#include "editors/common/fake_editor_host.h"
#include "editors/ext_run_items_dlg.h"

namespace settings_test {
namespace {

using editors::CExtRunDlg;
using editors::CExtRunItemsDlg;
using ui_test::FakeEditorHost;

constexpr int kMonday = 1;

TEST(ExtRunDlgTest, OkTakesTheFiveValuesAndWritesThemInOrder) {
    FakeEditorHost host;
    host.SetOptions([](engine::EngineOptions& options) {
        options.runBefore = "old.sh";
        options.paramBefore = "-x";
    });
    const engine::EngineOptions& inForce = host.Session().Options();
    QPointer<CExtRunDlg> dlg = host.Watched(new CExtRunDlg(host));
    dlg->show();
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("扩展运行设置"));
    EXPECT_FALSE(Child<QCheckBox>(dlg, "extRunOn")->isChecked());
    EXPECT_EQ(Child<QLineEdit>(dlg, "programBefore")->text(), QStringLiteral("old.sh"));
    EXPECT_EQ(Child<QLineEdit>(dlg, "paramsBefore")->text(), QStringLiteral("-x"));

    // A program inside the program folder is kept relative to it, one outside in full;
    // a cancelled choice changes nothing.
    host.dialogs.files = {{host.AppDir() + "工具/打铃.sh"}, {"/usr/bin/true"}};
    Click(dlg, "browseBefore");
    Click(dlg, "browseAfter");
    Click(dlg, "browseAfter");
    ASSERT_EQ(host.dialogs.fileRequests.size(), 3U);
    EXPECT_EQ(host.dialogs.fileRequests[0].title, "请选择程序文件");
    EXPECT_EQ(host.dialogs.fileRequests[0].folder, host.AppDir());
    EXPECT_FALSE(host.dialogs.fileRequests[0].multiple);
    EXPECT_FALSE(host.dialogs.fileRequests[0].save);
    EXPECT_EQ(Child<QLineEdit>(dlg, "programBefore")->text(), QStringLiteral("工具/打铃.sh"));
    EXPECT_EQ(Child<QLineEdit>(dlg, "programAfter")->text(), QStringLiteral("/usr/bin/true"));

    Click(dlg, "extRunOn");
    SetText(dlg, "paramsAfter", QStringLiteral("\"第 二\" 2"));
    Click(dlg, "okButton");
    EXPECT_TRUE(inForce.extRun);
    EXPECT_EQ(inForce.runBefore, "工具/打铃.sh");
    EXPECT_EQ(inForce.paramBefore, "-x");
    EXPECT_EQ(inForce.runAfter, "/usr/bin/true");
    EXPECT_EQ(inForce.paramAfter, "\"第 二\" 2");
    EXPECT_EQ(host.IniText(), FileBytes("[扩展运行]\r\n"
                                        "是否开启=1\r\n"
                                        "程序1=工具/打铃.sh\r\n"
                                        "程序2=/usr/bin/true\r\n"
                                        "参数1=-x\r\n"
                                        "参数2=\"第 二\" 2\r\n"));
    EXPECT_EQ(host.closes, 1);
    DeleteClosedDialogs();
    EXPECT_TRUE(dlg.isNull());

    // Cancel and Escape change nothing; a path too long for the file keeps the dialog open.
    dlg = host.Watched(new CExtRunDlg(host));
    dlg->show();
    Click(dlg, "extRunOn");
    SetText(dlg, "programAfter", QString(260, QLatin1Char('a')));
    Click(dlg, "okButton");
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(host.dialogs.messages.size(), 1U);
    QTest::keyClick(dlg, Qt::Key_Escape);
    EXPECT_TRUE(inForce.extRun);
    EXPECT_EQ(inForce.runAfter, "/usr/bin/true");
    EXPECT_TRUE(host.Settings().GetExtRun());
    EXPECT_EQ(host.closes, 2);
    DeleteClosedDialogs();
    EXPECT_TRUE(dlg.isNull());
}

schedule::ScheduleItem Item(int time, const std::string& title) {
    schedule::ScheduleItem item;
    item.time = time;
    item.title = title;
    return item;
}

void SelectRow(QWidget* dlg, int row) {
    Child<QListWidget>(dlg, "itemList")->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

TEST(ExtRunItemsDlgTest, ChangesOnlyTheSelectedItemAndFollowsAReplacedTimetable) {
    FakeEditorHost host;
    // Today is the virtual clock's Monday.
    ASSERT_EQ(host.Session().Engine().Today(), kMonday);
    schedule::CTimetable& timetable = host.Session().CurrentTimetable();
    for (const schedule::ScheduleItem& item :
         {Item(8 * 3600, "早读"), Item(8 * 3600 + 45 * 60 + 5, "第一节"),
          Item(12 * 3600, "午休")}) {
        ASSERT_TRUE(host.Session().AddItemToday(item));
    }
    timetable.ClearModified();
    const schedule::CTimetable::Day original = *timetable.GetDay(kMonday);

    QPointer<CExtRunItemsDlg> dlg = host.Watched(new CExtRunItemsDlg(host));
    dlg->show();
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("扩展运行设置：星期一"));
    auto* list = Child<QListWidget>(dlg, "itemList");
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(1)->text(), QStringLiteral("08:45:05  第一节"));

    // Before a row is selected the options change nothing.
    Click(dlg, "runBefore");
    Click(dlg, "useDefaultParams");
    EXPECT_EQ(*timetable.GetDay(kMonday), original);
    EXPECT_FALSE(timetable.IsModified());

    // The options of the selected row go into that item only, each marking the timetable.
    SelectRow(dlg, 1);
    auto* params = Child<QLineEdit>(dlg, "params");
    EXPECT_FALSE(params->isEnabled());  // default parameters are used
    Click(dlg, "runBefore");
    EXPECT_TRUE(timetable.IsModified());
    Click(dlg, "useDefaultParams");
    EXPECT_TRUE(params->isEnabled());
    QTest::keyClicks(params, "--bell");
    schedule::CTimetable::Day expected = original;
    expected[1].runBefore = 1;
    expected[1].useDefaultParams = 0;
    expected[1].params = "--bell";
    EXPECT_EQ(*timetable.GetDay(kMonday), expected);

    // Selecting another row shows its own values.
    SelectRow(dlg, 0);
    EXPECT_FALSE(Child<QCheckBox>(dlg, "runBefore")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>(dlg, "useDefaultParams")->isChecked());
    EXPECT_EQ(params->text(), QString());
    SelectRow(dlg, 1);
    EXPECT_EQ(params->text(), QStringLiteral("--bell"));

    // The main window replaces its timetable while the dialog is open: the next change
    // must not land in whatever item now stands at the selected place.
    schedule::CTimetable other;
    for (const schedule::ScheduleItem& item : {Item(7 * 3600, "升旗"), Item(9 * 3600, "课间操")}) {
        other.AddItem(kMonday, &item);
    }
    const std::string otherPath = host.AppDir() + "other.zxb";
    ASSERT_TRUE(other.Save(otherPath));
    ASSERT_TRUE(host.Session().LoadTimetable(otherPath));
    timetable.ClearModified();
    const schedule::CTimetable::Day replaced = *timetable.GetDay(kMonday);
    Click(dlg, "runBefore");
    EXPECT_EQ(*timetable.GetDay(kMonday), replaced);
    EXPECT_FALSE(timetable.IsModified());
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("07:00:00  升旗"));

    // The frame's notice refills the list as well; the new items can then be changed.
    dlg->TimetableReplaced();
    EXPECT_EQ(list->selectedItems().size(), 0);
    SelectRow(dlg, 1);
    Click(dlg, "runBefore");
    EXPECT_EQ(timetable.GetItem(kMonday, 1)->runBefore, 1);
    EXPECT_EQ(timetable.GetItem(kMonday, 0)->runBefore, 0);

    QTest::keyClick(dlg, Qt::Key_Escape);
    EXPECT_EQ(host.closes, 1);
    DeleteClosedDialogs();
    EXPECT_TRUE(dlg.isNull());

    // The timetable editor's modal use works on its own timetable.
    schedule::CTimetable edited;
    CExtRunItemsDlg modal(host, edited, 9, true);
    EXPECT_TRUE(modal.isModal());
    EXPECT_EQ(modal.windowTitle(), QStringLiteral("扩展运行设置"));
    EXPECT_EQ(Child<QListWidget>(&modal, "itemList")->count(), 0);
    modal.Attach(timetable, 2);
    EXPECT_EQ(modal.windowTitle(), QStringLiteral("扩展运行设置：星期二"));
    modal.show();
    modal.reject();
}

TEST(ExtRunItemsDlgTest, OnASpecialDayTheDaysItemsShowButAreNotChanged) {
    FakeEditorHost host;
    schedule::CTimetable& timetable = host.Session().CurrentTimetable();
    ASSERT_TRUE(host.Session().AddItemToday(Item(8 * 3600, "早读")));
    timetable.ClearModified();
    const schedule::CTimetable::Day original = *timetable.GetDay(kMonday);

    // Today, Monday 2026-12-07, rings a timetable of its own.
    schedule::CTimetable special;
    const schedule::ScheduleItem opening = Item(9 * 3600, "运动会开幕");
    special.AddItem(kMonday, &opening);
    std::filesystem::create_directories(host.AppDir() + "作息表");
    ASSERT_TRUE(special.Save(host.AppDir() + "作息表/运动会.zxb"));
    std::ofstream(host.AppDir() + "作息表/节假日.txt") << "2026-12-07 运动会.zxb\n";
    host.Session().CheckCalendar();
    ASSERT_TRUE(host.Session().Engine().IsSpecialDay());

    // The dialog lists the day that rings, as the main window's list does, and changes
    // nothing in the current timetable.
    QPointer<CExtRunItemsDlg> dlg = new CExtRunItemsDlg(host);
    dlg->show();
    auto* list = Child<QListWidget>(dlg, "itemList");
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), QStringLiteral("09:00:00  运动会开幕"));
    SelectRow(dlg, 0);
    EXPECT_FALSE(Child<QCheckBox>(dlg, "runBefore")->isEnabled());
    EXPECT_FALSE(Child<QCheckBox>(dlg, "useDefaultParams")->isEnabled());
    EXPECT_FALSE(Child<QLineEdit>(dlg, "params")->isEnabled());
    Child<QCheckBox>(dlg, "runBefore")->click();
    EXPECT_EQ(*timetable.GetDay(kMonday), original);
    EXPECT_FALSE(timetable.IsModified());
    dlg->close();

    // An ordinary day again: the current timetable's items can be changed.
    std::filesystem::remove(host.AppDir() + "作息表/节假日.txt");
    host.Session().CheckCalendar();
    ASSERT_FALSE(host.Session().Engine().IsSpecialDay());
    DeleteClosedDialogs();
    dlg = new CExtRunItemsDlg(host);
    dlg->show();
    SelectRow(dlg, 0);
    EXPECT_TRUE(Child<QCheckBox>(dlg, "runBefore")->isEnabled());
    Click(dlg, "runBefore");
    EXPECT_EQ(timetable.GetItem(kMonday, 0)->runBefore, 1);
    dlg->close();
    DeleteClosedDialogs();
}

}  // namespace
}  // namespace settings_test
