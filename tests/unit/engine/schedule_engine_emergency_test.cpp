// The emergency broadcast in the scheduling engine: what plays, what the timetable does
// meanwhile, and how the day goes on after its end.

#include <gtest/gtest.h>

#include "engine/engine_texts.h"
#include "engine_test_fixture.h"

namespace engine_test {
namespace {

TEST_F(EngineTest, AnEmergencySuspendsTheDayAndTheDayGoesOnFromTheClockAfterIt) {
    schedule::ScheduleItem quiet = Single(Hms(8, 0, 0), "预备");
    quiet.volume = 20;
    quiet.useDefaultVolume = 0;
    LoadDays({quiet, Single(Hms(8, 0, 30), "第一节"), Single(Hms(8, 1, 0), "第二节")});
    SetOption(&engine::EngineOptions::autoShutdown, true);
    SetOption(&engine::EngineOptions::shutdownDelaySeconds, 60);
    clock.Set(Time(7, 7, 59, 50));
    TickThrough(8, 0, 5);
    ASSERT_EQ(log.With("log item").size(), 1u);

    // Whatever plays stops; the file plays by itself at full volume.
    log.Clear();
    ASSERT_TRUE(engine.StartEmergency("/校/警报.wav"));
    EXPECT_TRUE(engine.IsEmergency());
    EXPECT_EQ(log.With("clear 1").size(), 1u);
    ASSERT_EQ(player.QueuedNames(), std::vector<std::string>{"警报.wav"});
    EXPECT_EQ(player.queue[0].volume, engine::kFullVolume);
    EXPECT_EQ(player.queue[0].useDefaultVolume, 0);
    EXPECT_TRUE(player.playing);
    EXPECT_EQ(host.status, engine::texts::kEmergencyStatus);

    // The item due meanwhile passes with its reason, nothing is armed for it, and the
    // file plays again when it ends. Nothing is played by hand over it.
    TickThrough(8, 0, 20);
    player.playing = false;
    engine.OnPlaybackEnded();
    EXPECT_TRUE(player.playing);
    EXPECT_EQ(player.QueuedNames(), std::vector<std::string>{"警报.wav"});
    engine.PlayListRow(2);
    TickThrough(8, 0, 40);
    EXPECT_EQ(log.With("log skip"),
              std::vector<std::string>{"08:00:30 log skip 08:00:30 [第一节][铃声] 紧急广播"});
    EXPECT_TRUE(log.With("log item").empty());
    EXPECT_TRUE(log.With("prepare").empty());

    // A second start replaces the file; the end empties the player and the status.
    ASSERT_TRUE(engine.StartEmergency("/校/疏散.wav"));
    EXPECT_EQ(player.QueuedNames(), std::vector<std::string>{"疏散.wav"});
    ASSERT_TRUE(engine.EndEmergency());
    EXPECT_FALSE(engine.EndEmergency());
    EXPECT_FALSE(player.playing);
    EXPECT_TRUE(player.queue.empty());
    EXPECT_EQ(host.status, "");
    EXPECT_EQ(host.pending, "第二节");

    // The next item rings on its second; the ones before do not ring late or twice.
    TickThrough(8, 1, 5);
    EXPECT_EQ(log.With("log item"),
              std::vector<std::string>{"08:01:00 log item 08:01:00 [第二节][铃声]"});

    // Over the end of the day nothing counts down to a power-off while it plays, and the
    // countdown starts again after it.
    player.playing = false;
    ASSERT_TRUE(engine.StartEmergency("/校/警报.wav"));
    TickThrough(8, 4, 0);
    EXPECT_FALSE(engine.IsShutdownCounting());
    EXPECT_TRUE(log.With("poweroff").empty());
    engine.EndEmergency();
    TickThrough(8, 4, 5);
    EXPECT_TRUE(engine.IsShutdownCounting());
}

}  // namespace
}  // namespace engine_test
