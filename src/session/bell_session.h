#pragma once
// The bell session: the one owner of the ringing day. It holds the settings file, both
// stores, the bell and event logs, the logged program runner and power control, the
// engine with its day calendar, the tick driver and the plug-in host. The windowed
// program, `qelt --headless` and `qelt-tool simulate` each build their day through it,
// and every window changes the day only through its operations, so a behaviour that
// holds in one of them holds in all three.

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/engine_host.h"
#include "engine/engine_options.h"
#include "engine/engine_player.h"
#include "engine/event_log.h"
#include "engine/schedule_engine.h"
#include "platform/clock.h"
#include "platform/clock_sync.h"
#include "platform/power_control.h"
#include "schedule/common_track_store.h"
#include "schedule/day_calendar.h"
#include "schedule/message_reporter.h"
#include "schedule/playlist_store.h"
#include "schedule/settings.h"

namespace engine {
class CPluginHost;
class CTickDriver;
}  // namespace engine

namespace session {

class CLoggedPowerControl;

// What differs between the programs that build a day.
struct SessionOptions {
    // The program folder, ending with '/'.
    std::string appDir;
    // QELT_EVENT_LOG; empty for none.
    std::string eventLogPath;
    // The bell log "QELT.log" in the program folder (the simulator keeps none).
    bool bellLog = true;
    bool loadPlugins = true;
    // The one-second tick on the wall clock; tests and the simulator call Tick().
    bool startTick = true;
    // The system's power control (every request is logged on its way).
    platform::PowerControl* power = nullptr;
    // Runs an extension program (every run is logged first); none: every run fails.
    engine::ProgramRunFn runProgram;
    // Told of files that cannot be read or written.
    schedule::IMessageReporter* reporter = nullptr;
    // Every event line, as the logs hold it, also goes here (standard output).
    std::function<void(const std::string& line)> echo;
    // Called on every tick before the engine's (the windowed program's clock).
    std::function<void()> beforeTick;
    // Chooses the audio output for the next track ("" for the system's default).
    std::function<void(const std::string& id)> setAudioOutput;
    // How long before its second an item must start sounding on the chosen output (a
    // Snapcast server's buffer), asked when an item is prepared; none: on its second.
    std::function<int()> startLeadMs;
    // Asked at the start and every hour whether the system's clock is synchronised;
    // none: not asked.
    platform::ClockSync* clockSync = nullptr;
};

// The keys of "QELT.INI" an ApplyOptions call writes, each group in the order its
// dialog writes it.
enum class OptionKeys {
    None,
    AutoShutdown,    // "自动关机" (the menu toggle)
    SystemSettings,  // the settings dialog's seven keys, then "输出设备" when it changed
    ExtRun,          // the extension-run dialog's five keys
};

// The settings dialog's values that are the windows', not the engine's; written with
// the engine's in the dialog's key order.
struct ViewOptions {
    std::string schoolName;
    bool showPending = true;
};

// Who started or ended an emergency broadcast, for the bell log.
enum class EmergencySource { Menu, CommandLine, Remote };

enum class EmergencyResult { Started, NoFile, CannotPlay };

class CBellSession {
public:
    CBellSession(platform::Clock& clock, engine::IEngineHost& host, SessionOptions options);
    ~CBellSession();
    CBellSession(const CBellSession&) = delete;
    CBellSession& operator=(const CBellSession&) = delete;

    // Starts the day: reads both stores, then the settings with the day calendar and
    // the current timetable, chooses the audio output, loads the plug-ins and starts the
    // tick as the options say. The player comes with the program's windows, which are
    // made with the settings, so it is given here.
    void Start(engine::IPlayer& player);
    // Stops the tick; the engine stays readable. Runs once.
    void Stop();
    // One scheduler tick (the tick driver's, or a test's or the simulator's).
    void Tick();

    // Asks whether the system's clock is synchronised (also done at the start and every
    // hour); a change of the answer is shown in status pane 3 and logged, once.
    void CheckClockSync();
    // The wall clock was set (the tick driver was told): a set by more than a second is
    // logged with its size, and the engine names it as the reason for what it passes.
    void OnClockSet();

