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

    // Reads the engine's settings in start-up order and loads the current timetable.
    // The settings are remembered for the commands that write them.
    void LoadSettings(schedule::CSettings& settings);

    bool LoadTimetable(const std::string& path);
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

    const schedule::CTimetable& Timetable() const { return m_Timetable; }
    schedule::CTimetable& Timetable() { return m_Timetable; }
    const std::string& AppDir() const { return m_strAppDir; }

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
};

}  // namespace engine
