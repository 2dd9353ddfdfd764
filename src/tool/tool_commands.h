#pragma once
// The sub-commands of qelt-tool. Each takes the arguments after its name and returns
// the process exit code.

#include <string>
#include <vector>

namespace tool {

using Args = std::vector<std::string>;

// Exit codes shared by the commands.
constexpr int kExitOk = 0;
constexpr int kExitUsage = 1;
constexpr int kExitNotScheduleFile = 2;
constexpr int kExitReadError = 3;
constexpr int kExitProbeFailed = 4;     // probe: some file could not be measured
constexpr int kExitWouldOverwrite = 5;  // demo: the folder already holds its files
constexpr int kExitWriteError = 6;      // demo: a file or folder could not be written

int RunDump(const Args& args);
int RunBuild(const Args& args);
int RunNext(const Args& args);
int RunProbe(const Args& args);
int RunSay(const Args& args);
int RunSimulate(const Args& args);
int RunDemo(const Args& args);
int RunCalendar(const Args& args);

}  // namespace tool
