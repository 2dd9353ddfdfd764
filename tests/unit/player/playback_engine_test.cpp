// The playback engine on the virtual-time audio system: limits, volumes, advancing,
// pause, seeking, measuring, failures, and what the owner is told in which order.

#include "player/playback_engine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "player/fake_audio_system.h"
#include "recording_owner.h"

namespace player {
namespace {

using testing::RecordingOwner;

schedule::TrackEntry Entry(const std::string& path, int fullPlay, int limit, int autoPlay = 1,
                           int volume = 80, int useDefaultVolume = 0) {
    schedule::TrackEntry entry;
    entry.path = path;
    entry.fullPlay = fullPlay;
    entry.limit = limit;
    entry.autoPlay = autoPlay;
    entry.volume = volume;
    entry.useDefaultVolume = useDefaultVolume;
    return entry;
}

class PlaybackEngineTest : public ::testing::Test {
protected:
    void SetUp() override {
        audio.SetLength("/music/a.mp3", 180000);
        audio.SetLength("/music/b.mp3", 5000);
        audio.SetLength("/music/c.mp3", 3000);
        audio.SetLength("/music/empty.wav", 0);
        engine = std::make_unique<CPlaybackEngine>(audio, owner);
    }

    // Moves virtual time on second by second, ticking as the owner's timer would.
    void RunSeconds(int seconds) {
        for (int i = 0; i < seconds; ++i) {
            audio.Advance(1000);
            if (owner.timer) {
                engine->Tick();
            }
        }
    }

