#pragma once
// Reading the arguments of the qelt-tool commands that work on one program folder.

#include <functional>
#include <string>
#include <vector>

#include "tool/tool_commands.h"

namespace tool {

// Takes one option and its value (empty for a flag); an error text when it is not usable.
using OptionReader =
    std::function<std::string(const std::string& option, const std::string& value)>;

// Walks a command's arguments in order. The one argument that does not start with "--" is
// the program folder and goes to dir; an option named in flags stands alone, one named in
// valueOptions takes the argument after it as its value, and each goes to read as met.
// Returns the first error text (a second folder, an unknown option, an option without its
// value, or what read returned), or empty when every argument was read.
std::string ReadFolderArgs(const Args& args, std::string& dir,
                           const std::vector<std::string>& flags,
                           const std::vector<std::string>& valueOptions, const OptionReader& read);

// Says on standard error what is wrong with the arguments of the command named, then how
// it is used; returns the exit code for unusable arguments.
int ReportUsageError(const std::string& command, const std::string& error,
                     const std::function<void()>& printUsage);

// Whether dir is a folder; when it is not, says so on standard error for the command named.
bool IsProgramFolder(const std::string& command, const std::string& dir);

// The absolute, normalised path of a program folder, ending in '/', the way the program
// itself names its folder.
std::string ProgramFolderPath(const std::string& dir);

}  // namespace tool
