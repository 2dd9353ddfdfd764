// The cache of measured lengths: a file measured once is not measured again until it
// changes, and the cache stays bounded.

#include "player/length_cache.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace player {
namespace {

TEST(LengthCacheTest, HoldsALengthUntilTheFileChanges) {
    const std::string dir = ::testing::TempDir() + "qelt_length_cache/";
    std::filesystem::create_directories(dir);
    const std::string path = dir + "铃声.mp3";
    std::ofstream(path) << "0123456789";

    CLengthCache cache;
    EXPECT_EQ(cache.Find(path), std::nullopt);
    cache.Store(path, 180000);
    EXPECT_EQ(cache.Find(path), 180000u);

    // Rewritten with another size, or the same size at another time: measured again.
    std::ofstream(path) << "01234567890";
    EXPECT_EQ(cache.Find(path), std::nullopt);
    cache.Store(path, 181000);
    EXPECT_EQ(cache.Find(path), 181000u);
    std::ofstream(path) << "abcdefghijk";
    const timespec times[2] = {{0, UTIME_OMIT}, {1000000000, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    EXPECT_EQ(cache.Find(path), std::nullopt);

    // A missing file is neither stored nor found.
    std::filesystem::remove(path);
    cache.Store(path, 1000);
    EXPECT_EQ(cache.Find(path), std::nullopt);

    // Bounded: the entry stored first makes room for the newest.
    for (std::size_t i = 0; i <= CLengthCache::kMaxEntries; ++i) {
        const std::string file = dir + std::to_string(i);
        std::ofstream(file) << "x";
        cache.Store(file, static_cast<std::uint32_t>(i));
    }
    EXPECT_EQ(cache.Size(), CLengthCache::kMaxEntries);
    EXPECT_EQ(cache.Find(dir + "0"), std::nullopt);
    EXPECT_EQ(cache.Find(dir + "1"), 1u);
    EXPECT_EQ(cache.Find(dir + std::to_string(CLengthCache::kMaxEntries)),
              static_cast<std::uint32_t>(CLengthCache::kMaxEntries));
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace player
