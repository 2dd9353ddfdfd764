#include "tool/tool_args.h"

#include <algorithm>
#include <filesystem>
#include <iostream>

namespace tool {

namespace {

bool Names(const std::vector<std::string>& options, const std::string& arg) {
    return std::find(options.begin(), options.end(), arg) != options.end();
}

}  // namespace

std::string ReadFolderArgs(const Args& args, std::string& dir,
                           const std::vector<std::string>& flags,
                           const std::vector<std::string>& valueOptions, const OptionReader& read) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg.rfind("--", 0) != 0) {
            if (!dir.empty()) {
                return "more than one program folder given";
            }
            dir = arg;
            continue;
        }
        std::string error;
        if (Names(flags, arg)) {
            error = read(arg, std::string());
        } else if (!Names(valueOptions, arg)) {
            error = "unknown option " + arg;
        } else if (i + 1 >= args.size()) {
            error = arg + " needs a value";
        } else {
            error = read(arg, args[++i]);
        }
        if (!error.empty()) {
            return error;
        }
    }
    return std::string();
}

int ReportUsageError(const std::string& command, const std::string& error,
                     const std::function<void()>& printUsage) {
    std::cerr << "qelt-tool " << command << ": " << error << '\n';
    printUsage();
    return kExitUsage;
}

bool IsProgramFolder(const std::string& command, const std::string& dir) {
    std::error_code ec;
    if (std::filesystem::is_directory(dir, ec)) {
        return true;
    }
    std::cerr << "qelt-tool " << command << ": no program folder " << dir << '\n';
    return false;
}

std::string ProgramFolderPath(const std::string& dir) {
    std::string path = std::filesystem::absolute(dir).lexically_normal().string();
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    return path;
}

}  // namespace tool
