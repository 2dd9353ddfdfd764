#include <gtest/gtest.h>

#include "schedule/common_track_store.h"
#include "schedule/playlist_store.h"
#include "schedule/texts.h"
#include "test_support.h"

using namespace schedule;
using namespace testing_support;

namespace {

std::string Int(int value) {
    CBinaryWriter w;
    w.WriteInt(value);
    return w.Data();
}

const std::string kEmptyString = Bytes({1, 0, 0, 0, 0});

// A track block with an empty path: path, autoPlay, useDefaultVolume, fullPlay, length,
// limit, volume.
std::string TrackBlock(int autoPlay, int useDefault, int fullPlay, int length, int limit,
                       int volume) {
    return kEmptyString + Int(autoPlay) + Int(useDefault) + Int(fullPlay) + Int(length) +
           Int(limit) + Int(volume);
}

CommonTrack MakeCommonTrack(const std::string& name) {
    CommonTrack track;
    track.name = name;
    track.order = MainFirst;
    track.main = {"a.mp3", 1, -1, 0, 1, 100, 1};
    track.secondary = {"", 1, -1, 0, 1, 100, 1};
    return track;
}

Playlist MakePlaylist(const std::string& name) {
    Playlist playlist;
    playlist.name = name;
    return playlist;
}

}  // namespace

TEST(CommonTrackStore, AddFindMoveAndBounds) {
    CCommonTrackStore store;
    const CommonTrack first = MakeCommonTrack("上课");
    const CommonTrack second = MakeCommonTrack("下课");
    const CommonTrack third = MakeCommonTrack("上课 ");

    ASSERT_TRUE(store.Add(&first));
    ASSERT_TRUE(store.Add(&second));
    EXPECT_FALSE(store.Add(&first));  // the same name again
    EXPECT_TRUE(store.Add(&third));   // a trailing blank makes another name
    EXPECT_FALSE(store.Add(nullptr));
    const CommonTrack upper = MakeCommonTrack("Bell");
    const CommonTrack lower = MakeCommonTrack("bell");
    EXPECT_TRUE(store.Add(&upper));
    EXPECT_TRUE(store.Add(&lower));  // letter case counts
    EXPECT_EQ(store.GetCount(), 5);

    EXPECT_EQ(store.Find("下课"), 1);
    EXPECT_EQ(store.Find("不存在"), -1);
    EXPECT_EQ(store.Get(5), nullptr);
    EXPECT_EQ(store.Get(-1), nullptr);
    EXPECT_FALSE(store.Delete(5));
    EXPECT_FALSE(store.Replace(-1, first));

    EXPECT_EQ(store.Move(0, false), 0);  // top stays on top
    EXPECT_EQ(store.Move(4, true), 4);   // bottom stays at the bottom
    EXPECT_EQ(store.Move(7, true), 7);
    EXPECT_EQ(store.Find("上课"), 0);
    EXPECT_EQ(store.Move(0, true), 1);
    EXPECT_EQ(store.Find("上课"), 1);
    EXPECT_EQ(store.Move(1, false), 0);

    std::vector<std::string> names{"stale"};
    store.GetNames(names);
    EXPECT_EQ(names, (std::vector<std::string>{"上课", "下课", "上课 ", "Bell", "bell"}));

    // Replace does not check names; Delete moves the later records up.
    ASSERT_TRUE(store.Replace(1, first));
    EXPECT_EQ(store.Find("上课"), 0);
    ASSERT_TRUE(store.Delete(0));
    EXPECT_EQ(store.Find("上课"), 0);
    EXPECT_EQ(store.GetCount(), 4);
}

