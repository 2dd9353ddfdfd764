#pragma once
// The scheduling engine: today's list of the timetable that rings turned into timed
// actions (lead-in, countdown, start), item playback, the extension programs around
// playback, playing by hand and the automatic shutdown. The bell session owns one,
// calls OnTick once a wall-clock second and changes it only through its operations.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/day_plan.h"
#include "engine/engine_host.h"
#include "engine/engine_options.h"
#include "engine/engine_player.h"
#include "engine/play_queue.h"
#include "engine/run_program.h"
#include "engine/shutdown_countdown.h"
#include "platform/clock.h"
#include "platform/power_control.h"
#include "schedule/common_track_store.h"
#include "schedule/day_calendar.h"
#include "schedule/playlist_store.h"
#include "schedule/settings.h"
#include "schedule/timetable.h"

namespace engine {

inline constexpr int kLeadInSeconds = 25;
inline constexpr int kCountdownSeconds = 10;
inline constexpr int kStartToleranceSeconds = 10;
inline constexpr int kNotifierAppearMs = 500;
inline constexpr int kNotifierStayMs = 3000;
inline constexpr int kNotifierDisappearMs = 500;
using schedule::kSecondsPerMinute;
// Two ticks further apart than this mean the wall clock was set (or the machine slept),
// not that a tick came late; the bell log names the reason for what was passed over.
inline constexpr int kClockJumpSeconds = 60;
// An emergency broadcast plays at this volume, whatever the item and default volumes.
inline constexpr int kFullVolume = 100;
// The longest lead an output may ask for: well inside the lead-in, so the item is
// prepared before it has to start.
inline constexpr int kMaxStartLeadMs = 10000;
// An item that starts early is opened again this long before it starts (beyond its
// lead): its output's connection, made at the arming, may have gone meanwhile (a server
// restarted).
inline constexpr int kReprepareSeconds = 2;

// Runs an extension program with its parameter string and returns its exit code, or -1
// (the program binds it to RunProgram with the real process runner).
using ProgramRunFn = std::function<int(const std::string& program, const std::string& parameters)>;

// The program runner of the program: RunProgram with the process runner and the wait
// that keeps the event loop running. The runner must outlive the returned function.
inline ProgramRunFn BindRunProgram(platform::ProcessRunner& runner, WaitPumpingFn waitPumping,
                                   std::string appDir) {
    return [&runner, waitPumping = std::move(waitPumping), appDir = std::move(appDir)](
               const std::string& program, const std::string& parameters) {
        return RunProgram(runner, waitPumping, appDir, program, parameters);
    };
}

// The engine's options as "QELT.INI" holds them (the delay in whole minutes there).
EngineOptions ReadEngineOptions(const schedule::CSettings& settings);

class CScheduleEngine {
public:
    CScheduleEngine(platform::Clock& clock, IEngineHost& host, IPlayer& player,
                    platform::PowerControl& power, ProgramRunFn runProgram,
                    schedule::CCommonTrackStore& commonTracks, schedule::CPlaylistStore& playlists,
                    std::string appDir);

    // Reads the engine's settings in start-up order, the day calendar, and loads the
    // current timetable.
    void LoadSettings(const schedule::CSettings& settings);

    // The options in force, and new ones in force from now on (a countdown switched
    // off ends at once; the player takes the default volume).
    const EngineOptions& Options() const { return m_Options; }
    void SetOptions(const EngineOptions& options);

    // Loads the user's current timetable and starts the day anew from the clock. A file
    // that cannot be read leaves the timetable as it was; while none was ever loaded,
    // the bell log says why once and the machine is not powered off.
    bool LoadTimetable(const std::string& path);
    // The scheduler tick: called once just after every wall-clock second.
    void OnTick();
    // The wall clock was set, as the system told the tick driver; the next tick names it
    // as the reason for what it passes over. Once clock sets are reported, a long gap
    // between ticks without one is a late tick.
    void OnClockSet() { m_bClockSet = true; }
    void SetClockSetsReported(bool reported) { m_bClockSetsReported = reported; }

    bool PlayItem(const schedule::ScheduleItem* item);
    bool PlayCommonTrack(const schedule::CommonTrack* track);
    bool PlayPlaylist(const schedule::Playlist* playlist);
    // The player has finished its queue or was closed.
    void OnPlaybackEnded();

    // Playing by hand.
    void PlayCommonTrackFromMenu(int index);
    void PlayPlaylistFromMenu(int index);
    void PlayListRow(int row);
    void PlayChosenFiles();
    // Plays these files as files chosen by hand are played; false when none was queued.
    bool PlayFiles(const std::vector<std::string>& paths);

