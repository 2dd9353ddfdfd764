#pragma once
// What the benchmarks that start the program share: finding its executables.

#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

namespace bench {

// Where qelt and qelt-tool are: this executable's folder, or ../bin beside it.
inline std::optional<std::filesystem::path> FindExecutable(const std::string& name) {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) {
        return std::nullopt;
    }
    for (const std::filesystem::path& candidate :
         {self.parent_path() / name, self.parent_path().parent_path() / "bin" / name}) {
        if (access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return std::nullopt;
}

}  // namespace bench
