#pragma once
// Running the extension programs before and after playback.

#include <functional>
#include <string>
#include <vector>

#include "platform/process_runner.h"

namespace engine {

inline constexpr int kProgramWaitSteps = 100;   // at most 100 waits...
inline constexpr int kProgramWaitStepMs = 100;  // ...of 100 ms each

inline constexpr const char* kRunningProgramText = "运行扩展程序...";
inline constexpr const char* kProgramSucceededText = "程序运行成功...";
inline constexpr const char* kProgramFailedText = "程序运行有错...";

// The status text shown after a run: success only for exit code 0.
inline const char* ProgramResultText(int result) {
    return result == 0 ? kProgramSucceededText : kProgramFailedText;
}

// Waits the given milliseconds while the event loop keeps running (ticks, commands and
// plug-in messages run nested during the wait).
using WaitPumpingFn = std::function<void(int ms)>;

// Splits parameters into arguments: blanks separate words; single and double quotes
// group words; a backslash is an ordinary character (parameters written on Windows
// keep their paths) except directly before a double quote, which it makes literal;
// inside single quotes every character is literal. Nothing is expanded. A quote left
// open runs to the end of the text.
std::vector<std::string> SplitCommandLine(const std::string& parameters);

// Runs program with the parameters split by SplitCommandLine (quotes honoured);
// a relative program is resolved against appDir, which is also its working folder.
// Waits at most kProgramWaitSteps x kProgramWaitStepMs and returns the exit code, or
// -1 when the program cannot start or is still running (it is then left running). The
// wait ends at once with -1 when the runner ends the program meanwhile (the program is
// exiting: PosixProcessRunner::EndRunningPrograms).
int RunProgram(platform::ProcessRunner& runner, const WaitPumpingFn& waitPumping,
               const std::string& appDir, const std::string& program,
               const std::string& parameters);

}  // namespace engine
