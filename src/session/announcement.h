#pragma once
// Announcements typed to be spoken at once: kept as text files under "音乐库/播报", named
// from their first words, so that one can later stand in a timetable like a music file.

#include <optional>
#include <string>

namespace session {

inline constexpr const char* kAnnouncementFolder = "播报";

// The file name a text is kept under: its first words (at most kAnnouncementNameChars
// characters, the first line only), without characters a file name cannot hold, and
// ".txt"; "播报.txt" for a text without any.
std::string AnnouncementFileName(const std::string& text);
inline constexpr int kAnnouncementNameChars = 16;

// Writes the text as UTF-8 into folder (made when missing) under its file name, or the
// first "NAME (2).txt", "NAME (3).txt"… that is free or already holds the same text.
// The path written; nothing when the folder or the file could not be written.
std::optional<std::string> WriteAnnouncement(const std::string& folder, const std::string& text);

}  // namespace session
