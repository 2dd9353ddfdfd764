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
#include "schedule/app_paths.h"
#include "schedule/time_text.h"

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
    return schedule::FormatTimeOfDay(item.time) + " [" + item.title + "][" + item.musicName + "]";
}

bool SameItem(const ScheduleItem& a, const ScheduleItem& b) {
    return a.time == b.time && a.kind == b.kind && a.title == b.title &&
           a.musicName == b.musicName && a.path == b.path;
}

// Why a timetable file could not be read, for the bell log.
const char* LoadFailureReason(schedule::LoadStatus status) {
    switch (status) {
        case schedule::LoadStatus::WrongFormat:
            return texts::kTimetableWrongFormat;
        case schedule::LoadStatus::ReadError:
            return texts::kTimetableDamaged;
        default:
            return texts::kTimetableCannotOpen;
    }
}

}  // namespace

EngineOptions ReadEngineOptions(const schedule::CSettings& settings) {
    EngineOptions options;
    options.autoShutdown = settings.GetAutoShutdown();
    options.runBefore = settings.GetProgramBefore();
    options.runAfter = settings.GetProgramAfter();
    options.paramBefore = settings.GetParamsBefore();
    options.paramAfter = settings.GetParamsAfter();
    options.extRun = settings.GetExtRun();
    options.showPlayer = settings.GetShowPlayer();
    options.popupPrompt = settings.GetPopupPrompt();
    // Minutes to seconds without overflowing; a negative delay powers off at once.
    const std::int64_t delay =
        static_cast<std::int64_t>(settings.GetShutdownDelayMinutes()) * kSecondsPerMinute;
    options.shutdownDelaySeconds = static_cast<int>(std::clamp<std::int64_t>(delay, 0, INT_MAX));
    options.defaultVolume = settings.GetDefaultVolume();
    options.outputDevice = settings.GetOutputDevice();
    return options;
}

CScheduleEngine::CScheduleEngine(platform::Clock& clock, IEngineHost& host, IPlayer& player,
                                 platform::PowerControl& power, ProgramRunFn runProgram,
                                 schedule::CCommonTrackStore& commonTracks,
                                 schedule::CPlaylistStore& playlists, std::string appDir)
    : m_Clock(clock),
      m_Host(host),
      m_Player(player),
      m_RunProgram(std::move(runProgram)),
      m_CommonTracks(commonTracks),
      m_Playlists(playlists),
      m_strAppDir(std::move(appDir)),
      m_DayPlan(host, m_strAppDir),
      m_Countdown(host, power) {
    m_nToday = m_Clock.Now().weekday;
    // The pending item before any timetable is known.
    m_NextItem.kind = schedule::CommonMusic;
}

void CScheduleEngine::LoadSettings(const schedule::CSettings& settings) {
    m_DayPlan.ReadCalendarIfChanged();
    m_DayPlan.Plan(DateOf(m_Clock.Now()));
    LoadTimetable(schedule::ResolvePath(m_strAppDir, settings.GetTimetablePath()));
    EngineOptions options = ReadEngineOptions(settings);
    options.autoPlay = m_Options.autoPlay;
    SetOptions(options);
    m_Player.SetDefaultVolume(m_Options.defaultVolume);
}

void CScheduleEngine::SetOptions(const EngineOptions& options) {
    // Only a countdown's own text goes: another status (an item playing) stays.
    const bool shutdownSwitchedOff =
        m_Options.autoShutdown && !options.autoShutdown && m_Countdown.IsCounting();
    const bool volumeChanged = m_Options.defaultVolume != options.defaultVolume;
    m_Options = options;
    if (shutdownSwitchedOff) {
        // The countdown's text and any refusal notice go with it.
        SetStatus(std::string());
        m_Countdown.ClearNotice();
    }
    if (volumeChanged) {
        m_Player.SetDefaultVolume(m_Options.defaultVolume);
    }
}

