#pragma once
// The audio system over GStreamer 1.22, without a GLib main loop: each stream is a
// playbin prerolled when it is opened (so its length is known at once), and end of
// stream and errors are found by polling the pipeline's bus. Lengths the pipeline
// cannot tell, and streams opened only to be measured, go through one reusable
// discoverer; MPEG audio is measured from its frame headers, and every measured length
// is kept while its file stays unchanged. The output is autoaudiosink, or the pipeline description
// in the environment variable QELT_AUDIO_SINK (e.g. "fakesink sync=true").

#include <map>
#include <memory>
#include <string>

#include "player/audio_system.h"
#include "player/length_cache.h"

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

private:
    struct Stream;
    struct Discoverer;

    Stream* FindChannel(ChannelHandle channel);
    // Measures uri with the shared discoverer.
    AudioResult Discover(const std::string& uri, std::uint32_t* length);
    // Builds stream's playbin with the given sink and prerolls it within the bounded wait.
    AudioResult Preroll(Stream& stream, const char* sinkDescription);
    // Loads the plug-ins a first track needs, so that the first bell of the day does
    // not wait for them.
    void WarmUp();

    bool m_bCreated = false;
    bool m_bReady = false;
    int m_nMaxChannels = 0;
    std::uint32_t m_nextHandle = 1;
    std::map<SoundHandle, std::unique_ptr<Stream>> m_streams;
    std::unique_ptr<Discoverer> m_discoverer;
    CLengthCache m_lengths;
};

}  // namespace player
