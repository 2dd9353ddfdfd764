// The system settings dialog: what applying changes in the main window and writes to
// the settings file, the fields it refuses, and how it closes.

#include "editors/settings_dlg.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

#include <filesystem>

#include "dialog_helpers.h"
#include "editors/common/fake_editor_host.h"
#include "editors/ext_run_dlg.h"
#include "editors/preset_title_dlg.h"
#include "editors/snapcast_dlg.h"

namespace settings_test {
namespace {

using editors::CSettingsDlg;
using editors::CSnapcastDlg;
using editors::kSnapcastBadFormat;
using editors::kSnapcastBadHost;
using platform::MessageAnswer;
using ui_test::FakeEditorHost;

TEST(SettingsDlgTest, ApplyChangesTheMainWindowAndWritesTheKeysInOrder) {
    FakeEditorHost host;
    host.SetOptions([](engine::EngineOptions& options) {
        options.shutdownDelaySeconds = 600;
        options.defaultVolume = 70;
        options.popupPrompt = false;
    });
    const engine::EngineOptions& inForce = host.Session().Options();
    host.autostart = true;
    QPointer<CSettingsDlg> dlg = host.Watched(new CSettingsDlg(host));
    dlg->show();

    // It opens with the main window's values.
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("系统设置"));
    EXPECT_EQ(Child<QLineEdit>(dlg, "schoolName")->text(), QStringLiteral("Varnel"));
    EXPECT_EQ(Child<QLineEdit>(dlg, "shutdownDelay")->text(), QStringLiteral("10"));
    EXPECT_TRUE(Child<QCheckBox>(dlg, "autoShutdown")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>(dlg, "showPending")->isChecked());
    EXPECT_FALSE(Child<QCheckBox>(dlg, "popupPrompt")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>(dlg, "autostart")->isChecked());
    EXPECT_EQ(Child<QSlider>(dlg, "defaultVolume")->value(), 70);
    EXPECT_EQ(Child<QLabel>(dlg, "volumeLabel")->text(), QStringLiteral("当前音量:70"));

    // The arrows stop at 10 minutes, but a typed 25 is taken as it is.
    Click(dlg, "shutdownDelayUp");
    EXPECT_EQ(Child<QLineEdit>(dlg, "shutdownDelay")->text(), QStringLiteral("10"));
    SetText(dlg, "shutdownDelay", QStringLiteral("25"));
    SetText(dlg, "schoolName", QStringLiteral("实验中学"));
    Click(dlg, "showPending");
    Click(dlg, "showPlayer");
    Click(dlg, "popupPrompt");
    Child<QSlider>(dlg, "defaultVolume")->setValue(40);
    EXPECT_EQ(Child<QLabel>(dlg, "volumeLabel")->text(), QStringLiteral("当前音量:40"));
    Click(dlg, "applyButton");

    EXPECT_EQ(host.schoolName, "实验中学");
    EXPECT_FALSE(host.pendingDisplay);  // the list view is shown at once
    EXPECT_FALSE(inForce.showPlayer);
    EXPECT_TRUE(inForce.popupPrompt);
    EXPECT_EQ(inForce.shutdownDelaySeconds, 25 * 60);
    EXPECT_EQ(inForce.defaultVolume, 40);
    EXPECT_EQ(host.player.defaultVolume, 40);
    EXPECT_EQ(host.autostartRequests, std::vector<bool>{true});
    EXPECT_EQ(host.IniText(), FileBytes("[设置]\r\n"
                                        "自动关机=1\r\n"
                                        "学校名称=实验中学\r\n"
                                        "显示播放器=0\r\n"
                                        "显示待播=0\r\n"
                                        "关机延时(分钟)=25\r\n"
                                        "默认音量=40\r\n"
                                        "弹出式提示=1\r\n"));
    EXPECT_TRUE(dlg->isVisible());
    EXPECT_EQ(host.closes, 0);

