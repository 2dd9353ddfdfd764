// The holiday dialog: the calendar's entries in date order, adding and removing them (a
// make-up day among them), what OK writes (and keeps) and Cancel does not, and the
// entries it refuses.

#include "editors/holiday_dlg.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <string>
#include <utility>
#include <vector>

#include "editors/common/fake_editor_host.h"
#include "schedule/atomic_file.h"

namespace {

using editors::CHolidayDlg;
using ui_test::FakeEditorHost;

template <typename T>
T* Child(QWidget* dialog, const char* name) {
    T* child = dialog->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

void Click(QWidget* dialog, const char* name) {
    if (auto* button = Child<QPushButton>(dialog, name)) {
        QTest::mouseClick(button, Qt::LeftButton);
    }
}

void SetDates(QWidget* dialog, const QDate& from, const QDate& to) {
    Child<QDateEdit>(dialog, "fromDate")->setDate(from);
    Child<QDateEdit>(dialog, "toDate")->setDate(to);
}

QStringList Rows(QWidget* dialog) {
    QStringList rows;
    auto* list = Child<QTreeWidget>(dialog, "holidayList");
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        rows << list->topLevelItem(i)->text(0) + QLatin1Char('|') + list->topLevelItem(i)->text(1);
    }
    return rows;
}

void SelectRow(QWidget* dialog, int row) {
    auto* list = Child<QTreeWidget>(dialog, "holidayList");
    list->setCurrentItem(list->topLevelItem(row));
}

void WriteFile(const std::string& path, const std::string& text) {
    ASSERT_EQ(schedule::WriteFileAtomically(path, text), schedule::WriteResult::Ok);
}

std::string ReadFile(const std::string& path) {
    return schedule::ReadWholeFile(path).value_or("(none)");
}

void DeleteClosedDialogs() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(HolidayDlgTest, AddsAndRemovesEntriesAndKeepsTheFilesOtherLines) {
    FakeEditorHost host;
    const std::string folder = host.AppDir() + "作息表/";
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));
    WriteFile(folder + "考试作息表.zxb", "");
    WriteFile(folder + "期末.zxb", "");
    WriteFile(folder + "说明.txt", "");
    const std::string path = folder + "节假日.txt";
    const std::string original =
        "# 学校节假日\n"
        "2027-01-01   # 元旦\n"
        "\n"
        "# 考试\n"
        "2027-06-07..2027-06-09 考试作息表.zxb\n"
        "2027-13-01\n"
        "2027-05-01..2027-05-03 旧作息表.zxb\n";
    WriteFile(path, original);

    QPointer<CHolidayDlg> dlg = host.Watched(new CHolidayDlg(host));
    dlg->show();
    EXPECT_EQ(dlg->objectName(), QStringLiteral("holidayDlg"));
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("节假日设置"));
    EXPECT_EQ(Rows(dlg),
              (QStringList{QStringLiteral("2027-01-01|节假日"),
                           QStringLiteral("2027-05-01 至 2027-05-03|旧作息表.zxb（文件不存在）"),
                           QStringLiteral("2027-06-07 至 2027-06-09|考试作息表.zxb")}));
    // The line that does not count is shown with its number; the combo offers a holiday
    // first, then the timetables of the folder.
    auto* errors = Child<QLabel>(dlg, "errorLabel");
    EXPECT_FALSE(errors->isHidden());
    EXPECT_TRUE(errors->text().contains(QStringLiteral("第6行 \"2027-13-01\"")))
        << errors->text().toStdString();
    auto* combo = Child<QComboBox>(dlg, "timetableCombo");
    ASSERT_EQ(combo->count(), 3);
    EXPECT_EQ(combo->itemText(0), QStringLiteral("（节假日，不响铃）"));
    EXPECT_NE(combo->findText(QStringLiteral("期末.zxb")), -1);
    EXPECT_EQ(combo->findText(QStringLiteral("说明.txt")), -1);

    // A single day and a range with a timetable land at their places in date order.
    SetDates(dlg, QDate(2026, 12, 25), QDate(2026, 12, 25));
    Click(dlg, "addButton");
    SetDates(dlg, QDate(2027, 2, 10), QDate(2027, 2, 16));
    combo->setCurrentIndex(combo->findText(QStringLiteral("期末.zxb")));
    Click(dlg, "addButton");
    EXPECT_EQ(Rows(dlg),
              (QStringList{QStringLiteral("2026-12-25|节假日"), QStringLiteral("2027-01-01|节假日"),
                           QStringLiteral("2027-02-10 至 2027-02-16|期末.zxb"),
                           QStringLiteral("2027-05-01 至 2027-05-03|旧作息表.zxb（文件不存在）"),
                           QStringLiteral("2027-06-07 至 2027-06-09|考试作息表.zxb")}));
    EXPECT_EQ(Child<QTreeWidget>(dlg, "holidayList")->currentItem()->text(0),
              QStringLiteral("2027-02-10 至 2027-02-16"));

    // Removing takes the selected entry; the next one is selected so removing goes on.
    SelectRow(dlg, 1);
    Click(dlg, "removeButton");
    Click(dlg, "removeButton");
    EXPECT_EQ(Rows(dlg),
              (QStringList{QStringLiteral("2026-12-25|节假日"),
                           QStringLiteral("2027-05-01 至 2027-05-03|旧作息表.zxb（文件不存在）"),
                           QStringLiteral("2027-06-07 至 2027-06-09|考试作息表.zxb")}));
    EXPECT_EQ(ReadFile(path), original);
    EXPECT_TRUE(host.dialogs.messages.empty());

    // A make-up Sunday that follows Friday's items: no timetable, a weekday.
    SetDates(dlg, QDate(2027, 2, 21), QDate(2027, 2, 21));
    combo->setCurrentIndex(0);
    auto* weekday = Child<QComboBox>(dlg, "weekdayCombo");
    weekday->setCurrentIndex(weekday->findText(QStringLiteral("星期五")));
    EXPECT_EQ(combo->itemText(0), QStringLiteral("（当前作息表）")) << "with a weekday, no holiday";
    Click(dlg, "addButton");
    EXPECT_EQ(Rows(dlg).value(1), QStringLiteral("2027-02-21|按星期五的作息"));

    // OK writes the file: the comments, the blank line, the line that does not count and
    // the untouched entries stay as they were; the new entries follow.
    Click(dlg, "okButton");
    EXPECT_EQ(ReadFile(path),
              "# 学校节假日\n"
              "\n"
              "# 考试\n"
              "2027-06-07..2027-06-09 考试作息表.zxb\n"
              "2027-13-01\n"
              "2027-05-01..2027-05-03 旧作息表.zxb\n"
              "2026-12-25\n"
              "2027-02-21 星期五\n");
    DeleteClosedDialogs();
    EXPECT_TRUE(dlg.isNull());
    EXPECT_EQ(host.closes, 1);
}