bool CScheduleEngine::LoadTimetable(const std::string& path) {
    const schedule::LoadStatus status = m_Timetable.LoadFile(path, true);
    if (status != schedule::LoadStatus::Ok) {
        if (!m_Timetable.IsLoaded() && !m_bNoTimetableLogged) {
            m_bNoTimetableLogged = true;
            m_Host.LogEvent(texts::kLogNoTimetable, path + " " + LoadFailureReason(status));
        }
        return false;
    }
    m_bNoTimetableLogged = false;
    RestartDay(false);
    return true;
}

void CScheduleEngine::RestartDay(bool sameTimetable) {
    const ScheduleItem pendingBefore = m_NextItem;
    const int indexBefore = m_nNextIndex;
    const bool wasArmed = m_bArmed;
    const int now = m_Clock.Now().SecondsSinceMidnight();
    m_nNextIndex = DayTimetable().FindNext(RingDay(), now, &m_NextItem);
    // An edit of the armed item that kept its second and its row (its title, its
    // parameters) keeps it armed, so its before-program does not run twice; another
    // timetable's pending item is armed by its own lead-in, with its program.
    const bool edited =
        sameTimetable && m_nNextIndex == indexBefore && pendingBefore.time == m_NextItem.time;
    if (!SameItem(pendingBefore, m_NextItem) && !edited) {
        Disarm();
    } else if (m_bPrepared) {
        // The item may have changed in what it plays (its file, its volume): made anew.
        DropPreparation();
        if (m_bArmed) {
            Prepare();
        }
    }
    if (m_nNextIndex >= 0 && !IsHoliday() && m_Countdown.IsCounting()) {
        m_Countdown.End();
    }
    BuildDayList(RingDay());
    if (IsHoliday() && wasArmed) {
        SetStatus(std::string());  // the countdown of an item that no longer rings
    }
}

bool CScheduleEngine::BuildDayList(int day) {
    const schedule::CTimetable& timetable = DayTimetable();
    const schedule::CTimetable::Day* items = timetable.GetDay(day);
    if (items == nullptr) {
        return false;
    }
    if (IsHoliday()) {
        Disarm();
        m_Host.SetMakeupWeekday(-1);
        m_Host.SetHoliday(true);
        m_Host.SetPendingItem(nullptr);
        m_Host.SetTimetableTitle(timetable.GetTitle());
        m_Host.DayListChanged(*items, -1);
        return true;
    }
    m_Host.SetHoliday(false);
    m_Host.SetMakeupWeekday(m_DayPlan.MakeupWeekday());
    const int now = m_Clock.Now().SecondsSinceMidnight();
    const int next = timetable.FindNext(RingDay(), now, &m_NextItem);
    if (next < 0 && m_bArmed) {
        // The armed item may have been deleted from today's list: without a later item
        // its copy is never replaced, and it must not start or count down any more.
        const ScheduleItem* listed = timetable.GetItem(RingDay(), m_nNextIndex);
        if (listed == nullptr || !(*listed == m_NextItem)) {
            Disarm();
        }
    }
    m_Host.SetPendingItem(next >= 0 ? &m_NextItem : nullptr);
    m_Host.SetTimetableTitle(timetable.GetTitle());
    m_Host.DayListChanged(*items, next);
    WarmUpForDay(*items, next);
    return true;
}

void CScheduleEngine::WarmUpForDay(const schedule::CTimetable::Day& items, int next) {
    std::vector<std::string> files;
    const QueueSources sources = Sources();
    for (std::size_t i = next >= 0 ? static_cast<std::size_t>(next) : items.size();
         i < items.size(); ++i) {
        for (std::string& file : ItemFiles(items[i], sources)) {
            files.push_back(std::move(file));
        }
    }
    std::sort(files.begin(), files.end());
    files.erase(std::unique(files.begin(), files.end()), files.end());
    // Asked again only when the files change, as a day's edits mostly leave them be.
    if (!files.empty() && files != m_WarmedFiles) {
        m_Player.WarmUpFor(files);
    }
    m_WarmedFiles = std::move(files);
}