    // One event line to the event log, to the bell log when it keeps its kind, and to
    // the echo.
    void Log(const std::string& kind, const std::string& text = std::string());
    // A queued file that could not be opened; for a text that could not be spoken, the
    // reason follows on a line of its own.
    void LogOpenFailed(const std::string& path, const std::string& speechFailure);
    // Status pane 1's text, logged when it changes, as the engine's own texts are.
    void SetStatus(const std::string& text);

    const std::string& AppDir() const { return m_Options.appDir; }
    // The clock the day rings by.
    const platform::Clock& Clock() const { return m_Clock; }
    schedule::CSettings& Settings() { return m_Settings; }
    schedule::CCommonTrackStore& CommonTracks() { return m_CommonTracks; }
    schedule::CPlaylistStore& Playlists() { return m_Playlists; }
    // The engine as the windows read it: today, the timetables, the calendar.
    const engine::CScheduleEngine& Engine() const { return *m_pEngine; }
    bool IsStarted() const { return m_pEngine != nullptr; }
    engine::CPluginHost* Plugins() { return m_pPluginHost.get(); }
    const engine::CPluginHost* Plugins() const { return m_pPluginHost.get(); }
    const schedule::CSettings& Settings() const { return m_Settings; }
    const std::string& BellLogPath() const { return m_BellLog.Path(); }

    // Options. ApplyOptions puts them in force at once and writes the keys named;
    // false when the settings file could not be written (the options are in force all
    // the same, for this run).
    const engine::EngineOptions& Options() const { return m_pEngine->Options(); }
    bool ApplyOptions(const engine::EngineOptions& options, OptionKeys keys,
                      const ViewOptions* view = nullptr);
    void SetAutoPlay(bool on);
    bool SetAutoShutdown(bool on);
    // Reads "QELT.INI" again (it changed on disk): the options and the current timetable.
    void ReloadSettings();

    // Today. Each change re-plans today in the same call: the pending item, its
    // arming, the list and the next row follow the edit.
    // Loads another current timetable (or the same again); false when it cannot be read.
    bool LoadTimetable(const std::string& path);
    // The current timetable's items were changed in place (an editor wrote into them,
    // or saved its copy over the current timetable's file and it was read again).
    void TodayChanged();
    // Adds an item to today's list of the current timetable; false on a special day.
    bool AddItemToday(const schedule::ScheduleItem& item);
    // Replaces row of today's list if it still holds expected; false otherwise.
    bool ReplaceItemToday(int row, const schedule::ScheduleItem& expected,
                          const schedule::ScheduleItem& item);
    // Deletes row of today's list if it still holds expected; false otherwise.
    bool DeleteItemToday(int row, const schedule::ScheduleItem& expected);
    // The current timetable for what only marks or saves it (never its items).
    schedule::CTimetable& CurrentTimetable() { return m_pEngine->Timetable(); }
    // The day calendar changed (the holiday dialog wrote it): counts at once.
    void CheckCalendar();
    // Marks one date in the day calendar file as a holiday (empty timetable) or as a
    // special day ringing a timetable of "作息表", replacing an entry for exactly that
    // date and keeping every other line; today follows at once.
    enum class MarkDayResult { Done, NoSuchTimetable, CalendarUnreadable, NotWritten };
    MarkDayResult MarkDay(const schedule::CalendarDate& date, const std::string& timetable);
    // Reads a special day's timetable again and finds today's pending item anew.
    void ReplanToday();

    // Playing by hand.
    void PlayCommonTrackFromMenu(int index);
    void PlayPlaylistFromMenu(int index);
    void PlayListRow(int row);
    void PlayChosenFiles();
    // Keeps a typed text under "音乐库/播报" and speaks it at once as a manual play. The
    // file written; nothing when it could not be written, or during an emergency broadcast.
    std::optional<std::string> Announce(const std::string& text);
    // The player finished its queue or was closed: logged, then the after-program.
    void OnPlaybackEnded();
    // The player window queued files of its own and started them: a manual play.
    void MarkManualPlay();
    // A track began: the bell log says "play" for what a bell or an emergency started,
    // "manual" for what a person started by hand (menus, the list, the remote page, the
    // player window) and "trial" for an editor's trial, so a bell's line means a bell.
    void LogTrackStarted(const std::string& path);
    // Stops whatever plays and empties the queue, as closing the player does (the end is
    // logged and the after-program runs); false when nothing was playing.
    bool StopPlayback();

