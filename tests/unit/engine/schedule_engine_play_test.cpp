// What the engine queues for items, common tracks and playlists, playing by hand, the
// end of playback, and the settings it loads.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "engine_test_fixture.h"
#include "schedule/settings.h"

namespace engine_test {
namespace {

using schedule::CommonTrack;
using schedule::Playlist;
using schedule::ScheduleItem;
using schedule::TrackEntry;

TrackEntry Track(const std::string& path, int fullPlay = 1, int limit = 0) {
    TrackEntry entry;
    entry.path = path;
    entry.fullPlay = fullPlay;
    entry.limit = limit;
    return entry;
}

ScheduleItem Named(int kind, const std::string& title, const std::string& name) {
    ScheduleItem item = Single(Hms(8, 0, 0), title);
    item.kind = kind;
    item.musicName = name;
    return item;
}

Playlist List(const std::string& name, int count) {
    Playlist playlist;
    playlist.name = name;
    for (int i = 0; i < count; ++i) {
        playlist.entries.push_back(Track("/m/" + std::to_string(i) + ".mp3"));
    }
    return playlist;
}

TEST_F(EngineTest, SingleItemQueuesOneEntryWithItsPlayModes) {
    ScheduleItem item = Single(Hms(8, 0, 0), "早操", "/abs/song.mp3");
    item.fullPlay = 0;
    item.limit = 20000;
    item.autoPlay = 0;
    item.volume = 40;
    item.useDefaultVolume = 0;
    EXPECT_TRUE(engine.PlayItem(&item));
    TrackEntry expected;
    expected.path = "/abs/song.mp3";
    expected.fullPlay = 0;
    expected.limit = 20000;
    expected.autoPlay = 0;
    expected.volume = 40;
    expected.useDefaultVolume = 0;
    EXPECT_EQ(player.queue, std::vector<TrackEntry>{expected});
    // The queue is cleared (stopping) first and shown after loading.
    const auto& lines = log.Lines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0].substr(9), "clear 1");
    EXPECT_EQ(lines[1].substr(9), "load 0");
    EXPECT_EQ(lines[2].substr(9), "refresh");
    EXPECT_EQ(host.status, "正在播放作息项...");
    EXPECT_FALSE(engine.PlayItem(nullptr));

    // An already visible player is not claimed by the engine: its end leaves it open.
    engine.OnPlaybackEnded();
    host.playerVisible = true;
    EXPECT_TRUE(engine.PlayItem(&item));
    log.Clear();
    engine.OnPlaybackEnded();
    EXPECT_TRUE(log.With("hide-player").empty());

    // A kind this program does not know queues nothing but still reports playing.
    ScheduleItem odd = item;
    odd.kind = 7;
    EXPECT_TRUE(engine.PlayItem(&odd));
    EXPECT_TRUE(player.queue.empty());
    EXPECT_EQ(host.status, "正在播放作息项...");
}

TEST_F(EngineTest, CommonTrackOrdersDecideTheQueue) {
    CommonTrack track;
    track.name = "上课铃";
    track.main = Track("/m/main.mp3");
    track.secondary = Track("/m/second.mp3");
    for (const auto& [order, expected] : std::vector<std::pair<int, std::vector<std::string>>>{
             {schedule::NoSecondary, {"main.mp3"}},
             {schedule::MainFirst, {"main.mp3", "second.mp3"}},
             {schedule::SecondaryFirst, {"second.mp3", "main.mp3"}},
             {9, {"second.mp3", "main.mp3"}}}) {
        track.order = order;
        player.queue.clear();
        EXPECT_TRUE(engine.PlayCommonTrack(&track));
        EXPECT_EQ(player.QueuedNames(), expected) << "order " << order;
    }
    EXPECT_FALSE(engine.PlayCommonTrack(nullptr));

    // Through an item, by name.
    track.order = schedule::MainFirst;
    ASSERT_TRUE(commonTracks.Add(&track));
    const ScheduleItem item = Named(schedule::CommonMusic, "上课", "上课铃");
    EXPECT_TRUE(engine.PlayItem(&item));
    EXPECT_EQ(player.QueuedNames(), (std::vector<std::string>{"main.mp3", "second.mp3"}));
}

