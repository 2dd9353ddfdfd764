#include "schedule/wildcard.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "schedule/app_paths.h"
#include "schedule/playlist_store.h"
#include "test_support.h"

using namespace schedule;
using namespace testing_support;

TEST(Wildcard, MatchesLikeTheFileSearchItStandsFor) {
    EXPECT_TRUE(MatchWildcard("*.MP3", "a.mp3"));
    EXPECT_TRUE(MatchWildcard("*.mp3", "上课铃.MP3"));
    EXPECT_FALSE(MatchWildcard("*.mp3", "a.mp3.txt"));
    EXPECT_TRUE(MatchWildcard("*", ""));
    // A name without a dot matches as if it ended in one.
    EXPECT_TRUE(MatchWildcard("*.*", "README"));
    EXPECT_TRUE(MatchWildcard("bell.*", "BELL"));
    EXPECT_FALSE(MatchWildcard("*.mp3", "mp3"));
    EXPECT_TRUE(MatchWildcard("a*b*c", "aXXbYYbZc"));
    EXPECT_FALSE(MatchWildcard("a*b*c", "aXXbYYbZ"));
    // '?' is one character, also a Chinese one.
    EXPECT_TRUE(MatchWildcard("?.wav", "铃.wav"));
    EXPECT_FALSE(MatchWildcard("?.wav", "铃铃.wav"));
    EXPECT_TRUE(MatchWildcard("??.wav", "铃铃.wav"));
    // Brackets are plain characters, not a character class.
    EXPECT_TRUE(MatchWildcard("[1]*.ogg", "[1] song.ogg"));
    EXPECT_FALSE(MatchWildcard("[1]*.ogg", "1 song.ogg"));
    // A long hopeless name does not take exponential time.
    EXPECT_FALSE(MatchWildcard("*a*a*a*a*a*a*a*a*b", std::string(5000, 'a')));
}

TEST(Wildcard, ExpandSearchesARealFolder) {
    TempDir dir;
    const auto music = dir.Path() / "音乐库";
    std::filesystem::create_directories(music / "sub.mp3");  // a folder that matches
    for (const char* name : {"b.MP3", "a.mp3", "C.mp3", "notes.txt"}) {
        WriteFile((music / name).string(), "x");
    }

    Playlist source;
    source.name = "课间";
    source.randomPlay = 1;
    source.randomLimit = 2;
    source.randomLimitKind = LimitMinutes;
    source.entries = {{"fixed.wav", 0, -1, 5000, 0, 40, 0},
                      {"音乐库\\*.mp3", 1, -1, 20000, 1, 70, 1},
                      {"音乐库/nothing*.ogg", 1, -1, 0, 1, 100, 1}};

    Playlist expanded;
    CPlaylistStore::Expand(&source, &expanded, dir.Path().string());
    EXPECT_EQ(expanded.name, "课间");
    EXPECT_EQ(expanded.randomLimitKind, LimitMinutes);
    ASSERT_EQ(expanded.entries.size(), 4u);
    EXPECT_EQ(expanded.entries[0], source.entries[0]);  // no wildcard: copied unchanged
    EXPECT_EQ(expanded.entries[1].path, "音乐库/a.mp3");
    EXPECT_EQ(expanded.entries[2].path, "音乐库/b.MP3");
    EXPECT_EQ(expanded.entries[3].path, "音乐库/C.mp3");
    for (std::size_t i = 1; i < 4; ++i) {
        TrackEntry modes = expanded.entries[i];
        modes.path = source.entries[1].path;
        EXPECT_EQ(modes, source.entries[1]) << "entry " << i << " keeps the pattern's modes";
    }
    // The stored playlist keeps its pattern.
    EXPECT_EQ(source.entries[1].path, "音乐库\\*.mp3");

    // An absolute pattern gives absolute paths; null pointers do nothing.
    Playlist absolute;
    Playlist pattern;
    pattern.entries = {{(music / "?.mp3").string(), 1, -1, 0, 1, 100, 1}};
    CPlaylistStore::Expand(&pattern, &absolute);
    ASSERT_EQ(absolute.entries.size(), 3u);
    EXPECT_EQ(absolute.entries[0].path, (music / "a.mp3").string());
    CPlaylistStore::Expand(nullptr, &absolute);
    CPlaylistStore::Expand(&pattern, nullptr);
    EXPECT_EQ(absolute.entries.size(), 3u);
}

TEST(AppPaths, RelativeInsideTheProgramFolderOnly) {
    const std::string appDir = "/opt/qelt/";
    EXPECT_EQ(MakeRelative(appDir, "/opt/qelt/作息表/初中.zxb"), "作息表/初中.zxb");
    EXPECT_EQ(MakeRelative(appDir, "/media/usb/初中.zxb"), "/media/usb/初中.zxb");
    EXPECT_EQ(MakeRelative(appDir, "/opt/QELT/a.zxb"), "/opt/QELT/a.zxb");  // case counts
    EXPECT_EQ(MakeRelative(appDir, "/opt/qeltx/a.zxb"), "/opt/qeltx/a.zxb");

    EXPECT_EQ(ResolvePath(appDir, ".\\作息表\\参考作息表.zxb"), "/opt/qelt/作息表/参考作息表.zxb");
    EXPECT_EQ(ResolvePath(appDir, "作息表\\初中.zxb"), "/opt/qelt/作息表/初中.zxb");
    EXPECT_EQ(ResolvePath(appDir, "/media/usb/a.zxb"), "/media/usb/a.zxb");
    EXPECT_EQ(ResolvePath(appDir, ""), "");
}
