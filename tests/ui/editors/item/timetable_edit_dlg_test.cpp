// The timetable editor driven through its controls, with the item editor answered from
// inside its modal run.

#include "editors/timetable_edit_dlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <functional>

#include "editors/common/fake_editor_host.h"
#include "editors/item_edit_dlg.h"

namespace {

using editors::CItemEditDlg;
using editors::CTimetableEditDlg;
using platform::MessageAnswer;
using schedule::ScheduleItem;
using ui_test::FakeEditorHost;

constexpr int kMonday = 1;
constexpr int kTuesday = 2;

template <typename T>
T* Find(const QWidget& dlg, const char* name) {
    T* child = dlg.findChild<T*>(QString::fromUtf8(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

// Answers the item editor that the next command opens, from inside its modal run. An
// action that leaves it open has it cancelled, so no test can hang in it.
void OnItemEditor(std::function<void(CItemEditDlg&)> action) {
    QTimer::singleShot(0, [action = std::move(action)] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* editor = qobject_cast<CItemEditDlg*>(widget);
            if (editor != nullptr && editor->isVisible()) {
                action(*editor);
                if (editor->isVisible()) {
                    editor->reject();
                }
                return;
            }
        }
        ADD_FAILURE() << "no item editor open";
    });
}

// Fills an open item editor as a single-music item and confirms it.
void ConfirmSingle(CItemEditDlg& editor, const char* title, QTime time) {
    Find<QRadioButton>(editor, "singleRadio")->click();
    Find<QComboBox>(editor, "titleCombo")->setEditText(QString::fromUtf8(title));
    Find<QLineEdit>(editor, "nameEdit")->setText(QStringLiteral("铃"));
    Find<QTimeEdit>(editor, "timeEdit")->setTime(time);
    Find<QPushButton>(editor, "okButton")->click();
}

QString Cell(const QTableWidget& list, int row, int column) {
    const QTableWidgetItem* item = list.item(row, column);
    return item != nullptr ? item->text() : QString();
}

void ClickRow(QTableWidget& list, int row) {
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      list.visualRect(list.model()->index(row, 0)).center());
}

int SelectedRow(const QTableWidget& list) {
    const QList<QTableWidgetSelectionRange> ranges = list.selectedRanges();
    return ranges.isEmpty() ? -1 : ranges.first().topRow();
}

// Closes the editor with its button and checks that it is gone.
void Close(QPointer<CTimetableEditDlg>& dlg) {
    Find<QPushButton>(*dlg, "closeButton")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dlg.isNull());
    delete dlg.data();
}

schedule::CTimetable ReadBack(const std::string& path) {
    schedule::CTimetable read;
    EXPECT_TRUE(read.Load(path, true)) << path;
    return read;
}

class TimetableEditDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A Tuesday.
        host.clock.Set({2026, 12, 8, 9, 0, 0});
        ASSERT_EQ(host.clock.Now().weekday, kTuesday);
        folder = host.AppDir() + "作息表/";
        ASSERT_TRUE(QDir().mkpath(QString::fromStdString(folder)));
    }

    FakeEditorHost host;
    std::string folder;
};

