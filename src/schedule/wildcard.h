#pragma once
// File-name patterns with * and ?, matched without regard to letter case as on the
// systems the playlists come from ("*.MP3" finds "a.mp3").

#include <string>
#include <string_view>
#include <vector>

namespace schedule {

bool HasWildcards(std::string_view path);

// True when name matches pattern: * stands for any run of characters, ? for exactly one
// character; letters match in either case. A name without a dot also matches as if it
// ended in one, so "*.*" matches every name.
bool MatchWildcard(std::string_view pattern, std::string_view name);

// The files (not folders) in the pattern's folder whose names match its last part,
// in name order. Each result is the pattern's folder as written followed by the name.
// A relative pattern is searched from baseDir; a stored '\' counts as a separator.
std::vector<std::string> FindMatchingFiles(const std::string& pattern, const std::string& baseDir);

}  // namespace schedule