TEST_F(EngineTest, MissingCommonTrackOrPlaylistReportsAndLeavesThePlayerEmpty) {
    player.queue.push_back(Track("/m/playing.mp3"));
    player.playing = true;
    const ScheduleItem track = Named(schedule::CommonMusic, "上课", "已删除");
    EXPECT_FALSE(engine.PlayItem(&track));
    EXPECT_EQ(host.status, "[上课][已删除]:常用曲目错误!");
    EXPECT_TRUE(player.queue.empty());
    EXPECT_FALSE(player.playing);
    EXPECT_FALSE(host.playerVisible);

    const ScheduleItem list = Named(schedule::ListMusic, "午休", "没有");
    EXPECT_FALSE(engine.PlayItem(&list));
    EXPECT_EQ(host.status, "[午休][没有]:列表曲目错误!");
    EXPECT_TRUE(log.With("load").empty());
}

TEST_F(EngineTest, PlaylistsQueueInOrderOrShuffledWithinTheirLimit) {
    Playlist playlist = List("晨读", 5);
    playlist.randomLimit = 2;
    EXPECT_TRUE(engine.PlayPlaylist(&playlist));
    EXPECT_EQ(player.QueuedNames(),
              (std::vector<std::string>{"0.mp3", "1.mp3", "2.mp3", "3.mp3", "4.mp3"}))
        << "without random play the limit is ignored";

    playlist.randomPlay = 1;
    playlist.randomLimit = 3;
    std::set<std::vector<std::string>> orders;
    for (int second = 0; second < 6; ++second) {
        clock.Set(Time(7, 9, 0, second));
        player.queue.clear();
        engine.PlayPlaylist(&playlist);
        const auto names = player.QueuedNames();
        ASSERT_EQ(names.size(), 3u);
        EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), 3u)
            << "a file is queued once";
        orders.insert(names);
        // Within the same second the same order comes again.
        player.queue.clear();
        engine.PlayPlaylist(&playlist);
        EXPECT_EQ(player.QueuedNames(), names);
    }
    EXPECT_GT(orders.size(), 1u) << "different seconds shuffle differently";

    playlist.randomLimit = 0;
    player.queue.clear();
    EXPECT_FALSE(engine.PlayPlaylist(&playlist)) << "nothing queued, nothing loads";
    EXPECT_TRUE(player.queue.empty());
    playlist.randomLimit = 99;
    player.queue.clear();
    engine.PlayPlaylist(&playlist);
    EXPECT_EQ(player.queue.size(), 5u);
    EXPECT_FALSE(engine.PlayPlaylist(nullptr));
}

TEST_F(EngineTest, MinuteBudgetCutsTheLastTrackToTheTimeLeft) {
    Playlist playlist = List("午休", 3);
    playlist.randomPlay = 1;
    playlist.randomLimitKind = schedule::LimitMinutes;
    playlist.randomLimit = 10;
    for (int i = 0; i < 3; ++i) {
        player.lengths[std::to_string(i) + ".mp3"] = 4 * 60000;
    }
    EXPECT_TRUE(engine.PlayPlaylist(&playlist));
    ASSERT_EQ(player.queue.size(), 3u);
    EXPECT_EQ(player.queue[0].fullPlay, 1);
    EXPECT_EQ(player.queue[1].fullPlay, 1);
    EXPECT_EQ(player.queue[2].fullPlay, 0);
    EXPECT_EQ(player.queue[2].limit, 2 * 60000);

    // A budget used up exactly, or none at all, queues nothing more: a cut to 0 ms
    // would play the whole file.
    for (const auto& [minutes, count] : std::vector<std::pair<int, std::size_t>>{{8, 2}, {0, 0}}) {
        playlist.randomLimit = minutes;
        player.queue.clear();
        engine.PlayPlaylist(&playlist);
        EXPECT_EQ(player.queue.size(), count) << minutes << " minutes";
        for (const TrackEntry& entry : player.queue) {
            EXPECT_EQ(entry.fullPlay, 1);
        }
    }

    // Limited entries count their limit; one that cannot be measured takes nothing.
    playlist.randomLimit = 10;
    playlist.entries = {Track("/m/a.mp3", 0, 5 * 60000), Track("/m/gone.mp3"),
                        Track("/m/b.mp3", 0, 4 * 60000)};
    player.queue.clear();
    engine.PlayPlaylist(&playlist);
    std::vector<std::string> names = player.QueuedNames();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.mp3", "b.mp3"}));
}