    // A negative delay is applied and written as 0; the voice is written once changed;
    // Enter applies and closes, once.
    SetText(dlg, "shutdownDelay", QStringLiteral("-3"));
    Click(dlg, "autoShutdown");
    EXPECT_EQ(Child<QComboBox>(dlg, "speechEngine")->currentText(),
              QStringLiteral("espeak-ng -v cmn-latn-pinyin"));
    Child<QComboBox>(dlg, "speechEngine")->setCurrentText(QStringLiteral("piper.sh {text} {wav}"));
    Child<QSpinBox>(dlg, "speechRate")->setValue(120);
    QTest::keyClick(dlg, Qt::Key_Return);
    EXPECT_EQ(inForce.shutdownDelaySeconds, 0);
    EXPECT_FALSE(inForce.autoShutdown);
    EXPECT_EQ(host.Settings().GetShutdownDelayMinutes(), 0);
    EXPECT_FALSE(host.Settings().GetAutoShutdown());
    EXPECT_EQ(host.Settings().GetSpeechEngine(), "piper.sh {text} {wav}");
    EXPECT_EQ(host.Settings().GetSpeechRate(), 120);
    EXPECT_EQ(host.closes, 1);
    DeleteClosedDialogs();
    EXPECT_TRUE(dlg.isNull());
    EXPECT_TRUE(host.dialogs.messages.empty());
}

TEST(SettingsDlgTest, RefusedFieldsKeepTheDialogOpenAndWriteNothing) {
    FakeEditorHost host;
    QPointer<CSettingsDlg> dlg = host.Watched(new CSettingsDlg(host));
    dlg->show();
    auto* delay = Child<QLineEdit>(dlg, "shutdownDelay");

    delay->setText(QStringLiteral("5分"));
    Click(dlg, "okButton");
    ASSERT_EQ(host.dialogs.messages.size(), 1U);
    EXPECT_EQ(host.dialogs.messages[0].text, "请键入一个整数。");
    EXPECT_EQ(dlg->focusWidget(), delay);
    EXPECT_TRUE(dlg->isVisible());

    // 130 Chinese characters take 260 bytes in the file: one more than it keeps.
    delay->setText(QStringLiteral("5"));
    SetText(dlg, "schoolName", QString(130, QChar(0x4E2D)));
    Click(dlg, "applyButton");
    ASSERT_EQ(host.dialogs.messages.size(), 2U);
    EXPECT_EQ(host.dialogs.messages[1].caption, "错误");
    EXPECT_EQ(dlg->focusWidget(), Child<QLineEdit>(dlg, "schoolName"));
    EXPECT_TRUE(host.schoolName.empty());
    EXPECT_EQ(host.IniText(), "");
    EXPECT_EQ(host.closes, 0);

    // A start-with-the-desktop entry that could not be written shows as unset.
    SetText(dlg, "schoolName", QString(129, QChar(0x4E2D)));
    host.autostartWritable = false;
    Click(dlg, "autostart");
    Click(dlg, "applyButton");
    EXPECT_EQ(host.schoolName.size(), 129U * 3U);
    EXPECT_EQ(host.autostartRequests, std::vector<bool>{true});
    EXPECT_FALSE(Child<QCheckBox>(dlg, "autostart")->isChecked());

    // Escape closes without applying what changed since, and reports it once.
    SetText(dlg, "schoolName", QStringLiteral("不应用"));
    QTest::keyClick(dlg, Qt::Key_Escape);
    EXPECT_EQ(host.Settings().GetSchoolName().size(), 129U * 3U);
    EXPECT_EQ(host.closes, 1);
    DeleteClosedDialogs();
    EXPECT_TRUE(dlg.isNull());
}

TEST(SettingsDlgTest, OutputDeviceListsTheOutputsAndKeepsAMissingChoice) {
    FakeEditorHost host;
    host.audioOutputs = {{"alsa_output.pci.analog-stereo", "内置音频"},
                         {"alsa_output.usb-a.analog-stereo", "USB 音箱"},
                         {"alsa_output.usb-b.analog-stereo", "USB 音箱"}};
    const auto itemTexts = [](QComboBox* combo) {
        QStringList texts;
        for (int i = 0; i < combo->count(); ++i) {
            texts << combo->itemText(i);
        }
        return texts;
    };

    // Nothing stored: the session chose the default output on starting; applying it
    // unchanged neither chooses it again nor writes the key.
    EXPECT_EQ(host.audioOutputRequests, std::vector<std::string>{""});
    QPointer<CSettingsDlg> dlg = host.Watched(new CSettingsDlg(host));
    dlg->show();
    auto* combo = Child<QComboBox>(dlg, "outputDevice");
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(itemTexts(combo),
              (QStringList{QStringLiteral("系统默认"), QStringLiteral("内置音频"),
                           QStringLiteral("USB 音箱 (alsa_output.usb-a.analog-stereo)"),
                           QStringLiteral("USB 音箱 (alsa_output.usb-b.analog-stereo)"),
                           QStringLiteral("Snapcast 服务器…")}));
    EXPECT_EQ(combo->currentIndex(), 0);
    Click(dlg, "applyButton");
    EXPECT_EQ(host.audioOutputRequests, std::vector<std::string>{""});
    EXPECT_EQ(host.IniText().find(FileBytes("输出设备")), std::string::npos);

    // The second of the two same-named outputs is chosen, told to the main window and stored.
    combo->setCurrentIndex(3);
    Click(dlg, "okButton");
    EXPECT_EQ(host.audioOutputRequests,
              (std::vector<std::string>{"", "alsa_output.usb-b.analog-stereo"}));
    EXPECT_NE(host.IniText().find(FileBytes("输出设备=alsa_output.usb-b.analog-stereo\r\n")),
              std::string::npos);
    DeleteClosedDialogs();
    ASSERT_TRUE(dlg.isNull());

    // Unplugged since: shown as stored and marked, still chosen, and kept by applying.
    host.audioOutputs.resize(1);
    dlg = host.Watched(new CSettingsDlg(host));
    dlg->show();
    combo = Child<QComboBox>(dlg, "outputDevice");
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(itemTexts(combo),
              (QStringList{QStringLiteral("系统默认"), QStringLiteral("内置音频"),
                           QStringLiteral("alsa_output.usb-b.analog-stereo（未连接）"),
                           QStringLiteral("Snapcast 服务器…")}));
    EXPECT_EQ(combo->currentIndex(), 2);
    Click(dlg, "applyButton");
    EXPECT_EQ(host.audioOutputRequests.back(), "alsa_output.usb-b.analog-stereo");
    EXPECT_EQ(host.Settings().GetOutputDevice(), "alsa_output.usb-b.analog-stereo");

    // Back to the default output by keyboard.
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Home);
    Click(dlg, "okButton");
    EXPECT_EQ(host.audioOutputRequests.back(), "");
    EXPECT_EQ(host.Settings().GetOutputDevice(), "");
    DeleteClosedDialogs();
    EXPECT_TRUE(dlg.isNull());
}

