#pragma once
// Paths stored in the settings and files: relative to the program folder when the file
// lies inside it, with '\' accepted as a separator when a stored path is used.

#include <string>

namespace schedule {

// The program folder's own parts, relative to it.
inline constexpr const char* kTimetableFolder = "作息表";
inline constexpr const char* kMusicFolder = "音乐库";
inline constexpr const char* kCommonTrackFile = "作息表/M2list.dat";
inline constexpr const char* kPlaylistFile = "作息表/Mlist.dat";

// Replaces every '\' by '/'.
std::string NormalizeSeparators(std::string path);

// The value to store for a chosen file: the part after the program folder when the path
// starts with the program folder's exact text, else the path unchanged.
std::string MakeRelative(const std::string& appDir, const std::string& path);

// The path to open for a stored value: an absolute value as it is, a relative one
// inside the program folder (appDir ends with '/'), separators normalised.
std::string ResolvePath(const std::string& appDir, const std::string& stored);

// Lower-case copy of the ASCII letters of text.
std::string AsciiLower(std::string text);

}  // namespace schedule