void CScheduleEngine::OnTick() {
    const unsigned generation = ++m_nTickGeneration;
    const platform::LocalTime clock = m_Clock.Now();
    m_StartedThisTick.clear();
    const bool calendarRead = m_DayPlan.ReadCalendarIfChanged();
    if (!m_Options.autoPlay) {
        // Nothing rings, but an edited calendar still shows what today is.
        if (calendarRead && m_DayPlan.Plan(m_DayPlan.Date())) {
            RestartDay(false);
        }
        m_bAutoPlayWasOff = true;
        return;
    }
    const schedule::CalendarDate date = DateOf(clock);
    const bool newDate = date != m_DayPlan.Date();
    if (newDate && m_bHaveLastTick) {
        LogRestOfDay(clock);
    }
    const bool planChanged = (calendarRead || newDate) && m_DayPlan.Plan(date);
    TickAutoPlay(clock, planChanged);
    // A tick that ran inside this one (while a program ran) has logged and moved on.
    if (generation == m_nTickGeneration) {
        LogPassedItems(clock, newDate);
        m_LastTick = clock;
        m_bHaveLastTick = true;
        m_bAutoPlayWasOff = false;
        m_bClockSet = false;
        m_bEmergencySinceTick = m_bEmergency;
    }
}

void CScheduleEngine::ReplanToday() {
    m_DayPlan.Plan(m_DayPlan.Date());
    RestartDay(true);
}

void CScheduleEngine::CheckCalendar() {
    if (m_DayPlan.ReadCalendarIfChanged() && m_DayPlan.Plan(m_DayPlan.Date())) {
        RestartDay(false);
    }
}

bool CScheduleEngine::HaveDayTimetable() const {
    return DayTimetable().IsLoaded();
}

