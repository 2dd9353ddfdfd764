#pragma once
// The scheduling engine: today's list of the current timetable turned into timed
// actions (lead-in, countdown, start), item playback, the extension programs around
// playback, playing by hand and the automatic shutdown. The main frame owns one,
// calls OnTick once a wall-clock second and forwards its commands to OnCommand.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "engine/engine_host.h"
#include "engine/engine_player.h"
#include "engine/run_program.h"
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
inline constexpr int kSecondsPerMinute = 60;
inline constexpr int kDefaultShutdownDelaySeconds = 300;
// After a refused or unheeded power-off request, the next one waits this many counting
// ticks, so that a refusing system is not asked every second.
inline constexpr int kPowerOffRetrySeconds = 60;
inline constexpr int kDefaultVolume = 100;
// Two ticks further apart than this mean the wall clock was set (or the machine slept),
// not that a tick came late; the bell log names the reason for what was passed over.
inline constexpr int kClockJumpSeconds = 60;

// Command identifiers the engine handles.
inline constexpr int kCmdAutoPlay = 32776;
inline constexpr int kCmdAutoShutdown = 32777;
inline constexpr int kCmdChooseFilesToPlay = 32791;
inline constexpr int kCmdPlayCurrentRow = 34472;
inline constexpr int kCmdCommonTrackFirst = 34475;
inline constexpr int kCmdPlaylistFirst = 34675;
inline constexpr int kCmdIdsPerStore = 200;

// The frame's notification message and its playback-ended code.
inline constexpr int kFrameNotifyMessage = 0x280E;
inline constexpr int kNotifyPlaybackEnded = 6;

// Runs an extension program with its parameter string and returns its exit code, or -1
// (the main frame binds it to RunProgram with the real process runner).
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

class CScheduleEngine {
public:
    CScheduleEngine(platform::Clock& clock, IEngineHost& host, IPlayer& player,
                    platform::PowerControl& power, ProgramRunFn runProgram,
                    schedule::CCommonTrackStore& commonTracks, schedule::CPlaylistStore& playlists,
                    std::string appDir);

    // Reads the engine's settings in start-up order, the day calendar, and loads the
    // current timetable. The settings are remembered for the commands that write them.
    void LoadSettings(schedule::CSettings& settings);

    bool LoadTimetable(const std::string& path);
    // Shows the day's items of the timetable that rings today (all passed on a holiday).
    bool BuildDayList(int day);
    // The scheduler tick: called once just after every wall-clock second.
    void OnTick();

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

    void ToggleAutoPlay() { m_bAutoPlay = !m_bAutoPlay; }
    void ToggleAutoShutdown();
    // Handles the engine's command identifiers; false for any other.
    bool OnCommand(int id);

    // Asks the system to power off; false when the request was refused.
    // Sends the power-off request; its answer is read on later counting ticks.
    void ShutdownSystem();

    // The user's current timetable, the one the editors change.
    const schedule::CTimetable& Timetable() const { return m_Timetable; }
    schedule::CTimetable& Timetable() { return m_Timetable; }
    // The timetable whose day rings today: a special day's own, else the current one.
    // On a special day the list rows are this timetable's.
    const schedule::CTimetable& DayTimetable() const {
        return m_bSpecialDay ? m_SpecialTimetable : m_Timetable;
    }
    const std::string& AppDir() const { return m_strAppDir; }

    // The day calendar as last read from "作息表/节假日.txt", and what it makes of today.
    const schedule::CDayCalendar& Calendar() const { return m_Calendar; }
    bool IsHoliday() const { return m_bHoliday; }
    bool IsSpecialDay() const { return m_bSpecialDay; }
    // Reads the day calendar again when its file changed on disk (it is also checked on
    // every tick) and shows today anew when that changes what today is.
    void CheckCalendar();
    // Reads today's plan again, a special day's timetable included, and restarts the
    // day from the clock (after the timetable files were changed by an editor).
    void ReplanToday();
    // The file name (in "作息表") of the timetable a special day rings; empty otherwise.
    const std::string& SpecialTimetableName() const { return m_strSpecialName; }

    // Engine state.
    bool m_bAutoPlay = true;
    int m_nToday = 0;
    int m_nNextIndex = 0;
    schedule::ScheduleItem m_NextItem;
    bool m_bArmed = false;
    schedule::CTimetable m_Timetable;

