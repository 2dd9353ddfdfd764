#include "engine/schedule_engine.h"

#include <algorithm>
#include <chrono>
#include <climits>
#include <filesystem>
#include <numeric>
#include <random>
#include <utility>

#include "engine/engine_texts.h"
#include "engine/run_program.h"
#include "platform/virtual_clock.h"
#include "schedule/app_paths.h"

namespace engine {

using schedule::CommonTrack;
using schedule::Playlist;
using schedule::ScheduleItem;
using schedule::TrackEntry;
using texts::FormatText;

namespace {

// How many dates the record of rung items reaches back.
constexpr std::size_t kRungDatesKept = 3;

int DateKey(const platform::LocalTime& t) {
    return t.year * 10000 + t.month * 100 + t.day;
}

schedule::CalendarDate DateOf(const platform::LocalTime& t) {
    return schedule::CalendarDate{t.year, t.month, t.day};
}

// "08:00:00 [上课][铃声]": an item as the bell log names it.
std::string ItemText(const ScheduleItem& item) {
    constexpr int kSecondsPerHour = 3600;
    char time[16];
    std::snprintf(time, sizeof time, "%02d:%02d:%02d", item.time / kSecondsPerHour,
                  item.time / kSecondsPerMinute % kSecondsPerMinute, item.time % kSecondsPerMinute);
    return std::string(time) + " [" + item.title + "][" + item.musicName + "]";
}

bool SameItem(const ScheduleItem& a, const ScheduleItem& b) {
    return a.time == b.time && a.kind == b.kind && a.title == b.title &&
           a.musicName == b.musicName && a.path == b.path;
}

}  // namespace

CScheduleEngine::CScheduleEngine(platform::Clock& clock, IEngineHost& host, IPlayer& player,
                                 platform::PowerControl& power, ProgramRunFn runProgram,
                                 schedule::CCommonTrackStore& commonTracks,
                                 schedule::CPlaylistStore& playlists, std::string appDir)
    : m_Clock(clock),
      m_Host(host),
      m_Player(player),
      m_Power(power),
      m_RunProgram(std::move(runProgram)),
      m_CommonTracks(commonTracks),
      m_Playlists(playlists),
      m_strAppDir(std::move(appDir)) {
    const platform::LocalTime now = m_Clock.Now();
    m_nToday = now.weekday;
    m_PlanDate = DateOf(now);
    // The pending item before any timetable is known.
    m_NextItem.kind = schedule::CommonMusic;
}

void CScheduleEngine::LoadSettings(schedule::CSettings& settings) {
    m_pSettings = &settings;
    ReadCalendarIfChanged();
    PlanDay(DateOf(m_Clock.Now()));
    LoadTimetable(schedule::ResolvePath(m_strAppDir, settings.GetTimetablePath()));
    m_bAutoShutdown = settings.GetAutoShutdown();
    m_strRunBefore = settings.GetProgramBefore();
    m_strRunAfter = settings.GetProgramAfter();
    m_strParamBefore = settings.GetParamsBefore();
    m_strParamAfter = settings.GetParamsAfter();
    m_bExtRun = settings.GetExtRun();
    m_bShowPlayer = settings.GetShowPlayer();
    m_bPopupPrompt = settings.GetPopupPrompt();
    // Minutes to seconds without overflowing; a negative delay powers off at once.
    const std::int64_t delay =
        static_cast<std::int64_t>(settings.GetShutdownDelayMinutes()) * kSecondsPerMinute;
    m_nShutdownDelay = static_cast<int>(std::clamp<std::int64_t>(delay, 0, INT_MAX));
    m_nDefaultVolume = settings.GetDefaultVolume();
    m_Player.SetDefaultVolume(m_nDefaultVolume);
}

bool CScheduleEngine::LoadTimetable(const std::string& path) {
    if (!m_Timetable.Load(path, true)) {
        return false;
    }
    RestartDay();
    return true;
}

void CScheduleEngine::RestartDay() {
    const ScheduleItem pendingBefore = m_NextItem;
    const bool wasArmed = m_bArmed;
    const int now = m_Clock.Now().SecondsSinceMidnight();
    m_nNextIndex = DayTimetable().FindNext(m_nToday, now, &m_NextItem);
    if (!SameItem(pendingBefore, m_NextItem)) {
        // Another timetable's pending item is armed by its own lead-in, with its program.
        m_bArmed = false;
    }
    if (m_nNextIndex >= 0 && !m_bHoliday && m_bShutdownCounting) {
        EndShutdownCountdown();
    }
    BuildDayList(m_nToday);
    if (m_bHoliday && wasArmed) {
        SetStatus(std::string());  // the countdown of an item that no longer rings
    }
}

bool CScheduleEngine::BuildDayList(int day) {
    const schedule::CTimetable& timetable = DayTimetable();
    const schedule::CTimetable::Day* items = timetable.GetDay(day);
    if (items == nullptr) {
        return false;
    }
    if (m_bHoliday) {
        m_bArmed = false;
        m_Host.SetHoliday(true);
        m_Host.SetPendingItem(nullptr);
        m_Host.SetTimetableTitle(timetable.GetTitle());
        m_Host.RebuildList(*items, -1);
        return true;
    }
    m_Host.SetHoliday(false);
    const int now = m_Clock.Now().SecondsSinceMidnight();
    const int next = timetable.FindNext(m_nToday, now, &m_NextItem);
    if (next < 0 && m_bArmed) {
        // The armed item may have been deleted from today's list: without a later item
        // its copy is never replaced, and it must not start or count down any more.
        const ScheduleItem* listed = timetable.GetItem(m_nToday, m_nNextIndex);
        if (listed == nullptr || !(*listed == m_NextItem)) {
            m_bArmed = false;
        }
    }
    m_Host.SetPendingItem(next >= 0 ? &m_NextItem : nullptr);
    m_Host.SetTimetableTitle(timetable.GetTitle());
    m_Host.RebuildList(*items, next);
    return true;
}

void CScheduleEngine::OnTick() {
    const unsigned generation = ++m_nTickGeneration;
    const platform::LocalTime clock = m_Clock.Now();
    m_StartedThisTick.clear();
    const bool calendarRead = ReadCalendarIfChanged();
    if (!m_bAutoPlay) {
        // Nothing rings, but an edited calendar still shows what today is.
        if (calendarRead && PlanDay(m_PlanDate)) {
            RestartDay();
        }
        m_bAutoPlayWasOff = true;
        return;
    }
    const schedule::CalendarDate date = DateOf(clock);
    const bool newDate = date != m_PlanDate;
    if (newDate && m_bHaveLastTick) {
        LogRestOfDay(clock);
    }
    const bool planChanged = (calendarRead || newDate) && PlanDay(date);
    TickAutoPlay(clock, planChanged);
    // A tick that ran inside this one (while a program ran) has logged and moved on.
    if (generation == m_nTickGeneration) {
        LogPassedItems(clock, newDate);
        m_LastTick = clock;
        m_bHaveLastTick = true;
        m_bAutoPlayWasOff = false;
    }
}

void CScheduleEngine::ReplanToday() {
    PlanDay(m_PlanDate);
    RestartDay();
}

void CScheduleEngine::CheckCalendar() {
    if (ReadCalendarIfChanged() && PlanDay(m_PlanDate)) {
        RestartDay();
    }
}

void CScheduleEngine::TickAutoPlay(const platform::LocalTime& clock, bool planChanged) {
    if (clock.weekday != m_nToday) {
        // A new day: the old day's arming must never start an item of the new one.
        m_nToday = clock.weekday;
        m_bArmed = false;
        BuildDayList(m_nToday);
        if (m_bHoliday) {
            if (m_bShutdownCounting) {
                EndShutdownCountdown();
            }
            return;
        }
        // The new day's pending item is established at once, so that an item in the
        // first seconds after midnight is armed before its time comes.
        const int midnightNow = clock.SecondsSinceMidnight();
        m_nNextIndex = DayTimetable().FindNext(m_nToday, midnightNow, nullptr);
        EstablishPending(midnightNow);
        ArmIfDue(clock, midnightNow);
        return;
    }
    if (planChanged) {
        RestartDay();
    }
    if (m_bHoliday) {
        // Nothing is announced, started or counted down, and the machine stays on.
        m_bArmed = false;
        if (m_bShutdownCounting) {
            EndShutdownCountdown();
        }
        return;
    }
    const int now = clock.SecondsSinceMidnight();
    const int next = DayTimetable().FindNext(m_nToday, now, nullptr);

    if (next < 0 && m_bAutoShutdown && !m_Player.IsPlaying()) {
        // On the tick that passes the day's last item the count goes on, but the power-off
        // waits: that item is about to start and must not be cut off by it.
        CountShutdownTick(next == m_nNextIndex);
    }

    if (next == m_nNextIndex) {
        if (next < 0) {
            return;  // the day is done: there is no pending item to announce
        }
        const int diff = m_NextItem.time - now;
        if (diff > kLeadInSeconds || AlreadyRung(clock, m_NextItem)) {
            m_bArmed = false;
            return;
        }
        if (diff >= 0 && !m_bArmed && ArmIfDue(clock, now)) {
            // A program that ran into a later second leaves the countdown to the ticks
            // of that second (they may even have started the item meanwhile): this
            // tick's would be out of date.
            const platform::LocalTime after = m_Clock.Now();
            if (after.SecondsSinceMidnight() != now || after.weekday != clock.weekday ||
                m_nNextIndex != next) {
                return;
            }
        }
        if (m_bPopupPrompt && diff >= 0 && diff <= kCountdownSeconds) {
            const std::string seconds = std::to_string(diff);
            SetStatus(FormatText(texts::kCountdownStatus, {seconds}));
            ShowNotifier(FormatText(texts::kCountdownNotify,
                                    {m_NextItem.title, m_NextItem.musicName, seconds}));
        }
        return;
    }

    // The index moves past the pending item on the first tick at or after its second,
    // so an item still ahead has not come due: the index moved because today's list was
    // edited, and starting it now would ring early.
    const int diff = m_NextItem.time - now;
    const ScheduleItem pendingBefore = m_NextItem;
    bool started = false;
    if (diff >= -kStartToleranceSeconds && diff <= 0 && m_bArmed && next == IndexAfterPending() &&
        !AlreadyRung(clock, m_NextItem)) {
        if (m_bPopupPrompt) {
            ShowNotifier(texts::kItemStarts);
        }
        const ScheduleItem item = m_NextItem;
        RecordRung(clock, item);
        m_StartedThisTick.push_back(item);
        m_Host.LogEvent(texts::kLogItem, ItemText(item));
        PlayItem(&item);
        started = true;
    }
    m_nNextIndex = next;
    m_Host.MarkNext(next);
    EstablishPending(now);
    // The arming belonged to the item just started or passed over, never to the next;
    // an edit that only moved the same pending item's index keeps it, so its
    // before-program does not run twice.
    if (started || !SameItem(pendingBefore, m_NextItem)) {
        m_bArmed = false;
    }
    // An item due a second or two after the one just passed would otherwise be passed
    // over too: no tick would come between its becoming pending and its time to arm it.
    ArmIfDue(clock, now);
}

void CScheduleEngine::EstablishPending(int now) {
    DayTimetable().FindNext(m_nToday, now, &m_NextItem);
    if (m_nNextIndex >= 0) {
        if (m_bShutdownCounting) {
            EndShutdownCountdown();
        }
        m_Host.SetPendingItem(&m_NextItem);
    } else {
        m_Host.SetPendingItem(nullptr);
    }
}

bool CScheduleEngine::ArmIfDue(const platform::LocalTime& clock, int now) {
    const int diff = m_NextItem.time - now;
    if (m_nNextIndex < 0 || m_bArmed || diff < 0 || diff > kLeadInSeconds ||
        AlreadyRung(clock, m_NextItem)) {
        return false;
    }
    // Armed before the program starts, so a tick that runs during the wait does not
    // start the program a second time.
    m_bArmed = true;
    if (m_bExtRun && m_NextItem.runBefore != 0) {
        const std::string params =
            m_NextItem.useDefaultParams != 0 ? m_strParamBefore : m_NextItem.params;
        RunWithStatus(m_strRunBefore, params);
        return true;
    }
    return false;
}

int CScheduleEngine::IndexAfterPending() const {
    const schedule::CTimetable::Day* items = DayTimetable().GetDay(m_nToday);
    if (items == nullptr) {
        return -1;
    }
    const int count = static_cast<int>(items->size());
    int index = m_nNextIndex + 1;
    // Items due at the pending item's second pass with it: the first of them starts.
    const ScheduleItem* pending = DayTimetable().GetItem(m_nToday, m_nNextIndex);
    if (pending != nullptr && *pending == m_NextItem) {
        while (index < count && (*items)[static_cast<std::size_t>(index)].time == m_NextItem.time) {
            ++index;
        }
    }
    return index >= 0 && index < count ? index : -1;
}

bool CScheduleEngine::AlreadyRung(const platform::LocalTime& now, const ScheduleItem& item) const {
    const auto date = m_Rung.find(DateKey(now));
    if (date == m_Rung.end()) {
        return false;
    }
    return std::any_of(date->second.begin(), date->second.end(),
                       [&](const ScheduleItem& rung) { return SameItem(rung, item); });
}

void CScheduleEngine::RecordRung(const platform::LocalTime& now, const ScheduleItem& item) {
    m_Rung[DateKey(now)].push_back(item);
    while (m_Rung.size() > kRungDatesKept) {
        m_Rung.erase(m_Rung.begin());
    }
}

void CScheduleEngine::CountShutdownTick(bool mayPowerOff) {
    if (!m_bShutdownCounting) {
        m_bShutdownCounting = true;
        m_nShutdownCount = 0;
        m_nPowerOffAskedAt = -1;
    }
    if (m_nShutdownCount < INT_MAX) {
        ++m_nShutdownCount;
    }
    if (m_nShutdownCount > m_nShutdownDelay && mayPowerOff) {
        PowerOffWhenDue();
    }
    const int left = m_nShutdownDelay - m_nShutdownCount;
    if (left >= 0) {
        SetStatus(FormatText(
            texts::kShutdownCountdown,
            {std::to_string(left / kSecondsPerMinute), std::to_string(left % kSecondsPerMinute)}));
    }
}

void CScheduleEngine::PowerOffWhenDue() {
    if (m_nPowerOffAskedAt >= 0) {
        const platform::PowerOffState state = m_Power.PowerOffStatus();
        if (state == platform::PowerOffState::Pending) {
            return;
        }
        // One notice for a run of refusals, gone once a request is accepted.
        const bool refused = state == platform::PowerOffState::Refused;
        if (refused != m_bPowerOffRefusalShown) {
            m_Host.ShowNotice(refused ? texts::kPowerOffRefused : std::string());
            m_bPowerOffRefusalShown = refused;
        }
        if (m_nShutdownCount - m_nPowerOffAskedAt < kPowerOffRetrySeconds) {
            return;
        }
    }
    ShutdownSystem();
    m_nPowerOffAskedAt = m_nShutdownCount;
}

void CScheduleEngine::ShutdownSystem() {
    m_Power.RequestPowerOff();
}

void CScheduleEngine::EndShutdownCountdown() {
    SetStatus(std::string());
    m_bShutdownCounting = false;
    ClearPowerOffNotice();
}

void CScheduleEngine::ClearPowerOffNotice() {
    if (m_bPowerOffRefusalShown) {
        m_Host.ShowNotice(std::string());
        m_bPowerOffRefusalShown = false;
    }
}

void CScheduleEngine::ToggleAutoShutdown() {
    const bool wasOn = m_bAutoShutdown;
    m_bAutoShutdown = !m_bAutoShutdown;
    if (wasOn) {
        SetStatus(std::string());
        ClearPowerOffNotice();
    }
    if (m_pSettings != nullptr) {
        m_pSettings->SetAutoShutdown(m_bAutoShutdown);
    }
}

void CScheduleEngine::ShowNotifier(const std::string& text) {
    m_Host.ShowNotifier(text, kNotifierAppearMs, kNotifierStayMs, kNotifierDisappearMs);
}

void CScheduleEngine::ShowPlayerIfWanted(bool always) {
    if ((always || m_bShowPlayer) && !m_Host.IsPlayerVisible()) {
        m_bPlayerShownByEngine = true;
        m_Host.ShowPlayer();
    }
}

int CScheduleEngine::RunWithStatus(const std::string& program, const std::string& parameters) {
    SetStatus(kRunningProgramText);
    const int result = m_RunProgram ? m_RunProgram(program, parameters) : -1;
    m_Host.LogEvent(texts::kLogExitCode,
                    (parameters.empty() ? program : program + " " + parameters) + " -> " +
                        std::to_string(result));
    SetStatus(result == 0 ? kProgramSucceededText : kProgramFailedText);
    return result;
}

std::string CScheduleEngine::ResolveTrackPath(const std::string& path) const {
    return schedule::ResolvePath(m_strAppDir, path);
}

TrackEntry CScheduleEngine::Resolved(TrackEntry entry) const {
    entry.path = ResolveTrackPath(entry.path);
    return entry;
}

bool CScheduleEngine::PlayItem(const ScheduleItem* item) {
    if (item == nullptr) {
        return false;
    }
    m_Player.ClearQueue(true);
    switch (item->kind) {
        case schedule::SingleMusic: {
            TrackEntry entry;
            entry.path = ResolveTrackPath(item->path);
            entry.fullPlay = item->fullPlay;
            entry.length = schedule::kUnknownLength;
            entry.limit = item->limit;
            entry.autoPlay = item->autoPlay;
            entry.volume = item->volume;
            entry.useDefaultVolume = item->useDefaultVolume;
            m_Player.Append(entry);
            m_Player.LoadTrack(0);
            break;
        }
        case schedule::CommonMusic: {
            const int index = m_CommonTracks.Find(item->musicName);
            if (index < 0) {
                const std::string text =
                    FormatText(texts::kCommonTrackError, {item->title, item->musicName});
                m_Host.LogEvent(texts::kLogMissing, text);
                SetStatus(text);
                return false;
            }
            PlayCommonTrack(m_CommonTracks.Get(index));
            break;
        }
        case schedule::ListMusic: {
            const int index = m_Playlists.Find(item->musicName);
            if (index < 0) {
                const std::string text =
                    FormatText(texts::kPlaylistError, {item->title, item->musicName});
                m_Host.LogEvent(texts::kLogMissing, text);
                SetStatus(text);
                return false;
            }
            Playlist expanded;
            schedule::CPlaylistStore::Expand(m_Playlists.Get(index), &expanded, m_strAppDir);
            PlayPlaylist(&expanded);
            break;
        }
        default:
            break;  // no music of a kind this program knows: nothing is queued
    }
    m_Player.RefreshList();
    SetStatus(texts::kPlayingItem);
    ShowPlayerIfWanted(false);
    return true;
}

bool CScheduleEngine::PlayCommonTrack(const CommonTrack* track) {
    if (track == nullptr) {
        return false;
    }
    switch (track->order) {
        case schedule::NoSecondary:
            m_Player.Append(Resolved(track->main));
            break;
        case schedule::MainFirst:
            m_Player.Append(Resolved(track->main));
            m_Player.Append(Resolved(track->secondary));
            break;
        default:
            m_Player.Append(Resolved(track->secondary));
            m_Player.Append(Resolved(track->main));
            break;
    }
    return m_Player.LoadTrack(0);
}

bool CScheduleEngine::PlayPlaylist(const Playlist* playlist) {
    if (playlist == nullptr) {
        return false;
    }
    const auto& entries = playlist->entries;
    const int count = static_cast<int>(entries.size());
    if (playlist->randomPlay == 0) {
        for (const TrackEntry& entry : entries) {
            m_Player.Append(Resolved(entry));
        }
    } else {
        // Shuffled with a generator seeded from the clock's whole seconds, so two
        // plays within one second get the same order.
        std::vector<int> order(static_cast<std::size_t>(count));
        std::iota(order.begin(), order.end(), 0);
        const std::int64_t seconds = platform::VirtualClock::ToMilliseconds(m_Clock.Now()) / 1000;
        std::mt19937 generator(static_cast<std::uint32_t>(seconds));
        for (int i = count - 1; i > 0; --i) {
            const auto j = static_cast<int>(generator() % static_cast<std::uint32_t>(i + 1));
            std::swap(order[static_cast<std::size_t>(i)], order[static_cast<std::size_t>(j)]);
        }
        if (playlist->randomLimitKind == schedule::LimitMinutes) {
            const std::int64_t budget =
                static_cast<std::int64_t>(playlist->randomLimit) * kSecondsPerMinute * 1000;
            std::int64_t total = 0;
            for (const int index : order) {
                const TrackEntry entry = Resolved(entries[static_cast<std::size_t>(index)]);
                std::int64_t duration = entry.limit;
                if (entry.fullPlay != 0 || entry.limit <= 0) {
                    // A whole-file entry lasts its length; one that cannot be measured
                    // cannot be played either and takes nothing of the budget.
                    const std::uint32_t length = m_Player.ProbeLength(entry.path);
                    if (length == kLengthUnknown) {
                        continue;
                    }
                    duration = length;
                }
                if (total + duration <= budget) {
                    total += duration;
                    m_Player.Append(entry);
                    continue;
                }
                // Cut to the time left. With no time left nothing more is queued: a limit
                // of 0 would make the player play the whole file.
                const std::int64_t left = std::min<std::int64_t>(budget - total, INT_MAX);
                if (left > 0) {
                    m_Player.AddFile(entry.path, entry.autoPlay, static_cast<int>(left),
                                     entry.useDefaultVolume, entry.volume);
                }
                break;
            }
        } else {
            const int take = std::clamp(playlist->randomLimit, 0, count);
            for (int i = 0; i < take; ++i) {
                m_Player.Append(Resolved(
                    entries[static_cast<std::size_t>(order[static_cast<std::size_t>(i)])]));
            }
        }
    }
    m_Player.RefreshList();
    return m_Player.LoadTrack(0);
}

void CScheduleEngine::OnPlaybackEnded() {
    if (m_bPlayerShownByEngine) {
        m_Host.HidePlayer();
        m_bPlayerShownByEngine = false;
    }
    SetStatus(std::string());
    if (m_bExtRun) {
        RunWithStatus(m_strRunAfter, m_strParamAfter);
    }
    m_Host.TrimMemory();
}

void CScheduleEngine::PlayCommonTrackFromMenu(int index) {
    const CommonTrack* stored = m_CommonTracks.Get(index);
    if (stored == nullptr) {
        return;
    }
    // A copy: the store may change while the before-program is waited for.
    const CommonTrack track = *stored;
    if (m_bExtRun) {
        RunWithStatus(m_strRunBefore, m_strParamBefore);
    }
    m_Player.ClearQueue(true);
    if (PlayCommonTrack(&track)) {
        SetStatus(texts::kPlayingCommonTrack);
    }
    m_Player.RefreshList();
    ShowPlayerIfWanted(false);
}

void CScheduleEngine::PlayPlaylistFromMenu(int index) {
    const Playlist* stored = m_Playlists.Get(index);
    if (stored == nullptr) {
        return;
    }
    Playlist expanded;
    schedule::CPlaylistStore::Expand(stored, &expanded, m_strAppDir);
    if (expanded.entries.empty()) {
        return;
    }
    if (m_bExtRun) {
        RunWithStatus(m_strRunBefore, m_strParamBefore);
    }
    ShowPlayerIfWanted(false);
    m_Player.ClearQueue(true);
    if (PlayPlaylist(&expanded)) {
        SetStatus(texts::kPlayingPlaylist);
    }
    m_Player.RefreshList();
}

void CScheduleEngine::PlayListRow(int row) {
    if (row < 0) {
        return;
    }
    const ScheduleItem* listed = DayTimetable().GetItem(m_nToday, row);
    if (listed == nullptr) {
        return;
    }
    const ScheduleItem item = *listed;
    m_Host.LogEvent(texts::kLogItem, ItemText(item) + " " + texts::kByHand);
    if (m_bExtRun && item.runBefore != 0) {
        RunWithStatus(m_strRunBefore, item.useDefaultParams != 0 ? m_strParamBefore : item.params);
    }
    PlayItem(&item);
}

void CScheduleEngine::PlayChosenFiles() {
    if (m_Player.OpenFiles(true) <= 0) {
        return;
    }
    if (m_bExtRun) {
        RunWithStatus(m_strRunBefore, m_strParamBefore);
    }
    m_Player.RefreshList();
    m_Player.LoadTrack(0);
    m_Player.UpdateStatus();
    ShowPlayerIfWanted(true);
}

bool CScheduleEngine::OnCommand(int id) {
    if (id == kCmdAutoPlay) {
        ToggleAutoPlay();
    } else if (id == kCmdAutoShutdown) {
        ToggleAutoShutdown();
    } else if (id == kCmdChooseFilesToPlay) {
        PlayChosenFiles();
    } else if (id == kCmdPlayCurrentRow) {
        PlayListRow(m_Host.GetSelectedRow());
    } else if (id >= kCmdCommonTrackFirst && id < kCmdCommonTrackFirst + kCmdIdsPerStore) {
        PlayCommonTrackFromMenu(id - kCmdCommonTrackFirst);
    } else if (id >= kCmdPlaylistFirst && id < kCmdPlaylistFirst + kCmdIdsPerStore) {
        PlayPlaylistFromMenu(id - kCmdPlaylistFirst);
    } else {
        return false;
    }
    return true;
}

// The day calendar.

bool CScheduleEngine::ReadCalendarIfChanged() {
    namespace fs = std::filesystem;
    const std::string path = schedule::CDayCalendar::PathIn(m_strAppDir);
    FileStamp stamp;
    std::error_code error;
    stamp.exists = fs::is_regular_file(path, error);
    if (stamp.exists) {
        const fs::file_time_type modified = fs::last_write_time(path, error);
        stamp.modified =
            error
                ? 0
                : std::chrono::duration_cast<std::chrono::nanoseconds>(modified.time_since_epoch())
                      .count();
        stamp.size = fs::file_size(path, error);
        if (error) {
            stamp.size = 0;
        }
    }
    if (m_bCalendarRead && stamp == m_CalendarStamp) {
        return false;
    }
    m_bCalendarRead = true;
    m_CalendarStamp = stamp;
    // A missing or unreadable file is an empty calendar: every day is an ordinary one.
    m_Calendar.Load(path);
    for (const schedule::CalendarError& error : m_Calendar.errors()) {
        m_Host.LogEvent(texts::kLogCalendar, error.ToString());
    }
    return true;
}

bool CScheduleEngine::PlanDay(const schedule::CalendarDate& date) {
    const bool wasHoliday = m_bHoliday;
    const bool wasSpecial = m_bSpecialDay;
    const std::string specialBefore = m_strSpecialName;
    m_PlanDate = date;
    m_bHoliday = false;
    m_bSpecialDay = false;
    m_strSpecialName.clear();
    // A special day whose timetable cannot be read does not count: the calendar is asked
    // again without it. Every round marks one more line, so this ends.
    for (;;) {
        const schedule::DayLookup lookup = m_Calendar.Lookup(date);
        if (lookup.kind == schedule::DayKind::Holiday) {
            m_bHoliday = true;
            break;
        }
        if (lookup.kind == schedule::DayKind::Normal) {
            break;
        }
        // A successful load replaces the whole timetable; a failed one changes nothing.
        if (m_SpecialTimetable.Load(
                schedule::CDayCalendar::TimetablePathIn(m_strAppDir, lookup.timetable), false)) {
            m_bSpecialDay = true;
            m_strSpecialName = lookup.timetable;
            break;
        }
        if (!m_Calendar.AddError(lookup.lineIndex, texts::kTimetableUnreadableReason)) {
            break;
        }
        for (const schedule::CalendarError& error : m_Calendar.errors()) {
            if (error.lineNumber == lookup.lineIndex + 1) {
                m_Host.LogEvent(texts::kLogCalendar, error.ToString());
            }
        }
        SetStatus(FormatText(texts::kCalendarTimetableUnreadable, {lookup.timetable}));
    }
    if (!m_bSpecialDay) {
        m_SpecialTimetable = schedule::CTimetable();
    }
    // A special day's timetable was read afresh, so its items may have changed too.
    return m_bHoliday != wasHoliday || m_bSpecialDay || wasSpecial != m_bSpecialDay ||
           specialBefore != m_strSpecialName;
}

// The bell log's record of items passed over.

void CScheduleEngine::LogSkip(const platform::LocalTime& clock, const ScheduleItem& item) {
    const char* reason = texts::kSkipLateTick;
    const std::int64_t sinceLast = platform::VirtualClock::ToMilliseconds(clock) -
                                   platform::VirtualClock::ToMilliseconds(m_LastTick);
    constexpr std::int64_t kClockJumpMs = static_cast<std::int64_t>(kClockJumpSeconds) * 1000;
    if (m_bHoliday) {
        reason = texts::kSkipHoliday;
    } else if (std::any_of(
                   m_StartedThisTick.begin(), m_StartedThisTick.end(),
                   [&](const ScheduleItem& started) { return started.time == item.time; })) {
        reason = texts::kSkipSameSecond;
    } else if (AlreadyRung(clock, item)) {
        reason = texts::kSkipAlreadyRung;
    } else if (m_bAutoPlayWasOff) {
        reason = texts::kSkipAutoPlayOff;
    } else if (sinceLast < 0 || sinceLast > kClockJumpMs) {
        reason = texts::kSkipClockJump;
    }
    m_Host.LogEvent(texts::kLogSkip, ItemText(item) + " " + reason);
}

void CScheduleEngine::LogPassedItems(const platform::LocalTime& clock, bool newDate) {
    const schedule::CTimetable::Day* items = DayTimetable().GetDay(m_nToday);
    if (!m_bHaveLastTick || items == nullptr || clock.weekday != m_nToday) {
        return;
    }
    const int now = clock.SecondsSinceMidnight();
    // Items due after the last tick's second, up to this one; on a new date those
    // before this second (the tick itself only looks ahead of it). A clock set back
    // passes nothing over: its items come again.
    int after = m_LastTick.SecondsSinceMidnight();
    int upTo = now;
    if (newDate) {
        if (platform::VirtualClock::ToMilliseconds(clock) <
            platform::VirtualClock::ToMilliseconds(m_LastTick)) {
            return;
        }
        after = -1;
        upTo = now - 1;
    }
    std::vector<ScheduleItem> started = m_StartedThisTick;
    for (const ScheduleItem& item : *items) {
        if (item.time <= after || item.time > upTo) {
            continue;
        }
        const auto same = std::find_if(started.begin(), started.end(),
                                       [&](const ScheduleItem& s) { return SameItem(s, item); });
        if (same != started.end()) {
            started.erase(same);
            continue;
        }
        LogSkip(clock, item);
    }
}

void CScheduleEngine::LogRestOfDay(const platform::LocalTime& clock) {
    const schedule::CTimetable::Day* items = DayTimetable().GetDay(m_nToday);
    if (items == nullptr || m_LastTick.weekday != m_nToday) {
        return;
    }
    const int after = m_LastTick.SecondsSinceMidnight();
    for (const ScheduleItem& item : *items) {
        if (item.time > after) {
            LogSkip(clock, item);
        }
    }
}

}  // namespace engine
