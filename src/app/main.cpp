// qelt: rings the school's timetable. Options: --dir PATH (the program folder), --help.

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
#include <string>

#include "app/schedule_app.h"

namespace {

const char kUsage[] =
    "usage: qelt [--dir PATH]\n"
    "Rings the school's timetable with music.\n"
    "\n"
    "  --dir PATH   the program folder: QELT.INI, 作息表/ and the music (default: the\n"
    "               folder of the executable, or $QELT_HOME when set)\n"
    "  --help       this text\n"
    "\n"
    "QELT_EVENT_LOG=PATH appends one line per event (start, status, notify, play,\n"
    "finished, run, poweroff, exit) to PATH.\n";

// SIGTERM and SIGINT (a logout, systemctl stop, Ctrl+C) end the program through its event
// loop, so the player keeps its position and the exit is logged.
std::array<int, 2> g_signalPipe = {-1, -1};

void OnTerminate(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(g_signalPipe[1], &byte, 1);
}

void QuitOnTerminate() {
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe.data()) != 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
        char byte = 0;
        [[maybe_unused]] const ssize_t got = read(g_signalPipe[0], &byte, 1);
        QApplication::quit();
    });
    struct sigaction action = {};
    action.sa_handler = OnTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
}

// The program folder as an absolute path ending with '/'.
std::string ProgramFolder(const char* dir) {
    QString folder;
    if (dir != nullptr) {
        folder = QString::fromLocal8Bit(dir);
    } else if (const char* home = std::getenv("QELT_HOME"); home != nullptr && *home != '\0') {
        folder = QString::fromLocal8Bit(home);
    } else {
        folder = QCoreApplication::applicationDirPath();
    }
    QString path = QDir(folder).absolutePath();
    if (!path.endsWith(QLatin1Char('/'))) {
        path += QLatin1Char('/');
    }
    return path.toStdString();
}

}  // namespace

int main(int argc, char** argv) {
    const char* dir = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--dir") == 0 && i + 1 < argc) {
            dir = argv[++i];
        } else if (std::strncmp(argv[i], "--dir=", 6) == 0) {
            dir = argv[i] + 6;
        } else if (std::strncmp(argv[i], "--", 2) == 0) {
            std::fprintf(stderr, "qelt: unknown option %s\n%s", argv[i], kUsage);
            return 2;
        }
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("QELT"));
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
        return 0;
    }
    QuitOnTerminate();
    return QApplication::exec();
}