TEST(SettingsDlgTest, ASnapcastServerIsChosenInItsOwnDialogAndStoredAsItsAddress) {
    FakeEditorHost host;
    host.audioOutputs = {{"alsa_output.pci.analog-stereo", "内置音频"}};
    QPointer<CSettingsDlg> dlg = host.Watched(new CSettingsDlg(host));
    dlg->show();
    auto* combo = Child<QComboBox>(dlg, "outputDevice");
    ASSERT_NE(combo, nullptr);
    const auto chooseSnapcast = [&] {
        const int entry = combo->findText(QStringLiteral("Snapcast 服务器…"));
        combo->setCurrentIndex(entry);
        emit combo->activated(entry);
        return dlg->findChild<CSnapcastDlg*>(QStringLiteral("snapcastDlg"));
    };

    // Cancelled: the output chosen before stays chosen.
    combo->setCurrentIndex(1);
    emit combo->activated(1);
    CSnapcastDlg* snapcast = chooseSnapcast();
    ASSERT_NE(snapcast, nullptr);
    Click(snapcast, "snapcastCancel");
    EXPECT_EQ(combo->currentIndex(), 1);
    DeleteClosedDialogs();

    // A host that would add to the audio pipeline and a sample format Snapcast cannot
    // take are refused and said; the dialog stays open.
    snapcast = chooseSnapcast();
    ASSERT_NE(snapcast, nullptr);
    SetText(snapcast, "snapcastHost", QStringLiteral("server ! filesink location=/tmp/x"));
    Click(snapcast, "snapcastOk");
    SetText(snapcast, "snapcastHost", QStringLiteral("bells.school.lan"));
    SetText(snapcast, "snapcastFormat", QStringLiteral("44100:12:2"));
    Click(snapcast, "snapcastOk");
    EXPECT_EQ(host.MessageTexts(),
              (std::vector<std::string>{kSnapcastBadHost, kSnapcastBadFormat}));
    EXPECT_TRUE(snapcast->isVisible());

    // Accepted: listed by its address, chosen, told to the main window and stored with
    // only the options that differ from Snapcast's defaults.
    SetText(snapcast, "snapcastFormat", QStringLiteral("44100:16:2"));
    Child<QSpinBox>(snapcast, "snapcastPort")->setValue(4953);
    Click(snapcast, "snapcastLocal");
    Click(snapcast, "snapcastOk");
    EXPECT_EQ(combo->currentText(), QStringLiteral("Snapcast 服务器 bells.school.lan:4953"));
    Click(dlg, "okButton");
    const std::string stored = "snapcast://bells.school.lan:4953?sampleformat=44100:16:2&local=1";
    EXPECT_EQ(host.audioOutputRequests.back(), stored);
    EXPECT_EQ(host.Settings().GetOutputDevice(), stored);
    DeleteClosedDialogs();

    // Opened again: the stored server is chosen and the dialog starts from it; a lead
    // given by hand replaces the server's own, in the same one entry.
    dlg = host.Watched(new CSettingsDlg(host));
    dlg->show();
    combo = Child<QComboBox>(dlg, "outputDevice");
    EXPECT_EQ(combo->currentText(), QStringLiteral("Snapcast 服务器 bells.school.lan:4953"));
    snapcast = chooseSnapcast();
    ASSERT_NE(snapcast, nullptr);
    EXPECT_EQ(Child<QLineEdit>(snapcast, "snapcastFormat")->text(), QStringLiteral("44100:16:2"));
    EXPECT_TRUE(Child<QCheckBox>(snapcast, "snapcastLocal")->isChecked());
    Child<QSpinBox>(snapcast, "snapcastLead")->setValue(800);
    Click(snapcast, "snapcastOk");
    Click(dlg, "okButton");
    EXPECT_EQ(host.Settings().GetOutputDevice(),
              "snapcast://bells.school.lan:4953?sampleformat=44100:16:2&local=1&lead=800");
    EXPECT_EQ(combo->count(), 4);
    DeleteClosedDialogs();
}

