#pragma once
// Starting external programs and asking whether they have ended. The program never
// waits inside this interface: the caller polls while its event loop keeps running.

#include <optional>
#include <string>
#include <vector>

namespace platform {

class ProcessRunner {
public:
    using Handle = long;  // a process started by this runner; kNoProcess when none
    static constexpr Handle kNoProcess = -1;

    virtual ~ProcessRunner() = default;

    // Starts program (taken literally; no search of PATH) with the arguments, in the
    // working folder; kNoProcess when it cannot be started.
    virtual Handle Start(const std::string& program, const std::vector<std::string>& arguments,
                         const std::string& workingDir) = 0;
    // The exit code once the process has ended (a process ended by a signal reports
    // a non-zero code); nothing while it is still running. After an exit code has been
    // returned the handle is no longer valid.
    virtual std::optional<int> ExitCode(Handle process) = 0;
    // Gives up waiting for a process that is still running: it is left running and
    // reaped when it ends, so it never stays a zombie.
    virtual void Abandon(Handle process) = 0;
};

}  // namespace platform
