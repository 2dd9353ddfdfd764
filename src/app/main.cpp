// qelt: rings the school's timetable. Options: --dir PATH (the program folder), --headless
// (no window, no display needed), --help.

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>

#include "app/headless_app.h"
#include "app/main_frame.h"
#include "app/qt_translations.h"
#include "app/schedule_app.h"
#include "engine/wait_pumping.h"
#include "platform/posix_process_runner.h"
#include "platform/single_instance.h"
#include "remote/remote_config.h"

namespace {

constexpr const char* kNoSharedMemoryVariable = "QT_XCB_NO_MITSHM";

const char kUsage[] =
    "usage: qelt [--headless [--web ADDRESS:PORT]] [--dir PATH]\n"
    "       qelt [--dir PATH] --emergency [FILE] | --emergency-end\n"
    "Rings the school's timetable with music.\n"
    "\n"
    "  --dir PATH   the program folder: QELT.INI, 作息表/ and the music (default:\n"
    "               $QELT_HOME when set, else the folder of the executable; an installed\n"
    "               copy uses $XDG_DATA_HOME/qelt, by default ~/.local/share/qelt)\n"
    "  --headless   no window and no display: events are printed on standard output\n"
    "               (and kept in QELT.log); files changed on disk are read again\n"
    "  --web ADDRESS:PORT\n"
    "               with --headless: the remote page on for this run, listening there;\n"
    "               its address with the token is printed on standard output\n"
    "  --emergency [FILE]\n"
    "               the running copy (windowed or headless) stops what plays and plays\n"
    "               FILE at full volume again and again, the timetable suspended, until\n"
    "               --emergency-end; without FILE the last one used. Exits 0 when the\n"
    "               running copy took it, 1 otherwise\n"
    "  --emergency-end\n"
    "               ends the emergency broadcast; the day goes on from the clock\n"
    "  --help       this text\n"
    "\n"
    "QELT_EVENT_LOG=PATH appends one line per event (start, status, notify, play,\n"
    "finished, run, poweroff, exit) to PATH.\n";

// SIGTERM and SIGINT (a logout, systemctl stop, Ctrl+C) end the program through its event
// loop, so the player keeps its position and the exit is logged. An external program
// being waited for is ended with its process group first and the wait stops, so the
// program exits within a second even in the middle of a before-program.
std::array<int, 2> g_signalPipe = {-1, -1};

void OnTerminate(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(g_signalPipe[1], &byte, 1);
}

// beforeQuit runs first: the windowed program keeps its unsaved work without asking.
void QuitOnTerminate(std::function<void()> beforeQuit = {}) {
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe.data()) != 0) {
        return;
    }
    // The application object may be a QCoreApplication (--headless), so qApp is not used.
    QCoreApplication* application = QCoreApplication::instance();
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, application);
    QObject::connect(notifier, &QSocketNotifier::activated, application, [beforeQuit] {
        char byte = 0;
        [[maybe_unused]] const ssize_t got = read(g_signalPipe[0], &byte, 1);
        engine::StopWaitPumping();
        if (const int ended = platform::PosixProcessRunner::EndAllRunningPrograms(); ended > 0) {
            std::fprintf(stderr, "qelt: ended %d running external program(s) on the way out\n",
                         ended);
        }
        if (beforeQuit) {
            beforeQuit();
        }
        // exit() rather than quit(): quit() first asks every window to close, and a
        // question open now would wait for an answer nobody can give. exit() ends every
        // running event loop, the open question's included.
        QCoreApplication::exit(0);
    });
    struct sigaction action = {};
    action.sa_handler = OnTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

// The folder of an installed copy's files: $XDG_DATA_HOME/qelt (~/.local/share/qelt when
// the variable is unset or not absolute), created with its timetable folder on first start.
QString UserDataFolder() {
    QString base = QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME"));
    if (base.isEmpty() || QDir::isRelativePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.local/share");
    }
    QString folder = base + QStringLiteral("/qelt");
    QDir().mkpath(folder + QStringLiteral("/作息表"));
    return folder;
}

