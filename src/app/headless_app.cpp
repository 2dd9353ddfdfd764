#include "app/headless_app.h"

#include <malloc.h>
#include <signal.h>
#include <sys/stat.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "app/snapcast_notice.h"
#include "engine/engine_texts.h"
#include "engine/event_log.h"
#include "engine/plugin_host.h"
#include "engine/wait_pumping.h"
#include "platform/qt_text.h"
#include "player/audio_output.h"
#include "remote/remote_server.h"
#include "schedule/app_paths.h"
#include "schedule/day_calendar.h"
#include "schedule/settings.h"
#include "schedule/time_text.h"
#include "session/instance_request.h"

namespace app {

namespace {

using schedule::kCommonTrackFile;
using schedule::kPlaylistFile;
using schedule::kTimetableFolder;

using platform::Q;

constexpr const char* kStartText = "headless";
constexpr const char* kNoAudioNotice = "没有可用的音频输出";
constexpr const char* kOutputFallbackNotice = "输出设备不可用，已改用系统默认输出";
constexpr const char* kHolidayText = "今日为节假日，不播放作息项";
constexpr const char* kWorkdayText = "今日播放作息项";
constexpr const char* kRemoteFailed = "远程控制无法开启：";
constexpr const char* kRemoteTokenNotKept = "远程控制的令牌无法写入设置文件（仅本次有效）：";

std::string EventLogPath() {
    const char* path = std::getenv("QELT_EVENT_LOG");
    return path != nullptr ? std::string(path) : std::string();
}

// "HH:MM:SS TITLE" of a pending item.
std::string PendingText(const schedule::ScheduleItem& item) {
    return schedule::FormatTimeOfDay(item.time) + ' ' + item.title;
}

void PrintLine(const std::string& line) {
    std::fputs(line.c_str(), stdout);
    std::fflush(stdout);
}

}  // namespace

QString HeadlessInstanceName(const std::string& appDir) {
    const QByteArray digest =
        QCryptographicHash::hash(QByteArray::fromStdString(appDir), QCryptographicHash::Sha256);
    return QStringLiteral("Varnel-") +
           QString::fromLatin1(digest.toHex().left(kInstanceDigestChars));
}

bool CHeadlessApp::FileStamp::operator==(const FileStamp& other) const {
    return exists == other.exists && device == other.device && inode == other.inode &&
           size == other.size && modified.tv_sec == other.modified.tv_sec &&
           modified.tv_nsec == other.modified.tv_nsec;
}

CHeadlessApp::CHeadlessApp(std::string appDir, std::optional<remote::RemoteConfig> web)
    : m_strAppDir(std::move(appDir)),
      m_Instance(HeadlessInstanceName(m_strAppDir)),
      m_Session(m_Clock, *this,
                [this] {
                    session::SessionOptions options;
                    options.appDir = m_strAppDir;
                    options.eventLogPath = EventLogPath();
                    options.power = &m_Power;
                    options.runProgram =
                        engine::BindRunProgram(m_Runner, engine::WaitPumping, m_strAppDir);
                    options.reporter = this;
                    options.echo = PrintLine;
                    options.clockSync = &m_ClockSync;
                    options.setAudioOutput = [this](const std::string& id) {
                        m_Audio.SetOutputDevice(id);
                    };
                    options.startLeadMs = [this] { return m_Audio.StartLeadMs(); };
                    return options;
                }()),
      m_Web(std::move(web)) {
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
    // The session's engine refers to the player; nothing plays into it once stopped.
    m_Session.Stop();
    m_pPlayer.reset();
}

bool CHeadlessApp::InitInstance() {
    // A windowed copy asking this one to show itself gets no answer: there is no window.
    // While a windowed copy runs for this user, none without a display starts beside it.
    const platform::SingleInstance::Claim claim =
        platform::SingleInstance::Answers(QStringLiteral("Varnel"))
            ? platform::SingleInstance::Claim::OtherCopyRunning
            : m_Instance.ClaimInstance();
    if (claim == platform::SingleInstance::Claim::OtherCopyRunning) {
        std::fprintf(stderr, "%s\n", kAlreadyRunningText);
        return false;
    }
    m_bStarted = true;
    // A later copy's --emergency and --emergency-end reach the session here.
    m_Instance.SetRequestHandler([this](const QString& command, const QString& argument) {
        return !m_bShutDown && session::TakeInstanceRequest(m_Session, command.toStdString(),
                                                            argument.toStdString());
    });
    if (claim == platform::SingleInstance::Claim::Unguarded) {
        // No folder of this user's own for the socket: two copies could ring at once.
        std::fprintf(stderr, "%s\n", kUnguardedText);
        Write("notice", kUnguardedText);
    }
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

    player::CHeadlessPlayer::Events events;
    events.trackStarted = [this](const std::string& path) {
        m_Session.LogTrackStarted(path);
        if (m_Audio.TakeFallbackNotice()) {
            Write("notice", kOutputFallbackNotice);
        }
        TellSnapcastTrouble();
    };
    events.trackWaiting = [this](const std::string& path) { Write("waiting", path); };
    events.openFailed = [this](const std::string& path) {
        m_Session.LogOpenFailed(path, m_Speech.FailureOf(path));
    };
    m_Speech.SetVoiceSource([this] { return player::VoiceOf(m_Session.Settings()); });
    m_Audio.SetSpeech(&m_Speech);
    // As the player window does, the end of the queue reaches the session after the
    // player's own call has returned.
    events.queueFinished = [this] {
        TellSnapcastTrouble();
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_bShutDown) {
                    m_Session.OnPlaybackEnded();
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
    m_pPlayer = std::make_unique<player::CHeadlessPlayer>(m_Audio, std::move(events));
    connect(&m_PlayerTimer, &QTimer::timeout, this, [this] { m_pPlayer->UpdateStatus(); });
    if (const std::string failure = m_pPlayer->Playback().InitFailureText(); !failure.empty()) {
        Write("error", failure);
    }

    m_Session.Start(*m_pPlayer);
    LogPlugins();
    if (!player::AudioOutputAvailable()) {
        Write("notice", kNoAudioNotice);
    }

    Rewatch();
    StartRemote();
    return true;
}

void CHeadlessApp::StartRemote() {
    schedule::CProfileFile& file = m_Session.Settings().File();
    remote::RemoteConfig config = remote::ReadRemoteConfig(file);
    if (m_Web) {
        config.enabled = true;
        config.address = m_Web->address;
        config.port = m_Web->port;
    }
    if (!config.enabled) {
        return;
    }
    // A token made now is kept in the settings, so the address stays the same next time.
    if (!remote::EnsureToken(file, config)) {
        Write("error", std::string(kRemoteTokenNotKept) + ' ' + file.GetPath());
    }
    auto server = std::make_unique<remote::CRemoteServer>(
        m_Session, [this] { return m_pPlayer ? &m_pPlayer->Playback() : nullptr; });
    QString error;
    if (!server->Listen(config, &error)) {
        Write("error", std::string(kRemoteFailed) + error.toStdString());
        std::fprintf(stderr, "qelt: the remote page cannot listen on %s:%d: %s\n",
                     config.address.c_str(), config.port, error.toLocal8Bit().constData());
        return;
    }
    m_pRemote = std::move(server);
    config.port = m_pRemote->Port();
    Write("remote-on", config.address + ":" + std::to_string(config.port));
    PrintLine("remote " + remote::PageUrl(config) + "\n");
}

void CHeadlessApp::Shutdown() {
    if (m_bShutDown || !m_bStarted) {
        return;
    }
    m_bShutDown = true;
    m_ReloadTimer.stop();
    m_pRemote.reset();
    m_Session.Stop();
    m_PlayerTimer.stop();
    if (m_pPlayer) {
        m_pPlayer->ClearQueue(true);
    }
    Write("exit");
}

void CHeadlessApp::LogPlugins() {
    const engine::CPluginHost* plugins = m_Session.Plugins();
    if (plugins == nullptr) {
        return;
    }
    for (const engine::PluginSlot& slot : plugins->Slots()) {
        if (slot.present != 0) {
            Write("plugin", slot.name + " " + slot.path);
        }
    }
}

void CHeadlessApp::TellSnapcastTrouble() {
    if (const char* text = SnapcastNoticeText(m_Audio.TakeSnapcastNotice())) {
        Write(kSnapcastLogKind, text);
    }
}

void CHeadlessApp::Write(const std::string& kind, const std::string& text) {
    m_Session.Log(kind, text);
}

void CHeadlessApp::ShowError(const std::string& text, const std::string&, schedule::MessageOwner) {
    Write("error", text);
}

// The engine's host.

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

void CHeadlessApp::SetMakeupWeekday(int weekday) {
    if (weekday != m_nMakeupWeekday) {
        m_nMakeupWeekday = weekday;
        if (weekday >= 0 && weekday < 7) {
            Write("makeup", engine::texts::FormatText(engine::texts::kMakeupDay,
                                                      {schedule::kWeekdayNames[weekday]}));
        }
    }
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
        {Watched::Timetable,
         schedule::ResolvePath(m_strAppDir, m_Session.Settings().GetTimetablePath())},
        {Watched::Calendar, schedule::CDayCalendar::PathIn(m_strAppDir)},
    };
    // On a special day, the timetable it rings is watched too.
    if (m_Session.IsStarted() && m_Session.Engine().IsSpecialDay()) {
        files[Watched::DayTimetable] = schedule::CDayCalendar::TimetablePathIn(
            m_strAppDir, m_Session.Engine().SpecialTimetableName());
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
    if (!m_Session.IsStarted() || m_bShutDown) {
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
        m_Session.CommonTracks().Load(files.at(Watched::CommonTracks));
    }
    if (changed(Watched::Playlists)) {
        Write("reload", files.at(Watched::Playlists));
        m_Session.Playlists().Load(files.at(Watched::Playlists));
    }
    if (changed(Watched::Settings)) {
        // The settings name the current timetable; reading them reads it too.
        Write("reload", files.at(Watched::Settings));
        m_Session.ReloadSettings();
    } else if (changed(Watched::Timetable)) {
        Write("reload", files.at(Watched::Timetable));
        m_Session.LoadTimetable(files.at(Watched::Timetable));
    }
    if (changed(Watched::Calendar)) {
        Write("reload", files.at(Watched::Calendar));
        m_Session.CheckCalendar();
    } else if (changed(Watched::DayTimetable)) {
        Write("reload", files.at(Watched::DayTimetable));
        m_Session.ReplanToday();
    }
    Rewatch();
}

}  // namespace app
