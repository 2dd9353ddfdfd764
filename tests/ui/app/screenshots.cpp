// qelt_screenshots OUT_DIR QELT_TOOL: writes PNGs of the main window in both views and
// during an emergency broadcast, the player window and the notifier, over a demo folder
// on a fixed virtual morning (the README and the guide show them). Not a test: `make
// screenshots` runs it.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPlainTextEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

#include "app/command_ids.h"
#include "app/main_frame.h"
#include "common/scripted_dialogs.h"
#include "editors/item_edit_dlg.h"
#include "editors/snapcast_dlg.h"
#include "editors/speak_dlg.h"
#include "editors/timetable_edit_dlg.h"
#include "platform/logind_power_control.h"
#include "platform/virtual_clock.h"
#include "player/fake_audio_system.h"
#include "player/player_dlg.h"
#include "widgets/clock_wnd.h"
#include "widgets/taskbar_notifier.h"

namespace {

constexpr const char* kDemoNow = "2026-12-08 07:58:50";
constexpr int kChimeMs = 4000;

bool Save(QWidget* widget, const QString& folder, const char* name) {
    const QString path = folder + QLatin1Char('/') + QLatin1String(name);
    const bool saved = widget->grab().save(path);
    std::printf("%s %s\n", saved ? "wrote" : "FAILED", qPrintable(path));
    return saved;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: qelt_screenshots OUT_DIR QELT_TOOL\n");
        return 2;
    }
    const QString out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(out);
    QTemporaryDir demo;
    const int made = QProcess::execute(QString::fromLocal8Bit(argv[2]),
                                       {QStringLiteral("demo"), demo.path(),
                                        QStringLiteral("--now"), QString::fromUtf8(kDemoNow)});
    if (made != 0) {
        std::fprintf(stderr, "qelt_screenshots: qelt-tool demo failed\n");
        return 1;
    }

    // The bell log of a morning so far, for its viewer: bells, a trial, a play by hand
    // and an item passed over.
    {
        QFile log(demo.path() + QStringLiteral("/QELT.log"));
        if (log.open(QIODevice::WriteOnly | QIODevice::Append)) {
            const QString music = demo.path() + QStringLiteral("/音乐库/");
            log.write(QStringLiteral("2026-12-08 06:50:02 start Varnel V1.3\n"
                                     "2026-12-08 07:00:00 item 07:00:00 [起床][预备铃]\n"
                                     "2026-12-08 07:00:00 play %1预备铃.wav\n"
                                     "2026-12-08 07:00:04 finished\n"
                                     "2026-12-08 07:20:00 skip 07:20:00 [早操][课间] 时钟跳变\n"
                                     "2026-12-08 07:31:15 trial %1上课铃.wav\n"
                                     "2026-12-08 07:31:19 finished\n"
                                     "2026-12-08 07:40:00 item 07:40:00 [早读][上课铃]\n"
                                     "2026-12-08 07:40:00 play %1上课铃.wav\n"
                                     "2026-12-08 07:40:04 finished\n"
                                     "2026-12-08 07:52:30 manual %1提示音.ogg\n"
                                     "2026-12-08 07:52:33 finished\n")
                          .arg(music)
                          .toUtf8());
        }
    }

    platform::VirtualClock clock;
    clock.Set(*platform::VirtualClock::Parse(kDemoNow));
    player::FakeAudioSystem audio;
    audio.SetFallback([](const std::string&) { return kChimeMs; });
    platform::LogindPowerControl power;
    ui_test::ScriptedDialogs dialogs;

    app::FrameServices services;
    services.clock = &clock;
    services.audio = &audio;
    services.power = &power;
    services.dialogs = &dialogs;
    services.appDir = demo.path().toStdString() + "/";
    services.startTickDriver = false;
    services.loadPlugins = false;
    app::CMainFrame frame(std::move(services));
    if (!frame.Create()) {
        return 1;
    }
    frame.show();
    // Into the countdown of the first item, a minute ahead.
    for (int i = 0; i < 55; ++i) {
        clock.Advance(1000);
        frame.Tick();
    }
    frame.ClockWnd()->Refresh();
    QTest::qWait(50);
    bool ok = Save(&frame, out, "main_pending.png");
    frame.OnCommand(app::kCmdSwitchView);
    QTest::qWait(50);
    ok = Save(&frame, out, "main_list.png") && ok;
    frame.OnCommand(app::kCmdSwitchView);

