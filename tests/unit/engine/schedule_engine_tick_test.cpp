// The scheduler tick on a virtual clock: lead-in, countdown, start, rollover, auto-play,
// the before-program, clock jumps and items sharing a second.

#include <gtest/gtest.h>

#include "engine_test_fixture.h"

namespace engine_test {
namespace {

using schedule::ScheduleItem;

std::string Countdown(int seconds) {
    return "status 作息项将在" + std::to_string(seconds) + "秒后自动播放";
}

TEST_F(EngineTest, ItemCountsDownFromTenAndStartsAtItsSecond) {
    LoadDays({Single(Hms(8, 0, 0), "早操"), Single(Hms(8, 20, 0), "课间")});
    EXPECT_EQ(host.pending, "早操");
    EXPECT_EQ(host.title, "测试作息表");
    EXPECT_EQ(host.listNext, 0);

    clock.Set(Time(7, 7, 59, 0));
    TickThrough(7, 59, 49);
    EXPECT_TRUE(log.With("status").empty()) << "nothing is shown before the last ten seconds";
    EXPECT_TRUE(engine.IsArmed()) << "armed on the first tick 25 s or less ahead";

    TickThrough(8, 0, 2);
    std::vector<std::string> expected;
    for (int s = 50; s <= 59; ++s) {
        expected.push_back("07:59:" + std::to_string(s) + " " + Countdown(60 - s));
    }
    expected.push_back("08:00:00 status 正在播放作息项...");
    EXPECT_EQ(log.With("status"), expected);

    const auto notices = log.With("notify");
    ASSERT_EQ(notices.size(), 11u);
    EXPECT_EQ(notices.front(), "07:59:50 notify [早操][铃声]:将在10秒后开始自动播放!");
    EXPECT_EQ(notices[9], "07:59:59 notify [早操][铃声]:将在1秒后开始自动播放!");
    EXPECT_EQ(notices.back(), "08:00:00 notify 作息项开始播放");
    EXPECT_EQ(host.notifierTimes, (std::vector<int>{500, 3000, 500}));

    // The single file is queued with the item's play modes, its path in the program folder.
    ASSERT_EQ(player.queue.size(), 1u);
    EXPECT_EQ(Queued(0), AppDir() + "音乐库/bell.wav");
    EXPECT_EQ(log.With("load"), std::vector<std::string>{"08:00:00 load 0"});
    EXPECT_EQ(log.With("show-player").size(), 1u);
    EXPECT_EQ(engine.NextIndex(), 1);
    EXPECT_EQ(host.listNext, 1);
    EXPECT_EQ(host.pending, "课间");
    EXPECT_FALSE(engine.IsArmed());
}

TEST_F(EngineTest, PromptsOffStillStartTheItemSilently) {
    SetOption(&engine::EngineOptions::popupPrompt, false);
    SetOption(&engine::EngineOptions::showPlayer, false);
    SetOption(&engine::EngineOptions::autoShutdown, false);
    LoadDays({Single(Hms(8, 0, 0), "早操")});
    clock.Set(Time(7, 7, 59, 30));
    TickThrough(8, 0, 1);
    EXPECT_TRUE(log.With("notify").empty());
    EXPECT_EQ(log.With("status"), std::vector<std::string>{"08:00:00 status 正在播放作息项..."});
    EXPECT_EQ(player.queue.size(), 1u);
    EXPECT_TRUE(log.With("show-player").empty());
    EXPECT_EQ(host.pending, "(none)") << "after the last item no item is pending";
}

TEST_F(EngineTest, BeforeProgramRunsOnceAtTheLeadIn) {
    ScheduleItem own = Single(Hms(8, 0, 0), "早操");
    own.runBefore = 1;
    own.useDefaultParams = 0;
    own.params = "--bell \"两 节\"";
    ScheduleItem byDefault = Single(Hms(9, 0, 0), "上课");
    byDefault.runBefore = 1;
    ScheduleItem without = Single(Hms(10, 0, 0), "下课");
    LoadDays({own, byDefault, without});
    SetOption(&engine::EngineOptions::extRun, true);
    SetOption(&engine::EngineOptions::runBefore, "before.sh");
    SetOption(&engine::EngineOptions::paramBefore, "default");

    clock.Set(Time(7, 7, 59, 0));
    TickThrough(8, 0, 0);
    EXPECT_EQ(log.With("run"), std::vector<std::string>{"07:59:35 run before.sh --bell \"两 节\""});
    const auto statuses = log.With("status");
    ASSERT_GE(statuses.size(), 2u);
    EXPECT_EQ(statuses[0], "07:59:35 status 运行扩展程序...");
    EXPECT_EQ(statuses[1], "07:59:35 status 程序运行成功...");

    log.Clear();
    runProgram = [](const std::string&, const std::string&) { return 3; };
    clock.Set(Time(7, 8, 59, 0));
    TickThrough(9, 0, 0);
    EXPECT_EQ(log.With("run"), std::vector<std::string>{"08:59:35 run before.sh default"});
    EXPECT_EQ(log.With("status").at(1), "08:59:35 status 程序运行有错...");
    EXPECT_EQ(log.With("load").size(), 1u) << "a failed program does not stop the item";

    log.Clear();
    clock.Set(Time(7, 9, 59, 0));
    TickThrough(10, 0, 0);
    EXPECT_TRUE(log.With("run").empty()) << "an item without the flag runs nothing";

    // With the extension run off the flagged item still starts and runs nothing.
    SetOption(&engine::EngineOptions::extRun, false);
    LoadDays({own});
    log.Clear();
    clock.Set(Time(14, 7, 59, 0));  // the next Monday
    TickThrough(8, 0, 0);
    EXPECT_TRUE(log.With("run").empty());
    EXPECT_EQ(log.With("load").size(), 1u);
}

TEST_F(EngineTest, TicksDuringTheBeforeProgramStartTheItemOnce) {
    ScheduleItem item = Single(Hms(8, 0, 0), "早操");
    item.runBefore = 1;
    LoadDays({item, Single(Hms(9, 0, 0), "上课")});
    SetOption(&engine::EngineOptions::extRun, true);
    SetOption(&engine::EngineOptions::runBefore, "slow");
    // The program outlives the item's time: the event loop keeps ticking meanwhile.
    runProgram = [this](const std::string&, const std::string&) {
        for (int i = 0; i < 10; ++i) {
            clock.Advance(1000);
            engine.OnTick();
        }
        return -1;
    };
    clock.Set(Time(7, 7, 59, 49));
    TickThrough(7, 59, 50);  // armed here; the nested ticks run up to 08:00:00
    TickThrough(8, 0, 5);
    EXPECT_EQ(log.With("run").size(), 1u) << "a nested tick must not run the program again";
    EXPECT_EQ(log.With("load"), std::vector<std::string>{"08:00:00 load 0"});
    // Nothing announces the item after it has started.
    for (const std::string& line : log.With("status 作息项将在")) {
        EXPECT_LT(line, "08:00:00") << line;
    }
    EXPECT_EQ(host.pending, "上课");
}

TEST_F(EngineTest, ASlowBeforeProgramLeavesTheCountdownToLaterTicks) {
    ScheduleItem item = Single(Hms(8, 0, 0), "早操");
    item.runBefore = 1;
    LoadDays({item});
    SetOption(&engine::EngineOptions::extRun, true);
    // Started 8 s ahead, it runs for 5 s while the event loop ticks.
    runProgram = [this](const std::string&, const std::string&) {
        for (int i = 0; i < 5; ++i) {
            clock.Advance(1000);
            engine.OnTick();
        }
        return 0;
    };
    clock.Set(Time(7, 7, 59, 52));
    engine.OnTick();
    std::vector<std::string> expected;
    for (int s = 53; s <= 57; ++s) {
        expected.push_back("07:59:" + std::to_string(s) + " " + Countdown(60 - s));
    }
    EXPECT_EQ(log.With("status 作息项将在"), expected) << "no stale 8 s after the 3 s";
}

TEST_F(EngineTest, StartAfterTheItemsSecondSkipsIt) {
    clock.Set(Time(7, 8, 0, 5));
    LoadDays({Single(Hms(8, 0, 0), "早操"), Single(Hms(8, 20, 0), "课间")});
    EXPECT_EQ(engine.NextIndex(), 1);
    EXPECT_EQ(host.pending, "课间");
    EXPECT_EQ(host.listNext, 1);
    TickThrough(8, 0, 30);
    EXPECT_TRUE(player.queue.empty());
    EXPECT_TRUE(log.With("load").empty());
}

TEST_F(EngineTest, MidnightRebuildsTheListAndRingsTheNewDay) {
    LoadDays({Single(Hms(23, 0, 0), "晚")},
             {Single(Hms(0, 1, 0), "周二早"), Single(Hms(7, 0, 0), "周二")});
    clock.Set(Time(7, 23, 59, 50));
    TickThrough(Time(8, 0, 0, 0));
    EXPECT_EQ(engine.Today(), kTuesday);
    EXPECT_EQ(log.With("list").back(), "00:00:00 list 2 next 0");
    EXPECT_EQ(host.pending, "周二早");
    TickThrough(Time(8, 0, 1, 1));
    EXPECT_EQ(log.With("notify").size(), 11u);
    EXPECT_EQ(log.With("load"), std::vector<std::string>{"00:01:00 load 0"});
    EXPECT_EQ(host.pending, "周二");
}

TEST_F(EngineTest, ItemsASecondApartAndJustAfterMidnightAllStart) {
    // An item that becomes pending a second before its time has no tick of its own to
    // be armed on: it is armed when it becomes pending, its before-program run once.
    ScheduleItem second = Single(Hms(8, 0, 1), "二", "b.wav");
    second.runBefore = 1;
    LoadDays({Single(Hms(8, 0, 0), "一", "a.wav"), second, Single(Hms(8, 0, 2), "三", "c.wav")},
             {Single(Hms(0, 0, 1), "零一", "d.wav"), Single(Hms(0, 0, 2), "零二", "e.wav")});
    SetOption(&engine::EngineOptions::extRun, true);
    SetOption(&engine::EngineOptions::runBefore, "before.sh");
    SetOption(&engine::EngineOptions::paramBefore, "p");
    clock.Set(Time(7, 7, 59, 30));
    TickThrough(8, 0, 5);
    EXPECT_EQ(log.With("load"),
              (std::vector<std::string>{"08:00:00 load 0", "08:00:01 load 0", "08:00:02 load 0"}));
    EXPECT_EQ(log.With("run"), std::vector<std::string>{"08:00:00 run before.sh p"});

    // The first seconds of a day: the rollover tick establishes the new day's items.
    clock.Set(Time(7, 23, 59, 50));
    TickThrough(Time(8, 0, 0, 5));
    const auto loads = log.With("load");
    ASSERT_EQ(loads.size(), 5u);
    EXPECT_EQ(loads[3], "00:00:01 load 0");
    EXPECT_EQ(loads[4], "00:00:02 load 0");
    EXPECT_EQ(Queued(0), AppDir() + "e.wav");
}

TEST_F(EngineTest, AnArmingFromYesterdayNeverStartsAnItemEarly) {
    // Monday's last item is armed, but its tick is lost: the clock reaches Tuesday.
    LoadDays({Single(Hms(23, 59, 59), "周一末")},
             {Single(Hms(0, 0, 0), "零点"), Single(Hms(0, 0, 5), "周二")});
    clock.Set(Time(7, 23, 59, 40));
    TickThrough(23, 59, 58);
    ASSERT_TRUE(engine.IsArmed());
    clock.Set(Time(8, 0, 0, 0));
    engine.OnTick();
    TickThrough(Time(8, 0, 0, 10));
    EXPECT_EQ(log.With("load"), std::vector<std::string>{"00:00:05 load 0"});
    EXPECT_EQ(host.pending, "(none)");
}

TEST_F(EngineTest, AutoPlayOffFreezesEverythingAndOnResumesWithinTolerance) {
    LoadDays({Single(Hms(8, 0, 0), "早操"), Single(Hms(9, 0, 0), "上课")});
    clock.Set(Time(7, 7, 59, 40));
    TickThrough(7, 59, 45);  // armed
    SetOption(&engine::EngineOptions::autoPlay, !engine.Options().autoPlay);
    ASSERT_FALSE(engine.Options().autoPlay);
    log.Clear();
    TickThrough(8, 0, 8);
    EXPECT_TRUE(log.Lines().empty()) << "while off the tick does nothing at all";

    // Switched on 8 s after the armed item's time: it still starts.
    SetOption(&engine::EngineOptions::autoPlay, !engine.Options().autoPlay);
    TickThrough(8, 0, 9);
    EXPECT_EQ(log.With("load"), std::vector<std::string>{"08:00:09 load 0"});

    // Switched on more than 10 s late: the item is passed over.
    clock.Set(Time(7, 8, 59, 40));
    TickThrough(8, 59, 45);
    SetOption(&engine::EngineOptions::autoPlay, !engine.Options().autoPlay);
    log.Clear();
    clock.Set(Time(7, 9, 0, 10));
    SetOption(&engine::EngineOptions::autoPlay, !engine.Options().autoPlay);
    TickThrough(9, 0, 11);
    EXPECT_TRUE(log.With("load").empty());
    EXPECT_EQ(engine.NextIndex(), -1);

    // No rollover while off.
    SetOption(&engine::EngineOptions::autoPlay, !engine.Options().autoPlay);
    clock.Set(Time(8, 0, 0, 5));
    engine.OnTick();
    EXPECT_EQ(engine.Today(), kMonday);
}

TEST_F(EngineTest, ClockSetBackNeverRingsAnItemTwiceOnOneDate) {
    ScheduleItem item = Single(Hms(8, 0, 0), "早操");
    item.runBefore = 1;
    LoadDays({item, Single(Hms(9, 0, 0), "上课")});
    SetOption(&engine::EngineOptions::extRun, true);
    clock.Set(Time(7, 7, 59, 0));
    TickThrough(8, 0, 30);
    ASSERT_EQ(log.With("load").size(), 1u);

    // A correction sets the clock back across the item.
    clock.Set(Time(7, 7, 58, 0));
    engine.OnTick();
    TickThrough(8, 1, 0);
    EXPECT_EQ(log.With("load").size(), 1u) << "rung again after the clock was set back";
    EXPECT_EQ(log.With("run").size(), 1u) << "its before-program ran again";
    EXPECT_EQ(log.With("notify").size(), 11u) << "its countdown was shown again";

    // The next item still rings, and on the next date the same item rings again.
    TickThrough(9, 0, 0);
    EXPECT_EQ(log.With("load").size(), 2u);
    clock.Set(Time(14, 7, 59, 0));
    engine.OnTick();  // a week later: the weekday is the same
    TickThrough(8, 0, 0);
    EXPECT_EQ(log.With("load").size(), 3u);
}

TEST_F(EngineTest, ClockSetForwardPassesOverItemsAsTheRulesSay) {
    LoadDays({Single(Hms(8, 0, 0), "一"), Single(Hms(8, 10, 0), "二"), Single(Hms(8, 20, 0), "三"),
              Single(Hms(8, 30, 0), "四")});
    // A jump that lands 5 s after an armed item starts it late.
    clock.Set(Time(7, 7, 59, 50));
    engine.OnTick();
    clock.Set(Time(7, 8, 0, 5));
    engine.OnTick();
    EXPECT_EQ(log.With("load"), std::vector<std::string>{"08:00:05 load 0"});
    // One that lands more than 10 s after it passes it over.
    clock.Set(Time(7, 8, 9, 50));
    engine.OnTick();
    clock.Set(Time(7, 8, 10, 11));
    engine.OnTick();
    EXPECT_EQ(log.With("load").size(), 1u);
    // One that jumps past two items at once plays neither.
    clock.Set(Time(7, 8, 19, 50));
    engine.OnTick();
    clock.Set(Time(7, 8, 30, 2));
    engine.OnTick();
    EXPECT_EQ(log.With("load").size(), 1u);
    EXPECT_EQ(engine.NextIndex(), -1);
}

TEST_F(EngineTest, FirstOfTwoItemsAtTheSameSecondStarts) {
    LoadDays({Single(Hms(8, 0, 0), "甲", "a.wav"), Single(Hms(8, 0, 0), "乙", "b.wav"),
              Single(Hms(8, 5, 0), "丙", "c.wav")});
    const std::string first = engine.NextItem().path;
    clock.Set(Time(7, 7, 59, 30));
    TickThrough(8, 0, 10);
    ASSERT_EQ(log.With("load").size(), 1u);
    EXPECT_EQ(Queued(0), AppDir() + first);
    EXPECT_EQ(host.pending, "丙");
    TickThrough(8, 5, 0);
    EXPECT_EQ(log.With("load").size(), 2u);
}

TEST_F(EngineTest, DeletingTheArmedLastItemStopsItsCountdownAndStart) {
    LoadDays({Single(Hms(8, 0, 0), "早操")});
    clock.Set(Time(7, 7, 59, 40));
    TickThrough(7, 59, 52);
    ASSERT_TRUE(engine.IsArmed());
    engine.Timetable().DeleteItem(kMonday, 0);
    engine.ReplanToday();
    log.Clear();
    TickThrough(8, 0, 5);
    EXPECT_TRUE(log.With("load").empty());
    EXPECT_TRUE(log.With("notify").empty());
    EXPECT_TRUE(log.With("status 作息项将在").empty());
}

TEST_F(EngineTest, EditingTodaysListMovesThePendingItemAtOnce) {
    LoadDays({Single(Hms(8, 0, 0), "早操"), Single(Hms(9, 0, 0), "上课")});
    clock.Set(Time(7, 7, 30, 0));
    ScheduleItem added = Single(Hms(7, 45, 0), "加");
    engine.Timetable().AddItem(kMonday, &added);
    engine.ReplanToday();
    EXPECT_EQ(host.pending, "加");
    EXPECT_EQ(host.listCount, 3);
    TickThrough(7, 45, 0);
    EXPECT_EQ(log.With("load"), std::vector<std::string>{"07:45:00 load 0"});
}

TEST_F(EngineTest, EditsDuringTheLeadInNeitherRingEarlyNorRunTheProgramTwice) {
    ScheduleItem bell = Single(Hms(8, 0, 0), "上课");
    bell.runBefore = 1;
    LoadDays({Single(Hms(7, 0, 10), "早"), bell});
    SetOption(&engine::EngineOptions::extRun, true);
    SetOption(&engine::EngineOptions::runBefore, "before.sh");
    SetOption(&engine::EngineOptions::paramBefore, "p");
    clock.Set(Time(7, 7, 59, 30));
    TickThrough(7, 59, 40);
    ASSERT_EQ(log.With("run"), std::vector<std::string>{"07:59:35 run before.sh p"});

    // Deleting an earlier item moves the pending item's index, not the item.
    ASSERT_TRUE(engine.Timetable().DeleteItem(kMonday, 0));
    engine.ReplanToday();
    TickThrough(7, 59, 55);
    // Adding an item that is already past moves it back again.
    const ScheduleItem past = Single(Hms(7, 30, 0), "补");
    ASSERT_TRUE(engine.Timetable().AddItem(kMonday, &past));
    engine.ReplanToday();
    TickThrough(8, 0, 3);

    EXPECT_EQ(log.With("run").size(), 1u) << "the before-program ran again after an edit";
    EXPECT_EQ(log.With("load"), std::vector<std::string>{"08:00:00 load 0"});
}

TEST_F(EngineTest, UnreadableTimetableLeavesTheStateAlone) {
    LoadDays({Single(Hms(8, 0, 0), "早操")});
    const int before = engine.NextIndex();
    EXPECT_FALSE(engine.LoadTimetable(AppDir() + "missing.zxb"));
    EXPECT_EQ(engine.NextIndex(), before);
    EXPECT_EQ(engine.Timetable().GetDay(kMonday)->size(), 1u);
}

TEST_F(EngineTest, AnArmedItemIsPreparedAndRemadeOnAnEditAndAClockSet) {
    LoadDays({Single(Hms(8, 0, 0), "上课")});
    clock.Set(Time(7, 7, 59, 0));
    TickThrough(7, 59, 34);
    EXPECT_TRUE(player.prepared.empty()) << "nothing is prepared before the lead-in";
    TickThrough(7, 59, 35);
    EXPECT_EQ(player.prepared, AppDir() + "音乐库/bell.wav");
    EXPECT_TRUE(log.With("load").empty()) << "a prepared item never sounds early";

    // An edit of what the item plays (its volume) is prepared anew; a clock set back
    // out of the lead-in lets the preparation go until the lead-in comes again.
    engine.Timetable().GetItem(kMonday, 0)->volume = 30;
    log.Clear();
    engine.ReplanToday();
    EXPECT_EQ(log.With("drop").size(), 1u);
    EXPECT_EQ(log.With("prepare").size(), 1u);
    clock.Set(Time(7, 7, 50, 0));
    engine.OnTick();
    EXPECT_TRUE(player.prepared.empty());
    EXPECT_FALSE(engine.IsPrepared());
    clock.Set(Time(7, 7, 59, 30));
    TickThrough(7, 59, 40);
    EXPECT_TRUE(engine.IsPrepared());

    // A manual play in between does not use up the bell's decision; at its second the
    // bell plays the queue prepared for it.
    engine.PlayChosenFiles();
    TickThrough(8, 0, 0);
    EXPECT_EQ(log.With("log item").size(), 1u) << ::testing::PrintToString(log.Lines());
    ASSERT_EQ(player.queue.size(), 1u);
    EXPECT_EQ(player.queue[0].volume, 30);
    EXPECT_FALSE(engine.IsPrepared());

    // An edit that moves the armed item away drops it at once.
    LoadDays({Single(Hms(9, 0, 0), "下课")});
    clock.Set(Time(7, 8, 59, 40));
    engine.OnTick();
    ASSERT_TRUE(engine.IsPrepared());
    engine.Timetable().GetItem(kMonday, 0)->time = Hms(9, 30, 0);
    engine.Timetable().SortAll();
    engine.ReplanToday();
    EXPECT_FALSE(engine.IsPrepared());
    EXPECT_TRUE(player.prepared.empty());
}

TEST_F(EngineTest, AnOutputsLeadStartsTheItemAheadWhileItsSecondStaysItsOwn) {
    int lead = 800;
    engine.SetStartLead([&lead] { return lead; });
    ScheduleItem byHand = Single(Hms(8, 0, 30), "手动");
    byHand.autoPlay = 0;
    LoadDays({Single(Hms(8, 0, 0), "上课"), byHand});
    const std::int64_t second = platform::VirtualClock::ToMilliseconds(Time(7, 8, 0, 0)) - 500;
    clock.Set(Time(7, 7, 59, 0));
    TickThrough(7, 59, 40);
    ASSERT_TRUE(engine.IsPrepared());
    EXPECT_EQ(engine.EarlyStartAt(), second - 800);

    // Opened again shortly before, as the connection made at the arming may have gone.
    log.Clear();
    TickThrough(7, 59, 58);
    EXPECT_EQ(log.With("prepare").size(), 1u) << ::testing::PrintToString(log.Lines());

    // Not before its moment; at it, the prepared track starts, and only that: the
    // countdown goes on and the item is logged on its own second.
    clock.SetMilliseconds(second - 801);
    engine.StartEarly();
    EXPECT_TRUE(log.With("early").empty());
    clock.SetMilliseconds(second - 800);
    engine.StartEarly();
    engine.StartEarly();
    EXPECT_EQ(log.With("early").size(), 1u);
    EXPECT_EQ(engine.EarlyStartAt(), -1);
    EXPECT_TRUE(log.With("log item").empty());
    clock.SetMilliseconds(second - 500);
    engine.OnTick();
    EXPECT_TRUE(log.With("log item").empty());
    clock.SetMilliseconds(second + 5);
    engine.OnTick();
    EXPECT_EQ(log.With("log item").size(), 1u);
    EXPECT_EQ(log.With("load 0").size(), 1u);

    // A track that waits for Play, or an output without a lead, keeps the second.
    TickThrough(8, 0, 20);
    EXPECT_TRUE(engine.IsPrepared());
    EXPECT_EQ(engine.EarlyStartAt(), -1);
    lead = 0;
    LoadDays({Single(Hms(8, 1, 0), "下课")});
    TickThrough(8, 0, 50);
    ASSERT_TRUE(engine.IsPrepared());
    EXPECT_EQ(engine.EarlyStartAt(), -1);
}

TEST_F(EngineTest, ARandomPlaylistsChoiceMadeAtArmingIsTheOneThatPlays) {
    schedule::Playlist list;
    list.name = "随机";
    list.randomPlay = 1;
    list.randomLimit = 3;
    for (int i = 0; i < 8; ++i) {
        schedule::TrackEntry entry;
        entry.path = "/m/" + std::to_string(i) + ".mp3";
        entry.fullPlay = 1;
        entry.autoPlay = 1;
        list.entries.push_back(entry);
    }
    ASSERT_TRUE(playlists.Add(&list));
    ScheduleItem item = Single(Hms(8, 0, 0), "眼保健操");
    item.kind = schedule::ListMusic;
    item.musicName = "随机";
    LoadDays({item});
    clock.Set(Time(7, 7, 59, 30));
    TickThrough(7, 59, 40);
    const std::vector<std::string> shuffles = log.With("log shuffle");
    ASSERT_EQ(shuffles.size(), 1u);
    const std::string seedText = shuffles[0].substr(shuffles[0].rfind(' ') + 1);
    const auto seed = static_cast<std::uint32_t>(std::stoul(seedText));
    const engine::PlayQueue atArming = engine::PlaylistQueue(list, AppDir(), seed, nullptr);
    const engine::PlayQueue atSecond = engine::PlaylistQueue(
        list, AppDir(),
        static_cast<std::uint32_t>(platform::CalendarMilliseconds(Time(7, 8, 0, 0)) / 1000),
        nullptr);
    ASSERT_NE(atArming[0].path + atArming[1].path, atSecond[0].path + atSecond[1].path)
        << "the seeds of the two seconds give the same order: choose other times";

    TickThrough(8, 0, 0);
    ASSERT_EQ(player.queue.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(player.queue[i].path, atArming[i].path);
    }
}

TEST_F(EngineTest, TheDecodersOfTheDaysRemainingFilesAreAskedForWhenTheDayIsPlanned) {
    schedule::CommonTrack track;
    track.name = "预备铃";
    track.main.path = "/m/warn.ogg";
    track.secondary.path = "/m/signal.wav";
    track.order = schedule::MainFirst;
    ASSERT_TRUE(commonTracks.Add(&track));
    schedule::Playlist list;
    list.name = "课间";
    list.randomPlay = 1;
    list.randomLimit = 1;
    for (const char* path : {"/m/a.mp3", "/m/b.mp3"}) {
        schedule::TrackEntry entry;
        entry.path = path;
        entry.fullPlay = 1;
        list.entries.push_back(entry);
    }
    ASSERT_TRUE(playlists.Add(&list));
    ScheduleItem common = Single(Hms(9, 0, 0), "预备");
    common.kind = schedule::CommonMusic;
    common.musicName = "预备铃";
    ScheduleItem breakMusic = Single(Hms(10, 0, 0), "课间");
    breakMusic.kind = schedule::ListMusic;
    breakMusic.musicName = "课间";

    // At 07:07 the 07:00 item has passed: its file is not asked for; every entry a random
    // playlist may choose is.
    LoadDays({Single(Hms(7, 0, 0), "早读", "/m/old.wma"),
              Single(Hms(8, 0, 0), "上课", "/m/bell.wav"), common, breakMusic});
    EXPECT_EQ(player.warmedFiles, (std::vector<std::string>{"/m/a.mp3", "/m/b.mp3", "/m/bell.wav",
                                                            "/m/signal.wav", "/m/warn.ogg"}));

    // An edit that changes a file asks again; one that leaves the files be does not.
    engine.Timetable().GetItem(kMonday, 1)->path = "/m/bell.wma";
    engine.ReplanToday();
    EXPECT_EQ(player.warmedFiles.size(), 5u);
    EXPECT_EQ(player.warmedFiles[2], "/m/bell.wma");
    player.warmedFiles.clear();
    engine.Timetable().GetItem(kMonday, 1)->title = "第一节";
    engine.ReplanToday();
    EXPECT_TRUE(player.warmedFiles.empty());
}

}  // namespace
}  // namespace engine_test
