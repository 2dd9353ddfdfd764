// The GStreamer audio system on small real files, played in real time into
// "fakesink sync=true": lengths, open failures, position, pause, seek and end of stream.

#include "player/gst_audio_system.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "player/playback_engine.h"
#include "recording_owner.h"

namespace player {
namespace {

using Clock = std::chrono::steady_clock;

std::string DataFile(const std::string& name) {
    const char* dir = std::getenv("QELT_TEST_DATA");
    return std::string(dir != nullptr ? dir : "tests/data") + "/" + name;
}

void SleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// Milliseconds since start; a loaded machine may oversleep, so checks use what passed.
double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

class GstAudioSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_STREQ(std::getenv("QELT_AUDIO_SINK"), "fakesink sync=true");
        ASSERT_EQ(audio.Create(), AudioResult::Ok);
        ASSERT_EQ(audio.Init(CPlaybackEngine::kMaxChannels), AudioResult::Ok);
    }

    GstAudioSystem audio;
};

TEST_F(GstAudioSystemTest, MeasuresEveryFormatWithinOnePercent) {
    struct Case {
        const char* name;
        std::uint32_t trueLength;
    };
    // The AIFF file follows other formats on purpose: that order once stalled it.
    const Case cases[] = {
        {"audio_tone.wav", 1000},       {"audio_cbr.mp3", 4075},   {"audio_tone.aiff", 1000},
        {"audio_vbr_noxing.mp3", 3056}, {"audio_tone.mp2", 3024},  {"audio_tone.ogg", 2000},
        {"audio_tone.wma", 2042},       {"audio_tune.mid", 2000},  {"audio_tune.mod", 1920},
        {"audio_ulaw.aifc", 1000},      {"audio_alaw.aifc", 1000},
    };
    for (const StreamMode mode : {StreamMode::LengthOnly, StreamMode::Play}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.name) + (mode == StreamMode::Play ? " play" : " probe"));
            SoundHandle sound = kNoSound;
            ASSERT_EQ(audio.CreateStream(DataFile(c.name), mode, 1.0f, &sound), AudioResult::Ok);
            std::uint32_t length = 0;
            ASSERT_EQ(audio.GetLength(sound, TimeUnit::Ms, &length), AudioResult::Ok);
            EXPECT_NEAR(length, c.trueLength, c.trueLength / 100.0);
            EXPECT_EQ(audio.GetLength(sound, TimeUnit::ModOrder, &length),
                      AudioResult::Unsupported);
            EXPECT_EQ(audio.Release(sound), AudioResult::Ok);
            EXPECT_EQ(audio.Release(sound), AudioResult::InvalidHandle);
        }
    }
}

TEST_F(GstAudioSystemTest, BadFilesFailFastAndQuietly) {
    struct Case {
        const char* name;
        AudioResult expected;
    };
    const Case cases[] = {
        {"no_such_file.mp3", AudioResult::FileNotFound},
        {"audio_empty.mp3", AudioResult::FileBad},
        {"audio_text.mp3", AudioResult::FileBad},
        {"audio_truncated.mp3", AudioResult::FileBad},
        {"", AudioResult::FileNotFound},
    };
    for (const StreamMode mode : {StreamMode::Play, StreamMode::LengthOnly}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.name);
            ::testing::internal::CaptureStderr();
            const auto start = Clock::now();
            SoundHandle sound = kNoSound;
            EXPECT_EQ(
                audio.CreateStream(c.name[0] != '\0' ? DataFile(c.name) : "", mode, 1.0f, &sound),
                c.expected);
            EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));
            EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
            EXPECT_EQ(sound, kNoSound);
        }
    }

    // A system that never started opens nothing and answers every call with a failure.
    GstAudioSystem idle;
    SoundHandle sound = kNoSound;
    EXPECT_EQ(idle.CreateStream(DataFile("audio_tone.wav"), StreamMode::Play, 1.0f, &sound),
              AudioResult::NotInitialised);
    bool playing = true;
    EXPECT_EQ(idle.IsPlaying(1, &playing), AudioResult::InvalidHandle);
    EXPECT_FALSE(playing);
    ChannelHandle channel = kNoChannel;
    EXPECT_EQ(idle.PlaySound(1, false, &channel), AudioResult::InvalidHandle);
}