TEST(CommonTrackStore, FileBytesBothWays) {
    TempDir dir;
    const std::string path = dir.File("M2list.dat");
    CCommonTrackStore store;
    ASSERT_TRUE(store.Save(path));
    EXPECT_EQ(ReadFile(path), Bytes({0x4D, 0x32, 0x4C, 0x00, 0, 0, 0, 0}));

    // One block with empty strings: name, order, two track blocks = 67 bytes.
    const std::string block = kEmptyString + Int(2) + TrackBlock(1, 0, 1, -1, 0, 100) +
                              TrackBlock(0, 1, 0, 1234, 567, -1);
    ASSERT_EQ(block.size(), 67u);
    ASSERT_EQ(TrackBlock(0, 0, 0, 0, 0, 0).size(), 29u);
    WriteFile(path, Bytes({0x4D, 0x32, 0x4C, 0x00}) + Int(1) + block);
    ASSERT_TRUE(store.Load(path));
    ASSERT_EQ(store.GetCount(), 1);
    const CommonTrack& loaded = *store.Get(0);
    EXPECT_EQ(loaded.order, SecondaryFirst);
    EXPECT_EQ(loaded.main, (TrackEntry{"", 1, -1, 0, 1, 100, 0}));
    EXPECT_EQ(loaded.secondary, (TrackEntry{"", 0, 1234, 567, 0, -1, 1}));
    EXPECT_EQ(store.Serialize(), ReadFile(path));

    // An empty store file empties the store.
    WriteFile(path, Bytes({0x4D, 0x32, 0x4C, 0x00, 0, 0, 0, 0}));
    ASSERT_TRUE(store.Load(path));
    EXPECT_EQ(store.GetCount(), 0);
}

TEST(CommonTrackStore, RoundTripAndHeaderRules) {
    TempDir dir;
    const std::string path = dir.File("M2list.dat");
    CCommonTrackStore store;
    CommonTrack bell = MakeCommonTrack("上课");
    ASSERT_TRUE(store.Add(&bell));
    CommonTrack other = MakeCommonTrack("眼保健操");
    other.order = SecondaryFirst;
    other.secondary = {"D:\\音乐\\轻音乐.wma", 0, 215000, 30000, 0, 35, 0};
    ASSERT_TRUE(store.Add(&other));
    ASSERT_TRUE(store.Save(path));

    CCommonTrackStore loaded;
    ASSERT_TRUE(loaded.Load(path));
    EXPECT_EQ(loaded.Records(), store.Records());

    // Wrong magic with count 0: not a store, nothing changes, nothing shown.
    RecordingReporter reporter;
    loaded.SetReporter(&reporter);
    WriteFile(path, Bytes({'X', 'X', 'X', 'X', 0, 0, 0, 0}));
    EXPECT_FALSE(loaded.Load(path));
    EXPECT_EQ(loaded.Records(), store.Records());
    // Shorter than the header: the same.
    WriteFile(path, Bytes({0x4D, 0x32, 0x4C}));
    EXPECT_FALSE(loaded.Load(path));
    EXPECT_EQ(loaded.Records(), store.Records());
    EXPECT_TRUE(reporter.messages.empty());

    // Wrong magic with a positive count: read as a store; duplicate names both load.
    const std::string block =
        kEmptyString + Int(0) + TrackBlock(1, 1, 1, -1, 0, 100) + TrackBlock(1, 1, 1, -1, 0, 100);
    WriteFile(path, Bytes({'X', 'X', 'X', 'X'}) + Int(2) + block + block);
    ASSERT_TRUE(loaded.Load(path));
    EXPECT_EQ(loaded.GetCount(), 2);
    EXPECT_EQ(loaded.Find(""), 0);

    // A file that ends early: the read error, and the store holds the tracks read whole.
    const std::string named = Bytes({5, 0, 0, 0, 'b', 'e', 'l', 'l', 0}) + Int(1) +
                              TrackBlock(1, 1, 1, -1, 0, 100) + TrackBlock(1, 1, 1, -1, 0, 100);
    WriteFile(path, Bytes({0x4D, 0x32, 0x4C, 0x00}) + Int(3) + named + block.substr(0, 40));
    EXPECT_FALSE(loaded.Load(path));
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_EQ(reporter.messages[0].text, texts::kCommonTracksReadError);
    ASSERT_EQ(loaded.GetCount(), 1);
    EXPECT_EQ(loaded.Get(0)->name, "bell");

    // A missing file: false, nothing shown.
    reporter.messages.clear();
    EXPECT_FALSE(loaded.Load(dir.File("none.dat")));
    EXPECT_TRUE(reporter.messages.empty());
}

