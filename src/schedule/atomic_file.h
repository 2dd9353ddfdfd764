#pragma once
// Reading whole files and replacing them without ever leaving a half-written one.

#include <optional>
#include <string>

namespace schedule {

enum class WriteResult {
    Ok,
    CannotCreate,  // the temporary file could not be created (folder missing, no rights)
    WriteFailed,   // writing, flushing or renaming failed; the old file is untouched
};

// Reads the whole file; nothing when it cannot be opened or read.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Writes the bytes to a temporary file in the same folder, flushes it to the disk and
// renames it over path. On any failure the temporary file is removed and the file at
// path keeps its previous contents.
WriteResult WriteFileAtomically(const std::string& path, const std::string& bytes);

}  // namespace schedule