TEST_F(GstAudioSystemTest, PlaysInRealTimePausesSeeksAndEnds) {
    SoundHandle sound = kNoSound;
    ASSERT_EQ(audio.CreateStream(DataFile("audio_cbr.mp3"), StreamMode::Play, 1.0f, &sound),
              AudioResult::Ok);
    ChannelHandle channel = kNoChannel;
    const auto started = Clock::now();
    ASSERT_EQ(audio.PlaySound(sound, false, &channel), AudioResult::Ok);
    ChannelHandle second = kNoChannel;
    EXPECT_EQ(audio.PlaySound(sound, false, &second), AudioResult::ChannelBusy);
    // Linear volume, never amplified above 1.0 and never below silence.
    EXPECT_EQ(audio.SetVolume(channel, 0.3f), AudioResult::Ok);
    EXPECT_NEAR(audio.AppliedVolume(channel), 0.3, 1e-6);
    EXPECT_EQ(audio.SetVolume(channel, 1.5f), AudioResult::Ok);
    EXPECT_DOUBLE_EQ(audio.AppliedVolume(channel), 1.0);
    EXPECT_EQ(audio.SetVolume(channel, -0.5f), AudioResult::Ok);
    EXPECT_DOUBLE_EQ(audio.AppliedVolume(channel), 0.0);

    SleepMs(600);
    std::uint32_t position = 0;
    ASSERT_EQ(audio.GetPosition(channel, TimeUnit::Ms, &position), AudioResult::Ok);
    EXPECT_NEAR(position, MsSince(started), 150);

    ASSERT_EQ(audio.SetPaused(channel, true), AudioResult::Ok);
    bool paused = false;
    EXPECT_EQ(audio.GetPaused(channel, &paused), AudioResult::Ok);
    EXPECT_TRUE(paused);
    std::uint32_t held = 0;
    audio.GetPosition(channel, TimeUnit::Ms, &held);
    SleepMs(400);
    audio.GetPosition(channel, TimeUnit::Ms, &position);
    EXPECT_NEAR(position, held, 30);
    bool playing = false;
    EXPECT_EQ(audio.IsPlaying(channel, &playing), AudioResult::Ok);
    EXPECT_TRUE(playing);  // a paused channel still counts as playing
    ASSERT_EQ(audio.SetPaused(channel, false), AudioResult::Ok);

    // Right after the seek the target stands in; then the position moves on from it.
    const auto sought = Clock::now();
    ASSERT_EQ(audio.SetPosition(channel, 2000, TimeUnit::Ms), AudioResult::Ok);
    audio.GetPosition(channel, TimeUnit::Ms, &position);
    EXPECT_NEAR(position, 2000, 150);
    SleepMs(300);
    audio.GetPosition(channel, TimeUnit::Ms, &position);
    EXPECT_NEAR(position, 2000 + MsSince(sought), 150);
    EXPECT_EQ(audio.SetPosition(channel, 9000, TimeUnit::Ms), AudioResult::InvalidPosition);

    // Near the end: the stream ends and the channel stops counting as playing.
    ASSERT_EQ(audio.SetPosition(channel, 3700, TimeUnit::Ms), AudioResult::Ok);
    const auto deadline = Clock::now() + std::chrono::seconds(3);
    playing = true;
    while (playing && Clock::now() < deadline) {
        SleepMs(20);
        audio.IsPlaying(channel, &playing);
    }
    EXPECT_FALSE(playing);
    EXPECT_EQ(audio.Stop(channel), AudioResult::Ok);
    EXPECT_EQ(audio.Stop(channel), AudioResult::InvalidHandle);
    EXPECT_EQ(audio.Release(sound), AudioResult::Ok);
}

// The loudest sample of the first buffer each fakesink renders, through an emission hook
// on fakesink's handoff signal, which sees every fakesink of the process.
std::atomic<int> firstPeak{-1};

