// The program's file dialog as the user sees it: each file type listed once, in the
// words it is described with.

#include "platform/qt_dialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QTimer>

#include "player/player_dlg.h"

namespace {

TEST(QtDialogsTest, TheFileDialogListsEachTypeOnceAsDescribed) {
    QStringList shown;
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        ASSERT_NE(types, nullptr);
        for (int i = 0; i < types->count(); ++i) {
            shown << types->itemText(i);
        }
        seen = true;
        dialog->reject();
    });
    platform::QtDialogs dialogs;
    platform::FileDialogRequest request;
    request.title = "请选择音乐文件";
    request.filter = player::CPlayerDlg::kMusicFilter;
    EXPECT_TRUE(dialogs.ChooseFiles(request).empty());
    ASSERT_TRUE(seen);
    EXPECT_EQ(
        shown,
        (QStringList{QStringLiteral("所有音乐格式"), QStringLiteral("波形文件WAV (*.WAV)"),
                     QStringLiteral("MP3/MP2音频 (*.MP3 *.MP2)"),
                     QStringLiteral("OGG音频文件 (*.OGG)"),
                     QStringLiteral("WMA音频格式 (*.WMA *.ASF)"),
                     QStringLiteral("MOD音频格式 (*.MOD)"), QStringLiteral("AIFF音频格式(*.AIFF)"),
                     QStringLiteral("MIDI音频格式(*.MID,*.RMI,*.SGT)"),
                     QStringLiteral("语音播报文件 (*.TXT)"), QStringLiteral("所有文件 (*.*)")}));
}

}  // namespace
