#include "session/bell_session.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "engine/engine_texts.h"
#include "engine/plugin_host.h"
#include "engine/tick_driver.h"
#include "schedule/app_paths.h"
#include "session/announcement.h"
#include "session/logged_power_control.h"

namespace session {

namespace {

using schedule::kCommonTrackFile;
using schedule::kPlaylistFile;

// Asked of a power control that is missing: nothing happens, and nothing is refused.
class NoPowerControl : public platform::PowerControl {
public:
    void RequestPowerOff() override {}
    platform::PowerOffState PowerOffStatus() override { return platform::PowerOffState::None; }
};

NoPowerControl g_NoPower;

constexpr int kMsPerSecond = 1000;
constexpr int kClockSyncCheckMs = 3600 * kMsPerSecond;
// A clock set by more than this is logged with its size.
constexpr std::int64_t kLoggedClockSetMs = kMsPerSecond;

constexpr const char* kClockNotSynchronised = "系统时间未同步，铃声可能不准";
constexpr const char* kClockSynchronised = "系统时间已同步";

// The wall clock less a steady clock: unchanged by the passing of time, changed by a set.
std::int64_t ClockOffsetMs(const platform::Clock& clock) {
    const std::int64_t steady = std::chrono::duration_cast<std::chrono::milliseconds>(
                                    std::chrono::steady_clock::now().time_since_epoch())
                                    .count();
    return platform::CalendarMilliseconds(clock.Now()) - steady;
}

// "+35.2秒" / "-3.0秒".
std::string SignedSeconds(std::int64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%+.1f秒", static_cast<double>(ms) / kMsPerSecond);
    return text;
}

// "命令行", or "远程 192.0.2.7": who asked, as the bell log names it.
std::string SourceText(EmergencySource source, const std::string& from) {
    const char* name = source == EmergencySource::Menu          ? "菜单"
                       : source == EmergencySource::CommandLine ? "命令行"
                                                                : "远程";
    return from.empty() ? std::string(name) : std::string(name) + " " + from;
}

}  // namespace

// The engine's host as the session gives it: every event of the day is logged once
// here, whichever program runs, then passed on to the program's own host.
class CBellSession::HostRelay : public engine::IEngineHost {
public:
    HostRelay(CBellSession& session, engine::IEngineHost& host)
        : m_Session(session), m_Host(host) {}

    void SetStatusText(const std::string& text) override {
        if (text != m_strStatus) {
            m_strStatus = text;
            m_Session.Log("status", text);
        }
        m_Host.SetStatusText(text);
    }
    void ShowNotice(const std::string& text) override {
        if (!text.empty()) {
            m_Session.Log("notice", text);
        }
        m_Host.ShowNotice(text);
    }
    void LogEvent(const std::string& kind, const std::string& text) override {
        m_Session.Log(kind, text);
        m_Host.LogEvent(kind, text);
    }
    void SetPendingItem(const schedule::ScheduleItem* item) override {
        m_Host.SetPendingItem(item);
    }
    void SetTimetableTitle(const std::string& title) override { m_Host.SetTimetableTitle(title); }
    void SetHoliday(bool holiday) override { m_Host.SetHoliday(holiday); }
    void SetMakeupWeekday(int weekday) override { m_Host.SetMakeupWeekday(weekday); }
    void DayListChanged(const std::vector<schedule::ScheduleItem>& items, int nextIndex) override {
        m_Host.DayListChanged(items, nextIndex);
    }
    void NextRowChanged(int nextIndex) override { m_Host.NextRowChanged(nextIndex); }
    void ShowNotifier(const std::string& text, int appearMs, int stayMs, int disappearMs) override {
        m_Session.Log("notify", text);
        m_Host.ShowNotifier(text, appearMs, stayMs, disappearMs);
    }
    bool IsPlayerVisible() const override { return m_Host.IsPlayerVisible(); }
    void ShowPlayer() override { m_Host.ShowPlayer(); }
    void HidePlayer() override { m_Host.HidePlayer(); }
    void TrimMemory() override { m_Host.TrimMemory(); }
    void EmergencyChanged(bool on, const std::string& path) override {
        m_Host.EmergencyChanged(on, path);
    }

private:
    CBellSession& m_Session;
    engine::IEngineHost& m_Host;
    std::string m_strStatus;
};

// The player as the engine uses it: whatever the engine starts replaces a trial.
class CBellSession::PlayerRelay : public engine::IPlayer {
public:
    PlayerRelay(CBellSession& session, engine::IPlayer& player)
        : m_Session(session), m_Player(player) {}