TEST_F(TimetableEditDlgTest, NewTimetableAddsEditsDeletesAndSaves) {
    QPointer<CTimetableEditDlg> dlg =
        host.Watched(CTimetableEditDlg::Create(host, host.clock, CTimetableEditDlg::kNewMode, ""));
    ASSERT_FALSE(dlg.isNull());
    dlg->show();
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("作息表设置窗口 --- 星期二"));
    EXPECT_EQ(Find<QTabBar>(*dlg, "dayTabs")->currentIndex(), 1);
    EXPECT_EQ(Find<QLineEdit>(*dlg, "titleEdit")->text(), QStringLiteral("新建作息表"));
    EXPECT_FALSE(Find<QPushButton>(*dlg, "saveAsButton")->isEnabled());
    auto* list = Find<QTableWidget>(*dlg, "itemList");
    auto* add = Find<QPushButton>(*dlg, "addButton");

    // The first item starts from the editor's defaults; later ones copy the last added.
    OnItemEditor([](CItemEditDlg& editor) {
        EXPECT_TRUE(Find<QRadioButton>(editor, "commonRadio")->isChecked());
        ConfirmSingle(editor, "第一节", QTime(8, 0, 0));
    });
    add->click();
    OnItemEditor([](CItemEditDlg& editor) {
        EXPECT_EQ(Find<QComboBox>(editor, "titleCombo")->currentText(), QStringLiteral("第一节"));
        EXPECT_EQ(Find<QTimeEdit>(editor, "timeEdit")->time(), QTime(8, 0, 0));
        ConfirmSingle(editor, "早读", QTime(7, 0, 0));
    });
    add->click();
    Find<QCheckBox>(*dlg, "copyOnAddCheck")->click();
    OnItemEditor([](CItemEditDlg& editor) {
        EXPECT_TRUE(Find<QComboBox>(editor, "titleCombo")->currentText().isEmpty());
        Find<QPushButton>(editor, "cancelButton")->click();
    });
    add->click();
    ASSERT_EQ(list->rowCount(), 2);
    EXPECT_EQ(Cell(*list, 0, 0), QStringLiteral("07:00:00"));
    EXPECT_EQ(Cell(*list, 0, 1), QStringLiteral("早读"));
    EXPECT_EQ(Cell(*list, 0, 3), QStringLiteral("自动播放"));
    EXPECT_EQ(Cell(*list, 0, 5), QStringLiteral("运行"));
    EXPECT_EQ(Cell(*list, 0, 6), QStringLiteral("默认参数"));

    // Nothing selected: edit and delete do nothing, the menu offers only a new item.
    QMenu menu;
    dlg->FillContextMenu(menu);
    EXPECT_EQ(menu.actions().size(), 1);
    Find<QPushButton>(*dlg, "editButton")->click();
    Find<QPushButton>(*dlg, "deleteButton")->click();
    EXPECT_TRUE(host.dialogs.messages.empty());

    // Moving the first item after the second keeps the selection on the first row.
    ClickRow(*list, 0);
    OnItemEditor([](CItemEditDlg& editor) {
        EXPECT_EQ(Find<QComboBox>(editor, "titleCombo")->currentText(), QStringLiteral("早读"));
        Find<QTimeEdit>(editor, "timeEdit")->setTime(QTime(9, 30, 0));
        Find<QPushButton>(editor, "okButton")->click();
    });
    Find<QPushButton>(*dlg, "editButton")->click();
    EXPECT_EQ(Cell(*list, 0, 1), QStringLiteral("第一节"));
    EXPECT_EQ(Cell(*list, 1, 0), QStringLiteral("09:30:00"));
    EXPECT_EQ(SelectedRow(*list), 0);
    QMenu selectedMenu;
    dlg->FillContextMenu(selectedMenu);
    EXPECT_EQ(selectedMenu.actions().size(), 3);

    // A row chosen with the keyboard is the one named and deleted.
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Down);
    ASSERT_EQ(SelectedRow(*list), 1);
    host.dialogs.answers = {MessageAnswer::Yes};
    Find<QPushButton>(*dlg, "deleteButton")->click();
    ASSERT_EQ(host.dialogs.messages.size(), 1U);
    EXPECT_EQ(host.dialogs.messages[0].text, "真的要删除 [早读-铃] 这一项作息表吗?");
    EXPECT_EQ(host.dialogs.messages[0].caption, "清除作息表项");
    ASSERT_EQ(list->rowCount(), 1);
    EXPECT_EQ(Cell(*list, 0, 1), QStringLiteral("第一节"));

    // The first save asks for a file and, with no timetable current yet, whether this one
    // becomes current: it then rings today. Later saves ask only before overwriting.
    const std::string path = folder + "new.zxb";
    host.dialogs.messages.clear();
    host.dialogs.files.push_back({path});
    host.dialogs.answers = {MessageAnswer::Yes};
    ASSERT_FALSE(host.Session().CurrentTimetable().IsLoaded());
    Find<QPushButton>(*dlg, "saveButton")->click();
    ASSERT_EQ(host.dialogs.fileRequests.size(), 1U);
    EXPECT_TRUE(host.dialogs.fileRequests[0].save);
    EXPECT_EQ(host.dialogs.fileRequests[0].folder, host.AppDir() + "作息表");
    ASSERT_EQ(host.dialogs.messages.size(), 1U);
    EXPECT_EQ(host.dialogs.messages[0].text, CTimetableEditDlg::kMakeCurrentText);
    EXPECT_EQ(ReadBack(path).GetTitle(), "新建作息表");
    ASSERT_EQ(ReadBack(path).GetDay(kTuesday)->size(), 1U);
    EXPECT_EQ(host.Session().CurrentTimetable().GetPath(), path);
    EXPECT_EQ(host.settings.GetTimetablePath(), "作息表/new.zxb");
    EXPECT_EQ(host.Session().CurrentTimetable().GetDay(kTuesday)->size(), 1U);
    host.dialogs.messages.clear();

    Find<QLineEdit>(*dlg, "titleEdit")->setText(QStringLiteral("秋季"));
    host.dialogs.answers = {MessageAnswer::No};
    Find<QPushButton>(*dlg, "saveButton")->click();
    EXPECT_EQ(ReadBack(path).GetTitle(), "新建作息表");
    host.dialogs.answers = {MessageAnswer::Yes};
    Find<QPushButton>(*dlg, "saveButton")->click();
    EXPECT_EQ(host.dialogs.messages.size(), 2U) << "a timetable is current now: not offered again";
    EXPECT_EQ(host.dialogs.messages[1].text, CTimetableEditDlg::kSaveText);
    EXPECT_EQ(host.dialogs.fileRequests.size(), 1U);
    const schedule::CTimetable saved = ReadBack(path);
    EXPECT_EQ(saved.GetTitle(), "秋季");
    ASSERT_EQ(saved.GetDay(kTuesday)->size(), 1U);
    EXPECT_EQ(saved.GetDay(kTuesday)->front().time, 8 * 3600);
    EXPECT_EQ(saved.GetDay(kTuesday)->front().title, "第一节");

    Close(dlg);
    EXPECT_EQ(host.closes, 1);
}

