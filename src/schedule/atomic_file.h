#pragma once
// Reading whole files and replacing them without ever leaving a half-written one.

#include <cstddef>
#include <optional>
#include <string>

namespace schedule {

enum class WriteResult {
    Ok,
    CannotCreate,  // the temporary file could not be created (folder missing, no rights)
    WriteFailed,   // writing, flushing or renaming failed; the old file is untouched
};

// No file of this program comes near this size (a timetable of 100 000 items is a few
// MB); a larger one is refused rather than read, so a huge or sparse file cannot
// exhaust the memory.
constexpr std::size_t kMaxReadableFileSize = std::size_t{64} << 20;
// The same limit as it is worded in messages.
inline constexpr const char* kMaxReadableFileSizeText = "64MB";

enum class ReadFailure {
    None,
    CannotOpen,  // missing, not a regular file, or an error while reading
    TooLarge,    // larger than kMaxReadableFileSize
};

// Reads the whole file; nothing when it cannot be opened or read or is larger than
// kMaxReadableFileSize, and then why in failure when one is given.
std::optional<std::string> ReadWholeFile(const std::string& path, ReadFailure* failure = nullptr);

// Writes the bytes to a temporary file in the same folder, flushes it to the disk,
// renames it over path and flushes the folder. When path is a symbolic link, the file it
// finally names is replaced and the link stays; the new file keeps the old one's mode,
// group (and owner, where the process may set it). On any failure the temporary file is
// removed and the file at path keeps its previous contents.
WriteResult WriteFileAtomically(const std::string& path, const std::string& bytes);

}  // namespace schedule
