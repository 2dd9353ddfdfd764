#pragma once
// Lengths already measured, by path, for as long as the file keeps the size and
// modification time it had when measured: a playlist played every break measures each
// of its files once, not at every bell. Bounded; the oldest entries go first.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <unordered_map>

namespace player {

class CLengthCache {
public:
    static constexpr std::size_t kMaxEntries = 4096;

    // The length stored for path, when the file is still as it was; nothing otherwise.
    std::optional<std::uint32_t> Find(const std::string& path) const;
    // Remembers path's length together with the file's present size and time.
    void Store(const std::string& path, std::uint32_t lengthMs);
    std::size_t Size() const { return m_entries.size(); }

private:
    struct FileStamp {
        std::uint64_t size = 0;
        std::int64_t modifiedNs = 0;
        bool operator==(const FileStamp&) const = default;
    };
    struct Entry {
        FileStamp stamp;
        std::uint32_t lengthMs = 0;
    };

    static std::optional<FileStamp> StampOf(const std::string& path);

    std::unordered_map<std::string, Entry> m_entries;
    std::deque<std::string> m_order;  // paths in the order they were first stored
};

}  // namespace player