TEST(PlaylistStore, FileBytesBothWays) {
    TempDir dir;
    const std::string path = dir.File("Mlist.dat");
    CPlaylistStore store;
    ASSERT_TRUE(store.Save(path));
    EXPECT_EQ(ReadFile(path), Bytes({0x4D, 0x41, 0x4C, 0x4C, 0, 0, 0, 0}));

    // An empty-named playlist without entries is 21 bytes; here it has one entry and an
    // entry count of -3 in a second block.
    const std::string withEntry =
        kEmptyString + Int(1) + Int(1) + Int(30) + Int(1) + TrackBlock(1, 1, 1, -1, 9000, 100);
    const std::string negative = kEmptyString + Int(-3) + Int(0) + Int(0) + Int(0);
    ASSERT_EQ(negative.size(), 21u);
    WriteFile(path, Bytes({0x4D, 0x41, 0x4C, 0x4C}) + Int(2) + withEntry + negative);
    ASSERT_TRUE(store.Load(path));
    ASSERT_EQ(store.GetCount(), 2);
    const Playlist& first = *store.Get(0);
    EXPECT_EQ(first.randomPlay, 1);
    EXPECT_EQ(first.randomLimit, 30);
    EXPECT_EQ(first.randomLimitKind, LimitMinutes);
    ASSERT_EQ(first.entries.size(), 1u);
    EXPECT_EQ(first.entries[0].limit, 9000);
    EXPECT_TRUE(store.Get(1)->entries.empty());
}

TEST(PlaylistStore, RoundTripKeepsPatternsAndHeaderRules) {
    TempDir dir;
    const std::string path = dir.File("Mlist.dat");
    CPlaylistStore store;
    Playlist list = MakePlaylist("课间音乐");
    list.randomPlay = 1;
    list.randomLimit = 30;
    list.randomLimitKind = LimitMinutes;
    list.entries = {{"音乐库\\春.mp3", 1, -1, 180000, 1, 100, 1},
                    {"音乐库\\*.MP3", 0, -1, 20000, 0, 60, 0},
                    {"/srv/music/夏.ogg", 1, -1, 0, 1, -1, 0}};
    ASSERT_TRUE(store.Add(&list));
    ASSERT_TRUE(store.Save(path));

    CPlaylistStore loaded;
    ASSERT_TRUE(loaded.Load(path));
    EXPECT_EQ(loaded.Records(), store.Records());
    EXPECT_EQ(loaded.Get(0)->entries[1].path, "音乐库\\*.MP3");

    // Wrong magic: count 0 is refused, count 1 is read.
    RecordingReporter reporter;
    loaded.SetReporter(&reporter);
    WriteFile(path, Bytes({'X', 'X', 'X', 'X', 0, 0, 0, 0}));
    EXPECT_FALSE(loaded.Load(path));
    EXPECT_EQ(loaded.Records(), store.Records());
    const std::string empty = kEmptyString + Int(0) + Int(0) + Int(0) + Int(0);
    WriteFile(path, Bytes({'X', 'X', 'X', 'X'}) + Int(1) + empty);
    ASSERT_TRUE(loaded.Load(path));
    EXPECT_EQ(loaded.GetCount(), 1);

    // An entry cut off: the read error, and the store holds the playlists read whole.
    const std::string cut =
        kEmptyString + Int(2) + Int(0) + Int(0) + Int(0) + TrackBlock(1, 1, 1, -1, 0, 100);
    const std::string whole = Bytes({3, 0, 0, 0, 'a', 'm', 0}) + Int(0) + Int(0) + Int(0) + Int(0);
    WriteFile(path, Bytes({0x4D, 0x41, 0x4C, 0x4C}) + Int(2) + whole + cut);
    EXPECT_FALSE(loaded.Load(path));
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_EQ(reporter.messages[0].text, texts::kPlaylistsReadError);
    EXPECT_TRUE(reporter.messages[0].caption == kErrorCaption);
    ASSERT_EQ(loaded.GetCount(), 1);
    EXPECT_EQ(loaded.Get(0)->name, "am");
}

