#pragma once
// The audio system over GStreamer 1.22, without a GLib main loop: the handle table over
// one GstStream (a prerolled playbin) per sound played, and the lengths of files. A
// length is kept while its file stays unchanged; MPEG audio is measured from its frame
// headers, other files by the pipeline or one reusable discoverer. The output is the
// chosen audio device, else autoaudiosink; the pipeline description in the environment
// variable QELT_AUDIO_SINK (e.g. "fakesink sync=true") overrides both.

#include <map>
#include <memory>
#include <optional>
#include <string>

#include "player/audio_system.h"
#include "player/gst_stream.h"
#include "player/length_cache.h"
#include "player/snapcast_output.h"
#include "player/speech_cache.h"

// GStreamer's own type name, so that this header needs no GStreamer headers.
using GstDevice = struct _GstDevice;  // NOLINT(bugprone-reserved-identifier)

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
    // Loads the playing chain (source, type finding, converters, volume, the output
    // elements) and the decoders of the kinds asked for so far, so that the first file
    // of each does not start late. Init does it, unless it was asked to leave it for
    // later (the program does it once its window is painted); it runs once, and kinds
    // asked for later are loaded when they are asked for.
    void DeferWarmUp() { m_bDeferWarmUp = true; }
    void WarmUp();
    void WarmUpFor(const AudioKinds& kinds) override;
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
    // Plays text files as the speech this gives of them; without it they are files that
    // cannot be decoded. The speech must outlive the system.
    void SetSpeech(ITextSpeech* speech) { m_pSpeech = speech; }
    // The pipeline description of the default output (autoaudiosink unless set), so
    // that tests can keep the default away from real devices.
    void SetDefaultSink(std::string description);

    // What went wrong with a Snapcast output since it last worked, told once: the server
    // could not be reached when a track opened (the track then plays locally, or to no
    // output, so the day keeps its time), or it went away while a track played.
    SnapcastTrouble TakeSnapcastNotice();
    // How long before its second a prepared item must start so that it sounds on the
    // second: 0 for a local output; for a Snapcast output its lead, else the buffer the
    // server's status gives for the source (asked each time, within a bounded wait),
    // else the last one it gave, else Snapcast's default.
    int StartLeadMs();

private:
    struct Sound;
    struct Discoverer;

    GstStream* FindChannel(ChannelHandle channel);
    // The file's length: kept from before, counted from its MPEG frames, as the prerolled
    // stream tells it, or measured by the discoverer, and when that stalls by a preroll
    // of its own (prerolled is null for a file opened only to be measured). Ok with no
    // length when nothing can tell it.
    AudioResult MeasureLength(const std::string& path, const std::string& uri, AudioKind kind,
                              const GstStream* prerolled, std::optional<std::uint32_t>* length);
    // Measures uri with the shared discoverer.
    AudioResult Discover(const std::string& uri, std::uint32_t* length);
    // The pipeline description of the output QELT_AUDIO_SINK names; empty without one.
    static std::string ConfiguredSink();
    // Prerolls a stream to be played through the configured, chosen or default output.
    AudioResult PrerollForPlay(GstStream& stream);
    // Prerolls through the chosen output; false when it is gone or would not start.
    bool PrerollOnOutputDevice(GstStream& stream);
    // Prerolls into the Snapcast server, or when it cannot be reached, into the local
    // output or none.
    AudioResult PrerollOnSnapcast(GstStream& stream, const SnapcastOutput& output);
    // Notes a stream that a vanished server ended.
    void CheckSnapcastLoss(const GstStream& stream);
    void NoteSnapcastTrouble(SnapcastTrouble trouble);
    void DropOutputDevice();
    // Loads the decoders and parsers of these kinds not loaded yet.
    void LoadDecoders(const AudioKinds& kinds);

    bool m_bCreated = false;
    bool m_bReady = false;
    bool m_bDeferWarmUp = false;
    bool m_bWarmedUp = false;
    int m_nMaxChannels = 0;
    std::uint32_t m_nextHandle = 1;
    AudioKinds m_WantedKinds;  // asked for by WarmUpFor
    AudioKinds m_LoadedKinds;  // whose decoders are loaded
    std::map<SoundHandle, std::unique_ptr<Sound>> m_sounds;
    std::unique_ptr<Discoverer> m_discoverer;
    CLengthCache m_lengths;
    std::string m_strOutputDevice;
    GstDevice* m_pOutputDevice = nullptr;  // the chosen output as last found; owned
    std::string m_strDefaultSink;
    bool m_bFallbackPending = false;           // a fallback the owner has not been told of
    bool m_bFallbackTold = false;              // the owner knows the chosen output is gone
    std::optional<SnapcastOutput> m_Snapcast;  // the chosen output when it is a server
    SnapcastTrouble m_SnapcastPending = SnapcastTrouble::None;
    bool m_bSnapcastTold = false;          // the owner knows; again only after it worked
    std::optional<int> m_nServerBufferMs;  // as the server's status last gave it
    std::optional<int> m_nLastLeadMs;      // as StartLeadMs last told it
    ITextSpeech* m_pSpeech = nullptr;
};

}  // namespace player