TEST(SettingsDlgTest, ASettingsFileThatCannotBeWrittenIsSaidAndKeepsEachDialogOpen) {
    FakeEditorHost host;
    // A folder where the settings file belongs: nothing can be written to it.
    const std::string ini = host.Settings().File().GetPath();
    std::filesystem::remove(ini);
    ASSERT_TRUE(std::filesystem::create_directory(ini));
    const auto closed = [](QPointer<QDialog>& dlg) {
        DeleteClosedDialogs();
        return dlg.isNull() || !dlg->isVisible();
    };

    // The system settings: said once, in force for this run, and OK keeps it open.
    QPointer<QDialog> dlg = host.Watched(new CSettingsDlg(host));
    dlg->show();
    Click(dlg, "autoShutdown");
    Click(dlg, "okButton");
    EXPECT_EQ(host.MessageTexts(), std::vector<std::string>{editors::kSettingsNotWritten});
    EXPECT_EQ(host.Session().Options().autoShutdown,
              Child<QCheckBox>(dlg, "autoShutdown")->isChecked());
    EXPECT_FALSE(closed(dlg));
    dlg->close();

    // The extension-run settings: the same.
    dlg = new editors::CExtRunDlg(host);
    dlg->show();
    Click(dlg, "extRunOn");
    Click(dlg, "okButton");
    EXPECT_EQ(host.MessageTexts().back(), editors::kSettingsNotWritten);
    EXPECT_TRUE(host.Session().Options().extRun);
    EXPECT_FALSE(closed(dlg));
    dlg->close();

    // The preset titles exist only in the dialog: a failed write keeps them there, and a
    // later close writes them once the file can be written.
    dlg = new editors::CPresetTitleDlg(host);
    dlg->show();
    SetText(dlg, "titleEdit", QStringLiteral("午休"));
    Click(dlg, "addButton");
    host.dialogs.answers = {MessageAnswer::Yes};
    Click(dlg, "closeButton");
    EXPECT_EQ(host.MessageTexts().back(), editors::kPresetTitlesNotWritten);
    EXPECT_FALSE(closed(dlg));
    ASSERT_TRUE(std::filesystem::remove(ini));
    host.dialogs.answers = {MessageAnswer::Yes};
    Click(dlg, "closeButton");
    EXPECT_TRUE(closed(dlg));
    EXPECT_EQ(host.Settings().ReadPresetTitles(), std::vector<std::string>{"午休"});
}

}  // namespace
}  // namespace settings_test