TEST(StoreFiles, TheFirstSaveOverADamagedFileKeepsACopyOfIt) {
    TempDir dir;
    const std::string path = dir.File("Mlist.dat");
    const std::string damaged = Bytes({0x4D, 0x41, 0x4C, 0x4C}) + Int(2) + kEmptyString + Int(0) +
                                Int(0) + Int(0) + Int(0) + Bytes({9, 9});
    WriteFile(path, damaged);
    WriteFile(path + ".damaged", "an earlier copy");
    CPlaylistStore store;
    EXPECT_FALSE(store.Load(path));
    ASSERT_EQ(store.GetCount(), 1);
    Playlist added = MakePlaylist("新");
    ASSERT_TRUE(store.Add(&added));

    // The first save copies the damaged file beside itself without touching the earlier
    // copy; the second save copies nothing more.
    ASSERT_TRUE(store.Save(path));
    EXPECT_EQ(ReadFile(path + ".damaged"), "an earlier copy");
    EXPECT_EQ(ReadFile(path + ".damaged.1"), damaged);
    ASSERT_TRUE(store.Save(path));
    EXPECT_FALSE(std::filesystem::exists(path + ".damaged.2"));
    CPlaylistStore reloaded;
    ASSERT_TRUE(reloaded.Load(path));
    EXPECT_EQ(reloaded.GetCount(), 2);

    // A common-track store saved elsewhere leaves its damaged file alone until saved over it.
    const std::string tracksPath = dir.File("M2list.dat");
    WriteFile(tracksPath, Bytes({0x4D, 0x32, 0x4C, 0x00}) + Int(1) + Bytes({3, 0}));
    CCommonTrackStore tracks;
    EXPECT_FALSE(tracks.Load(tracksPath));
    EXPECT_EQ(tracks.GetCount(), 0);
    ASSERT_TRUE(tracks.Save(dir.File("other.dat")));
    EXPECT_FALSE(std::filesystem::exists(tracksPath + ".damaged"));
    ASSERT_TRUE(tracks.Save(tracksPath));
    EXPECT_EQ(ReadFile(tracksPath + ".damaged").size(), 10u);
}

TEST(PlaylistStore, GetCopyAppendsAndChecksBounds) {
    CPlaylistStore store;
    Playlist list = MakePlaylist("午休");
    list.randomPlay = 1;
    list.randomLimit = 3;
    list.entries = {{"a.mp3", 1, -1, 0, 1, 100, 1}, {"b.mp3", 1, -1, 0, 1, 100, 1}};
    ASSERT_TRUE(store.Add(&list));

    Playlist copy;
    copy.entries.push_back({"already.mp3", 1, -1, 0, 1, 100, 1});
    EXPECT_FALSE(store.GetCopy(1, &copy));
    EXPECT_FALSE(store.GetCopy(0, nullptr));
    ASSERT_TRUE(store.GetCopy(0, &copy));
    EXPECT_EQ(copy.name, "午休");
    EXPECT_EQ(copy.randomLimit, 3);
    ASSERT_EQ(copy.entries.size(), 3u);
    EXPECT_EQ(copy.entries[2].path, "b.mp3");
}

TEST(StoreFiles, AFailedSaveKeepsTheOldFile) {
    TempDir dir;
    RecordingReporter reporter;
    CPlaylistStore store(&reporter);
    // A folder that does not exist: the file cannot be created, which is said, and the
    // store stays marked as changed.
    const Playlist lunch = MakePlaylist("午休");
    ASSERT_TRUE(store.Add(&lunch));
    EXPECT_FALSE(store.Save(dir.File("missing/Mlist.dat")));
    ASSERT_EQ(reporter.messages.size(), 1u);
    EXPECT_EQ(reporter.messages[0].text, texts::kPlaylistsWriteError);
    EXPECT_EQ(reporter.messages[0].caption, kErrorCaption);
    EXPECT_TRUE(store.IsModified());

    // Saving over a folder fails at the rename: the write error, the folder untouched.
    std::filesystem::create_directory(dir.File("Mlist.dat"));
    EXPECT_FALSE(store.Save(dir.File("Mlist.dat")));
    ASSERT_EQ(reporter.messages.size(), 2u);
    EXPECT_EQ(reporter.messages[1].text, texts::kPlaylistsWriteError);
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("Mlist.dat")));

    CCommonTrackStore tracks(&reporter);
    EXPECT_FALSE(tracks.Save(dir.File("missing/M2list.dat")));
    std::filesystem::create_directory(dir.File("M2list.dat"));
    EXPECT_FALSE(tracks.Save(dir.File("M2list.dat")));
    ASSERT_EQ(reporter.messages.size(), 4u);
    EXPECT_EQ(reporter.messages[2].text, texts::kCommonTracksWriteError);
    EXPECT_EQ(reporter.messages[3].text, texts::kCommonTracksWriteError);
}
