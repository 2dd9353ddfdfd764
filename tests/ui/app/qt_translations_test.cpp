// Qt's own texts in Chinese whatever the locale: a question's buttons and the standard
// dialogs' labels.

#include "app/qt_translations.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>

namespace {

TEST(QtTranslationsTest, QuestionsAndStandardDialogsReadInChineseInAnEnglishLocale) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    ASSERT_TRUE(app::InstallQtTranslations(*qApp));

    QMessageBox question(QMessageBox::Question, QStringLiteral("删除当前内容"),
                         QStringLiteral("真的要删除当前选中的内容吗?"),
                         QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(question.button(QMessageBox::Yes)->text(), QStringLiteral("是(&Y)"));
    EXPECT_EQ(question.button(QMessageBox::No)->text(), QStringLiteral("否(&N)"));

    QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    EXPECT_EQ(buttons.button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
    // The file dialog's own texts come from the same translations.
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Look in:"));
    QLocale::setDefault(QLocale::system());
}

}  // namespace
