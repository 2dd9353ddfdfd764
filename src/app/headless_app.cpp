#include "app/headless_app.h"

#include <malloc.h>
#include <signal.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "engine/plugin_host.h"
#include "engine/tick_driver.h"
#include "engine/wait_pumping.h"
#include "player/audio_output.h"
#include "schedule/app_paths.h"
#include "schedule/day_calendar.h"

namespace app {

namespace {

constexpr const char* kTimetableFolder = "作息表";
constexpr const char* kCommonTrackFile = "作息表/M2list.dat";
constexpr const char* kPlaylistFile = "作息表/Mlist.dat";
constexpr const char* kStartText = "headless";
constexpr const char* kNoAudioNotice = "没有可用的音频输出";
constexpr const char* kOutputFallbackNotice = "输出设备不可用，已改用系统默认输出";
constexpr const char* kHolidayText = "今日为节假日，不播放作息项";
constexpr const char* kWorkdayText = "今日播放作息项";

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

std::string EventLogPath() {
    const char* path = std::getenv("QELT_EVENT_LOG");
    return path != nullptr ? std::string(path) : std::string();
}

// "HH:MM:SS TITLE" of a pending item.
std::string PendingText(const schedule::ScheduleItem& item) {
    constexpr int kSecondsPerHour = 3600;
    constexpr int kSecondsPerMinute = 60;
    char clock[16];
    std::snprintf(clock, sizeof clock, "%02d:%02d:%02d", item.time / kSecondsPerHour,
                  item.time / kSecondsPerMinute % kSecondsPerMinute, item.time % kSecondsPerMinute);
    return std::string(clock) + ' ' + item.title;
}

}  // namespace

bool CHeadlessApp::FileStamp::operator==(const FileStamp& other) const {
    return exists == other.exists && device == other.device && inode == other.inode &&
           size == other.size && modified.tv_sec == other.modified.tv_sec &&
           modified.tv_nsec == other.modified.tv_nsec;
}

CHeadlessApp::CHeadlessApp(std::string appDir)
    : m_strAppDir(std::move(appDir)),
      m_Instance(QStringLiteral("Varnel")),
      m_BellLog(m_Clock, m_strAppDir + engine::kBellLogFile, engine::kBellLogRotateBytes,
                engine::kBellLogKeepOld),
      m_EventLog(m_Clock, EventLogPath()),
      m_Settings(m_strAppDir + schedule::ini::kFileName) {
    m_PlayerTimer.setInterval(player::CPlaybackEngine::kTickIntervalMs);
    m_ReloadTimer.setSingleShot(true);
    m_ReloadTimer.setInterval(kReloadDelayMs);
    connect(&m_ReloadTimer, &QTimer::timeout, this, [this] { ReloadChanged(); });
    connect(&m_Watcher, &QFileSystemWatcher::fileChanged, this, [this] { m_ReloadTimer.start(); });
    connect(&m_Watcher, &QFileSystemWatcher::directoryChanged, this,
            [this] { m_ReloadTimer.start(); });
}

CHeadlessApp::~CHeadlessApp() {
    Shutdown();
    // The engine and the tick refer to the player; they go first.
    m_pTickDriver.reset();
    m_pEngine.reset();
    m_pPlayer.reset();
}

bool CHeadlessApp::InitInstance() {
    // A windowed copy asking this one to show itself gets no answer: there is no window.
    if (m_Instance.ClaimInstance() == platform::SingleInstance::Claim::OtherCopyRunning) {
        std::fprintf(stderr, "%s\n", kAlreadyRunningText);
        return false;
    }
    m_bStarted = true;
    // Standard output may be a pipe whose reader has gone (a pager quit, a journal
    // restarted): a line written there is lost, and the bells keep ringing. Programs
    // started later get the default action back.
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, nullptr);
    Write("start", std::string(kStartText) + ' ' + m_strAppDir);

    // The program folder is the current folder, and the timetables live in "作息表".
    QDir::setCurrent(Q(m_strAppDir));
    QDir(Q(m_strAppDir)).mkpath(QString::fromUtf8(kTimetableFolder));

    m_pPower = std::make_unique<platform::LogindPowerControl>();
    m_pLoggedPower = std::make_unique<CLoggedPowerControl>(
        *m_pPower, [this](const std::string& kind, const std::string& text) { Write(kind, text); });

