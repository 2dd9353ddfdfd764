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
#include <optional>
#include <string>

#include "engine/engine_host.h"
#include "platform/logind_power_control.h"
#include "platform/posix_process_runner.h"
#include "platform/single_instance.h"
#include "platform/system_clock.h"
#include "platform/timedated_clock_sync.h"
#include "player/gst_audio_system.h"
#include "player/headless_player.h"
#include "remote/remote_config.h"
#include "schedule/message_reporter.h"
#include "session/bell_session.h"

namespace remote {
class CRemoteServer;
}  // namespace remote

namespace app {

// What a second copy prints before it ends.
inline constexpr const char* kAlreadyRunningText = "qelt: another copy is already running";
// What a copy prints when no folder of the user's own can hold the single-instance socket.
inline constexpr const char* kUnguardedText =
    "qelt: running without the single-instance guard (no private runtime folder)";
// Changes on disk come in bursts (a copy, an editor's temporary file and rename); they are
// read once this long after the last one.
inline constexpr int kReloadDelayMs = 200;

// The single-instance name of the program without a display for a program folder (its
// absolute path ending with '/'): each folder rings its own timetable, so copies for
// different folders run side by side (one per zone of a campus), and a second copy for
// the same folder ends.
QString HeadlessInstanceName(const std::string& appDir);
inline constexpr int kInstanceDigestChars = 16;

class CHeadlessApp : public QObject,
                     public engine::IEngineHost,
                     private schedule::IMessageReporter {
public:
    // appDir: the program folder, ending with '/'. web: the remote page's address for this
    // run (--web), in place of the settings' "远程" section.
    explicit CHeadlessApp(std::string appDir,
                          std::optional<remote::RemoteConfig> web = std::nullopt);
    ~CHeadlessApp() override;
    CHeadlessApp(const CHeadlessApp&) = delete;
    CHeadlessApp& operator=(const CHeadlessApp&) = delete;

    // Starts ringing, or, when another copy without a display runs for the same program
    // folder, says so on standard error and returns false: the program then ends.
    bool InitInstance();
    // Stops the tick and the player; the exit is logged. Runs once.
    void Shutdown();

    // The engine's host: the session logs the day's events; this host adds the lines
    // that only the program without a window prints (the next item, the timetable's
    // title, a holiday) and keeps what a window would show.
    void SetStatusText(const std::string& text) override { m_strStatus = text; }
    void ShowNotice(const std::string&) override {}
    void LogEvent(const std::string&, const std::string&) override {}
    void SetPendingItem(const schedule::ScheduleItem* item) override;
    void SetTimetableTitle(const std::string& title) override;
    void SetHoliday(bool holiday) override;
    void SetMakeupWeekday(int weekday) override;
    void DayListChanged(const std::vector<schedule::ScheduleItem>& items, int nextIndex) override {
        m_nDayItems = static_cast<int>(items.size());
        m_nNextRow = nextIndex;
    }
    void NextRowChanged(int nextIndex) override { m_nNextRow = nextIndex; }
    void ShowNotifier(const std::string&, int, int, int) override {}
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
    void LogPlugins();
    // A "snapcast" line, once, when the Snapcast server could not be reached or went away.
    void TellSnapcastTrouble();
    // Starts the remote page when the settings or --web turn it on, and prints its
    // address with the token on standard output (never into a log).
    void StartRemote();
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
    platform::LogindPowerControl m_Power;
    player::CSpeechCache m_Speech{player::CSpeechCache::DefaultFolder()};
    player::GstAudioSystem m_Audio;
    session::CBellSession m_Session;
    // Destroyed before the session, so no answer reaches a session that has gone.
    platform::TimedatedClockSync m_ClockSync;
    std::unique_ptr<player::CHeadlessPlayer> m_pPlayer;
    std::optional<remote::RemoteConfig> m_Web;
    std::unique_ptr<remote::CRemoteServer> m_pRemote;
    QTimer m_PlayerTimer;
    QFileSystemWatcher m_Watcher;
    QTimer m_ReloadTimer;
    std::map<Watched, FileStamp> m_Stamps;
    std::string m_strStatus;
    std::string m_strPending;
    std::string m_strTitle;
    bool m_bPlayerShown = false;
    bool m_bHoliday = false;
    int m_nMakeupWeekday = -1;
    int m_nDayItems = 0;
    int m_nNextRow = -1;
    bool m_bStarted = false;
    bool m_bShutDown = false;
};

}  // namespace app