TEST_F(TimetableEditDlgTest, DaysAndWholeTimetablesAreCopiedIntoTheShownDay) {
    schedule::CTimetable source;
    source.SetTitle("春季");
    ScheduleItem item;
    item.time = 7 * 3600 + 5 * 60 + 9;
    item.kind = schedule::CommonMusic;
    item.autoPlay = 0;
    item.title = "升旗";
    item.musicName = "国歌";
    item.runBefore = 0;
    item.useDefaultParams = 0;
    item.params = "-q";
    source.AddItem(kMonday, &item);
    const std::string path = folder + "a.zxb";
    ASSERT_TRUE(source.Save(path));
    QFile junk(QString::fromStdString(folder + "b.zxb"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a timetable at all");
    junk.close();

    QPointer<CTimetableEditDlg> dlg = host.Watched(
        CTimetableEditDlg::Create(host, host.clock, CTimetableEditDlg::kModifyMode, path));
    ASSERT_FALSE(dlg.isNull());
    dlg->show();
    EXPECT_EQ(Find<QLineEdit>(*dlg, "titleEdit")->text(), QStringLiteral("春季"));
    auto* list = Find<QTableWidget>(*dlg, "itemList");
    auto* tabs = Find<QTabBar>(*dlg, "dayTabs");
    EXPECT_EQ(list->rowCount(), 0);

    tabs->setCurrentIndex(0);
    EXPECT_EQ(Find<QLabel>(*dlg, "dayLabel")->text(), QStringLiteral("星期一"));
    ASSERT_EQ(list->rowCount(), 1);
    EXPECT_EQ(Cell(*list, 0, 0), QStringLiteral("07:05:09"));
    EXPECT_EQ(Cell(*list, 0, 3), QStringLiteral("手动播放"));
    EXPECT_EQ(Cell(*list, 0, 4), QStringLiteral("常用曲目"));
    EXPECT_EQ(Cell(*list, 0, 5), QStringLiteral("不运行"));
    EXPECT_EQ(Cell(*list, 0, 6), QStringLiteral("-q"));

    // The weekday list names the tab's own day: nothing is asked or copied.
    tabs->setCurrentIndex(1);
    auto* from = Find<QComboBox>(*dlg, "copyFromCombo");
    from->setCurrentIndex(kTuesday);
    Find<QPushButton>(*dlg, "copyDayButton")->click();
    EXPECT_TRUE(host.dialogs.messages.empty());
    from->setCurrentIndex(kMonday);
    host.dialogs.answers = {MessageAnswer::Yes};
    Find<QPushButton>(*dlg, "copyDayButton")->click();
    ASSERT_EQ(host.dialogs.messages.size(), 1U);
    EXPECT_EQ(host.dialogs.messages[0].text, "真的要复制星期一的作息表到星期二");
    ASSERT_EQ(list->rowCount(), 1);
    EXPECT_EQ(Cell(*list, 0, 1), QStringLiteral("升旗"));

    // The shown day to the school week in one round, then to the whole week.
    ASSERT_EQ(from->count(), 9);
    from->setCurrentText(QStringLiteral("复制到星期一至五"));
    host.dialogs.answers = {MessageAnswer::Yes};
    Find<QPushButton>(*dlg, "copyDayButton")->click();
    EXPECT_EQ(host.dialogs.messages.back().text, "真的要复制星期二的作息表到星期一至五");
    const auto daySizes = [&] {
        std::vector<std::size_t> sizes;
        for (int day = 0; day < 7; ++day) {
            sizes.push_back(dlg->EditTimetable().GetDay(day)->size());
        }
        return sizes;
    };
    EXPECT_EQ(daySizes(), (std::vector<std::size_t>{0, 1, 1, 1, 1, 1, 0}));
    from->setCurrentText(QStringLiteral("复制到全周"));
    host.dialogs.answers = {MessageAnswer::No};
    Find<QPushButton>(*dlg, "copyDayButton")->click();
    EXPECT_EQ(daySizes(), (std::vector<std::size_t>{0, 1, 1, 1, 1, 1, 0})) << "No copies nothing";
    host.dialogs.answers = {MessageAnswer::Yes};
    Find<QPushButton>(*dlg, "copyDayButton")->click();
    EXPECT_EQ(daySizes(), (std::vector<std::size_t>(7, 1)));
    host.dialogs.messages.erase(host.dialogs.messages.begin() + 1, host.dialogs.messages.end());

    // A file that is no timetable leaves the edited one as it was.
    auto* files = Find<QComboBox>(*dlg, "fileCombo");
    ASSERT_EQ(files->count(), 2);
    files->setCurrentIndex(1);
    EXPECT_EQ(files->currentText(), QStringLiteral("b.zxb"));
    host.dialogs.answers = {MessageAnswer::Yes};
    Find<QPushButton>(*dlg, "copyFileButton")->click();
    EXPECT_EQ(host.dialogs.messages[1].text, CTimetableEditDlg::kCopyFileText);
    EXPECT_EQ(list->rowCount(), 1);
    EXPECT_EQ(dlg->EditTimetable().GetDay(kTuesday)->size(), 1U);
    EXPECT_EQ(Find<QLineEdit>(*dlg, "titleEdit")->text(), QStringLiteral("春季"));

    // Save writes the file being edited, after asking.
    host.dialogs.answers = {MessageAnswer::Yes};
    Find<QPushButton>(*dlg, "saveButton")->click();
    EXPECT_TRUE(host.dialogs.fileRequests.empty());
    const schedule::CTimetable saved = ReadBack(path);
    ASSERT_EQ(saved.GetDay(kTuesday)->size(), 1U);
    EXPECT_EQ(saved.GetDay(kTuesday)->front(), item);

    // Copying the whole timetable replaces title and days; the saved file stays a.zxb.
    source.ClearAll();
    source.SetTitle("冬季");
    ASSERT_TRUE(source.Save(folder + "c.zxb"));
    EXPECT_EQ(files->count(), 2);  // the list is not refreshed while open
    files->setCurrentIndex(0);
    host.dialogs.answers = {MessageAnswer::Yes};
    Find<QPushButton>(*dlg, "copyFileButton")->click();
    EXPECT_EQ(Find<QLineEdit>(*dlg, "titleEdit")->text(), QStringLiteral("春季"));
    EXPECT_EQ(dlg->File(), path);

    Close(dlg);
    EXPECT_EQ(host.closes, 1);
}

TEST_F(TimetableEditDlgTest, ViewModeOnlySavesAsAndUnreadableFilesOpenNothing) {
    EXPECT_EQ(CTimetableEditDlg::Create(host, host.clock, CTimetableEditDlg::kViewMode,
                                        folder + "missing.zxb"),
              nullptr);
    QFile junk(QString::fromStdString(folder + "junk.zxb"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("ZXB");
    junk.close();
    EXPECT_EQ(CTimetableEditDlg::Create(host, host.clock, CTimetableEditDlg::kModifyMode,
                                        folder + "junk.zxb"),
              nullptr);

    schedule::CTimetable source;
    source.SetTitle("只读");
    ScheduleItem midnight;
    midnight.title = "零点";
    midnight.musicName = "钟声";
    source.AddItem(kMonday, &midnight);
    const std::string path = folder + "view.zxb";
    ASSERT_TRUE(source.Save(path));
    QPointer<CTimetableEditDlg> dlg = host.Watched(
        CTimetableEditDlg::Create(host, host.clock, CTimetableEditDlg::kViewMode, path));
    ASSERT_FALSE(dlg.isNull());
    dlg->show();
    EXPECT_FALSE(Find<QPushButton>(*dlg, "saveButton")->isEnabled());

    // An item at midnight keeps its time through an edit that changes only its title.
    auto* tabs = Find<QTabBar>(*dlg, "dayTabs");
    tabs->setCurrentIndex(0);
    auto* list = Find<QTableWidget>(*dlg, "itemList");
    ASSERT_EQ(list->rowCount(), 1);
    ClickRow(*list, 0);
    OnItemEditor([](CItemEditDlg& editor) {
        EXPECT_EQ(Find<QTimeEdit>(editor, "timeEdit")->time(), QTime(0, 0, 0));
        Find<QComboBox>(editor, "titleCombo")->setEditText(QStringLiteral("午夜"));
        Find<QPushButton>(editor, "okButton")->click();
    });
    Find<QPushButton>(*dlg, "editButton")->click();
    EXPECT_EQ(Cell(*list, 0, 0), QStringLiteral("00:00:00"));
    EXPECT_EQ(Cell(*list, 0, 1), QStringLiteral("午夜"));

    // The extension run of all items works on the shown day of this timetable.
    QTimer::singleShot(0, [] {
        QWidget* modal = QApplication::activeModalWidget();
        ASSERT_NE(modal, nullptr);
        EXPECT_EQ(modal->metaObject()->className(), std::string("editors::CExtRunItemsDlg"));
        modal->close();
    });
    Find<QPushButton>(*dlg, "extRunButton")->click();

    // An empty title is saved empty; save as asks for the file and, with no timetable
    // current, whether this one becomes current (No: nothing changes).
    Find<QLineEdit>(*dlg, "titleEdit")->clear();
    const std::string copy = folder + "copy.zxb";
    host.dialogs.messages.clear();
    host.dialogs.files.push_back({copy});
    Find<QPushButton>(*dlg, "saveAsButton")->click();
    ASSERT_EQ(host.dialogs.messages.size(), 1U);
    EXPECT_EQ(host.dialogs.messages[0].text, CTimetableEditDlg::kMakeCurrentText);
    EXPECT_FALSE(host.Session().CurrentTimetable().IsLoaded());
    EXPECT_EQ(ReadBack(copy).GetTitle(), "");
    EXPECT_EQ(ReadBack(path).GetTitle(), "只读");

    // Enter in the title field does not throw the editor away; Escape closes it, and the
    // frame hears of it once.
    QTest::keyClick(Find<QLineEdit>(*dlg, "titleEdit"), Qt::Key_Return);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(dlg.isNull());
    EXPECT_TRUE(dlg->isVisible());
    QTest::keyClick(dlg, Qt::Key_Escape);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dlg.isNull());
    EXPECT_EQ(host.closes, 1);
}

}  // namespace
