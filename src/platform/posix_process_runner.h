#pragma once
// The process runner of this system: posix_spawn without a search of PATH, exit codes
// read without blocking, and abandoned children reaped as soon as they end.

#include <mutex>
#include <set>

#include "platform/process_runner.h"

namespace platform {

class PosixProcessRunner : public ProcessRunner {
public:
    PosixProcessRunner() = default;
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

private:
    std::mutex m_mutex;
    std::set<Handle> m_running;  // started and neither reported nor abandoned
};

}  // namespace platform
