#pragma once
// The program without a display (`qelt --headless`): the same engine, player, settings,
// stores, plug-ins, external programs and power control as the windowed program, on a Qt
// Core event loop. Every event is a line on standard output and in the bell log; the
// settings, both stores, the current timetable and the day calendar are read again when
// their files change on disk, so they can be edited on another machine and copied in.

#include <sys/types.h>

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <ctime>
#include <map>
#include <memory>
#include <string>

#include "app/logged_power_control.h"
#include "engine/engine_host.h"
#include "engine/event_log.h"
#include "engine/schedule_engine.h"
#include "platform/logind_power_control.h"
#include "platform/posix_process_runner.h"
#include "platform/single_instance.h"
#include "platform/system_clock.h"
#include "player/gst_audio_system.h"
#include "player/headless_player.h"
#include "schedule/common_track_store.h"
#include "schedule/message_reporter.h"
#include "schedule/playlist_store.h"
#include "schedule/settings.h"

namespace engine {
class CPluginHost;
class CTickDriver;
}  // namespace engine

namespace app {

// What a second copy prints before it ends.
inline constexpr const char* kAlreadyRunningText = "qelt: another copy is already running";
// Changes on disk come in bursts (a copy, an editor's temporary file and rename); they are
// read once this long after the last one.
inline constexpr int kReloadDelayMs = 200;

class CHeadlessApp : public QObject,
                     public engine::IEngineHost,
                     private schedule::IMessageReporter {
public:
    // appDir: the program folder, ending with '/'.
    explicit CHeadlessApp(std::string appDir);
    ~CHeadlessApp() override;
    CHeadlessApp(const CHeadlessApp&) = delete;
    CHeadlessApp& operator=(const CHeadlessApp&) = delete;

    // Starts ringing, or, when another copy of the program (of either kind) runs, says so
    // on standard error and returns false: the program then ends.
    bool InitInstance();
    // Stops the tick and the player; the exit is logged. Runs once.
    void Shutdown();

    // The engine's host.
    void SetStatusText(const std::string& text) override;
    void ShowNotice(const std::string& text) override;
    void LogEvent(const std::string& kind, const std::string& text) override;
    void SetPendingItem(const schedule::ScheduleItem* item) override;
    void SetTimetableTitle(const std::string& title) override;
    void SetHoliday(bool holiday) override;
    void RebuildList(const std::vector<schedule::ScheduleItem>&, int) override {}
    void MarkNext(int) override {}
    int GetSelectedRow() const override { return -1; }
    void ShowNotifier(const std::string& text, int appearMs, int stayMs, int disappearMs) override;
    bool IsPlayerVisible() const override { return m_bPlayerShown; }
    void ShowPlayer() override { m_bPlayerShown = true; }
    void HidePlayer() override { m_bPlayerShown = false; }
    void TrimMemory() override;

private:
    // A file as last read: identity, size and time of change, to tell a real change from
    // a notice about a neighbour.
    struct FileStamp {
        bool exists = false;
        dev_t device = 0;
        ino_t inode = 0;
        off_t size = 0;
        timespec modified{};
        bool operator==(const FileStamp& other) const;
    };
    enum class Watched { Settings, CommonTracks, Playlists, Timetable, Calendar, DayTimetable };

    void ShowError(const std::string& text, const std::string& caption,
                   schedule::MessageOwner owner) override;
    // One event line to standard output and QELT_EVENT_LOG, and to the bell log when it
    // keeps events of its kind.
    void Write(const std::string& kind, const std::string& text = std::string());
    void LoadPlugins();
    // The files read again when they change, by what they hold.
    std::map<Watched, std::string> WatchedFiles() const;
    static FileStamp Stamp(const std::string& path);
    // Remembers the stamps of the files as they are now and watches them (again: a file
    // replaced by a rename is no longer watched under its name).
    void Rewatch();
    // Reads again every watched file that changed since it was last read.
    void ReloadChanged();

    std::string m_strAppDir;
    platform::SingleInstance m_Instance;
    platform::SystemClock m_Clock;
    platform::PosixProcessRunner m_Runner;
    engine::CEventLog m_BellLog;
    engine::CEventLog m_EventLog;
    schedule::CSettings m_Settings;
    schedule::CCommonTrackStore m_CommonTracks;
    schedule::CPlaylistStore m_Playlists;
    std::unique_ptr<platform::LogindPowerControl> m_pPower;
    std::unique_ptr<CLoggedPowerControl> m_pLoggedPower;
    std::unique_ptr<player::GstAudioSystem> m_pAudio;
    std::unique_ptr<player::CHeadlessPlayer> m_pPlayer;
    QTimer m_PlayerTimer;
    std::unique_ptr<engine::CScheduleEngine> m_pEngine;
    std::unique_ptr<engine::CTickDriver> m_pTickDriver;
    std::unique_ptr<engine::CPluginHost> m_pPluginHost;
    QFileSystemWatcher m_Watcher;
    QTimer m_ReloadTimer;
    std::map<Watched, FileStamp> m_Stamps;
    std::string m_strStatus;
    std::string m_strPending;
    std::string m_strTitle;
    bool m_bPlayerShown = false;
    bool m_bHoliday = false;
    bool m_bStarted = false;
    bool m_bShutDown = false;
};

}  // namespace app