    // An emergency broadcast: stops whatever plays and plays the file at full volume,
    // again and again, until it is ended; meanwhile the items due pass and nothing
    // counts down to a power-off. A second call replaces the file. False when the file
    // cannot be played (an emergency already on then plays on with its own file).
    bool StartEmergency(const std::string& path);
    // Ends it: the day goes on from the clock, as after a clock set (nothing that passed
    // rings late, nothing rings twice). False when none was on.
    bool EndEmergency();
    bool IsEmergency() const { return m_bEmergency; }
    const std::string& EmergencyFile() const { return m_strEmergencyFile; }

    // How many milliseconds before its second an item must start sounding, asked when an
    // item is prepared (an output that sounds a fixed time after it is fed, such as a
    // Snapcast server); none or 0: on its second.
    void SetStartLead(std::function<int()> lead) { m_StartLead = std::move(lead); }
    // When the prepared item is to start sounding ahead of its second, in the clock's
    // calendar milliseconds; -1 when nothing is to start early. The countdown, the
    // notifier and the bell log keep the item's own second.
    std::int64_t EarlyStartAt() const;
    // Starts the prepared item sounding when EarlyStartAt has come; the tick on its second
    // then carries on with it.
    void StartEarly();

    // Sends the power-off request; its answer is read on later counting ticks.
    void ShutdownSystem() { m_Countdown.RequestPowerOff(); }

    // The user's current timetable, the one the editors change. A change to today's
    // items is followed by ReplanToday (the bell session does both in one call).
    const schedule::CTimetable& Timetable() const { return m_Timetable; }
    schedule::CTimetable& Timetable() { return m_Timetable; }
    // The timetable whose day rings today: a special day's own, else the current one.
    // On a special day the list rows are this timetable's.
    const schedule::CTimetable& DayTimetable() const {
        return m_DayPlan.IsSpecialDay() ? m_DayPlan.SpecialTimetable() : m_Timetable;
    }
    const std::string& AppDir() const { return m_strAppDir; }

    // Today as the engine rings it: the weekday whose items ring (another one on a
    // make-up day), the pending item with its list row (-1: none left today) and whether
    // it is armed (within its lead-in).
    int Today() const { return RingDay(); }
    // The weekday a make-up day rings instead of its own; -1 on other days.
    int MakeupWeekday() const { return m_DayPlan.MakeupWeekday(); }
    int NextIndex() const { return m_nNextIndex; }
    const schedule::ScheduleItem& NextItem() const { return m_NextItem; }
    bool IsArmed() const { return m_bArmed; }
    bool IsPrepared() const { return m_bPrepared; }
    bool IsShutdownCounting() const { return m_Countdown.IsCounting(); }
    int ShutdownCount() const { return m_Countdown.Count(); }