void CScheduleEngine::TickAutoPlay(const platform::LocalTime& clock, bool planChanged) {
    if (clock.weekday != m_nToday) {
        // A new day: the old day's arming must never start an item of the new one.
        m_nToday = clock.weekday;
        Disarm();
        BuildDayList(RingDay());
        if (IsHoliday()) {
            if (m_Countdown.IsCounting()) {
                m_Countdown.End();
            }
            return;
        }
        // The new day's pending item is established at once, so that an item in the
        // first seconds after midnight is armed before its time comes.
        const int midnightNow = clock.SecondsSinceMidnight();
        m_nNextIndex = DayTimetable().FindNext(RingDay(), midnightNow, nullptr);
        EstablishPending(midnightNow);
        if (!m_bEmergency) {
            ArmIfDue(clock, midnightNow);
        }
        return;
    }
    if (planChanged) {
        RestartDay(false);
    }
    if (IsHoliday()) {
        // Nothing is announced, started or counted down, and the machine stays on.
        Disarm();
        if (m_Countdown.IsCounting()) {
            m_Countdown.End();
        }
        return;
    }
    if (m_bEmergency) {
        TickEmergency(clock.SecondsSinceMidnight());
        return;
    }
    if (!HaveDayTimetable()) {
        // No timetable was ever read (a first start, a share not yet mounted): the day
        // is not over, it never began, so the machine stays on and the status says why.
        if (m_Countdown.IsCounting()) {
            m_Countdown.End();
        }
        SetStatus(texts::kNoTimetableStatus);
        return;
    }
    const int now = clock.SecondsSinceMidnight();
    const int next = DayTimetable().FindNext(RingDay(), now, nullptr);

    if (next < 0 && m_Options.autoShutdown && !m_Player.IsPlaying()) {
        // On the tick that passes the day's last item the count goes on, but the power-off
        // waits: that item is about to start and must not be cut off by it.
        m_Countdown.Tick(m_Options.shutdownDelaySeconds, next == m_nNextIndex);
    }

    if (next == m_nNextIndex) {
        if (next < 0) {
            return;  // the day is done: there is no pending item to announce
        }
        const int diff = m_NextItem.time - now;
        if (diff > kLeadInSeconds || AlreadyRung(clock, m_NextItem)) {
            Disarm();
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
        // A track prepared well ahead for an output with a lead is opened again shortly
        // before it starts: the connection made at the arming may have gone meanwhile.
        const int reopenAt = (m_nPreparedLeadMs + 999) / 1000 + kReprepareSeconds;
        if (m_bPrepared && !m_bStartedEarly && !m_bReprepared && m_nPreparedLeadMs > 0 &&
            !m_PreparedQueue.empty() && m_nPreparedAhead > reopenAt && diff <= reopenAt) {
            m_bReprepared = true;
            m_Player.PrepareTrack(m_PreparedQueue.front());
        }
        if (m_Options.popupPrompt && diff >= 0 && diff <= kCountdownSeconds) {
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
        if (m_Options.popupPrompt) {
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
    m_Host.NextRowChanged(next);
    EstablishPending(now);
    // The arming belonged to the item just started or passed over, never to the next;
    // an edit that only moved the same pending item's index keeps it, so its
    // before-program does not run twice.
    if (started || !SameItem(pendingBefore, m_NextItem)) {
        Disarm();
    }
    // An item due a second or two after the one just passed would otherwise be passed
    // over too: no tick would come between its becoming pending and its time to arm it.
    ArmIfDue(clock, now);
}

void CScheduleEngine::TickEmergency(int now) {
    // Nothing is armed, started or counted down; the items pass as their seconds come,
    // and the bell log names the emergency as the reason.
    Disarm();
    if (m_Countdown.IsCounting()) {
        m_Countdown.End();
    }
    const int next = DayTimetable().FindNext(RingDay(), now, nullptr);
    if (next != m_nNextIndex) {
        m_nNextIndex = next;
        m_Host.NextRowChanged(next);
        EstablishPending(now);
    }
}

bool CScheduleEngine::StartEmergency(const std::string& path) {
    const bool wasOn = m_bEmergency;
    const bool sinceTickBefore = m_bEmergencySinceTick;
    const std::string before = m_strEmergencyFile;
    m_bEmergency = true;
    m_bEmergencySinceTick = true;
    m_strEmergencyFile = path;
    Disarm();
    if (m_Countdown.IsCounting()) {
        m_Countdown.End();
    }
    if (PlayEmergencyFile()) {
        SetStatus(texts::kEmergencyStatus);
        return true;
    }
    // A file that does not play: an emergency already on goes on with its own.
    m_strEmergencyFile = before;
    if (wasOn) {
        PlayEmergencyFile();
    } else {
        m_bEmergency = false;
        m_bEmergencySinceTick = sinceTickBefore;
    }
    return false;
}

bool CScheduleEngine::PlayEmergencyFile() {
    schedule::TrackEntry entry;
    entry.path = m_strEmergencyFile;
    entry.fullPlay = 1;
    entry.autoPlay = 1;
    // Full volume: neither the item's nor the default volume applies.
    entry.useDefaultVolume = 0;
    entry.volume = kFullVolume;
    m_Player.ClearQueue(true);
    m_Player.Append(entry);
    m_Player.RefreshList();
    return m_Player.LoadTrack(0);
}

bool CScheduleEngine::EndEmergency() {
    if (!m_bEmergency) {
        return false;
    }
    m_bEmergency = false;
    m_strEmergencyFile.clear();
    m_Player.ClearQueue(true);
    SetStatus(std::string());
    // The day goes on from the clock: the items whose second passed stay passed.
    RestartDay(false);
    return true;
}

void CScheduleEngine::EstablishPending(int now) {
    DayTimetable().FindNext(RingDay(), now, &m_NextItem);
    if (m_nNextIndex >= 0) {
        if (m_Countdown.IsCounting()) {
            m_Countdown.End();
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
    bool ran = false;
    if (m_Options.extRun && m_NextItem.runBefore != 0) {
        const std::string params =
            m_NextItem.useDefaultParams != 0 ? m_Options.paramBefore : m_NextItem.params;
        RunWithStatus(m_Options.runBefore, params);
        ran = true;
    }
    // After the program (it comes first), and only while the item is still the armed
    // pending one: a tick inside the program's wait may have started it already.
    if (m_bArmed && !m_bPrepared) {
        Prepare();
    }
    return ran;
}

void CScheduleEngine::Prepare() {
    // The queue is decided now, a random playlist's choice included, and the first
    // track opened silently, so that the item's second only switches it on.
    const std::uint32_t seed = Seed();
    m_PreparedResult = ItemQueue(m_NextItem, Sources(), seed, &m_PreparedQueue);
    m_PreparedItem = m_NextItem;
    m_bPrepared = true;
    if (m_NextItem.kind == schedule::ListMusic && m_PreparedResult == QueueResult::Ok) {
        const schedule::Playlist* playlist =
            m_Playlists.Get(m_Playlists.Find(m_NextItem.musicName));
        if (playlist != nullptr && playlist->randomPlay != 0) {
            m_Host.LogEvent(texts::kLogShuffle, ItemText(m_NextItem) + " " + std::to_string(seed));
        }
    }
    if (!m_PreparedQueue.empty()) {
        m_Player.PrepareTrack(m_PreparedQueue.front());
    }
    m_bStartedEarly = false;
    m_bReprepared = false;
    m_nPreparedLeadMs = m_StartLead ? std::clamp(m_StartLead(), 0, kMaxStartLeadMs) : 0;
    const platform::LocalTime now = m_Clock.Now();
    m_nPreparedAhead = m_PreparedItem.time - now.SecondsSinceMidnight();
    const std::int64_t msIntoDay =
        static_cast<std::int64_t>(now.SecondsSinceMidnight()) * 1000 + now.millisecond;
    m_nPreparedDueMs = platform::CalendarMilliseconds(now) - msIntoDay +
                       static_cast<std::int64_t>(m_PreparedItem.time) * 1000;
}

std::int64_t CScheduleEngine::EarlyStartAt() const {
    // Only a queue the tick will start by itself is started early: a track waiting for
    // Play, or no track at all, keeps its second.
    if (!m_bPrepared || !m_bArmed || m_bStartedEarly || m_nPreparedLeadMs <= 0 ||
        !m_Options.autoPlay || m_bEmergency || m_PreparedQueue.empty() ||
        m_PreparedQueue.front().autoPlay == 0 || !SameItem(m_PreparedItem, m_NextItem)) {
        return -1;
    }
    return m_nPreparedDueMs - m_nPreparedLeadMs;
}

void CScheduleEngine::StartEarly() {
    const std::int64_t at = EarlyStartAt();
    if (at < 0 || platform::CalendarMilliseconds(m_Clock.Now()) < at) {
        return;
    }
    m_bStartedEarly = true;
    m_Player.StartPrepared();
}

void CScheduleEngine::DropPreparation() {
    if (m_bPrepared) {
        m_bPrepared = false;
        m_bStartedEarly = false;
        m_PreparedQueue.clear();
        m_Player.DropPrepared();
    }
}

void CScheduleEngine::Disarm() {
    m_bArmed = false;
    DropPreparation();
}

QueueSources CScheduleEngine::Sources() {
    return QueueSources{m_CommonTracks, m_Playlists, m_strAppDir,
                        [this](const std::string& path) { return m_Player.ProbeLength(path); }};
}

int CScheduleEngine::IndexAfterPending() const {
    const schedule::CTimetable::Day* items = DayTimetable().GetDay(RingDay());
    if (items == nullptr) {
        return -1;
    }
    const int count = static_cast<int>(items->size());
    int index = m_nNextIndex + 1;
    // Items due at the pending item's second pass with it: the first of them starts.
    const ScheduleItem* pending = DayTimetable().GetItem(RingDay(), m_nNextIndex);
    if (pending != nullptr && SameItem(*pending, m_NextItem)) {
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

void CScheduleEngine::ShowNotifier(const std::string& text) {
    m_Host.ShowNotifier(text, kNotifierAppearMs, kNotifierStayMs, kNotifierDisappearMs);
}

void CScheduleEngine::ShowPlayerIfWanted(bool always) {
    if ((always || m_Options.showPlayer) && !m_Host.IsPlayerVisible()) {
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

std::uint32_t CScheduleEngine::Seed() const {
    return static_cast<std::uint32_t>(platform::CalendarMilliseconds(m_Clock.Now()) / 1000);
}

void CScheduleEngine::Queue(const PlayQueue& queue) {
    for (const TrackEntry& entry : queue) {
        m_Player.Append(entry);
    }
}

bool CScheduleEngine::PlayItem(const ScheduleItem* item) {
    if (item == nullptr) {
        return false;
    }
    m_Player.ClearQueue(true);
    // The item made ready at its arming plays as it was decided then; anything else is
    // decided now.
    PlayQueue queue;
    QueueResult result = QueueResult::Ok;
    if (m_bPrepared && SameItem(*item, m_PreparedItem)) {
        m_bPrepared = false;
        queue = std::move(m_PreparedQueue);
        m_PreparedQueue.clear();
        result = m_PreparedResult;
    } else {
        result = ItemQueue(*item, Sources(), Seed(), &queue);
    }
    if (result != QueueResult::Ok) {
        const std::string text =
            FormatText(result == QueueResult::MissingCommonTrack ? texts::kCommonTrackError
                                                                 : texts::kPlaylistError,
                       {item->title, item->musicName});
        m_Host.LogEvent(texts::kLogMissing, text);
        SetStatus(text);
        return false;
    }
    Queue(queue);
    if (item->kind == schedule::ListMusic) {
        m_Player.RefreshList();
    }
    if (item->kind == schedule::SingleMusic || item->kind == schedule::CommonMusic ||
        item->kind == schedule::ListMusic) {
        m_Player.LoadTrack(0);
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
    Queue(CommonTrackQueue(*track, m_strAppDir));
    return m_Player.LoadTrack(0);
}

bool CScheduleEngine::PlayPlaylist(const Playlist* playlist) {
    if (playlist == nullptr) {
        return false;
    }
    Queue(PlaylistQueue(*playlist, m_strAppDir, Seed(),
                        [this](const std::string& path) { return m_Player.ProbeLength(path); }));
    m_Player.RefreshList();
    return m_Player.LoadTrack(0);
}

void CScheduleEngine::OnPlaybackEnded() {
    if (m_bEmergency) {
        // The broadcast repeats until it is ended; an end reported late (the track it
        // replaced) changes nothing while it plays.
        if (!m_Player.IsPlaying()) {
            PlayEmergencyFile();
        }
        return;
    }
    if (m_bPlayerShownByEngine) {
        m_Host.HidePlayer();
        m_bPlayerShownByEngine = false;
    }
    SetStatus(std::string());
    if (m_Options.extRun) {
        RunWithStatus(m_Options.runAfter, m_Options.paramAfter);
    }
    m_Host.TrimMemory();
}

void CScheduleEngine::PlayCommonTrackFromMenu(int index) {
    if (m_bEmergency) {
        return;  // nothing plays over an emergency broadcast
    }
    const CommonTrack* stored = m_CommonTracks.Get(index);
    if (stored == nullptr) {
        return;
    }
    // A copy: the store may change while the before-program is waited for.
    const CommonTrack track = *stored;
    if (m_Options.extRun) {
        RunWithStatus(m_Options.runBefore, m_Options.paramBefore);
    }
    m_Player.ClearQueue(true);
    if (PlayCommonTrack(&track)) {
        SetStatus(texts::kPlayingCommonTrack);
    }
    m_Player.RefreshList();
    ShowPlayerIfWanted(false);
}

void CScheduleEngine::PlayPlaylistFromMenu(int index) {
    if (m_bEmergency) {
        return;  // nothing plays over an emergency broadcast
    }
    const Playlist* stored = m_Playlists.Get(index);
    if (stored == nullptr) {
        return;
    }
    Playlist expanded;
    schedule::CPlaylistStore::Expand(stored, &expanded, m_strAppDir);
    if (expanded.entries.empty()) {
        return;
    }
    if (m_Options.extRun) {
        RunWithStatus(m_Options.runBefore, m_Options.paramBefore);
    }
    ShowPlayerIfWanted(false);
    m_Player.ClearQueue(true);
    if (PlayPlaylist(&expanded)) {
        SetStatus(texts::kPlayingPlaylist);
    }
    m_Player.RefreshList();
}

void CScheduleEngine::PlayListRow(int row) {
    if (row < 0 || m_bEmergency) {
        return;
    }
    const ScheduleItem* listed = DayTimetable().GetItem(RingDay(), row);
    if (listed == nullptr) {
        return;
    }
    const ScheduleItem item = *listed;
    m_Host.LogEvent(texts::kLogItem, ItemText(item) + " " + texts::kByHand);
    if (m_Options.extRun && item.runBefore != 0) {
        RunWithStatus(m_Options.runBefore,
                      item.useDefaultParams != 0 ? m_Options.paramBefore : item.params);
    }
    PlayItem(&item);
}

void CScheduleEngine::PlayChosenFiles() {
    if (m_bEmergency) {
        return;  // nothing plays over an emergency broadcast
    }
    if (m_Player.OpenFiles(true) <= 0) {
        return;
    }
    StartChosenQueue();
}

bool CScheduleEngine::PlayFiles(const std::vector<std::string>& paths) {
    if (m_bEmergency || paths.empty()) {
        return false;
    }
    m_Player.ClearQueue(true);
    int added = 0;
    for (const std::string& path : paths) {
        added += m_Player.AddFile(path, 1, -1, 0, -1) ? 1 : 0;
    }
    if (added == 0) {
        return false;
    }
    StartChosenQueue();
    return true;
}

void CScheduleEngine::StartChosenQueue() {
    if (m_Options.extRun) {
        RunWithStatus(m_Options.runBefore, m_Options.paramBefore);
    }
    m_Player.RefreshList();
    m_Player.LoadTrack(0);
    m_Player.UpdateStatus();
    ShowPlayerIfWanted(true);
}

// The bell log's record of items passed over.

void CScheduleEngine::LogSkip(const platform::LocalTime& clock, const ScheduleItem& item) {
    const char* reason = texts::kSkipLateTick;
    const std::int64_t sinceLast =
        platform::CalendarMilliseconds(clock) - platform::CalendarMilliseconds(m_LastTick);
    constexpr std::int64_t kClockJumpMs = static_cast<std::int64_t>(kClockJumpSeconds) * 1000;
    if (IsHoliday()) {
        reason = texts::kSkipHoliday;
    } else if (m_bEmergency || m_bEmergencySinceTick) {
        reason = texts::kSkipEmergency;
    } else if (std::any_of(
                   m_StartedThisTick.begin(), m_StartedThisTick.end(),
                   [&](const ScheduleItem& started) { return started.time == item.time; })) {
        reason = texts::kSkipSameSecond;
    } else if (AlreadyRung(clock, item)) {
        reason = texts::kSkipAlreadyRung;
    } else if (m_bAutoPlayWasOff) {
        reason = texts::kSkipAutoPlayOff;
    } else if (m_bClockSetsReported ? m_bClockSet : (sinceLast < 0 || sinceLast > kClockJumpMs)) {
        // Told by the system, a clock set is known exactly; otherwise a gap between two
        // ticks too long for a late one, or backwards, stands for it.
        reason = texts::kSkipClockJump;
    }
    m_Host.LogEvent(texts::kLogSkip, ItemText(item) + " " + reason);
}

void CScheduleEngine::LogPassedItems(const platform::LocalTime& clock, bool newDate) {
    const schedule::CTimetable::Day* items = DayTimetable().GetDay(RingDay());
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
        if (platform::CalendarMilliseconds(clock) < platform::CalendarMilliseconds(m_LastTick)) {
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
    const schedule::CTimetable::Day* items = DayTimetable().GetDay(RingDay());
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
