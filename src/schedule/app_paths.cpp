#include "schedule/app_paths.h"

#include <algorithm>

namespace schedule {

std::string NormalizeSeparators(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

std::string MakeRelative(const std::string& appDir, const std::string& path) {
    if (!appDir.empty() && path.size() > appDir.size() &&
        path.compare(0, appDir.size(), appDir) == 0) {
        return path.substr(appDir.size());
    }
    return path;
}

std::string ResolvePath(const std::string& appDir, const std::string& stored) {
    std::string path = NormalizeSeparators(stored);
    if (path.empty() || path.front() == '/') {
        return path;
    }
    while (path.starts_with("./")) {
        path.erase(0, 2);
    }
    return appDir + path;
}

std::string AsciiLower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

}  // namespace schedule