    FakeAudioSystem audio;
    RecordingOwner owner;
    std::unique_ptr<CPlaybackEngine> engine;
};

TEST_F(PlaybackEngineTest, LimitIsReplacedByTheLengthUnlessItCutsTheFileShort) {
    struct Case {
        int fullPlay;
        int limit;
        std::int32_t expectedLimit;
        const char* modeLine;
    };
    const Case cases[] = {
        {0, -1, 5000, "全曲播放 - 音量:80\r\n"},    // no limit
        {0, 0, 5000, "全曲播放 - 音量:80\r\n"},     // zero limit
        {0, 9000, 5000, "全曲播放 - 音量:80\r\n"},  // longer than the file
        {1, 2000, 5000, "全曲播放 - 音量:80\r\n"},  // fullPlay wins over the limit
        {0, 2000, 2000, "非全曲播放 - 音量:80\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.limit);
        engine->ClearQueue(true);
        const schedule::TrackEntry original = Entry("/music/b.mp3", c.fullPlay, c.limit);
        engine->Append(original);
        ASSERT_TRUE(engine->LoadTrack(0));
        EXPECT_EQ(engine->Queue()[0].limit, c.expectedLimit);
        EXPECT_EQ(engine->Queue()[0].length, 5000);
        EXPECT_EQ(engine->LimitMs(), static_cast<std::uint32_t>(c.expectedLimit));
        EXPECT_EQ(owner.lines[2], c.modeLine);
        EXPECT_EQ(original.limit, c.limit);  // the caller's record is never written
    }

    // A limited track ends at the first tick at or after its limit, within a second.
    engine->ClearQueue(true);
    engine->Append(Entry("/music/a.mp3", 0, 2500));
    engine->LoadTrack(0);
    EXPECT_EQ(owner.lines[1], "1.a.mp3 - 总时间 03:00\r\n");
    EXPECT_EQ(owner.lines[3], "时间:00:00 - 00:02\r\n");
    RunSeconds(2);
    EXPECT_TRUE(engine->IsPlaying());
    EXPECT_EQ(owner.lines[3], "时间:00:02 - 00:02\r\n");
    RunSeconds(1);
    EXPECT_FALSE(engine->IsLoaded());
    EXPECT_EQ(owner.finished, 1);
}

TEST_F(PlaybackEngineTest, VolumeComesFromTheEntryTheSliderOrTheDefault) {
    engine->SetDefaultVolume(150);
    EXPECT_EQ(engine->DefaultVolume(), 100);
    EXPECT_EQ(owner.slider, 100);
    engine->SetDefaultVolume(-5);
    EXPECT_EQ(engine->DefaultVolume(), 0);
    EXPECT_EQ(owner.slider, 0);
    engine->SetDefaultVolume(40);

    owner.slider = 65;
    engine->Append(Entry("/music/b.mp3", 1, 0, 1, -1, 0));  // slider's position
    engine->Append(Entry("/music/b.mp3", 1, 0, 1, 90, 1));  // default despite 90
    engine->Append(Entry("/music/b.mp3", 1, 0, 1, 30, 0));  // its own

    engine->LoadTrack(0);
    EXPECT_EQ(engine->Queue()[0].volume, 65);
    EXPECT_FLOAT_EQ(audio.ChannelVolume(audio.LastChannel()), 0.65f);
    engine->LoadTrack(1);
    EXPECT_EQ(engine->Queue()[1].volume, 40);
    EXPECT_EQ(owner.slider, 40);
    EXPECT_EQ(owner.lines[2], "全曲播放 - 音量:40\r\n");
    engine->LoadTrack(2);
    EXPECT_EQ(owner.slider, 30);
    EXPECT_FLOAT_EQ(audio.ChannelVolume(audio.LastChannel()), 0.30f);

    // Moving the slider changes the channel only; the next load uses the entry's own.
    engine->SetChannelVolume(70);
    EXPECT_FLOAT_EQ(audio.ChannelVolume(audio.LastChannel()), 0.70f);
    EXPECT_EQ(engine->Queue()[2].volume, 30);
    engine->LoadTrack(2);
    EXPECT_FLOAT_EQ(audio.ChannelVolume(audio.LastChannel()), 0.30f);
}

TEST_F(PlaybackEngineTest, QueueAdvancesWaitsForManualEntriesAndFinishesOnce) {
    engine->Append(Entry("/music/b.mp3", 1, 0));
    engine->Append(Entry("/music/c.mp3", 1, 0, /*autoPlay=*/0));
    engine->Append(Entry("/music/b.mp3", 0, 1000));
    ASSERT_TRUE(engine->LoadTrack(0));
    EXPECT_EQ(owner.started, std::vector<std::string>{"0 /music/b.mp3"});

    // The stream ends at 5 s; the manual entry is loaded and waits.
    RunSeconds(5);
    EXPECT_EQ(engine->Current(), 1);
    EXPECT_TRUE(engine->IsLoaded());
    EXPECT_FALSE(engine->IsPlaying());
    EXPECT_EQ(owner.lines[4], "手动播放...");
    EXPECT_TRUE(owner.buttons[PlayerButton::Play]);
    EXPECT_FALSE(owner.timer);
    for (int i = 0; i < 10; ++i) {
        audio.Advance(1000);
        engine->Tick();  // even the owner's extra ticks do not move a waiting entry
    }
    EXPECT_EQ(engine->Current(), 1);
    EXPECT_EQ(owner.started.size(), 1u);

    engine->Play();
    EXPECT_FALSE(owner.buttons[PlayerButton::Play]);
    EXPECT_TRUE(owner.buttons[PlayerButton::Pause]);
    RunSeconds(3);
    EXPECT_EQ(engine->Current(), 2);
    EXPECT_EQ(owner.finished, 0);

    RunSeconds(1);  // the last entry's 1000 ms limit
    EXPECT_TRUE(engine->Queue().empty());
    EXPECT_FALSE(engine->IsLoaded());
    EXPECT_EQ(owner.finished, 1);
    EXPECT_EQ(owner.started,
              (std::vector<std::string>{"0 /music/b.mp3", "1 /music/c.mp3", "2 /music/b.mp3"}));
    for (int line = 1; line <= 4; ++line) {
        EXPECT_EQ(owner.lines[line], "");
    }
    EXPECT_FALSE(owner.timer);
    EXPECT_EQ(audio.OpenSoundCount(), 0);
    RunSeconds(3);
    engine->Tick();
    EXPECT_EQ(owner.finished, 1);
}

TEST_F(PlaybackEngineTest, PauseHoldsPositionEndAndAdvancing) {
    engine->Append(Entry("/music/b.mp3", 0, 3000));
    engine->Append(Entry("/music/c.mp3", 1, 0));
    engine->LoadTrack(0);
    RunSeconds(1);
    engine->TogglePause();
    EXPECT_TRUE(engine->IsPaused());
    EXPECT_FALSE(owner.timer);
    EXPECT_EQ(owner.lines[4], "暂停播放...");
    RunSeconds(20);
    EXPECT_EQ(audio.ChannelPosition(audio.LastChannel()), 1000u);
    EXPECT_EQ(engine->Current(), 0);
    engine->SeekPercent(90);  // no seek while paused
    EXPECT_EQ(audio.CountCalls("SetPosition"), 0);

    engine->TogglePause();
    EXPECT_TRUE(owner.timer);
    EXPECT_EQ(owner.lines[4], "正在播放...");
    RunSeconds(2);
    EXPECT_EQ(engine->Current(), 1);
    // The tick that ends the limited track shows its 100 % over the next one's start,
    // and the next tick shows the next track's own progress.
    EXPECT_EQ(owner.progress, 100);
    RunSeconds(1);
    EXPECT_EQ(owner.progress, 33);
}

TEST_F(PlaybackEngineTest, NextAndPreviousStopAtTheEnds) {
    for (const char* path : {"/music/a.mp3", "/music/b.mp3", "/music/c.mp3"}) {
        engine->Append(Entry(path, 1, 0));
    }
    engine->LoadTrack(0);
    EXPECT_FALSE(owner.buttons[PlayerButton::Previous]);
    EXPECT_TRUE(owner.buttons[PlayerButton::Next]);
    const int soundsOpened = audio.CountCalls("CreateStream");
    EXPECT_EQ(engine->Previous(), 0);
    EXPECT_EQ(audio.CountCalls("CreateStream"), soundsOpened);
    EXPECT_TRUE(engine->IsPlaying());

    EXPECT_EQ(engine->Next(), 1);
    EXPECT_EQ(engine->Next(), 0);
    EXPECT_EQ(engine->Current(), 2);
    EXPECT_TRUE(owner.buttons[PlayerButton::Previous]);
    EXPECT_FALSE(owner.buttons[PlayerButton::Next]);
    EXPECT_EQ(engine->Next(), 0);
    EXPECT_EQ(engine->Current(), 2);
    EXPECT_EQ(audio.CountCalls("CreateStream"), soundsOpened + 2);
    EXPECT_EQ(engine->Previous(), 1);

    engine->ClearQueue(true);
    EXPECT_EQ(engine->Next(), 0);
    EXPECT_EQ(engine->Previous(), 0);
}

TEST_F(PlaybackEngineTest, SeekIsRelativeToTheLimit) {
    engine->Append(Entry("/music/a.mp3", 0, 20000));
    engine->LoadTrack(0);
    audio.ClearCalls();
    engine->SeekPercent(50);
    EXPECT_EQ(audio.Calls(),
              std::vector<std::string>({"IsPlaying -> Ok", "SetPosition 10000 Ms -> Ok"}));
    EXPECT_EQ(owner.progress, 50);
    engine->SeekPercent(250);  // out of range: clamped to the end of the limit
    EXPECT_EQ(audio.ChannelPosition(audio.LastChannel()), 20000u);

    // A tracker file that knows only module-order units is measured and sought in them.
    FakeAudioSystem tracker;
    tracker.OnlyModOrderUnit(true);
    tracker.SetLength("/music/song.mod", 64);
    RecordingOwner trackerOwner;
    CPlaybackEngine modEngine(tracker, trackerOwner);
    modEngine.AddFile("/music/song.mod", 1, -1, 0, 100);
    ASSERT_TRUE(modEngine.LoadTrack(0));
    EXPECT_EQ(modEngine.LengthMs(), 64u);
    modEngine.SeekPercent(50);
    EXPECT_EQ(tracker.CountCalls("SetPosition 32 Ms -> Unsupported"), 1);
    EXPECT_EQ(tracker.CountCalls("SetPosition 32 ModOrder -> Ok"), 1);
}

TEST_F(PlaybackEngineTest, ProbeLengthLeavesThePlayingTrackAlone) {
    engine->Append(Entry("/music/a.mp3", 1, 0));
    engine->LoadTrack(0);
    const ChannelHandle playing = audio.LastChannel();
    EXPECT_EQ(engine->ProbeLength("/music/missing.mp3"), kLengthUnknown);
    EXPECT_EQ(engine->ProbeLength("/music/c.mp3"), 3000u);
    EXPECT_EQ(engine->ProbeLength(""), kLengthUnknown);
    EXPECT_TRUE(audio.HasChannel(playing));
    EXPECT_TRUE(engine->IsPlaying());
    EXPECT_EQ(audio.CountCalls("Stop"), 0);
    EXPECT_EQ(audio.OpenSoundCount(), 1);
    EXPECT_EQ(audio.CountCalls("CreateStream /music/c.mp3 LengthOnly"), 1);
}

TEST_F(PlaybackEngineTest, UnopenableEntryStopsTheQueueAndIsReported) {
    engine->Append(Entry("/music/c.mp3", 1, 0));
    engine->Append(Entry("/music/missing.mp3", 1, 0));
    engine->Append(Entry("/music/b.mp3", 1, 0));
    engine->LoadTrack(0);
    RunSeconds(3);
    EXPECT_FALSE(engine->IsLoaded());
    EXPECT_FALSE(engine->IsPlaying());
    EXPECT_EQ(engine->Queue().size(), 3u);
    EXPECT_EQ(owner.failed, std::vector<std::string>{"1 /music/missing.mp3"});
    EXPECT_EQ(owner.finished, 0);
    EXPECT_FALSE(owner.timer);
    EXPECT_FALSE(engine->LoadTrack(3));
    EXPECT_FALSE(engine->AddFile("", 1, -1, 0, -1));
    EXPECT_EQ(engine->Queue().size(), 3u);

    // A track that opens but cannot start stays loaded, silent and unreported.
    audio.FailPlaySound(true);
    EXPECT_TRUE(engine->LoadTrack(2));
    EXPECT_TRUE(engine->IsLoaded());
    EXPECT_FALSE(engine->IsPlaying());
    EXPECT_FALSE(owner.timer);
    EXPECT_EQ(owner.started.size(), 1u);
    engine->Tick();
    EXPECT_TRUE(engine->IsLoaded());
}

TEST_F(PlaybackEngineTest, FailedStartLeavesEveryTrackUnopenable) {
    struct Case {
        bool failCreate;
        const char* text;
    };
    for (const Case c : {Case{true, "音频引擎错误,可能无法播放音频!"},
                         Case{false, "音频引擎错误,可能无法播放音频"}}) {
        FakeAudioSystem broken;
        broken.FailCreate(c.failCreate);
        broken.FailInit(true);
        broken.SetLength("/music/b.mp3", 5000);
        RecordingOwner brokenOwner;
        CPlaybackEngine failed(broken, brokenOwner);
        EXPECT_FALSE(failed.InitAudio());
        EXPECT_EQ(failed.InitFailureText(), c.text);
        failed.AddFile("/music/b.mp3", 1, -1, 0, 100);
        EXPECT_FALSE(failed.LoadTrack(0));
        EXPECT_EQ(brokenOwner.failed.size(), 1u);
        EXPECT_EQ(failed.ProbeLength("/music/b.mp3"), kLengthUnknown);
        failed.Play();
        failed.Tick();
        EXPECT_FALSE(failed.IsPlaying());
        EXPECT_EQ(broken.CountCalls("CreateStream"), 0);
    }
    EXPECT_EQ(engine->InitFailureText(), "");
}

TEST_F(PlaybackEngineTest, ZeroLengthTrackEndsWithoutDividingByZero) {
    engine->Append(Entry("/music/empty.wav", 1, 0, 0));  // manual
    engine->Append(Entry("/music/c.mp3", 1, 0));
    ASSERT_TRUE(engine->LoadTrack(0));
    // Its position has reached its limit of 0 at once, so the queue moves on.
    EXPECT_EQ(engine->Current(), 1);
    EXPECT_TRUE(engine->IsPlaying());
    EXPECT_FALSE(owner.buttons[PlayerButton::Next]);
    EXPECT_TRUE(owner.buttons[PlayerButton::Previous]);
}

TEST_F(PlaybackEngineTest, EditingTheQueueKeepsThePlayingTrackAndItsSuccessor) {
    for (const char* path : {"/music/a.mp3", "/music/b.mp3", "/music/c.mp3", "/music/d.mp3"}) {
        audio.SetLength(path, path[7] == 'a' ? 180000 : 2000);
        engine->Append(Entry(path, 1, 0));
    }
    engine->LoadTrack(1);  // b plays
    EXPECT_TRUE(engine->RemoveEntry(0));
    EXPECT_FALSE(engine->RemoveEntry(3));
    EXPECT_EQ(engine->Current(), 0);
    EXPECT_TRUE(engine->IsPlaying());
    RunSeconds(2);
    EXPECT_EQ(owner.started.back(), "1 /music/c.mp3");

    // Moving the playing entry up: it keeps playing from its new place and the queue goes
    // on after it, so the entry it passed plays next.
    EXPECT_EQ(engine->MoveEntry(1, false), 0);  // b, c, d -> c, b, d
    EXPECT_EQ(engine->Current(), 0);
    EXPECT_TRUE(engine->IsPlaying());
    EXPECT_EQ(engine->MoveEntry(0, false), 0);
    EXPECT_EQ(engine->MoveEntry(2, true), 2);
    EXPECT_EQ(engine->MoveEntry(7, true), 7);
    RunSeconds(2);
    EXPECT_EQ(owner.started.back(), "1 /music/b.mp3");
    RunSeconds(2);
    EXPECT_EQ(owner.started.back(), "2 /music/d.mp3");
    RunSeconds(2);
    EXPECT_EQ(owner.finished, 1);
    EXPECT_EQ(owner.started.size(), 4u);

    // Removing the playing entry: the entry that followed it plays next.
    for (const char* path : {"/music/b.mp3", "/music/c.mp3", "/music/d.mp3"}) {
        engine->Append(Entry(path, 1, 0));
    }
    engine->LoadTrack(0);
    EXPECT_TRUE(engine->RemoveEntry(0));
    EXPECT_TRUE(engine->IsPlaying());
    EXPECT_EQ(engine->Next(), 1);
    EXPECT_EQ(owner.started.back(), "0 /music/c.mp3");
}

// Queue A, B, C: whichever entry moves, each track plays exactly once, and line 1's
// number and the Previous/Next buttons follow the playing entry.
TEST_F(PlaybackEngineTest, MovingEntriesAroundThePlayingOnePlaysEachTrackOnce) {
    const auto queueABC = [this] {
        engine->ClearQueue(true);
        for (const char* path : {"/music/a.mp3", "/music/b.mp3", "/music/c.mp3"}) {
            audio.SetLength(path, 2000);
            engine->Append(Entry(path, 1, 0));
        }
        owner.started.clear();
    };
    const auto playToTheEnd = [this] {
        RunSeconds(8);
        return owner.started;
    };

    // B plays, "down" on B: A, C, B. B goes on as number 3 and the queue ends after it.
    queueABC();
    engine->LoadTrack(1);
    EXPECT_EQ(engine->MoveEntry(1, true), 2);
    EXPECT_EQ(engine->Current(), 2);
    EXPECT_EQ(owner.lines[1], "3.b.mp3 - 总时间 00:02\r\n");
    EXPECT_TRUE(owner.buttons[PlayerButton::Previous]);
    EXPECT_FALSE(owner.buttons[PlayerButton::Next]);
    EXPECT_EQ(playToTheEnd(), (std::vector<std::string>{"1 /music/b.mp3"}));

    // A plays, "up" on B: B, A, C. A goes on as number 2, then C; A is not played twice.
    queueABC();
    engine->LoadTrack(0);
    EXPECT_FALSE(owner.buttons[PlayerButton::Previous]);
    EXPECT_EQ(engine->MoveEntry(1, false), 0);
    EXPECT_EQ(engine->Current(), 1);
    EXPECT_EQ(owner.lines[1], "2.a.mp3 - 总时间 00:02\r\n");
    EXPECT_TRUE(owner.buttons[PlayerButton::Previous]);
    EXPECT_TRUE(owner.buttons[PlayerButton::Next]);
    EXPECT_EQ(playToTheEnd(), (std::vector<std::string>{"0 /music/a.mp3", "2 /music/c.mp3"}));
    EXPECT_EQ(owner.finished, 2);
}

TEST_F(PlaybackEngineTest, OwnerSeesEachOperationInOrder) {
    engine->ClearQueue(true);
    EXPECT_EQ(owner.calls, (std::vector<std::string>{"line1 ", "line2 ", "line3 ", "line4 ",
                                                     "progress 0", "list cleared", "disable Next",
                                                     "disable Pause", "disable Previous"}));
    engine->Append(Entry("/music/a.mp3", 0, 20000, 1, 60));
    engine->Append(Entry("/music/b.mp3", 1, 0, 0));
    owner.calls.clear();
    engine->LoadTrack(0);
    EXPECT_EQ(owner.calls,
              (std::vector<std::string>{
                  "line1 ", "line2 ", "line3 ", "line4 ", "progress 0",
                  "line1 1.a.mp3 - 总时间 03:00\r\n", "line2 非全曲播放 - 音量:60\r\n",
                  "line3 时间:00:00 - 00:20\r\n", "slider 60", "disable Play", "enable Pause",
                  "timer on", "started 0 /music/a.mp3", "line3 时间:00:00 - 00:20\r\n",
                  "line4 正在播放...", "progress 0", "disable Previous", "enable Next"}));
    owner.calls.clear();
    audio.Advance(5000);
    engine->Tick();
    EXPECT_EQ(owner.calls, (std::vector<std::string>{"line3 时间:00:05 - 00:20\r\n",
                                                     "line4 正在播放...", "progress 25"}));
    owner.calls.clear();
    engine->TogglePause();
    EXPECT_EQ(owner.calls, (std::vector<std::string>{"timer off", "line3 时间:00:05 - 00:20\r\n",
                                                     "line4 暂停播放...", "progress 25"}));
    engine->TogglePause();
    owner.calls.clear();
    engine->Next();  // a manual entry: waits with Play enabled
    EXPECT_EQ(owner.calls, (std::vector<std::string>{
                               "timer off", "line1 ", "line2 ", "line3 ", "line4 ", "progress 0",
                               "line1 2.b.mp3 - 总时间 00:05\r\n", "line2 全曲播放 - 音量:80\r\n",
                               "line3 时间:00:00 - 00:05\r\n", "line4 手动播放...", "progress 0",
                               "enable Play", "enable Previous", "disable Next"}));
    owner.calls.clear();
    engine->Stop();
    EXPECT_EQ(owner.calls,
              (std::vector<std::string>{"line1 ", "line2 ", "line3 ", "line4 ", "progress 0"}));
    EXPECT_EQ(engine->Queue().size(), 2u);
}

TEST_F(PlaybackEngineTest, APreparedTrackIsOnlyStartedByItsLoadAndNeverLeaks) {
    // Prepared beside a track that plays: opened, silent, the playing track untouched.
    engine->Append(Entry("/music/a.mp3", 1, 0));
    ASSERT_TRUE(engine->LoadTrack(0));
    audio.ClearCalls();
    ASSERT_TRUE(engine->Prepare(Entry("/music/b.mp3", 1, 0)));
    EXPECT_EQ(audio.CountCalls("CreateStream /music/b.mp3 Play"), 1);
    EXPECT_EQ(audio.CountCalls("PlaySound"), 0);
    EXPECT_EQ(audio.CountCalls("Stop"), 0);
    RunSeconds(3);
    EXPECT_EQ(audio.CountCalls("PlaySound"), 0) << "a prepared track never sounds by itself";

    // At its second the queue is replaced and the prepared stream only starts; the
    // track it replaces falls silent at once and is torn down after the start.
    audio.ClearCalls();
    engine->ClearQueue(true);
    engine->Append(Entry("/music/b.mp3", 1, 0));
    ASSERT_TRUE(engine->LoadTrack(0));
    EXPECT_EQ(audio.CountCalls("CreateStream"), 0);
    EXPECT_EQ(audio.CountCalls("PlaySound"), 1);
    const std::vector<std::string>& calls = audio.Calls();
    const auto first = [&calls](const std::string& prefix) {
        return std::find_if(calls.begin(), calls.end(),
                            [&](const std::string& call) { return call.rfind(prefix, 0) == 0; }) -
               calls.begin();
    };
    EXPECT_LT(first("SetVolume 0.00"), first("PlaySound"));
    EXPECT_LT(first("PlaySound"), first("Release"));
    EXPECT_EQ(audio.CountCalls("Release"), 1);
    EXPECT_EQ(owner.started.back(), "0 /music/b.mp3");
    EXPECT_FALSE(engine->HasPrepared());

    // A queue moving on to its next track, the same file included, neither takes nor
    // drops the preparation: it belongs to the next queue's start.
    engine->ClearQueue(true);
    engine->Append(Entry("/music/b.mp3", 1, 0));
    engine->Append(Entry("/music/c.mp3", 1, 0));
    ASSERT_TRUE(engine->LoadTrack(0));
    engine->Prepare(Entry("/music/c.mp3", 1, 0));
    audio.ClearCalls();
    ASSERT_TRUE(engine->LoadTrack(1));
    EXPECT_EQ(audio.CountCalls("CreateStream /music/c.mp3 Play"), 1);
    EXPECT_TRUE(engine->HasPrepared());

    // Another file, or the same at another volume, opens anew and lets the preparation go.
    engine->Prepare(Entry("/music/c.mp3", 1, 0, 1, 80));
    engine->ClearQueue(true);
    engine->Append(Entry("/music/c.mp3", 1, 0, 1, 40));
    audio.ClearCalls();
    ASSERT_TRUE(engine->LoadTrack(0));
    EXPECT_EQ(audio.CountCalls("CreateStream /music/c.mp3 Play"), 1);
    EXPECT_EQ(audio.CountCalls("Release"), 2) << "the prepared stream and the one it replaced";
    engine->Prepare(Entry("/music/a.mp3", 1, 0));
    engine->DropPrepared();
    engine->Prepare(Entry("/music/b.mp3", 1, 0));
    engine.reset();
    EXPECT_EQ(audio.OpenSoundCount(), 0) << "no stream outlives the engine";
}

TEST_F(PlaybackEngineTest, APreparedTrackStartedAheadIsCarriedOnByItsLoad) {
    // Started ahead of its second while another track plays: it sounds from then on, the
    // other gives the output over, and its queue stands still (nothing moves on, nothing
    // finishes) until the load at the second, which carries on with it where it is.
    engine->Append(Entry("/music/a.mp3", 1, 0));
    engine->Append(Entry("/music/c.mp3", 1, 0));
    ASSERT_TRUE(engine->LoadTrack(0));
    const ChannelHandle playing = audio.LastChannel();
    ASSERT_TRUE(engine->Prepare(Entry("/music/b.mp3", 1, 0)));
    audio.ClearCalls();
    ASSERT_TRUE(engine->StartPrepared());
    EXPECT_FALSE(engine->StartPrepared()) << "it already sounds";
    EXPECT_EQ(audio.CountCalls("PlaySound"), 1);
    EXPECT_FALSE(audio.HasChannel(playing));
    const std::size_t startedBefore = owner.started.size();
    RunSeconds(1);
    EXPECT_EQ(owner.started.size(), startedBefore) << "the queue did not move on";
    EXPECT_EQ(owner.finished, 0);
    engine->ClearQueue(true);
    engine->Append(Entry("/music/b.mp3", 1, 0));
    ASSERT_TRUE(engine->LoadTrack(0));
    EXPECT_EQ(audio.CountCalls("PlaySound"), 1) << "not started a second time";
    EXPECT_EQ(audio.CountCalls("CreateStream"), 0);
    EXPECT_TRUE(engine->IsPlaying());
    EXPECT_EQ(owner.started.back(), "0 /music/b.mp3");
    RunSeconds(1);
    EXPECT_GE(engine->LastTick().position, 2000u) << "its position counts from its early start";
    RunSeconds(4);
    EXPECT_FALSE(engine->IsPlaying()) << "it ends five seconds after it started";

    // Dropped, or replaced by a load of another file, it falls silent; a track that waits
    // for Play does not keep sounding ahead of it either.
    for (const auto& load : {Entry("/music/c.mp3", 1, 0), Entry("/music/b.mp3", 1, 0, 0)}) {
        ASSERT_TRUE(engine->Prepare(Entry("/music/b.mp3", 1, 0)));
        ASSERT_TRUE(engine->StartPrepared());
        const ChannelHandle early = audio.LastChannel();
        engine->ClearQueue(true);
        engine->Append(load);
        ASSERT_TRUE(engine->LoadTrack(0));
        EXPECT_FALSE(audio.HasChannel(early)) << load.autoPlay;
    }
    EXPECT_FALSE(engine->IsPlaying());
    ASSERT_TRUE(engine->Prepare(Entry("/music/b.mp3", 1, 0)));
    ASSERT_TRUE(engine->StartPrepared());
    engine->DropPrepared();
    EXPECT_FALSE(engine->StartPrepared()) << "nothing is prepared";
    engine.reset();
    EXPECT_EQ(audio.OpenSoundCount(), 0);
}

TEST_F(PlaybackEngineTest, AWarmUpAsksForTheKindsOfTheFilesThatCanBeRead) {
    const char* data = std::getenv("QELT_TEST_DATA");
    ASSERT_NE(data, nullptr);
    const std::string dir = std::string(data) + "/";
    audio.ClearCalls();
    engine->WarmUpFor({dir + "audio_tone.wav", dir + "audio_cbr.mp3", dir + "audio_tone.ogg",
                       dir + "audio_tone.wav", "/music/missing.wma"});
    EXPECT_EQ(audio.LastWarmUp(), (AudioKinds{AudioKind::Wav, AudioKind::Mpeg, AudioKind::Ogg}));
    engine->WarmUpFor({dir + "audio_ulaw.aifc"});
    EXPECT_EQ(audio.LastWarmUp(), AudioKinds{AudioKind::AiffCompanded});
    EXPECT_EQ(audio.WarmedKinds().size(), 4u);
    EXPECT_TRUE(audio.Calls().empty()) << "a warm-up opens no file";
}

}  // namespace
}  // namespace player