    // The first item starts; the player shows it, then with its list opened.
    for (int i = 0; i < 5; ++i) {
        clock.Advance(1000);
        frame.Tick();
    }
    audio.Advance(1000);
    frame.PlayerWindow()->UpdateStatus();
    frame.PlayerWindow()->show();
    QTest::qWait(50);
    ok = Save(frame.PlayerWindow(), out, "player.png") && ok;

    frame.Notifier()->Show(QStringLiteral("[第一节课][上课铃]:将在5秒后开始自动播放!"), 0, 3000, 0);
    QTest::qWait(50);
    ok = Save(frame.Notifier(), out, "notifier.png") && ok;
    frame.Notifier()->Hide();
    frame.PlayerWindow()->hide();

    // The editors, each as it opens.
    const struct {
        int command;
        const char* objectName;
        const char* file;
    } kEditors[] = {
        {app::kCmdSettings, "settingsDlg", "settings.png"},
        {app::kCmdPresetTitles, "presetTitleDlg", "preset_titles.png"},
        {app::kCmdExtRunSettings, "extRunDlg", "ext_run.png"},
        {app::kCmdExtRunItems, "extRunItemsDlg", "ext_run_items.png"},
        {app::kCmdCommonTracks, "CommonTrackDlg", "common_tracks.png"},
        {app::kCmdPlaylists, "PlaylistDlg", "playlists.png"},
        {app::kCmdHolidays, "holidayDlg", "holidays.png"},
        {app::kCmdBellLog, "logViewDlg", "bell_log.png"},
    };
    for (const auto& editor : kEditors) {
        frame.OnCommand(editor.command);
        QWidget* dialog = frame.findChild<QWidget*>(QString::fromUtf8(editor.objectName));
        if (dialog == nullptr) {
            std::printf("FAILED %s: no dialog\n", editor.file);
            ok = false;
            continue;
        }
        QTest::qWait(50);
        ok = Save(dialog, out, editor.file) && ok;
        dialog->close();
        QApplication::processEvents();
    }
    editors::CItemEditDlg item(frame, clock, &frame);
    item.SetItem(frame.Session().Engine().NextItem(), true);
    item.show();
    QTest::qWait(50);
    ok = Save(&item, out, "item_editor.png") && ok;
    item.hide();
    const std::string timetable = demo.path().toStdString() + "/作息表/参考作息表.zxb";
    if (editors::CTimetableEditDlg* editor =
            editors::CTimetableEditDlg::Create(frame, clock, 3, timetable, &frame)) {
        editor->show();
        QTest::qWait(50);
        ok = Save(editor, out, "timetable_editor.png") && ok;
        editor->close();
        QApplication::processEvents();
    }

    // The announcement dialog, with a text typed.
    {
        editors::CSpeakDlg speak(&frame);
        speak.findChild<QPlainTextEdit*>(QStringLiteral("speakText"))
            ->setPlainText(QStringLiteral("请各班班主任于下午三点到会议室开会。"));
        speak.show();
        QTest::qWait(50);
        ok = Save(&speak, out, "announcement.png") && ok;
    }

    // The Snapcast output of a campus, as the settings' output list opens it.
    {
        editors::CSnapcastDlg snapcast("snapcast://bells.school.lan:4953?local=1", dialogs, &frame);
        snapcast.show();
        QTest::qWait(50);
        ok = Save(&snapcast, out, "snapcast.png") && ok;
    }

    // The emergency broadcast: the red pane, the pending view's line, the notifier.
    const QString alarm = demo.path() + QStringLiteral("/音乐库/紧急疏散.wav");
    QFile::copy(demo.path() + QStringLiteral("/音乐库/上课铃.wav"), alarm);
    frame.Session().StartEmergency(alarm.toStdString(), session::EmergencySource::Menu);
    clock.Advance(1000);
    frame.Tick();
    QTest::qWait(50);
    ok = Save(&frame, out, "emergency.png") && ok;
    frame.Session().EndEmergency(session::EmergencySource::Menu);
    return ok ? 0 : 1;
}