    // The emergency broadcast. path: the file to play (relative to the program folder,
    // or empty for the last one used, kept in "QELT.INI"); a second start replaces the
    // file. from: who asked, when known (the remote address). Logged with its source,
    // and its end with how long it lasted. Nothing of it changes the timetables or
    // stores.
    EmergencyResult StartEmergency(const std::string& path, EmergencySource source,
                                   const std::string& from = std::string());
    // False when none was on.
    bool EndEmergency(EmergencySource source, const std::string& from = std::string());
    bool IsEmergency() const { return m_pEngine && m_pEngine->IsEmergency(); }

    // An editor's trial play. BeginTrial gives the trial its token, or 0 while a bell
    // plays (a trial never cuts a bell off); the editor then queues its tracks on the
    // player. A trial is what plays until the engine starts anything.
    int BeginTrial();
    bool IsTrialPlaying(int token) const;
    // Stops the trial when it is still what plays; a bell started since plays on.
    void EndTrial(int token);
    // Plays an expanded playlist as trial token (shuffled and cut as a bell would be).
    bool PlayTrialPlaylist(int token, const schedule::Playlist& playlist);

private:
    class HostRelay;
    class PlayerRelay;

    void LoadPlugins();
    // Sets the timer that starts the prepared item ahead of its second, when one is due.
    void ArmEarlyStart();
    // Whether the day may be changed through the current timetable (not a special day).
    bool TodayEditable() const;

    platform::Clock& m_Clock;
    engine::IEngineHost& m_Host;
    SessionOptions m_Options;
    schedule::CSettings m_Settings;
    schedule::CCommonTrackStore m_CommonTracks;
    schedule::CPlaylistStore m_Playlists;
    engine::CEventLog m_BellLog;
    engine::CEventLog m_EventLog;
    std::unique_ptr<CLoggedPowerControl> m_pPower;
    std::unique_ptr<HostRelay> m_pHost;
    std::unique_ptr<PlayerRelay> m_pPlayer;
    std::unique_ptr<engine::CScheduleEngine> m_pEngine;
    std::unique_ptr<engine::CTickDriver> m_pTickDriver;
    std::unique_ptr<engine::CPluginHost> m_pPluginHost;
    // Plug-ins' messages from other threads are delivered on this object's thread.
    QObject m_Context;
    engine::IPlayer* m_pRealPlayer = nullptr;
    // Who plays now: 0 the engine (a bell, a track by hand) or nothing, else a trial's
    // token; and the last token given.
    int m_nPlayingTrial = 0;
    // Who started the queue that plays, and who starts the next one.
    enum class PlayOrigin { Bell, Manual };
    PlayOrigin m_QueueOrigin = PlayOrigin::Bell;
    PlayOrigin m_PendingOrigin = PlayOrigin::Bell;
    // Marks the queues built during a by-hand operation as manual.
    struct ManualPlay {
        explicit ManualPlay(CBellSession& session) : m_Session(session) {
            m_Session.m_PendingOrigin = PlayOrigin::Manual;
        }
        ~ManualPlay() { m_Session.m_PendingOrigin = PlayOrigin::Bell; }
        ManualPlay(const ManualPlay&) = delete;
        ManualPlay& operator=(const ManualPlay&) = delete;
        CBellSession& m_Session;
    };
    int m_nLastTrial = 0;
    bool m_bStopped = false;
    // When the emergency broadcast began, for the length logged at its end.
    std::int64_t m_nEmergencyStartMs = 0;
    // The clock's synchronisation as last told, and the hourly question.
    platform::ClockSyncState m_ClockSync = platform::ClockSyncState::Unknown;
    std::unique_ptr<QTimer> m_pClockSyncTimer;
    // Starts a prepared item ahead of its second when the output asks for a lead.
    std::unique_ptr<QTimer> m_pEarlyStartTimer;
    // The wall clock less a steady clock at the last tick, in milliseconds: a clock set
    // changes it by the set's size.
    bool m_bHaveClockOffset = false;
    std::int64_t m_nClockOffsetMs = 0;
};

}  // namespace session