TEST_F(EngineTest, PlaylistItemPlaysTheExpandedCopy) {
    std::filesystem::create_directories(AppDir() + "音乐库");
    for (const char* name : {"x.mp3", "y.mp3"}) {
        WriteBytes(AppDir() + "音乐库/" + name);
    }
    Playlist playlist;
    playlist.name = "全部";
    playlist.entries = {Track("音乐库\\*.mp3"), Track("/m/fixed.mp3")};
    ASSERT_TRUE(playlists.Add(&playlist));
    const ScheduleItem item = Named(schedule::ListMusic, "午休", "全部");
    EXPECT_TRUE(engine.PlayItem(&item));
    std::vector<std::string> names = player.QueuedNames();
    ASSERT_EQ(names.size(), 3u);
    std::sort(names.begin(), names.begin() + 2);
    EXPECT_EQ(names, (std::vector<std::string>{"x.mp3", "y.mp3", "fixed.mp3"}));
    EXPECT_EQ(player.queue[0].path.rfind(AppDir(), 0), 0u);
}

TEST_F(EngineTest, PlayingByHandFromTheMenusAndTheList) {
    CommonTrack track;
    track.name = "铃";
    track.main = Track("/m/main.mp3");
    ASSERT_TRUE(commonTracks.Add(&track));
    Playlist empty;
    empty.name = "空";
    ASSERT_TRUE(playlists.Add(&empty));
    Playlist full = List("满", 2);
    ASSERT_TRUE(playlists.Add(&full));
    SetOption(&engine::EngineOptions::extRun, true);
    SetOption(&engine::EngineOptions::runBefore, "pre");
    SetOption(&engine::EngineOptions::paramBefore, "p1");

    engine.PlayCommonTrackFromMenu(0);
    EXPECT_EQ(log.With("run"), std::vector<std::string>{"07:00:00 run pre p1"});
    EXPECT_EQ(host.status, "正在播放常用曲目...");
    EXPECT_EQ(player.QueuedNames(), std::vector<std::string>{"main.mp3"});
    EXPECT_TRUE(host.playerVisible);

    log.Clear();
    engine.PlayCommonTrackFromMenu(1);  // no such track
    engine.PlayPlaylistFromMenu(0);     // a playlist without files
    EXPECT_TRUE(log.Lines().empty()) << "nothing happens for them";

    engine.PlayPlaylistFromMenu(1);
    EXPECT_EQ(host.status, "正在播放列表曲目...");
    EXPECT_EQ(player.queue.size(), 2u);

    // The selected row of today's list, with the item's own parameters.
    ScheduleItem item = Single(Hms(9, 0, 0), "上课", "/m/row.mp3");
    item.runBefore = 1;
    item.useDefaultParams = 0;
    item.params = "own";
    LoadDays({item});
    log.Clear();
    engine.PlayListRow(-1);
    engine.PlayListRow(3);
    EXPECT_TRUE(log.Lines().empty()) << "no row, or no such row: nothing";
    engine.PlayListRow(0);
    EXPECT_EQ(log.With("run"), std::vector<std::string>{"07:00:00 run pre own"});
    EXPECT_EQ(player.QueuedNames(), std::vector<std::string>{"row.mp3"});
    EXPECT_EQ(host.status, "正在播放作息项...");
}