gboolean RecordFirstBuffer(GSignalInvocationHint* /*hint*/, guint count, const GValue* values,
                           gpointer /*data*/) {
    if (count < 2 || firstPeak.load() >= 0) {
        return TRUE;
    }
    auto* buffer = static_cast<GstBuffer*>(g_value_get_boxed(&values[1]));
    GstMapInfo map;
    if (buffer != nullptr && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        int peak = 0;
        for (gsize i = 0; i + 1 < map.size; i += 2) {
            const auto sample = static_cast<std::int16_t>(map.data[i] | (map.data[i + 1] << 8));
            peak = std::max(peak, std::abs(static_cast<int>(sample)));
        }
        gst_buffer_unmap(buffer, &map);
        firstPeak = peak;
    }
    return TRUE;
}

TEST_F(GstAudioSystemTest, AQuietTrackIsQuietFromItsFirstBuffer) {
    const std::string configured = std::getenv("QELT_AUDIO_SINK");
    setenv("QELT_AUDIO_SINK",
           "audioconvert ! audio/x-raw,format=S16LE ! fakesink sync=true signal-handoffs=true", 1);
    GstElement* probe = gst_element_factory_make("fakesink", nullptr);
    ASSERT_NE(probe, nullptr);
    const guint handoff = g_signal_lookup("handoff", G_OBJECT_TYPE(probe));
    gst_object_unref(gst_object_ref_sink(probe));
    const gulong hook = g_signal_add_emission_hook(handoff, 0, RecordFirstBuffer, nullptr, nullptr);

    // The same tone at full volume and at 20 %: the first buffer already carries the 20 %.
    int peaks[2] = {-1, -1};
    const int volumes[2] = {100, 20};
    for (int run = 0; run < 2; ++run) {
        testing::RecordingOwner owner;
        CPlaybackEngine engine(audio, owner);
        firstPeak = -1;
        engine.AddFile(DataFile("audio_tone.wav"), 1, -1, 0, volumes[run]);
        ASSERT_TRUE(engine.LoadTrack(0));
        const auto deadline = Clock::now() + std::chrono::seconds(3);
        while (firstPeak.load() < 0 && Clock::now() < deadline) {
            SleepMs(10);
        }
        peaks[run] = firstPeak.load();
        engine.Stop();
    }
    g_signal_remove_emission_hook(handoff, hook);
    setenv("QELT_AUDIO_SINK", configured.c_str(), 1);

    ASSERT_GT(peaks[0], 1000);
    EXPECT_NEAR(peaks[1], peaks[0] / 5.0, peaks[0] / 20.0);
}

TEST_F(GstAudioSystemTest, EnginePlaysAQueueToItsEnd) {
    testing::RecordingOwner owner;
    CPlaybackEngine engine(audio, owner);
    ASSERT_TRUE(engine.InitAudio());
    engine.AddFile(DataFile("audio_tune.mod"), 1, 400, 0, 50);  // cut to 400 ms
    engine.AddFile(DataFile("audio_text.mp3"), 1, -1, 0, 50);
    engine.AddFile(DataFile("audio_tone.wav"), 1, -1, 0, 50);
    ASSERT_TRUE(engine.LoadTrack(0));
    EXPECT_EQ(engine.ProbeLength(DataFile("audio_tone.ogg")), 2000u);
    EXPECT_TRUE(engine.IsPlaying());

    // The owner's timer ticks once a second; ticking faster only finds the end sooner.
    const auto deadline = Clock::now() + std::chrono::seconds(4);
    while (engine.IsLoaded() && Clock::now() < deadline) {
        SleepMs(100);
        engine.Tick();
    }
    EXPECT_FALSE(engine.IsLoaded());
    EXPECT_EQ(owner.started.size(), 1u);
    EXPECT_EQ(owner.failed, std::vector<std::string>{"1 " + DataFile("audio_text.mp3")});
    EXPECT_EQ(owner.finished, 0);

    // Skipping the bad entry by hand, the last track plays out and the queue finishes.
    ASSERT_TRUE(engine.LoadTrack(2));
    const auto end = Clock::now() + std::chrono::seconds(3);
    while (owner.finished == 0 && Clock::now() < end) {
        SleepMs(100);
        engine.Tick();
    }
    EXPECT_EQ(owner.finished, 1);
    EXPECT_TRUE(engine.Queue().empty());
}

}  // namespace
}  // namespace player
