#include "player/length_cache.h"

#include <sys/stat.h>

namespace player {

namespace {

constexpr std::int64_t kNsPerSecond = 1000000000;

}  // namespace

std::optional<CLengthCache::FileStamp> CLengthCache::StampOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    return FileStamp{
        static_cast<std::uint64_t>(info.st_size),
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * kNsPerSecond + info.st_mtim.tv_nsec};
}

std::optional<std::uint32_t> CLengthCache::Find(const std::string& path) const {
    const auto found = m_entries.find(path);
    if (found == m_entries.end()) {
        return std::nullopt;
    }
    const std::optional<FileStamp> stamp = StampOf(path);
    if (!stamp || !(*stamp == found->second.stamp)) {
        return std::nullopt;
    }
    return found->second.lengthMs;
}

void CLengthCache::Store(const std::string& path, std::uint32_t lengthMs) {
    const std::optional<FileStamp> stamp = StampOf(path);
    if (!stamp) {
        return;
    }
    const auto [entry, added] = m_entries.insert_or_assign(path, Entry{*stamp, lengthMs});
    if (!added) {
        return;
    }
    m_order.push_back(path);
    if (m_order.size() > kMaxEntries) {
        m_entries.erase(m_order.front());
        m_order.pop_front();
    }
}

}  // namespace player
