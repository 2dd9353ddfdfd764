#pragma once
// The process runner of this system: posix_spawn without a search of PATH, each program
// in a process group of its own, exit codes read without blocking, and abandoned
// children reaped as soon as they end.

#include <chrono>
#include <mutex>
#include <set>

#include "platform/process_runner.h"

namespace platform {

class PosixProcessRunner : public ProcessRunner {
public:
    PosixProcessRunner();
    ~PosixProcessRunner() override;
    PosixProcessRunner(const PosixProcessRunner&) = delete;
    PosixProcessRunner& operator=(const PosixProcessRunner&) = delete;

    // The handle is the child's process id. A relative program is taken relative to
    // workingDir (or to the current folder when workingDir is empty).
    Handle Start(const std::string& program, const std::vector<std::string>& arguments,
                 const std::string& workingDir) override;
    // A child ended by a signal reports 128 + the signal number. A handle this runner
    // did not start (or has already reported) reports -1, so that no other part of the
    // process ever has a child reaped from under it.
    std::optional<int> ExitCode(Handle process) override;
    // A detached thread waits for the abandoned child, so it never stays a zombie, even
    // when no later call is made on this runner.
    void Abandon(Handle process) override;

    // How long a program's group is given to end after SIGTERM before SIGKILL.
    static constexpr std::chrono::milliseconds kTerminateGrace{200};

    // Ends the process group of every program this runner is still waiting for: SIGTERM,
    // then SIGKILL to what is left after kTerminateGrace, and reaps the programs. A wait
    // on one of them then ends at once: ExitCode reports -1. Programs already abandoned
    // are left alone. Returns how many programs were ended. For the program's own exit.
    int EndRunningPrograms();
    // The same for every runner of the process, for a signal handler's path that has no
    // runner at hand (SIGTERM, SIGINT); returns how many programs were ended in all.
    static int EndAllRunningPrograms();

private:
    std::mutex m_mutex;
    std::set<Handle> m_running;  // started and neither reported nor abandoned
};

}  // namespace platform
