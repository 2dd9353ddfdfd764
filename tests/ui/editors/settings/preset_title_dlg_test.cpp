// The preset titles dialog: editing the list, the questions it asks, and what it writes
// to the settings file when it closes.

#include "editors/preset_title_dlg.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QTest>

#include "dialog_helpers.h"
#include "editors/common/fake_editor_host.h"

namespace settings_test {
namespace {

using editors::CPresetTitleDlg;
using platform::MessageAnswer;
using ui_test::FakeEditorHost;

QStringList Rows(QWidget* dlg) {
    QStringList rows;
    auto* list = Child<QListWidget>(dlg, "titleList");
    for (int i = 0; i < list->count(); ++i) {
        rows << list->item(i)->text();
    }
    return rows;
}

void SelectRow(QWidget* dlg, int row) {
    auto* list = Child<QListWidget>(dlg, "titleList");
    list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

int SelectedRow(QWidget* dlg) {
    const QList<QListWidgetItem*> selected = Child<QListWidget>(dlg, "titleList")->selectedItems();
    return selected.isEmpty() ? -1 : Child<QListWidget>(dlg, "titleList")->row(selected.first());
}

TEST(PresetTitleDlgTest, EditsTheListAndSavesItWhenTheUserAgrees) {
    FakeEditorHost host;
    host.WriteIni(FileBytes("[常用标题]\r\n标题数=3\r\n1=第一节\r\n2=\r\n3=第三节\r\n"));
    QPointer<CPresetTitleDlg> dlg = host.Watched(new CPresetTitleDlg(host));
    dlg->show();
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("常用标题设置"));
    EXPECT_EQ(Rows(dlg), (QStringList{QStringLiteral("第一节"), QStringLiteral("第三节")}));

    // Without a selected row the row commands do nothing and ask nothing.
    SetText(dlg, "titleEdit", QStringLiteral("无"));
    for (const char* button : {"upButton", "downButton", "changeButton", "deleteButton"}) {
        Click(dlg, button);
    }
    EXPECT_EQ(Rows(dlg).size(), 2);
    EXPECT_TRUE(host.dialogs.messages.empty());

    // Adding appends, keeps the field's text, and allows duplicates; empty adds nothing.
    SetText(dlg, "titleEdit", QStringLiteral("午休"));
    Click(dlg, "addButton");
    Click(dlg, "addButton");
    EXPECT_EQ(Child<QLineEdit>(dlg, "titleEdit")->text(), QStringLiteral("午休"));
    SetText(dlg, "titleEdit", QString());
    Click(dlg, "addButton");
    EXPECT_EQ(Rows(dlg), (QStringList{QStringLiteral("第一节"), QStringLiteral("第三节"),
                                      QStringLiteral("午休"), QStringLiteral("午休")}));

    // Selecting shows the row; changing it asks first and No keeps it.
    SelectRow(dlg, 0);
    EXPECT_EQ(Child<QLineEdit>(dlg, "titleEdit")->text(), QStringLiteral("第一节"));
    SetText(dlg, "titleEdit", QStringLiteral("早读"));
    Click(dlg, "changeButton");
    ASSERT_EQ(host.dialogs.messages.size(), 1U);
    EXPECT_EQ(host.dialogs.messages[0].text, "真的要替换第1项:第一节");
    EXPECT_EQ(host.dialogs.messages[0].caption, "替换标题");
    EXPECT_EQ(host.dialogs.messages[0].icon, platform::MessageIcon::Question);
    EXPECT_EQ(Rows(dlg)[0], QStringLiteral("第一节"));
    host.dialogs.answers = {MessageAnswer::Yes};
    Click(dlg, "changeButton");
    EXPECT_EQ(Rows(dlg)[0], QStringLiteral("早读"));
    EXPECT_EQ(SelectedRow(dlg), 0);

    // Deleting asks, and selects the row that moves into the deleted one's place.
    SelectRow(dlg, 1);
    host.dialogs.answers = {MessageAnswer::Yes};
    Click(dlg, "deleteButton");
    EXPECT_EQ(host.dialogs.messages.back().text, "真的要删除第2项:第三节");
    EXPECT_EQ(host.dialogs.messages.back().caption, "删除标题");
    EXPECT_EQ(SelectedRow(dlg), 1);

    // Up and down move the selected row and keep it selected; not past the ends.
    Click(dlg, "upButton");
    EXPECT_EQ(SelectedRow(dlg), 0);
    Click(dlg, "upButton");
    SelectRow(dlg, 2);
    Click(dlg, "downButton");
    EXPECT_EQ(Rows(dlg), (QStringList{QStringLiteral("午休"), QStringLiteral("早读"),
                                      QStringLiteral("午休")}));
    Click(dlg, "upButton");
    EXPECT_EQ(SelectedRow(dlg), 1);
    EXPECT_EQ(Rows(dlg), (QStringList{QStringLiteral("午休"), QStringLiteral("午休"),
                                      QStringLiteral("早读")}));

    // A title the settings file would cut is refused; 100 Chinese characters are 200 bytes.
    const std::size_t messagesBefore = host.dialogs.messages.size();
    SetText(dlg, "titleEdit", QString(100, QChar(0x4E2D)));
    Click(dlg, "addButton");
    EXPECT_EQ(host.dialogs.messages.size(), messagesBefore + 1);
    EXPECT_EQ(host.dialogs.messages.back().caption, "错误");
    EXPECT_EQ(Rows(dlg).size(), 3);

    // Closing asks to save; Yes writes the count and the titles over the old keys.
    host.dialogs.answers = {MessageAnswer::Yes};
    Click(dlg, "closeButton");
    EXPECT_EQ(host.dialogs.messages.back().text, "保存编辑过的常用标题吗?");
    EXPECT_EQ(host.dialogs.messages.back().caption, "保存常用标题");
    EXPECT_EQ(host.IniText(),
              FileBytes("[常用标题]\r\n标题数=3\r\n1=午休\r\n2=午休\r\n3=早读\r\n"));
    EXPECT_EQ(host.closes, 1);
    DeleteClosedDialogs();
    EXPECT_TRUE(dlg.isNull());
}

TEST(PresetTitleDlgTest, FewerTitlesLeaveHigherKeysAndEmptyTitlesDisappear) {
    FakeEditorHost host;
    std::vector<std::string> ten;
    for (int i = 1; i <= 10; ++i) {
        ten.push_back("标题" + std::to_string(i));
    }
    host.Settings().WritePresetTitles(ten);

    QPointer<CPresetTitleDlg> dlg = host.Watched(new CPresetTitleDlg(host));
    dlg->show();
    ASSERT_EQ(Rows(dlg).size(), 10);
    for (int i = 0; i < 2; ++i) {
        SelectRow(dlg, 8);
        host.dialogs.answers = {MessageAnswer::Yes};
        Click(dlg, "deleteButton");
    }
    EXPECT_EQ(SelectedRow(dlg), -1);  // the deleted row was the last
    SelectRow(dlg, 0);
    SetText(dlg, "titleEdit", QString());
    host.dialogs.answers = {MessageAnswer::Yes};
    Click(dlg, "changeButton");
    EXPECT_EQ(Rows(dlg)[0], QString());
    host.dialogs.answers = {MessageAnswer::Yes};
    QTest::keyClick(dlg, Qt::Key_Escape);

    const schedule::CProfileFile& file = host.Settings().File();
    EXPECT_EQ(file.ReadInt("常用标题", "标题数", -1), 8);
    EXPECT_EQ(file.ReadString("常用标题", "1", "missing"), "");
    EXPECT_EQ(file.ReadString("常用标题", "9", ""), "标题9");
    EXPECT_EQ(file.ReadString("常用标题", "10", ""), "标题10");
    const std::vector<std::string> readBack = host.Settings().ReadPresetTitles();
    EXPECT_EQ(readBack, std::vector<std::string>(ten.begin() + 1, ten.begin() + 8));
    DeleteClosedDialogs();

    // Unchanged titles are closed without a question; changed ones answered No stay unsaved.
    const std::string before = host.IniText();
    const std::size_t messagesBefore = host.dialogs.messages.size();
    dlg = host.Watched(new CPresetTitleDlg(host));
    dlg->show();
    EXPECT_EQ(Rows(dlg).size(), 7);
    dlg->close();
    EXPECT_EQ(host.dialogs.messages.size(), messagesBefore);
    DeleteClosedDialogs();
    dlg = host.Watched(new CPresetTitleDlg(host));
    dlg->show();
    SetText(dlg, "titleEdit", QStringLiteral("放学"));
    Click(dlg, "addButton");
    Click(dlg, "closeButton");
    EXPECT_EQ(host.dialogs.messages.size(), messagesBefore + 1);
    EXPECT_EQ(host.IniText(), before);
    EXPECT_EQ(host.closes, 3);
    DeleteClosedDialogs();
    EXPECT_TRUE(dlg.isNull());
}

}  // namespace
}  // namespace settings_test