TEST(HolidayDlgTest, RefusesWrongRangesAndWritesNothingUnlessOkSucceeds) {
    FakeEditorHost host;
    // A plain file where the timetable folder belongs: the calendar cannot be written.
    const std::string folder = host.AppDir() + "作息表";
    WriteFile(folder, "");
    QPointer<CHolidayDlg> dlg = host.Watched(new CHolidayDlg(host));
    dlg->show();
    EXPECT_TRUE(Rows(dlg).isEmpty());
    EXPECT_TRUE(Child<QLabel>(dlg, "errorLabel")->isHidden());

    // The end follows the start while they were the same day, and never stays before it.
    auto* from = Child<QDateEdit>(dlg, "fromDate");
    auto* to = Child<QDateEdit>(dlg, "toDate");
    from->setDate(QDate(2027, 3, 10));
    EXPECT_EQ(to->date(), QDate(2027, 3, 10));
    to->setDate(QDate(2027, 3, 12));
    from->setDate(QDate(2027, 3, 11));
    EXPECT_EQ(to->date(), QDate(2027, 3, 12));

    // An end before the start is refused with a message.
    to->setDate(QDate(2027, 3, 1));
    Click(dlg, "addButton");
    ASSERT_EQ(host.dialogs.messages.size(), 1U);
    EXPECT_EQ(host.dialogs.messages[0].text, "结束日期不能早于开始日期。");
    EXPECT_EQ(host.dialogs.messages[0].caption, "错误");
    EXPECT_TRUE(Rows(dlg).isEmpty());

    // The same dates twice are refused too.
    SetDates(dlg, QDate(2027, 3, 11), QDate(2027, 3, 12));
    Click(dlg, "addButton");
    Click(dlg, "addButton");
    EXPECT_EQ(Rows(dlg), QStringList{QStringLiteral("2027-03-11 至 2027-03-12|节假日")});
    ASSERT_EQ(host.dialogs.messages.size(), 2U);
    EXPECT_EQ(host.dialogs.messages[1].text,
              "列表中已有2027-03-11 至 2027-03-12的条目，请先删除它。");

    // A file that cannot be written is reported and the dialog stays open with its
    // entries; Escape then closes it without writing anything.
    Click(dlg, "okButton");
    ASSERT_EQ(host.dialogs.messages.size(), 3U);
    EXPECT_EQ(host.dialogs.messages[2].text.rfind("无法保存节假日文件", 0), 0U);
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(host.closes, 0);
    QTest::keyClick(dlg, Qt::Key_Escape);
    DeleteClosedDialogs();
    EXPECT_TRUE(dlg.isNull());
    EXPECT_EQ(host.closes, 1);
    EXPECT_EQ(ReadFile(folder), "");

    // A calendar that exists but cannot be read is not overwritten.
    FakeEditorHost other;
    ASSERT_TRUE(QDir().mkpath(QString::fromStdString(other.AppDir() + "作息表/节假日.txt")));
    QPointer<CHolidayDlg> blocked = new CHolidayDlg(other);
    EXPECT_FALSE(Child<QPushButton>(blocked, "okButton")->isEnabled());
    EXPECT_TRUE(Child<QLabel>(blocked, "errorLabel")
                    ->text()
                    .startsWith(QStringLiteral("无法读取节假日文件")));
    blocked->reject();
    DeleteClosedDialogs();
    EXPECT_TRUE(blocked.isNull());
}

}  // namespace
