#pragma once
// Whether a name or path fits the store files, which hold at most 259 bytes of each text
// once encoded. The store editors refuse longer texts instead of letting the file
// writers cut them.

#include <cstddef>
#include <string>

namespace editors {

inline constexpr std::size_t kStoredTextMaxBytes = 259;

bool FitsStoredText(const std::string& utf8);

// The message that the text named what is too long for the files.
std::string StoredTextTooLong(const std::string& what);

}  // namespace editors
