#include "platform/posix_process_runner.h"

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <thread>
#include <vector>

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

// Every runner of the process, for EndAllRunningPrograms.
std::mutex g_runnersMutex;
std::vector<PosixProcessRunner*> g_runners;

constexpr auto kReapPollInterval = std::chrono::milliseconds(10);
constexpr auto kReapAfterKill = std::chrono::milliseconds(200);

// Whether any process of the group is still alive (a zombie leader counts until reaped).
bool GroupAlive(pid_t group) {
    return ::kill(-group, 0) == 0 || errno == EPERM;
}

// Reaps the child if it has ended; true when it has (or is no child of ours).
bool Reaped(pid_t pid) {
    int status = 0;
    pid_t result = 0;
    do {
        result = ::waitpid(pid, &status, WNOHANG);
    } while (result < 0 && errno == EINTR);
    return result != 0;
}

}  // namespace

PosixProcessRunner::PosixProcessRunner() {
    std::lock_guard lock(g_runnersMutex);
    g_runners.push_back(this);
}

PosixProcessRunner::~PosixProcessRunner() {
    std::lock_guard lock(g_runnersMutex);
    g_runners.erase(std::remove(g_runners.begin(), g_runners.end(), this), g_runners.end());
}

int PosixProcessRunner::EndAllRunningPrograms() {
    std::lock_guard lock(g_runnersMutex);
    int ended = 0;
    for (PosixProcessRunner* runner : g_runners) {
        ended += runner->EndRunningPrograms();
    }
    return ended;
}

int PosixProcessRunner::EndRunningPrograms() {
    std::vector<pid_t> groups;
    {
        std::lock_guard lock(m_mutex);
        groups.assign(m_running.begin(), m_running.end());
        m_running.clear();  // a wait on them now ends at once
    }
    if (groups.empty()) {
        return 0;
    }
    // Each program leads its own group, so its own children end with it.
    for (const pid_t group : groups) {
        ::kill(-group, SIGTERM);
    }
    const auto deadline = std::chrono::steady_clock::now() + kTerminateGrace;
    std::vector<pid_t> left = groups;
    while (!left.empty() && std::chrono::steady_clock::now() < deadline) {
        left.erase(std::remove_if(left.begin(), left.end(),
                                  [](pid_t group) {
                                      Reaped(group);
                                      return !GroupAlive(group);
                                  }),
                   left.end());
        if (!left.empty()) {
            std::this_thread::sleep_for(kReapPollInterval);
        }
    }
    for (const pid_t group : left) {
        ::kill(-group, SIGKILL);
    }
    // A killed leader ends at once; one that does not (stuck in the kernel) is reaped
    // later by a thread of its own, as an abandoned program is.
    const auto killDeadline = std::chrono::steady_clock::now() + kReapAfterKill;
    for (const pid_t group : left) {
        while (!Reaped(group) && std::chrono::steady_clock::now() < killDeadline) {
            std::this_thread::sleep_for(kReapPollInterval);
        }
        if (!Reaped(group)) {
            std::thread([group] {
                int status = 0;
                while (::waitpid(group, &status, 0) < 0 && errno == EINTR) {
                }
            }).detach();
        }
    }
    return static_cast<int>(groups.size());
}

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
    // The program leads a process group of its own, so that it can be ended together with
    // whatever it starts.
    ready = ready && posix_spawnattr_setsigmask(&attributes, &noSignals) == 0 &&
            posix_spawnattr_setsigdefault(&attributes, &defaults) == 0 &&
            posix_spawnattr_setpgroup(&attributes, 0) == 0 &&
            posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                                      POSIX_SPAWN_SETPGROUP) == 0;

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