    void ClearQueue(bool stopFirst) override {
        if (stopFirst) {
            m_Session.m_nPlayingTrial = 0;
        }
        // A new queue: its tracks are logged as the operation that built it asks.
        m_Session.m_QueueOrigin = m_Session.m_PendingOrigin;
        m_Player.ClearQueue(stopFirst);
    }
    bool Append(const schedule::TrackEntry& entry) override { return m_Player.Append(entry); }
    bool AddFile(const std::string& path, int autoPlay, int limitMs, int useDefaultVolume,
                 int volume) override {
        return m_Player.AddFile(path, autoPlay, limitMs, useDefaultVolume, volume);
    }
    bool LoadTrack(int index) override {
        m_Session.m_nPlayingTrial = 0;
        return m_Player.LoadTrack(index);
    }
    void RefreshList() override { m_Player.RefreshList(); }
    std::uint32_t ProbeLength(const std::string& path) override {
        return m_Player.ProbeLength(path);
    }
    int OpenFiles(bool clearFirst) override {
        const int added = m_Player.OpenFiles(clearFirst);
        if (added > 0) {
            m_Session.m_nPlayingTrial = 0;
            m_Session.m_QueueOrigin = m_Session.m_PendingOrigin;
        }
        return added;
    }
    void UpdateStatus() override { m_Player.UpdateStatus(); }
    bool IsPlaying() override { return m_Player.IsPlaying(); }
    void SetDefaultVolume(int volume) override { m_Player.SetDefaultVolume(volume); }
    void PrepareTrack(const schedule::TrackEntry& entry) override { m_Player.PrepareTrack(entry); }
    void DropPrepared() override { m_Player.DropPrepared(); }
    void StartPrepared() override { m_Player.StartPrepared(); }
    void WarmUpFor(const std::vector<std::string>& paths) override { m_Player.WarmUpFor(paths); }

private:
    CBellSession& m_Session;
    engine::IPlayer& m_Player;
};

CBellSession::CBellSession(platform::Clock& clock, engine::IEngineHost& host,
                           SessionOptions options)
    : m_Clock(clock),
      m_Host(host),
      m_Options(std::move(options)),
      m_Settings(m_Options.appDir + schedule::ini::kFileName),
      m_BellLog(clock, m_Options.bellLog ? m_Options.appDir + engine::kBellLogFile : std::string(),
                engine::kBellLogRotateBytes, engine::kBellLogKeepOld),
      m_EventLog(clock, m_Options.eventLogPath, 0, 0, engine::CEventLog::Target::AnyPath) {
    m_pPower = std::make_unique<CLoggedPowerControl>(
        m_Options.power != nullptr ? *m_Options.power : g_NoPower,
        [this](const std::string& kind, const std::string& text) { Log(kind, text); });
    m_pHost = std::make_unique<HostRelay>(*this, m_Host);
}

CBellSession::~CBellSession() {
    // The tick and the plug-ins call into the engine; they go first.
    m_pTickDriver.reset();
    m_pPluginHost.reset();
    m_pEngine.reset();
}

void CBellSession::Start(engine::IPlayer& player) {
    if (m_pEngine) {
        return;
    }
    m_pRealPlayer = &player;
    m_pPlayer = std::make_unique<PlayerRelay>(*this, player);

    m_CommonTracks.SetReporter(m_Options.reporter);
    m_Playlists.SetReporter(m_Options.reporter);
    m_CommonTracks.Load(m_Options.appDir + kCommonTrackFile);
    m_Playlists.Load(m_Options.appDir + kPlaylistFile);

    // Every run of an extension program is logged with the program and its parameters.
    engine::ProgramRunFn run = [this, runner = m_Options.runProgram](
                                   const std::string& program, const std::string& parameters) {
        Log("run", parameters.empty() ? program : program + " " + parameters);
        return runner ? runner(program, parameters) : -1;
    };
    m_pEngine = std::make_unique<engine::CScheduleEngine>(m_Clock, *m_pHost, *m_pPlayer, *m_pPower,
                                                          std::move(run), m_CommonTracks,
                                                          m_Playlists, m_Options.appDir);
    m_pEngine->Timetable().SetReporter(m_Options.reporter);
    m_pEngine->SetStartLead(m_Options.startLeadMs);
    if (m_Options.setAudioOutput) {
        m_Options.setAudioOutput(m_Settings.GetOutputDevice());
    }
    m_pEngine->LoadSettings(m_Settings);

    if (m_Options.startTick) {
        m_pTickDriver = std::make_unique<engine::CTickDriver>(m_Clock, [this] { Tick(); });
        m_pTickDriver->SetClockSetHandler([this] { OnClockSet(); });
        m_pEngine->SetClockSetsReported(m_pTickDriver->ReportsClockSets());
        m_pEarlyStartTimer = std::make_unique<QTimer>();
        m_pEarlyStartTimer->setSingleShot(true);
        m_pEarlyStartTimer->setTimerType(Qt::PreciseTimer);
        QObject::connect(m_pEarlyStartTimer.get(), &QTimer::timeout, &m_Context, [this] {
            if (m_pEngine && !m_bStopped) {
                m_pEngine->StartEarly();
            }
        });
        m_pTickDriver->Start();
    }
    LoadPlugins();
    // Asked at once, then every hour with the tick (tests and the simulator ask).
    if (m_Options.clockSync != nullptr && m_Options.startTick) {
        m_pClockSyncTimer = std::make_unique<QTimer>();
        m_pClockSyncTimer->setInterval(kClockSyncCheckMs);
        QObject::connect(m_pClockSyncTimer.get(), &QTimer::timeout, &m_Context,
                         [this] { CheckClockSync(); });
        m_pClockSyncTimer->start();
    }
    CheckClockSync();
}

void CBellSession::CheckClockSync() {
    if (m_Options.clockSync == nullptr) {
        return;
    }
    m_Options.clockSync->Ask([this](platform::ClockSyncState state) {
        // A system that cannot tell changes nothing; each change is said once.
        if (state == platform::ClockSyncState::Unknown || state == m_ClockSync || m_bStopped) {
            return;
        }
        const bool wasUnsynchronised = m_ClockSync == platform::ClockSyncState::NotSynchronised;
        m_ClockSync = state;
        if (state == platform::ClockSyncState::NotSynchronised) {
            Log("clock", kClockNotSynchronised);
            m_pHost->ShowNotice(kClockNotSynchronised);
        } else if (wasUnsynchronised) {
            Log("clock", kClockSynchronised);
            m_pHost->ShowNotice(std::string());
        }
    });
}

void CBellSession::OnClockSet() {
    const std::int64_t offset = ClockOffsetMs(m_Clock);
    if (m_bHaveClockOffset && std::llabs(offset - m_nClockOffsetMs) > kLoggedClockSetMs) {
        Log("clockset", "系统时间被调整" + SignedSeconds(offset - m_nClockOffsetMs));
    }
    m_nClockOffsetMs = offset;
    m_bHaveClockOffset = true;
    if (m_pEngine) {
        m_pEngine->OnClockSet();
    }
}

void CBellSession::LoadPlugins() {
    m_pPluginHost = std::make_unique<engine::CPluginHost>(m_Options.appDir);
    m_pPluginHost->SetStatusHandler(
        [this](const std::string& text) { m_pHost->SetStatusText(text); });
    m_pPluginHost->SetWakeHandler([this] {
        QMetaObject::invokeMethod(
            &m_Context, [this] { m_pPluginHost->DeliverPosted(); }, Qt::QueuedConnection);
    });
    // A plug-in file that anyone else could have planted is not loaded, and the bell log
    // says which and why.
    m_pPluginHost->SetRefusalHandler([this](const engine::PluginRefusal& refusal) {
        Log("plugin-refused", refusal.path + " " + refusal.reason);
    });
    if (m_Options.loadPlugins) {
        m_pPluginHost->LoadPlugins();
    }
}

void CBellSession::Stop() {
    if (m_bStopped) {
        return;
    }
    m_bStopped = true;
    if (m_pTickDriver) {
        m_pTickDriver->Stop();
    }
    if (m_pClockSyncTimer) {
        m_pClockSyncTimer->stop();
    }
    if (m_pEarlyStartTimer) {
        m_pEarlyStartTimer->stop();
    }
}

void CBellSession::Tick() {
    if (m_Options.beforeTick) {
        m_Options.beforeTick();
    }
    if (m_pEngine && !m_bStopped) {
        m_nClockOffsetMs = ClockOffsetMs(m_Clock);
        m_bHaveClockOffset = true;
        m_pEngine->OnTick();
        ArmEarlyStart();
    }
}

void CBellSession::ArmEarlyStart() {
    if (!m_pEarlyStartTimer) {
        return;
    }
    // Armed afresh on every tick from the clock, so that it never drifts from the second.
    m_pEarlyStartTimer->stop();
    const std::int64_t at = m_pEngine->EarlyStartAt();
    if (at < 0) {
        return;
    }
    const std::int64_t delay = at - platform::CalendarMilliseconds(m_Clock.Now());
    if (delay <= 0) {
        m_pEngine->StartEarly();
    } else {
        m_pEarlyStartTimer->start(static_cast<int>(delay));
    }
}

void CBellSession::Log(const std::string& kind, const std::string& text) {
    m_EventLog.Write(kind, text);
    if (engine::IsBellLogEvent(kind)) {
        m_BellLog.Write(kind, text);
    }
    if (m_Options.echo) {
        m_Options.echo(engine::CEventLog::FormatLine(m_Clock.Now(), kind, text));
    }
}

void CBellSession::LogOpenFailed(const std::string& path, const std::string& speechFailure) {
    Log("openfailed", path);
    if (!speechFailure.empty()) {
        Log(engine::texts::kLogSpeechFailed, path + "：" + speechFailure);
    }
}

void CBellSession::SetStatus(const std::string& text) {
    m_pHost->SetStatusText(text);
}

// Options.

bool CBellSession::ApplyOptions(const engine::EngineOptions& options, OptionKeys keys,
                                const ViewOptions* view) {
    const bool outputChanged = options.outputDevice != m_pEngine->Options().outputDevice;
    m_pEngine->SetOptions(options);
    if (outputChanged && m_Options.setAudioOutput) {
        m_Options.setAudioOutput(options.outputDevice);
    }
    bool written = true;
    const auto write = [&written](bool ok) { written = written && ok; };
    switch (keys) {
        case OptionKeys::None:
            break;
        case OptionKeys::AutoShutdown:
            write(m_Settings.SetAutoShutdown(options.autoShutdown));
            break;
        case OptionKeys::SystemSettings: {
            const ViewOptions shown = view != nullptr ? *view : ViewOptions{};
            write(m_Settings.SetAutoShutdown(options.autoShutdown));
            write(m_Settings.SetSchoolName(shown.schoolName));
            write(m_Settings.SetShowPlayer(options.showPlayer));
            write(m_Settings.SetShowPending(shown.showPending));
            write(m_Settings.SetShutdownDelayMinutes(options.shutdownDelaySeconds /
                                                     engine::kSecondsPerMinute));
            write(m_Settings.SetDefaultVolume(options.defaultVolume));
            write(m_Settings.SetPopupPrompt(options.popupPrompt));
            // Written only when changed, so the key stays absent while the default is kept.
            if (options.outputDevice != m_Settings.GetOutputDevice()) {
                write(m_Settings.SetOutputDevice(options.outputDevice));
            }
            break;
        }
        case OptionKeys::ExtRun:
            write(m_Settings.SetExtRun(options.extRun, options.runBefore, options.runAfter,
                                       options.paramBefore, options.paramAfter));
            break;
    }
    return written;
}

void CBellSession::SetAutoPlay(bool on) {
    engine::EngineOptions options = m_pEngine->Options();
    options.autoPlay = on;
    ApplyOptions(options, OptionKeys::None);
}

bool CBellSession::SetAutoShutdown(bool on) {
    engine::EngineOptions options = m_pEngine->Options();
    options.autoShutdown = on;
    return ApplyOptions(options, OptionKeys::AutoShutdown);
}

void CBellSession::ReloadSettings() {
    if (m_Options.setAudioOutput) {
        m_Options.setAudioOutput(m_Settings.GetOutputDevice());
    }
    m_pEngine->LoadSettings(m_Settings);
}

// Today.

bool CBellSession::LoadTimetable(const std::string& path) {
    return m_pEngine->LoadTimetable(path);
}

void CBellSession::TodayChanged() {
    m_pEngine->ReplanToday();
}

bool CBellSession::TodayEditable() const {
    return !m_pEngine->IsSpecialDay();
}

bool CBellSession::AddItemToday(const schedule::ScheduleItem& item) {
    if (!TodayEditable()) {
        return false;
    }
    m_pEngine->Timetable().AddItem(m_pEngine->Today(), &item);
    TodayChanged();
    return true;
}

bool CBellSession::ReplaceItemToday(int row, const schedule::ScheduleItem& expected,
                                    const schedule::ScheduleItem& item) {
    schedule::CTimetable& timetable = m_pEngine->Timetable();
    const schedule::ScheduleItem* now = timetable.GetItem(m_pEngine->Today(), row);
    if (!TodayEditable() || now == nullptr || !(*now == expected)) {
        return false;
    }
    timetable.ModifyItem(m_pEngine->Today(), row, item);
    timetable.SortAll();
    TodayChanged();
    return true;
}

bool CBellSession::DeleteItemToday(int row, const schedule::ScheduleItem& expected) {
    schedule::CTimetable& timetable = m_pEngine->Timetable();
    const schedule::ScheduleItem* now = timetable.GetItem(m_pEngine->Today(), row);
    if (!TodayEditable() || now == nullptr || !(*now == expected)) {
        return false;
    }
    timetable.DeleteItem(m_pEngine->Today(), row);
    TodayChanged();
    return true;
}

void CBellSession::CheckCalendar() {
    m_pEngine->CheckCalendar();
}

CBellSession::MarkDayResult CBellSession::MarkDay(const schedule::CalendarDate& date,
                                                  const std::string& timetable) {
    if (!timetable.empty()) {
        std::error_code error;
        if (!schedule::CDayCalendar::IsPlainFileName(timetable) ||
            !std::filesystem::is_regular_file(
                schedule::CDayCalendar::TimetablePathIn(m_Options.appDir, timetable), error)) {
            return MarkDayResult::NoSuchTimetable;
        }
    }
    const std::string path = schedule::CDayCalendar::PathIn(m_Options.appDir);
    schedule::CDayCalendar calendar;
    std::error_code error;
    // A file that exists but cannot be read would lose its lines if written over.
    if (!calendar.Load(path) && std::filesystem::exists(path, error)) {
        return MarkDayResult::CalendarUnreadable;
    }
    for (const schedule::CalendarEntry& entry : calendar.GetEntries()) {
        if (entry.first == date && entry.last == date) {
            calendar.RemoveEntry(entry.lineIndex);
            break;
        }
    }
    if (calendar.AddEntry(date, date, timetable) < 0) {
        return MarkDayResult::NoSuchTimetable;
    }
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
    if (!calendar.Save(path)) {
        return MarkDayResult::NotWritten;
    }
    CheckCalendar();
    return MarkDayResult::Done;
}

void CBellSession::ReplanToday() {
    m_pEngine->ReplanToday();
}

// Playing by hand.

void CBellSession::PlayCommonTrackFromMenu(int index) {
    const ManualPlay manual(*this);
    m_pEngine->PlayCommonTrackFromMenu(index);
}

void CBellSession::PlayPlaylistFromMenu(int index) {
    const ManualPlay manual(*this);
    m_pEngine->PlayPlaylistFromMenu(index);
}

void CBellSession::PlayListRow(int row) {
    const ManualPlay manual(*this);
    m_pEngine->PlayListRow(row);
}

void CBellSession::PlayChosenFiles() {
    const ManualPlay manual(*this);
    m_pEngine->PlayChosenFiles();
}

std::optional<std::string> CBellSession::Announce(const std::string& text) {
    if (m_pEngine->IsEmergency()) {
        return std::nullopt;
    }
    std::optional<std::string> file = WriteAnnouncement(
        m_Options.appDir + schedule::kMusicFolder + '/' + kAnnouncementFolder, text);
    if (file) {
        const ManualPlay manual(*this);
        m_pEngine->PlayFiles({*file});
    }
    return file;
}

void CBellSession::MarkManualPlay() {
    m_nPlayingTrial = 0;
    m_QueueOrigin = PlayOrigin::Manual;
}

void CBellSession::LogTrackStarted(const std::string& path) {
    if (m_nPlayingTrial != 0) {
        Log("trial", path);
    } else {
        Log(m_QueueOrigin == PlayOrigin::Manual ? "manual" : "play", path);
    }
}

void CBellSession::OnPlaybackEnded() {
    Log("finished");
    m_pEngine->OnPlaybackEnded();
}

EmergencyResult CBellSession::StartEmergency(const std::string& path, EmergencySource source,
                                             const std::string& from) {
    const std::string chosen = path.empty() ? m_Settings.GetEmergencyFile() : path;
    const std::string resolved =
        chosen.empty() ? std::string() : schedule::ResolvePath(m_Options.appDir, chosen);
    std::error_code error;
    if (resolved.empty() || !std::filesystem::is_regular_file(resolved, error) ||
        ::access(resolved.c_str(), R_OK) != 0) {
        Log("emergency-refused", SourceText(source, from) + " " + chosen);
        return EmergencyResult::NoFile;
    }
    const bool replacing = m_pEngine->IsEmergency();
    // Logged before it sounds, so the log shows who asked even when the file fails.
    Log("emergency",
        std::string(replacing ? "更换 " : "开始 ") + SourceText(source, from) + " " + resolved);
    m_nPlayingTrial = 0;
    if (!m_pEngine->StartEmergency(resolved)) {
        Log("emergency-refused", SourceText(source, from) + " " + resolved);
        return EmergencyResult::CannotPlay;
    }
    if (!replacing) {
        m_nEmergencyStartMs = platform::CalendarMilliseconds(m_Clock.Now());
    }
    if (chosen != m_Settings.GetEmergencyFile()) {
        m_Settings.SetEmergencyFile(chosen);
    }
    m_pHost->EmergencyChanged(true, resolved);
    return EmergencyResult::Started;
}

bool CBellSession::EndEmergency(EmergencySource source, const std::string& from) {
    if (!m_pEngine->EndEmergency()) {
        return false;
    }
    const std::int64_t lasted =
        (platform::CalendarMilliseconds(m_Clock.Now()) - m_nEmergencyStartMs) / kMsPerSecond;
    Log("emergency-end", SourceText(source, from) + " 持续" + std::to_string(lasted) + "秒");
    m_pHost->EmergencyChanged(false, std::string());
    return true;
}

bool CBellSession::StopPlayback() {
    // Only its own end stops an emergency broadcast.
    if (IsEmergency()) {
        return false;
    }
    if (!m_pRealPlayer->IsPlaying()) {
        return false;
    }
    m_nPlayingTrial = 0;
    m_pRealPlayer->ClearQueue(true);
    OnPlaybackEnded();
    return true;
}

// Trials.

int CBellSession::BeginTrial() {
    if (IsEmergency() || (m_nPlayingTrial == 0 && m_pRealPlayer->IsPlaying())) {
        return 0;
    }
    m_nPlayingTrial = ++m_nLastTrial;
    return m_nPlayingTrial;
}

bool CBellSession::IsTrialPlaying(int token) const {
    return token != 0 && token == m_nPlayingTrial && m_pRealPlayer->IsPlaying();
}

void CBellSession::EndTrial(int token) {
    if (token != 0 && token == m_nPlayingTrial) {
        m_nPlayingTrial = 0;
        m_pRealPlayer->ClearQueue(true);
    }
}

bool CBellSession::PlayTrialPlaylist(int token, const schedule::Playlist& playlist) {
    if (token == 0 || token != m_nPlayingTrial) {
        return false;
    }
    const engine::PlayQueue queue = engine::PlaylistQueue(
        playlist, m_Options.appDir,
        static_cast<std::uint32_t>(platform::CalendarMilliseconds(m_Clock.Now()) / 1000),
        [this](const std::string& path) { return m_pRealPlayer->ProbeLength(path); });
    for (const schedule::TrackEntry& entry : queue) {
        m_pRealPlayer->Append(entry);
    }
    m_pRealPlayer->RefreshList();
    return m_pRealPlayer->LoadTrack(0);
}

}  // namespace session
