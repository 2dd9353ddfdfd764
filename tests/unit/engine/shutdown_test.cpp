// The automatic shutdown countdown once today has no further item.

#include <gtest/gtest.h>

#include "engine_test_fixture.h"

namespace engine_test {
namespace {

TEST_F(EngineTest, CountdownShowsTheTimeLeftThenAsksForPowerOffOncePerMinute) {
    // The day's last item ended at 16:00:00 and nothing plays.
    clock.Set(Time(7, 16, 0, 0));
    LoadDays({Single(Hms(15, 59, 0), "放学")});
    log.Clear();
    TickThrough(16, 0, 1);
    EXPECT_EQ(log.Lines(),
              std::vector<std::string>{"16:00:01 status 作息表播放完毕,4分59秒后自动关机"});
    TickThrough(16, 5, 0);
    EXPECT_EQ(host.status, "作息表播放完毕,0分0秒后自动关机");
    EXPECT_TRUE(log.With("poweroff").empty());
    TickThrough(16, 5, 1);
    EXPECT_EQ(log.With("poweroff"), std::vector<std::string>{"16:05:01 poweroff"});
    // Unanswered, the request is not sent again; a refusal is shown once and the request
    // is sent again a minute after the last one.
    TickThrough(16, 5, 30);
    EXPECT_EQ(log.With("poweroff").size(), 1u);
    power.Answer(false);
    TickThrough(16, 6, 0);
    EXPECT_EQ(log.With("notice"), std::vector<std::string>{"16:05:31 notice 系统拒绝了关机请求"});
    EXPECT_EQ(log.With("poweroff").size(), 1u);
    TickThrough(16, 6, 1);
    EXPECT_EQ(log.With("poweroff").back(), "16:06:01 poweroff");
    power.Answer(false);
    TickThrough(16, 8, 1);
    EXPECT_EQ(log.With("poweroff").size(), 3u);
    EXPECT_EQ(log.With("notice").size(), 1u);
    EXPECT_EQ(engine.ShutdownCount(), 481);

    // Switching the shutdown off takes the notice away; on again, a refusal shows again.
    SetOption(&engine::EngineOptions::autoShutdown, !engine.Options().autoShutdown);
    EXPECT_EQ(host.notice, "");
    SetOption(&engine::EngineOptions::autoShutdown, !engine.Options().autoShutdown);
    power.Answer(false);
    TickThrough(16, 8, 2);
    EXPECT_EQ(host.notice, "系统拒绝了关机请求");

    // An item for later today ends the countdown and takes the notice away.
    const schedule::ScheduleItem later = Single(Hms(17, 0, 0), "补课");
    engine.Timetable().AddItem(kMonday, &later);
    engine.ReplanToday();
    TickThrough(16, 8, 3);
    EXPECT_EQ(host.notice, "");
    EXPECT_FALSE(engine.IsShutdownCounting());
}

TEST_F(EngineTest, PlaybackPausesTheCountAndANewItemEndsIt) {
    LoadDays({});
    clock.Set(Time(7, 16, 0, 0));
    TickThrough(16, 0, 10);
    EXPECT_EQ(engine.ShutdownCount(), 10) << "a day without items counts at once";
    player.playing = true;  // a playlist played by hand
    TickThrough(16, 1, 0);
    EXPECT_EQ(engine.ShutdownCount(), 10);
    player.playing = false;
    TickThrough(16, 1, 1);
    EXPECT_EQ(engine.ShutdownCount(), 11);
    EXPECT_EQ(host.status, "作息表播放完毕,4分49秒后自动关机");

    // Switching it off clears the text and freezes the count; on again resumes it.
    SetOption(&engine::EngineOptions::autoShutdown, !engine.Options().autoShutdown);
    EXPECT_EQ(host.status, "");
    TickThrough(16, 2, 0);
    EXPECT_EQ(engine.ShutdownCount(), 11);
    SetOption(&engine::EngineOptions::autoShutdown, !engine.Options().autoShutdown);
    TickThrough(16, 2, 1);
    EXPECT_EQ(engine.ShutdownCount(), 12);

    // An item added for later today ends the countdown; a later one starts from 0.
    const schedule::ScheduleItem later = Single(Hms(17, 0, 0), "补课");
    engine.Timetable().AddItem(kMonday, &later);
    engine.ReplanToday();
    TickThrough(16, 2, 2);
    EXPECT_FALSE(engine.IsShutdownCounting());
    EXPECT_EQ(host.status, "");
    TickThrough(17, 0, 1);
    EXPECT_TRUE(player.playing);
    EXPECT_EQ(engine.ShutdownCount(), 1) << "restarted from 0 on the item's start tick";
    player.playing = false;
    TickThrough(17, 0, 2);
    EXPECT_EQ(engine.ShutdownCount(), 2);
}

TEST_F(EngineTest, ZeroDelayPowersOffOnTheFirstCountingTickWithoutText) {
    SetOption(&engine::EngineOptions::shutdownDelaySeconds, 0);
    LoadDays({});
    log.Clear();
    TickThrough(7, 0, 1);
    EXPECT_EQ(log.Lines(), std::vector<std::string>{"07:00:01 poweroff"});
}

TEST_F(EngineTest, TheLastItemsStartTickAlreadyCounts) {
    LoadDays({Single(Hms(8, 0, 0), "末")});
    clock.Set(Time(7, 7, 59, 50));
    TickThrough(8, 0, 0);
    EXPECT_EQ(engine.ShutdownCount(), 1);
    EXPECT_EQ(log.With("load").size(), 1u);
    TickThrough(8, 0, 5);
    EXPECT_EQ(engine.ShutdownCount(), 1) << "paused while the item plays";
}

TEST_F(EngineTest, ZeroDelayNeverCutsOffTheLastItem) {
    SetOption(&engine::EngineOptions::shutdownDelaySeconds, 0);
    LoadDays({Single(Hms(8, 0, 0), "末")});
    clock.Set(Time(7, 7, 59, 50));
    TickThrough(8, 0, 0);
    EXPECT_EQ(log.With("load").size(), 1u);
    EXPECT_TRUE(log.With("poweroff").empty()) << "powered off as the last item starts";
    TickThrough(8, 0, 3);
    EXPECT_TRUE(log.With("poweroff").empty()) << "powered off while it plays";
    player.playing = false;
    TickThrough(8, 0, 4);
    EXPECT_EQ(log.With("poweroff"), std::vector<std::string>{"08:00:04 poweroff"});
}

}  // namespace
}  // namespace engine_test
