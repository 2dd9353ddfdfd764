// The system's audio outputs: listing them within a bound whatever the machine offers,
// and the audio system falling back to the default output when the chosen one is gone.
// Nothing here starts a real output: a device found is never made into a sink, and the
// default output is a fake sink.

#include "player/audio_devices.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "player/gst_audio_system.h"

namespace player {
namespace {

using Clock = std::chrono::steady_clock;

std::string DataFile(const std::string& name) {
    const char* dir = std::getenv("QELT_TEST_DATA");
    return std::string(dir != nullptr ? dir : "tests/data") + "/" + name;
}

TEST(AudioDevicesTest, ListingAndLookupAnswerWithinTheirBound) {
    // Whatever this machine has (often nothing): every output has an identifier and a name.
    auto start = Clock::now();
    const std::vector<AudioDevice> outputs = ListAudioOutputs();
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(kAudioDeviceTimeoutMs + 500));
    for (const AudioDevice& output : outputs) {
        EXPECT_FALSE(output.id.empty());
        EXPECT_FALSE(output.name.empty());
    }

    // A listed output is found again by its identifier; an unknown one is not.
    if (!outputs.empty()) {
        GstDevice* device = FindAudioOutput(outputs.front().id);
        ASSERT_NE(device, nullptr);
        gchar* name = gst_device_get_display_name(device);
        EXPECT_EQ(name, outputs.front().name);
        g_free(name);
        gst_object_unref(device);
    }
    EXPECT_EQ(FindAudioOutput("qelt-test-no-such-output"), nullptr);
    EXPECT_EQ(FindAudioOutput(""), nullptr);

    // With no time to wait, the answer comes at once (the probe finishes on its own).
    start = Clock::now();
    ListAudioOutputs(0);
    if (GstDevice* device = FindAudioOutput(outputs.empty() ? "x" : outputs.front().id, 0)) {
        gst_object_unref(device);
    }
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(200));
}

// Restores QELT_AUDIO_SINK however the test that cleared it ends.
class SinkVariableCleared {
public:
    SinkVariableCleared() : m_saved(std::getenv("QELT_AUDIO_SINK")) { unsetenv("QELT_AUDIO_SINK"); }
    ~SinkVariableCleared() { setenv("QELT_AUDIO_SINK", m_saved.c_str(), 1); }
    SinkVariableCleared(const SinkVariableCleared&) = delete;
    SinkVariableCleared& operator=(const SinkVariableCleared&) = delete;

private:
    std::string m_saved;
};

// Buffers rendered by fakesinks that signal their hand-offs; the emission hook sees every
// fakesink of the process, and only the test's default output signals.
std::atomic<int> handedOff{0};

gboolean CountHandOff(GSignalInvocationHint* /*hint*/, guint /*count*/, const GValue* /*values*/,
                      gpointer /*data*/) {
    ++handedOff;
    return TRUE;
}

TEST(AudioDevicesTest, AMissingOutputFallsBackToTheDefaultAndSaysSoOnce) {
    ASSERT_STREQ(std::getenv("QELT_AUDIO_SINK"), "fakesink sync=true");
    GstAudioSystem audio;
    ASSERT_EQ(audio.Create(), AudioResult::Ok);
    ASSERT_EQ(audio.Init(1), AudioResult::Ok);
    audio.SetDefaultSink("fakesink sync=true signal-handoffs=true");
    GstElement* probe = gst_element_factory_make("fakesink", nullptr);
    ASSERT_NE(probe, nullptr);
    const guint handoff = g_signal_lookup("handoff", G_OBJECT_TYPE(probe));
    gst_object_unref(gst_object_ref_sink(probe));
    const gulong hook = g_signal_add_emission_hook(handoff, 0, CountHandOff, nullptr, nullptr);

    // Opens and plays the tone until a buffer was rendered or waitMs passed. Returns
    // whether the owner was told of a fallback.
    const auto play = [&audio](int waitMs = 3000) {
        handedOff = 0;
        SoundHandle sound = kNoSound;
        EXPECT_EQ(audio.CreateStream(DataFile("audio_tone.wav"), StreamMode::Play, 1.0f, &sound),
                  AudioResult::Ok);
        ChannelHandle channel = kNoChannel;
        EXPECT_EQ(audio.PlaySound(sound, false, &channel), AudioResult::Ok);
        const auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
        while (handedOff.load() == 0 && Clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        audio.Release(sound);
        return audio.TakeFallbackNotice();
    };

    {
        const SinkVariableCleared cleared;
        // A chosen output that is not there: the default plays, and the owner hears of it
        // once, not for every track.
        audio.SetOutputDevice("qelt-test-no-such-output");
        EXPECT_TRUE(play());
        EXPECT_GT(handedOff.load(), 0) << "the default output played nothing";
        EXPECT_FALSE(audio.TakeFallbackNotice());
        EXPECT_FALSE(play());
        EXPECT_GT(handedOff.load(), 0);
        // Choosing another output that is missing too is told again.
        audio.SetOutputDevice("qelt-test-another-missing-output");
        EXPECT_TRUE(play());
        // The default output itself never falls back.
        audio.SetOutputDevice("");
        EXPECT_FALSE(play());
        EXPECT_GT(handedOff.load(), 0);
    }

    // The sink variable wins over any chosen output: its sink plays, nothing is told.
    audio.SetOutputDevice("qelt-test-no-such-output");
    EXPECT_FALSE(play(300));
    EXPECT_EQ(handedOff.load(), 0);  // the variable's fakesink does not signal
    EXPECT_EQ(audio.OutputDevice(), "qelt-test-no-such-output");
    g_signal_remove_emission_hook(handoff, hook);
}

}  // namespace
}  // namespace player
