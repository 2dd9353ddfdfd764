#include "platform/posix_process_runner.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <csignal>
#include <thread>

extern char** environ;

namespace platform {

namespace {

// The exit code a caller sees for a wait status.
int CodeFromStatus(int status) {
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return -1;
}

// Signals that a parent may ignore or catch and a child must get back with their
// default meaning.
constexpr int kDefaultSignals[] = {SIGHUP,  SIGINT,  SIGQUIT, SIGPIPE, SIGALRM,
                                   SIGTERM, SIGUSR1, SIGUSR2, SIGCHLD};

}  // namespace

ProcessRunner::Handle PosixProcessRunner::Start(const std::string& program,
                                                const std::vector<std::string>& arguments,
                                                const std::string& workingDir) {
    if (program.empty()) {
        return kNoProcess;
    }
    // The child changes to workingDir before the exec, so a relative program is found
    // there, whether workingDir itself is absolute or relative.
    std::string path = program;

    std::vector<char*> argv;
    argv.reserve(arguments.size() + 2);
    argv.push_back(path.data());
    std::vector<std::string> args = arguments;  // posix_spawn wants non-const strings
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (posix_spawn_file_actions_init(&actions) != 0) {
        return kNoProcess;
    }
    if (posix_spawnattr_init(&attributes) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return kNoProcess;
    }

    bool ready = true;
    if (!workingDir.empty()) {
        ready = posix_spawn_file_actions_addchdir_np(&actions, workingDir.c_str()) == 0;
    }
    // The child inherits no descriptor but the standard three.
    ready = ready && posix_spawn_file_actions_addclosefrom_np(&actions, 3) == 0;

    sigset_t noSignals;
    sigemptyset(&noSignals);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int sig : kDefaultSignals) {
        sigaddset(&defaults, sig);
    }
    ready =
        ready && posix_spawnattr_setsigmask(&attributes, &noSignals) == 0 &&
        posix_spawnattr_setsigdefault(&attributes, &defaults) == 0 &&
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF) == 0;

    pid_t pid = -1;
    // glibc reports a failed exec as the result of posix_spawn and reaps that child.
    const bool started =
        ready && posix_spawn(&pid, path.c_str(), &actions, &attributes, argv.data(), environ) == 0;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (!started) {
        return kNoProcess;
    }

    std::lock_guard lock(m_mutex);
    m_running.insert(pid);
    return pid;
}

std::optional<int> PosixProcessRunner::ExitCode(Handle process) {
    {
        std::lock_guard lock(m_mutex);
        if (!m_running.contains(process)) {
            return -1;
        }
    }
    int status = 0;
    pid_t result;
    do {
        result = waitpid(static_cast<pid_t>(process), &status, WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == 0) {
        return std::nullopt;
    }

    std::lock_guard lock(m_mutex);
    m_running.erase(process);
    // Reaped by someone else: the code is lost, which is reported as a failure.
    return result < 0 ? -1 : CodeFromStatus(status);
}

void PosixProcessRunner::Abandon(Handle process) {
    {
        std::lock_guard lock(m_mutex);
        if (m_running.erase(process) == 0) {
            return;
        }
    }
    const auto pid = static_cast<pid_t>(process);
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

}  // namespace platform