    m_pAudio = std::make_unique<player::GstAudioSystem>();
    player::CHeadlessPlayer::Events events;
    events.trackStarted = [this](const std::string& path) {
        Write("play", path);
        if (m_pAudio->TakeFallbackNotice()) {
            ShowNotice(kOutputFallbackNotice);
        }
    };
    events.trackWaiting = [this](const std::string& path) { Write("waiting", path); };
    events.openFailed = [this](const std::string& path) { Write("openfailed", path); };
    // As the player window does, the end of the queue reaches the engine after the
    // player's own call has returned.
    events.queueFinished = [this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                Write("finished");
                if (m_pEngine) {
                    m_pEngine->OnPlaybackEnded();
                }
            },
            Qt::QueuedConnection);
    };
    events.progressTimer = [this](bool running) {
        if (running) {
            m_PlayerTimer.start();
        } else {
            m_PlayerTimer.stop();
        }
    };
    m_pPlayer = std::make_unique<player::CHeadlessPlayer>(*m_pAudio, std::move(events));
    connect(&m_PlayerTimer, &QTimer::timeout, this, [this] { m_pPlayer->UpdateStatus(); });
    if (const std::string failure = m_pPlayer->Playback().InitFailureText(); !failure.empty()) {
        Write("error", failure);
    }

    m_CommonTracks.SetReporter(this);
    m_Playlists.SetReporter(this);
    m_CommonTracks.Load(m_strAppDir + kCommonTrackFile);
    m_Playlists.Load(m_strAppDir + kPlaylistFile);

    // Every run of an extension program is logged with the program and its parameters.
    engine::ProgramRunFn run =
        [this, runner = engine::BindRunProgram(m_Runner, engine::WaitPumping, m_strAppDir)](
            const std::string& program, const std::string& parameters) {
            Write("run", parameters.empty() ? program : program + " " + parameters);
            return runner(program, parameters);
        };
    m_pEngine = std::make_unique<engine::CScheduleEngine>(m_Clock, *this, *m_pPlayer,
                                                          *m_pLoggedPower, std::move(run),
                                                          m_CommonTracks, m_Playlists, m_strAppDir);
    m_pEngine->m_nToday = m_Clock.Now().weekday;
    m_pEngine->Timetable().SetReporter(this);
    m_pAudio->SetOutputDevice(m_Settings.GetOutputDevice());
    m_pEngine->LoadSettings(m_Settings);

    m_pTickDriver = std::make_unique<engine::CTickDriver>(m_Clock, [this] {
        if (m_pEngine) {
            m_pEngine->OnTick();
        }
    });
    m_pTickDriver->Start();

    LoadPlugins();
    if (!player::AudioOutputAvailable()) {
        ShowNotice(kNoAudioNotice);
    }

    Rewatch();
    return true;
}

void CHeadlessApp::Shutdown() {
    if (m_bShutDown || !m_bStarted) {
        return;
    }
    m_bShutDown = true;
    m_ReloadTimer.stop();
    if (m_pTickDriver) {
        m_pTickDriver->Stop();
    }
    m_PlayerTimer.stop();
    if (m_pPlayer) {
        m_pPlayer->ClearQueue(true);
    }
    Write("exit");
}

void CHeadlessApp::LoadPlugins() {
    m_pPluginHost = std::make_unique<engine::CPluginHost>(m_strAppDir);
    m_pPluginHost->SetStatusHandler([this](const std::string& text) { SetStatusText(text); });
    m_pPluginHost->SetWakeHandler([this] {
        QMetaObject::invokeMethod(
            this, [this] { m_pPluginHost->DeliverPosted(); }, Qt::QueuedConnection);
    });
    m_pPluginHost->LoadPlugins();
    for (const engine::PluginSlot& slot : m_pPluginHost->Slots()) {
        if (slot.present != 0) {
            Write("plugin", slot.name + " " + slot.path);
        }
    }
}

void CHeadlessApp::Write(const std::string& kind, const std::string& text) {
    const std::string line = engine::CEventLog::FormatLine(m_Clock.Now(), kind, text);
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
    if (engine::IsBellLogEvent(kind) && kind != "next") {
        m_BellLog.Write(kind, text);
    }
    m_EventLog.Write(kind, text);
}

void CHeadlessApp::ShowError(const std::string& text, const std::string&, schedule::MessageOwner) {
    Write("error", text);
}

// The engine's host.

void CHeadlessApp::SetStatusText(const std::string& text) {
    if (text != m_strStatus) {
        m_strStatus = text;
        Write("status", text);
    }
}

void CHeadlessApp::ShowNotice(const std::string& text) {
    if (!text.empty()) {
        Write("notice", text);
    }
}

void CHeadlessApp::LogEvent(const std::string& kind, const std::string& text) {
    Write(kind, text);
}

void CHeadlessApp::SetPendingItem(const schedule::ScheduleItem* item) {
    const std::string text = item != nullptr ? PendingText(*item) : std::string();
    if (text != m_strPending) {
        m_strPending = text;
        Write("next", text);
    }
}

void CHeadlessApp::SetTimetableTitle(const std::string& title) {
    if (title != m_strTitle) {
        m_strTitle = title;
        Write("timetable", title);
    }
}

