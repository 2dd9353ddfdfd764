#include "session/bell_session.h"

#include <filesystem>
#include <utility>

#include "engine/plugin_host.h"
#include "engine/tick_driver.h"
#include "schedule/app_paths.h"
#include "session/logged_power_control.h"

namespace session {

namespace {

constexpr const char* kCommonTrackFile = "作息表/M2list.dat";
constexpr const char* kPlaylistFile = "作息表/Mlist.dat";

// Asked of a power control that is missing: nothing happens, and nothing is refused.
class NoPowerControl : public platform::PowerControl {
public:
    void RequestPowerOff() override {}
    platform::PowerOffState PowerOffStatus() override { return platform::PowerOffState::None; }
};

NoPowerControl g_NoPower;

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
        }
        return added;
    }
    void UpdateStatus() override { m_Player.UpdateStatus(); }
    bool IsPlaying() override { return m_Player.IsPlaying(); }
    void SetDefaultVolume(int volume) override { m_Player.SetDefaultVolume(volume); }
    void PrepareTrack(const schedule::TrackEntry& entry) override { m_Player.PrepareTrack(entry); }
    void DropPrepared() override { m_Player.DropPrepared(); }
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
    if (m_Options.setAudioOutput) {
        m_Options.setAudioOutput(m_Settings.GetOutputDevice());
    }
    m_pEngine->LoadSettings(m_Settings);

    if (m_Options.startTick) {
        m_pTickDriver = std::make_unique<engine::CTickDriver>(m_Clock, [this] { Tick(); });
        m_pTickDriver->SetClockSetHandler([this] { m_pEngine->OnClockSet(); });
        m_pEngine->SetClockSetsReported(m_pTickDriver->ReportsClockSets());
        m_pTickDriver->Start();
    }
    LoadPlugins();
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
}

void CBellSession::Tick() {
    if (m_Options.beforeTick) {
        m_Options.beforeTick();
    }
    if (m_pEngine && !m_bStopped) {
        m_pEngine->OnTick();
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
    m_pEngine->PlayCommonTrackFromMenu(index);
}

void CBellSession::PlayPlaylistFromMenu(int index) {
    m_pEngine->PlayPlaylistFromMenu(index);
}

void CBellSession::PlayListRow(int row) {
    m_pEngine->PlayListRow(row);
}

void CBellSession::PlayChosenFiles() {
    m_pEngine->PlayChosenFiles();
}

void CBellSession::OnPlaybackEnded() {
    Log("finished");
    m_pEngine->OnPlaybackEnded();
}

bool CBellSession::StopPlayback() {
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
    if (m_nPlayingTrial == 0 && m_pRealPlayer->IsPlaying()) {
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