    // Settings mirrors, loaded by LoadSettings and changed by the frame's dialogs.
    bool m_bPopupPrompt = true;
    bool m_bShowPlayer = true;
    bool m_bPlayerShownByEngine = false;
    bool m_bExtRun = false;
    std::string m_strRunBefore;
    std::string m_strParamBefore;
    std::string m_strRunAfter;
    std::string m_strParamAfter;
    bool m_bAutoShutdown = true;
    int m_nShutdownDelay = kDefaultShutdownDelaySeconds;
    bool m_bShutdownCounting = false;
    int m_nShutdownCount = 0;
    // The count at which this countdown last asked for the power-off, or -1.
    int m_nPowerOffAskedAt = -1;
    // The refusal of this countdown's requests is shown as a notice.
    bool m_bPowerOffRefusalShown = false;
    int m_nDefaultVolume = kDefaultVolume;

private:
    // The tick's work once the calendar has been consulted; planChanged when today's
    // kind or timetable has just changed.
    void TickAutoPlay(const platform::LocalTime& clock, bool planChanged);
    // Reads the calendar file when its size or modification time changed; true when
    // it was read.
    bool ReadCalendarIfChanged();
    // Decides from the calendar what the date is (holiday, special day with its
    // timetable, or an ordinary day); true when that may have changed the day's items.
    bool PlanDay(const schedule::CalendarDate& date);
    // Finds the pending item again and shows the day, after the day's items changed.
    void RestartDay();
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
    // One tick of the shutdown countdown; the power-off is asked only when mayPowerOff.
    void CountShutdownTick(bool mayPowerOff);
    // Reads the answer to the last power-off request and asks again when it is time.
    void PowerOffWhenDue();
    // Ends the countdown: its text and any refusal notice go.
    void EndShutdownCountdown();
    // Takes away the notice of a refused power-off, if it shows.
    void ClearPowerOffNotice();
    // The index the next index moves to when the pending item's second passes: the
    // first item after it and after every item due at the same second, or -1.
    int IndexAfterPending() const;
    // Copies the pending item for the current index and shows it (or none).
    void EstablishPending(int now);
    // Arms the pending item when it is due within the lead-in and not yet armed, running
    // the before-program when it asks for one; true when a program was run.
    bool ArmIfDue(const platform::LocalTime& clock, int now);
    // Whether a tick already started this item on this date (a clock set back must
    // not ring it again).
    bool AlreadyRung(const platform::LocalTime& now, const schedule::ScheduleItem& item) const;
    void RecordRung(const platform::LocalTime& now, const schedule::ScheduleItem& item);
    std::string ResolveTrackPath(const std::string& path) const;
    schedule::TrackEntry Resolved(schedule::TrackEntry entry) const;

    platform::Clock& m_Clock;
    IEngineHost& m_Host;
    IPlayer& m_Player;
    platform::PowerControl& m_Power;
    ProgramRunFn m_RunProgram;
    schedule::CCommonTrackStore& m_CommonTracks;
    schedule::CPlaylistStore& m_Playlists;
    std::string m_strAppDir;
    schedule::CSettings* m_pSettings = nullptr;
    // Items started by the tick, per date (yyyymmdd), for the last few dates.
    std::map<int, std::vector<schedule::ScheduleItem>> m_Rung;

    // The day calendar, the stamp of the file it was read from, and today's plan.
    struct FileStamp {
        bool exists = false;
        std::int64_t modified = 0;
        std::uintmax_t size = 0;
        bool operator==(const FileStamp&) const = default;
    };
    schedule::CDayCalendar m_Calendar;
    FileStamp m_CalendarStamp;
    bool m_bCalendarRead = false;
    schedule::CalendarDate m_PlanDate;
    bool m_bHoliday = false;
    bool m_bSpecialDay = false;
    std::string m_strSpecialName;
    schedule::CTimetable m_SpecialTimetable;

    // What the bell log needs of the previous tick: its time, whether auto-play was off
    // since, and the items this tick started.
    bool m_bHaveLastTick = false;
    platform::LocalTime m_LastTick;
    bool m_bAutoPlayWasOff = false;
    std::vector<schedule::ScheduleItem> m_StartedThisTick;
    // Counts ticks, so a tick knows whether another ran inside it while a program ran.
    unsigned m_nTickGeneration = 0;
};

}  // namespace engine
