#pragma once
// The audio system over GStreamer 1.22, without a GLib main loop: each stream is a
// playbin prerolled when it is opened (so its length is known at once), and end of
// stream and errors are found by polling the pipeline's bus. Lengths the pipeline
// cannot tell, and streams opened only to be measured, go through one reusable
// discoverer; MPEG audio is measured from its frame headers, and every measured length
// is kept while its file stays unchanged. The output is the chosen audio device, else
// autoaudiosink; the pipeline description in the environment variable QELT_AUDIO_SINK
// (e.g. "fakesink sync=true") overrides both.

#include <map>
#include <memory>
#include <string>

#include "player/audio_system.h"
#include "player/length_cache.h"

// GStreamer's own type names, so that this header needs no GStreamer headers.
using GstDevice = struct _GstDevice;    // NOLINT(bugprone-reserved-identifier)
using GstElement = struct _GstElement;  // NOLINT(bugprone-reserved-identifier)

namespace player {

class GstAudioSystem : public IAudioSystem {
public:
    // Bounded waits: opening (preroll) and measuring one file.
    static constexpr int kPrerollTimeoutMs = 5000;
    static constexpr int kDiscoverTimeoutMs = 5000;
    static constexpr int kStateChangeTimeoutMs = 2000;

    GstAudioSystem();
    ~GstAudioSystem() override;
    GstAudioSystem(const GstAudioSystem&) = delete;
    GstAudioSystem& operator=(const GstAudioSystem&) = delete;

    AudioResult Create() override;
    AudioResult Init(int maxChannels) override;
    // Loads every audio decoder and parser and makes the output elements once, so the
    // first file of each format does not start late. Init does it, unless it was asked
    // to leave it for later (the program does it once its window is painted); it runs
    // once.
    void DeferWarmUp() { m_bDeferWarmUp = true; }
    void WarmUp();
    // Ranks the small MPEG audio decoder before libav's.
    static void PreferLightDecoders();
    AudioResult CreateStream(const std::string& path, StreamMode mode, float volume,
                             SoundHandle* sound) override;
    AudioResult GetLength(SoundHandle sound, TimeUnit unit, std::uint32_t* length) override;
    AudioResult Release(SoundHandle sound) override;
    AudioResult PlaySound(SoundHandle sound, bool paused, ChannelHandle* channel) override;
    AudioResult SetVolume(ChannelHandle channel, float volume) override;
    AudioResult SetPaused(ChannelHandle channel, bool paused) override;
    AudioResult GetPaused(ChannelHandle channel, bool* paused) override;
    AudioResult GetPosition(ChannelHandle channel, TimeUnit unit, std::uint32_t* position) override;
    AudioResult SetPosition(ChannelHandle channel, std::uint32_t position, TimeUnit unit) override;
    AudioResult IsPlaying(ChannelHandle channel, bool* playing) override;
    AudioResult Stop(ChannelHandle channel) override;

    // The linear volume the channel's pipeline applies, or -1 without such a channel.
    double AppliedVolume(ChannelHandle channel);

    // Plays every stream opened from now on through the audio output with this
    // identifier (see audio_devices.h); empty is the default output. Streams already
    // open keep theirs. An output that is gone, or that will not start, gives way to
    // the default output.
    void SetOutputDevice(const std::string& id);
    const std::string& OutputDevice() const { return m_strOutputDevice; }
    // True once after a stream fell back to the default output because the chosen one
    // was gone or would not start, so the owner can say so; again only after the chosen
    // output worked in between or another one was chosen.
    bool TakeFallbackNotice();
    // The pipeline description of the default output (autoaudiosink unless set), so
    // that tests can keep the default away from real devices.
    void SetDefaultSink(std::string description);

private:
    struct Stream;
    struct Discoverer;

    Stream* FindChannel(ChannelHandle channel);
    // Measures uri with the shared discoverer.
    AudioResult Discover(const std::string& uri, std::uint32_t* length);
    // Builds stream's playbin with the given sink and prerolls it within the bounded wait.
    AudioResult Preroll(Stream& stream, const char* sinkDescription);
    // The same with a sink element, of which it takes the caller's reference.
    AudioResult Preroll(Stream& stream, GstElement* sink);
    // Prerolls a stream to be played through the configured, chosen or default output.
    AudioResult PrerollForPlay(Stream& stream);
    // Prerolls through the chosen output; false when it is gone or would not start.
    bool PrerollOnOutputDevice(Stream& stream);
    void DropOutputDevice();
    // Loads the plug-ins a first track needs, so that the first bell of the day does
    // not wait for them.

    bool m_bCreated = false;
    bool m_bReady = false;
    bool m_bDeferWarmUp = false;
    bool m_bWarmedUp = false;
    int m_nMaxChannels = 0;
    std::uint32_t m_nextHandle = 1;
    std::map<SoundHandle, std::unique_ptr<Stream>> m_streams;
    std::unique_ptr<Discoverer> m_discoverer;
    CLengthCache m_lengths;
    std::string m_strOutputDevice;
    GstDevice* m_pOutputDevice = nullptr;  // the chosen output as last found; owned
    std::string m_strDefaultSink;
    bool m_bFallbackPending = false;  // a fallback the owner has not been told of
    bool m_bFallbackTold = false;     // the owner knows the chosen output is gone
};

}  // namespace player
