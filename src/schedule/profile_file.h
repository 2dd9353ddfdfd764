#pragma once
// An INI file read and written one key at a time, as the Windows profile functions do:
// section and key names match without regard to letter case, a missing file, section
// or key gives the default, and a write changes one line and keeps every other line.
// The file's text is GB18030; lines may end in "\r\n" or "\n"; writes use "\r\n".
// A read parses the file once into an index and keeps it until the file on disk
// changes, so reading many keys costs one pass over the file, not one per key.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace schedule {

// The buffer the profile functions read texts into unless told otherwise.
constexpr std::size_t kProfileBufferSize = 260;

class CProfileFile {
public:
    // The sections and keys of a file's bytes, parsed in one pass. Names are decoded
    // and lower-cased; of a section named twice only the first counts, and of a key
    // named twice in it the first; values are the file's bytes, trimmed and unquoted.
    class Index {
    public:
        using Section = std::unordered_map<std::string, std::string>;

        static Index Parse(std::string_view fileBytes);
        const Section* FindSection(std::string_view section) const;
        const std::string* Find(std::string_view section, std::string_view key) const;

    private:
        std::unordered_map<std::string, Section> m_Sections;
    };

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

    // The file's index as it is on disk now: parsed again only when the file's identity,
    // size or times changed since the last read; empty when it cannot be read.
    std::shared_ptr<const Index> ReadIndex() const;

    // The same operations on a file's bytes, for the file-free tests and the fuzzer.
    static std::optional<std::string> FindValue(std::string_view fileBytes,
                                                std::string_view section, std::string_view key);
    static std::string SetValue(std::string_view fileBytes, std::string_view section,
                                std::string_view key, std::string_view value);
    // The leading decimal number of a value, clamped to 32 bits.
    static std::int32_t ParseLeadingInt(std::string_view value);

private:
    // What tells one state of the file on disk from another.
    struct Stamp {
        bool exists = false;
        std::uint64_t device = 0;
        std::uint64_t inode = 0;
        std::int64_t size = 0;
        std::int64_t modifiedNs = 0;
        std::int64_t changedNs = 0;
        bool operator==(const Stamp&) const = default;
    };
    static Stamp StampOf(const std::string& path);

    std::string m_strPath;
    // The last index read, for the file as it was at m_CachedStamp (one thread at a time).
    mutable std::shared_ptr<const Index> m_pCachedIndex;
    mutable Stamp m_CachedStamp;
};

}  // namespace schedule