    // The day calendar as last read from "作息表/节假日.txt", and what it makes of today.
    const schedule::CDayCalendar& Calendar() const { return m_DayPlan.Calendar(); }
    bool IsHoliday() const { return m_DayPlan.IsHoliday(); }
    bool IsSpecialDay() const { return m_DayPlan.IsSpecialDay(); }
    // Reads the day calendar again when its file changed on disk (it is also checked on
    // every tick) and shows today anew when that changes what today is.
    void CheckCalendar();
    // Reads today's plan again, a special day's timetable included, and finds the
    // pending item anew after today's items changed: the next item rings as edited, and
    // an armed item stays armed unless the change moved or removed it.
    void ReplanToday();
    // The file name (in "作息表") of the timetable a special day rings; empty otherwise.
    const std::string& SpecialTimetableName() const { return m_DayPlan.SpecialName(); }

private:
    // The weekday of the timetable whose items ring today.
    int RingDay() const {
        return m_DayPlan.MakeupWeekday() >= 0 ? m_DayPlan.MakeupWeekday() : m_nToday;
    }
    // Shows the day's items of the timetable that rings today (all passed on a holiday).
    bool BuildDayList(int day);
    // Tells the player the files of today's items from the pending one (row next) on,
    // so that their decoders are loaded well before the first of them starts.
    void WarmUpForDay(const schedule::CTimetable::Day& items, int next);
    // The tick's work once the calendar has been consulted; planChanged when today's
    // kind or timetable has just changed.
    void TickAutoPlay(const platform::LocalTime& clock, bool planChanged);
    // Finds the pending item again and shows the day, after the day's items changed
    // (sameTimetable: edited in place, not replaced by another timetable).
    void RestartDay(bool sameTimetable);
    // Logs the items of today's list whose second passed since the last tick without
    // starting; on a new date, those before this tick's second.
    void LogPassedItems(const platform::LocalTime& clock, bool newDate);
    // Logs the items of the day just left that were still to come.
    void LogRestOfDay(const platform::LocalTime& clock);
    void LogSkip(const platform::LocalTime& clock, const schedule::ScheduleItem& item);
    void SetStatus(const std::string& text) { m_Host.SetStatusText(text); }
    void ShowNotifier(const std::string& text);
    void ShowPlayerIfWanted(bool always);
    // Runs a program between the status texts of the extension run; its exit code.
    int RunWithStatus(const std::string& program, const std::string& parameters);
    // Appends the queue to the player's.
    void Queue(const PlayQueue& queue);
    // The index the next index moves to when the pending item's second passes: the
    // first item after it and after every item due at the same second, or -1.
    int IndexAfterPending() const;
    // Copies the pending item for the current index and shows it (or none).
    void EstablishPending(int now);
    // Arms the pending item when it is due within the lead-in and not yet armed, running
    // the before-program when it asks for one and then preparing its playback; true
    // when a program was run.
    // Starts a queue of files chosen by hand: the before-program, then its first track.
    void StartChosenQueue();
    bool ArmIfDue(const platform::LocalTime& clock, int now);
    // Decides the pending item's queue and has the player open its first track.
    void Prepare();
    // Lets the preparation go (the player's prepared stream with it).
    void DropPreparation();
    // The pending item is no longer armed, nor prepared.
    void Disarm();
    QueueSources Sources();
    // Whether a tick already started this item on this date (a clock set back must
    // not ring it again).
    bool AlreadyRung(const platform::LocalTime& now, const schedule::ScheduleItem& item) const;
    void RecordRung(const platform::LocalTime& now, const schedule::ScheduleItem& item);
    // The random playlists' seed: the clock's whole seconds.
    std::uint32_t Seed() const;
    // Whether a timetable rings today at all; without one nothing counts down to a
    // power-off, and the status says why.
    bool HaveDayTimetable() const;
    // The emergency file from its start (full volume, whole file, by itself).
    bool PlayEmergencyFile();
    // While an emergency plays the tick only moves past the items as they come due.
    void TickEmergency(int now);

    platform::Clock& m_Clock;
    IEngineHost& m_Host;
    IPlayer& m_Player;
    ProgramRunFn m_RunProgram;
    schedule::CCommonTrackStore& m_CommonTracks;
    schedule::CPlaylistStore& m_Playlists;
    std::string m_strAppDir;

    EngineOptions m_Options;
    int m_nToday = 0;
    int m_nNextIndex = 0;
    schedule::ScheduleItem m_NextItem;
    bool m_bArmed = false;
    // The armed item's playback made ready at its arming: the item, its queue and what
    // deciding it gave.
    bool m_bPrepared = false;
    schedule::ScheduleItem m_PreparedItem;
    PlayQueue m_PreparedQueue;
    QueueResult m_PreparedResult = QueueResult::Ok;
    // The lead asked for at the preparation, the prepared item's second in calendar
    // milliseconds, how many seconds ahead it was prepared, whether it was opened again
    // since and whether it was started ahead of its second.
    std::function<int()> m_StartLead;
    int m_nPreparedLeadMs = 0;
    std::int64_t m_nPreparedDueMs = 0;
    int m_nPreparedAhead = 0;
    bool m_bReprepared = false;
    bool m_bStartedEarly = false;
    schedule::CTimetable m_Timetable;
    // The files the player was last asked to make ready.
    std::vector<std::string> m_WarmedFiles;
    bool m_bPlayerShownByEngine = false;
    // Why the current timetable could not be read was said in the bell log.
    bool m_bNoTimetableLogged = false;

    CDayPlan m_DayPlan;
    CShutdownCountdown m_Countdown;
    // Items started by the tick, per date (yyyymmdd), for the last few dates.
    std::map<int, std::vector<schedule::ScheduleItem>> m_Rung;

    // What the bell log needs of the previous tick: its time, whether auto-play was off
    // since, and the items this tick started.
    bool m_bHaveLastTick = false;
    platform::LocalTime m_LastTick;
    bool m_bAutoPlayWasOff = false;
    bool m_bClockSet = false;
    bool m_bClockSetsReported = false;
    std::vector<schedule::ScheduleItem> m_StartedThisTick;
    // The emergency broadcast on, its file, and whether it was on since the last tick
    // (the items passed meanwhile say so).
    bool m_bEmergency = false;
    bool m_bEmergencySinceTick = false;
    std::string m_strEmergencyFile;
    // Counts ticks, so a tick knows whether another ran inside it while a program ran.
    unsigned m_nTickGeneration = 0;
};

}  // namespace engine
