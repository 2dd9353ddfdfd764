#pragma once
// An INI file read and written one key at a time, as the Windows profile functions do:
// section and key names match without regard to letter case, a missing file, section
// or key gives the default, and a write changes one line and keeps every other line.
// The file's text is GB18030; lines may end in "\r\n" or "\n"; writes use "\r\n".

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace schedule {

// The buffer the profile functions read texts into unless told otherwise.
constexpr std::size_t kProfileBufferSize = 260;

class CProfileFile {
public:
    explicit CProfileFile(std::string path) : m_strPath(std::move(path)) {}

    const std::string& GetPath() const { return m_strPath; }

    // The value, trimmed of blanks and of one pair of enclosing quotes, cut to
    // bufferSize - 1 encoded bytes at a character boundary.
    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue,
                           std::size_t bufferSize = kProfileBufferSize) const;
    // The decimal number at the start of the value (0 when there is none), or the
    // default when the key is missing or its value is empty.
    std::int32_t ReadInt(std::string_view section, std::string_view key,
                         std::int32_t defaultValue) const;
    // Sets the key, creating the file, section and key as needed; the file is
    // replaced in one step. False when it could not be written.
    bool WriteString(std::string_view section, std::string_view key, std::string_view value);
    bool WriteInt(std::string_view section, std::string_view key, std::int32_t value);

    // The same operations on a file's bytes, for the file-free tests and the fuzzer.
    static std::optional<std::string> FindValue(std::string_view fileBytes,
                                                std::string_view section, std::string_view key);
    static std::string SetValue(std::string_view fileBytes, std::string_view section,
                                std::string_view key, std::string_view value);
    // The leading decimal number of a value, clamped to 32 bits.
    static std::int32_t ParseLeadingInt(std::string_view value);

private:
    std::string m_strPath;
};

}  // namespace schedule