TEST_F(EngineTest, ChosenFilesPlayAndAlwaysShowThePlayer) {
    SetOption(&engine::EngineOptions::showPlayer, false);
    engine.PlayChosenFiles();
    EXPECT_TRUE(log.Lines().empty()) << "no file chosen: nothing";
    player.filesToOpen = {"/m/a.mp3", "/m/b.mp3"};
    engine.PlayChosenFiles();
    EXPECT_EQ(player.queue.size(), 2u);
    EXPECT_FALSE(log.With("load 0").empty());
    EXPECT_FALSE(log.With("update").empty());
    EXPECT_TRUE(host.playerVisible);
}

TEST_F(EngineTest, PlaybackEndHidesThePlayerRunsTheAfterProgramAndTrims) {
    ScheduleItem item = Single(Hms(8, 0, 0), "早操");
    engine.PlayItem(&item);
    ASSERT_TRUE(host.playerVisible);
    SetOption(&engine::EngineOptions::extRun, true);
    SetOption(&engine::EngineOptions::runAfter, "after");
    SetOption(&engine::EngineOptions::paramAfter, "a b");
    log.Clear();
    engine.OnPlaybackEnded();
    EXPECT_EQ(log.Lines(),
              (std::vector<std::string>{"07:00:00 hide-player", "07:00:00 status ",
                                        "07:00:00 status 运行扩展程序...", "07:00:00 run after a b",
                                        "07:00:00 log exitcode after a b -> 0",
                                        "07:00:00 status 程序运行成功...", "07:00:00 trim"}));
    EXPECT_FALSE(host.playerVisible);

    // A player the user opened stays open; without the extension run nothing runs.
    SetOption(&engine::EngineOptions::extRun, false);
    host.playerVisible = true;
    log.Clear();
    engine.OnPlaybackEnded();
    EXPECT_EQ(log.Lines(), (std::vector<std::string>{"07:00:00 status ", "07:00:00 trim"}));
}

TEST_F(EngineTest, SettingsLoadTheTimetableAndTheEngineKeys) {
    std::filesystem::create_directories(AppDir() + "作息表");
    schedule::CTimetable timetable;
    timetable.SetTitle("初中");
    const ScheduleItem item = Single(Hms(9, 0, 0), "上课");
    timetable.AddItem(kMonday, &item);
    ASSERT_TRUE(timetable.Save(AppDir() + "作息表/初中.zxb"));

    schedule::CSettings settings(AppDir() + "QELT.INI");
    ASSERT_TRUE(settings.SetTimetablePath("作息表\\初中.zxb"));
    settings.SetAutoShutdown(false);
    settings.SetShutdownDelayMinutes(2);
    settings.SetDefaultVolume(70);
    settings.SetPopupPrompt(false);
    settings.SetShowPlayer(false);
    settings.SetExtRun(true, "before.sh", "after.sh", "b1", "a2");
    engine.LoadSettings(settings);
    EXPECT_EQ(host.title, "初中");
    EXPECT_EQ(engine.Timetable().GetPath(), AppDir() + "作息表/初中.zxb");
    EXPECT_EQ(engine.NextIndex(), 0);
    EXPECT_FALSE(engine.Options().autoShutdown);
    EXPECT_EQ(engine.Options().shutdownDelaySeconds, 120);
    EXPECT_EQ(engine.Options().defaultVolume, 70);
    EXPECT_EQ(player.defaultVolume, 70);
    EXPECT_FALSE(engine.Options().popupPrompt);
    EXPECT_FALSE(engine.Options().showPlayer);
    EXPECT_TRUE(engine.Options().extRun);
    EXPECT_EQ(engine.Options().runBefore, "before.sh");
    EXPECT_EQ(engine.Options().runAfter, "after.sh");
    EXPECT_EQ(engine.Options().paramBefore, "b1");
    EXPECT_EQ(engine.Options().paramAfter, "a2");

    // A delay too large for seconds is held at the largest one, never overflowing.
    settings.SetShutdownDelayMinutes(2147483647);
    engine.LoadSettings(settings);
    EXPECT_EQ(engine.Options().shutdownDelaySeconds, 2147483647);
}

}  // namespace
}  // namespace engine_test