// An installed copy keeps its settings and timetables in the user's data folder: its
// executable's folder is shared or read-only (/usr/bin). A copy counts as installed when
// that folder is not writable, or when the installed guide lies beside it in
// ../share/doc/qelt, so a copy installed system-wide and started by root still never
// writes into the system's program folder.
bool IsInstalledCopy(const QString& executableFolder) {
    if (!QFileInfo(executableFolder).isWritable()) {
        return true;
    }
    return QFileInfo(executableFolder + QStringLiteral("/../share/doc/qelt/index.html")).isFile();
}

// The program folder as an absolute path ending with '/'.
std::string ProgramFolder(const char* dir) {
    QString folder;
    if (dir != nullptr) {
        folder = QString::fromLocal8Bit(dir);
    } else if (const char* home = std::getenv("QELT_HOME"); home != nullptr && *home != '\0') {
        folder = QString::fromLocal8Bit(home);
    } else if (const QString executableFolder = QCoreApplication::applicationDirPath();
               IsInstalledCopy(executableFolder)) {
        folder = UserDataFolder();
    } else {
        folder = executableFolder;
    }
    QString path = QDir(folder).absolutePath();
    if (!path.endsWith(QLatin1Char('/'))) {
        path += QLatin1Char('/');
    }
    return path.toStdString();
}

// Asks the running copy of this user (for the program folder dir, when named) to start
// (with a file, or the last one) or end an emergency broadcast; 0 when it took the
// request, 1 otherwise.
int SendEmergency(int argc, char** argv, const char* dir, bool end, const char* file) {
    QCoreApplication application(argc, argv);
    QString argument;
    if (file != nullptr) {
        // A path as the caller means it: relative to the caller's folder.
        argument = QFileInfo(QString::fromLocal8Bit(file)).absoluteFilePath();
    }
    constexpr int kAnswerTimeoutMs = 10000;
    const QString command = end ? QStringLiteral("emergency-end") : QStringLiteral("emergency");
    // The copy without a display for the program folder, else the windowed copy; without
    // a folder named, the one copy without a display, when just one runs.
    QStringList names = {app::HeadlessInstanceName(ProgramFolder(dir)), QStringLiteral("Varnel")};
    if (dir == nullptr) {
        const QStringList running =
            platform::SingleInstance::RunningNames(QStringLiteral("Varnel-"));
        if (running.size() == 1 && !names.contains(running.front())) {
            names << running.front();
        }
    }
    auto result = platform::SingleInstance::RequestResult::NoCopy;
    for (const QString& name : names) {
        result = platform::SingleInstance::SendRequest(name, command, argument, kAnswerTimeoutMs);
        if (result != platform::SingleInstance::RequestResult::NoCopy) {
            break;
        }
    }
    switch (result) {
        case platform::SingleInstance::RequestResult::Taken:
            return 0;
        case platform::SingleInstance::RequestResult::Refused:
            std::fputs(end ? "qelt: no emergency broadcast was on\n"
                           : "qelt: the running copy could not play the emergency file\n",
                       stderr);
            return 1;
        case platform::SingleInstance::RequestResult::NoCopy:
            break;
    }
    std::fputs("qelt: no running copy of QELT answered\n", stderr);
    return 1;
}

