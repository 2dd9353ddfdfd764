#pragma once
// Little-endian integers and counted strings as the timetable and store files hold them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace schedule {

// The largest byte count a stored string may have: 259 text bytes and a zero.
constexpr std::int32_t kMaxStoredString = 260;

// Reads from an in-memory copy of a file. Every read reports whether it succeeded;
// after one failure every later read fails too, so a caller may check once at the end.
class CBinaryReader {
public:
    explicit CBinaryReader(std::string_view data) : m_data(data) {}

    bool ReadInt(std::int32_t& value);
    // Reads a counted string: a count above 260 or below 0 is a failure; the text ends
    // at the first zero byte, and an incomplete character at its end is dropped.
    bool ReadString(std::string& value);
    bool Ok() const { return m_ok; }
    std::size_t Remaining() const { return m_data.size() - m_pos; }

private:
    std::string_view m_data;
    std::size_t m_pos = 0;
    bool m_ok = true;
};

// Appends to a byte buffer that is written to the file in one piece.
class CBinaryWriter {
public:
    void WriteInt(std::int32_t value);
    // Writes a counted string; a text over 259 encoded bytes is cut at a character
    // boundary so that its terminating zero always fits.
    void WriteString(const std::string& value);
    void WriteBytes(std::string_view bytes) { m_data.append(bytes); }
    const std::string& Data() const { return m_data; }

private:
    std::string m_data;
};

}  // namespace schedule

namespace schedule {

// The outcome of reading one of the program's binary files.
enum class LoadStatus {
    Ok,
    CannotOpen,   // missing or unreadable: nothing is shown
    WrongFormat,  // not this kind of file (wrong magic, shorter than the header)
    ReadError,    // the right kind of file, but it ends early or holds a bad length
    TooLarge,     // larger than any file of the program can be: not read at all
};

}  // namespace schedule