void CHeadlessApp::SetHoliday(bool holiday) {
    if (holiday != m_bHoliday) {
        m_bHoliday = holiday;
        Write("holiday", holiday ? kHolidayText : kWorkdayText);
    }
}

void CHeadlessApp::ShowNotifier(const std::string& text, int, int, int) {
    Write("notify", text);
}

void CHeadlessApp::TrimMemory() {
    malloc_trim(0);
}

// Watching the files.

std::map<CHeadlessApp::Watched, std::string> CHeadlessApp::WatchedFiles() const {
    // The timetable the settings name, as reading the settings loads it: watched even
    // while it is missing, so that copying it in loads it.
    std::map<Watched, std::string> files = {
        {Watched::Settings, m_strAppDir + schedule::ini::kFileName},
        {Watched::CommonTracks, m_strAppDir + kCommonTrackFile},
        {Watched::Playlists, m_strAppDir + kPlaylistFile},
        {Watched::Timetable, schedule::ResolvePath(m_strAppDir, m_Settings.GetTimetablePath())},
        {Watched::Calendar, schedule::CDayCalendar::PathIn(m_strAppDir)},
    };
    // On a special day, the timetable it rings is watched too.
    if (m_pEngine && m_pEngine->IsSpecialDay()) {
        files[Watched::DayTimetable] =
            schedule::CDayCalendar::TimetablePathIn(m_strAppDir, m_pEngine->SpecialTimetableName());
    }
    return files;
}

CHeadlessApp::FileStamp CHeadlessApp::Stamp(const std::string& path) {
    FileStamp stamp;
    struct stat info = {};
    if (::stat(path.c_str(), &info) == 0) {
        stamp.exists = true;
        stamp.device = info.st_dev;
        stamp.inode = info.st_ino;
        stamp.size = info.st_size;
        stamp.modified = info.st_mtim;
    }
    return stamp;
}

void CHeadlessApp::Rewatch() {
    const std::map<Watched, std::string> files = WatchedFiles();
    m_Stamps.clear();
    QStringList fileWatches;
    for (const auto& [what, path] : files) {
        m_Stamps[what] = Stamp(path);
        if (m_Stamps[what].exists) {
            fileWatches << QDir::cleanPath(Q(path));
        }
    }
    // A file replaced by a rename is a new file under the old name: each file is watched
    // afresh.
    if (!m_Watcher.files().isEmpty()) {
        m_Watcher.removePaths(m_Watcher.files());
    }
    if (!fileWatches.isEmpty()) {
        m_Watcher.addPaths(fileWatches);
    }
    // The folders see files come and go (an editor's rename, a copy); a timetable outside
    // the program's folders is seen through its own folder.
    const QStringList folders = {QDir::cleanPath(Q(m_strAppDir)),
                                 QDir::cleanPath(Q(m_strAppDir + kTimetableFolder)),
                                 QFileInfo(Q(files.at(Watched::Timetable))).absolutePath()};
    for (const QString& folder : folders) {
        if (!m_Watcher.directories().contains(folder) && QFileInfo(folder).isDir()) {
            m_Watcher.addPath(folder);
        }
    }
}

void CHeadlessApp::ReloadChanged() {
    if (!m_pEngine || m_bShutDown) {
        return;
    }
    const std::map<Watched, std::string> files = WatchedFiles();
    auto changed = [&](Watched what) {
        const auto file = files.find(what);
        const auto stamp = m_Stamps.find(what);
        return file != files.end() &&
               (stamp == m_Stamps.end() || !(Stamp(file->second) == stamp->second));
    };
    if (changed(Watched::CommonTracks)) {
        Write("reload", files.at(Watched::CommonTracks));
        m_CommonTracks.Load(files.at(Watched::CommonTracks));
    }
    if (changed(Watched::Playlists)) {
        Write("reload", files.at(Watched::Playlists));
        m_Playlists.Load(files.at(Watched::Playlists));
    }
    if (changed(Watched::Settings)) {
        // The settings name the current timetable; reading them reads it too.
        Write("reload", files.at(Watched::Settings));
        m_pAudio->SetOutputDevice(m_Settings.GetOutputDevice());
        m_pEngine->LoadSettings(m_Settings);
    } else if (changed(Watched::Timetable)) {
        Write("reload", files.at(Watched::Timetable));
        m_pEngine->LoadTimetable(files.at(Watched::Timetable));
    }
    if (changed(Watched::Calendar)) {
        Write("reload", files.at(Watched::Calendar));
        m_pEngine->CheckCalendar();
    } else if (changed(Watched::DayTimetable)) {
        Write("reload", files.at(Watched::DayTimetable));
        m_pEngine->ReplanToday();
    }
    Rewatch();
}

}  // namespace app
