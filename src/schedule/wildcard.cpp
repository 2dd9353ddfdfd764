#include "schedule/wildcard.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "schedule/app_paths.h"

namespace schedule {

namespace {

char FoldCase(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Bytes of the UTF-8 character starting at s[pos] (1 for a stray byte).
std::size_t CharLength(std::string_view s, std::size_t pos) {
    const auto lead = static_cast<unsigned char>(s[pos]);
    std::size_t len = 1;
    if (lead >= 0xF0) {
        len = 4;
    } else if (lead >= 0xE0) {
        len = 3;
    } else if (lead >= 0xC0) {
        len = 2;
    }
    return std::min(len, s.size() - pos);
}

// Matches pattern against name exactly as written (see MatchWildcard).
bool MatchPlain(std::string_view pattern, std::string_view name);

}  // namespace

bool HasWildcards(std::string_view path) {
    return path.find_first_of("*?") != std::string_view::npos;
}

bool MatchWildcard(std::string_view pattern, std::string_view name) {
    if (MatchPlain(pattern, name)) {
        return true;
    }
    // A name without a dot is matched as if it ended in one, so "*.*" finds "README"
    // and "bell.*" finds "bell", as the playlists' authors expect of a file search.
    return name.find('.') == std::string_view::npos && MatchPlain(pattern, std::string(name) + '.');
}

namespace {

bool MatchPlain(std::string_view pattern, std::string_view name) {
    // Greedy matching with one backtrack point for the last '*': linear in practice,
    // never exponential.
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starP = std::string_view::npos;
    std::size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = ++p;
            starN = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += CharLength(name, n);
        } else if (p < pattern.size() && FoldCase(pattern[p]) == FoldCase(name[n])) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP;
            starN += CharLength(name, starN);
            n = starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

}  // namespace

std::vector<std::string> FindMatchingFiles(const std::string& pattern, const std::string& baseDir) {
    const std::string normalized = NormalizeSeparators(pattern);
    const std::size_t slash = normalized.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : normalized.substr(0, slash + 1);
    const std::string namePattern =
        slash == std::string::npos ? normalized : normalized.substr(slash + 1);

    std::filesystem::path searchDir = folder.empty() ? "." : folder;
    if (searchDir.is_relative() && !baseDir.empty()) {
        searchDir = std::filesystem::path(baseDir) / searchDir;
    }

    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(searchDir, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::error_code typeError;
        if (it->is_directory(typeError)) {
            continue;
        }
        const std::string name = it->path().filename().string();
        if (MatchWildcard(namePattern, name)) {
            names.push_back(name);
        }
    }
    // Name order without regard to case, ties broken by the bytes so the order is total.
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        const std::string la = AsciiLower(a);
        const std::string lb = AsciiLower(b);
        return la != lb ? la < lb : a < b;
    });

    std::vector<std::string> paths;
    paths.reserve(names.size());
    for (const std::string& name : names) {
        paths.push_back(folder + name);
    }
    return paths;
}

}  // namespace schedule
