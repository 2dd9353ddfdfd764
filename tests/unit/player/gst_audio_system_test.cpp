// The GStreamer audio system on small real files, played in real time into
// "fakesink sync=true": lengths, open failures, position, pause, seek and end of stream.

#include "player/gst_audio_system.h"

#include <gst/gst.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

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

namespace player {
namespace {

// A TCP port of 127.0.0.1 listening as a snapserver's TCP source does (or, once closed,
// one where nothing listens).
class SourcePort {
public:
    SourcePort() {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length);
        ::listen(m_listener, 4);
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_nPort = ntohs(address.sin_port);
    }
    ~SourcePort() {
        Hang();
        CloseListener();
    }
    SourcePort(const SourcePort&) = delete;
    SourcePort& operator=(const SourcePort&) = delete;

    int Port() const { return m_nPort; }
    void CloseListener() {
        if (m_listener >= 0) {
            ::close(m_listener);
            m_listener = -1;
        }
    }
    // Waits up to timeoutMs for the sender to connect.
    bool Accept(int timeoutMs) {
        pollfd wait{m_listener, POLLIN, 0};
        if (::poll(&wait, 1, timeoutMs) != 1) {
            return false;
        }
        m_connection = ::accept(m_listener, nullptr, nullptr);
        return m_connection >= 0;
    }
    // Reads until the sender closes, nothing comes for timeoutMs, or limit bytes came.
    std::size_t Read(int timeoutMs, std::size_t limit = SIZE_MAX) {
        std::size_t total = 0;
        char buffer[4096];
        pollfd wait{m_connection, POLLIN, 0};
        while (total < limit && ::poll(&wait, 1, timeoutMs) == 1) {
            const ssize_t got = ::recv(m_connection, buffer, sizeof buffer, 0);
            if (got <= 0) {
                break;
            }
            total += static_cast<std::size_t>(got);
        }
        return total;
    }
    void Hang() {
        if (m_connection >= 0) {
            ::close(m_connection);
            m_connection = -1;
        }
    }

private:
    int m_listener = -1;
    int m_connection = -1;
    int m_nPort = 0;
};

TEST_F(GstAudioSystemTest, StreamsToASnapcastSourceInItsFormatAndSaysOnceWhenItIsGone) {
    const std::string tone = DataFile("audio_tone.wav");  // one second
    SoundHandle sound = kNoSound;
    ChannelHandle channel = kNoChannel;

    // Nothing listens: the track still opens (to no output, in real time) and the
    // trouble is told once, however many tracks follow; no status: Snapcast's own lead.
    {
        SourcePort gone;
        gone.CloseListener();
        const std::string port = std::to_string(gone.Port());
        audio.SetOutputDevice("snapcast://127.0.0.1:" + port + "?control=" + port);
    }
    ASSERT_EQ(audio.CreateStream(tone, StreamMode::Play, 1.0f, &sound), AudioResult::Ok);
    EXPECT_EQ(audio.TakeSnapcastNotice(), SnapcastTrouble::Unreachable);
    audio.Release(sound);
    ASSERT_EQ(audio.CreateStream(tone, StreamMode::Play, 1.0f, &sound), AudioResult::Ok);
    EXPECT_EQ(audio.TakeSnapcastNotice(), SnapcastTrouble::None);
    audio.Release(sound);
    EXPECT_EQ(audio.StartLeadMs(), kSnapcastDefaultLeadMs);

    // A source that listens gets raw PCM in its own format, in real time and not in one
    // burst; the lead given in the output is the lead.
    SourcePort source;
    audio.SetOutputDevice("snapcast://127.0.0.1:" + std::to_string(source.Port()) +
                          "?sampleformat=44100:16:1&lead=600");
    EXPECT_EQ(audio.StartLeadMs(), 600);
    ASSERT_EQ(audio.CreateStream(tone, StreamMode::Play, 1.0f, &sound), AudioResult::Ok);
    EXPECT_EQ(audio.TakeSnapcastNotice(), SnapcastTrouble::None);
    ASSERT_TRUE(source.Accept(2000));
    EXPECT_EQ(source.Read(200), 0u) << "nothing is sent before it plays";
    const auto started = Clock::now();
    ASSERT_EQ(audio.PlaySound(sound, false, &channel), AudioResult::Ok);
    const std::size_t bytes = source.Read(2000);
    EXPECT_NEAR(static_cast<double>(bytes), 88200.0, 88200.0 * 0.02) << "44.1 kHz, 16 bits, mono";
    EXPECT_GT(MsSince(started), 850.0);
    audio.Release(sound);
    source.Hang();

    // The server going away in the middle of a track ends it, and that is told once.
    ASSERT_EQ(audio.CreateStream(tone, StreamMode::Play, 1.0f, &sound), AudioResult::Ok);
    ASSERT_TRUE(source.Accept(2000));
    ASSERT_EQ(audio.PlaySound(sound, false, &channel), AudioResult::Ok);
    EXPECT_GT(source.Read(2000, 8820), 0u);
    source.Hang();
    bool playing = true;
    const auto hung = Clock::now();
    while (playing && MsSince(hung) < 3000) {
        audio.IsPlaying(channel, &playing);
        SleepMs(10);
    }
    EXPECT_FALSE(playing);
    EXPECT_LT(MsSince(hung), 900.0) << "ended by the loss, not by the end of the track";
    EXPECT_EQ(audio.TakeSnapcastNotice(), SnapcastTrouble::Lost);
    EXPECT_EQ(audio.TakeSnapcastNotice(), SnapcastTrouble::None);
    audio.Release(sound);
}

}  // namespace
}  // namespace player