// The program without a window, on a Qt Core event loop: no display is needed.
int RunHeadless(int argc, char** argv, const char* dir,
                const std::optional<remote::RemoteConfig>& web) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("QELT"));
    const std::string folder = ProgramFolder(dir);
    if (!QFileInfo(QString::fromStdString(folder)).isDir()) {
        std::fprintf(stderr, "qelt: no program folder %s\n", folder.c_str());
        return 2;
    }
    app::CHeadlessApp program(folder, web);
    if (!program.InitInstance()) {
        return 0;
    }
    QuitOnTerminate();
    return QCoreApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    const char* dir = nullptr;
    bool headless = false;
    std::optional<remote::RemoteConfig> web;
    const char* webText = nullptr;
    bool emergency = false;
    bool emergencyEnd = false;
    const char* emergencyFile = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--headless") == 0) {
            headless = true;
        } else if (std::strcmp(argv[i], "--dir") == 0 && i + 1 < argc) {
            dir = argv[++i];
        } else if (std::strncmp(argv[i], "--dir=", 6) == 0) {
            dir = argv[i] + 6;
        } else if (std::strcmp(argv[i], "--web") == 0 && i + 1 < argc) {
            webText = argv[++i];
        } else if (std::strncmp(argv[i], "--web=", 6) == 0) {
            webText = argv[i] + 6;
        } else if (std::strcmp(argv[i], "--emergency") == 0) {
            emergency = true;
            if (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2) != 0) {
                emergencyFile = argv[++i];
            }
        } else if (std::strcmp(argv[i], "--emergency-end") == 0) {
            emergencyEnd = true;
        } else if (std::strncmp(argv[i], "--", 2) == 0) {
            std::fprintf(stderr, "qelt: unknown option %s\n%s", argv[i], kUsage);
            return 2;
        }
    }

    if (emergency || emergencyEnd) {
        if ((emergency && emergencyEnd) || headless || webText != nullptr) {
            std::fprintf(stderr, "qelt: --emergency and --emergency-end go alone\n%s", kUsage);
            return 2;
        }
        return SendEmergency(argc, argv, dir, emergencyEnd, emergencyFile);
    }
    if (webText != nullptr) {
        web = remote::ParseListenAddress(webText);
        if (!web || !headless) {
            std::fprintf(stderr, "qelt: --web takes ADDRESS:PORT and goes with --headless\n%s",
                         kUsage);
            return 2;
        }
    }
    if (headless) {
        return RunHeadless(argc, argv, dir, web);
    }
    // Under X11, Qt flushes through shared memory and the X server answers every flush
    // with an event, so the clock's repaint would wake the program twice more a second;
    // the few pixels it draws go as well over the connection. A user's own setting
    // stands, and the programs the bells run never see ours.
    const bool sharedMemorySet = qEnvironmentVariableIsSet(kNoSharedMemoryVariable);
    if (!sharedMemorySet) {
        qputenv(kNoSharedMemoryVariable, "1");
    }
    QApplication application(argc, argv);
    if (!sharedMemorySet) {
        qunsetenv(kNoSharedMemoryVariable);
    }
    QApplication::setApplicationName(QStringLiteral("QELT"));
    if (!app::InstallQtTranslations(application)) {
        std::fputs("qelt: Qt's Chinese translations are missing (qt6-translations-l10n)\n", stderr);
    }
    // Wayland desktops find the installed entry, and with it the icon, by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.qelt.qelt"));
    // The window may sit hidden in the notification area; the program ends when the
    // main window closes, not when the last visible window does.
    QApplication::setQuitOnLastWindowClosed(false);

    const std::string folder = ProgramFolder(dir);
    if (!QFileInfo(QString::fromStdString(folder)).isDir()) {
        std::fprintf(stderr, "qelt: no program folder %s\n", folder.c_str());
        return 2;
    }
    app::CScheduleApp program(folder);
    if (!program.InitInstance()) {
        if (program.OtherCopyRunning()) {
            std::fputs("qelt: another copy is already running; it was asked to show itself\n",
                       stderr);
            return 0;
        }
        std::fputs("qelt: the main window could not be created\n", stderr);
        return 1;
    }
    QuitOnTerminate([&program] {
        if (program.Frame() != nullptr) {
            program.Frame()->Shutdown();
        }
    });
    return QApplication::exec();
}
