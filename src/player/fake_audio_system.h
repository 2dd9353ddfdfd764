#pragma once
// An audio system in virtual time, for tests and the simulator: lengths come from a
// table (or a fallback function), positions move only when Advance is called, and
// every call is recorded as one line of text.

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "player/audio_system.h"

namespace player {

class FakeAudioSystem : public IAudioSystem {
public:
    // Length in ms for a path, or -1 when the file cannot be opened.
    using LengthSource = std::function<int(const std::string& path)>;

    // path's length in ms; -1 makes the file unopenable.
    void SetLength(const std::string& path, int lengthMs);
    // Asked for paths missing from the table; without it such paths cannot be opened.
    void SetFallback(LengthSource source);
    // Moves virtual time forward: every channel that plays unpaused advances, and one
    // whose position reaches its sound's length ends.
    void Advance(int ms);

    // Failure switches.
    void FailCreate(bool fail) { m_bFailCreate = fail; }
    void FailInit(bool fail) { m_bFailInit = fail; }
    void FailPlaySound(bool fail) { m_bFailPlay = fail; }
    // Offer lengths and positions only in the module-order unit, as a tracker file might.
    void OnlyModOrderUnit(bool only) { m_bOnlyModOrder = only; }

    // Every call so far, e.g. "CreateStream /a.mp3 Play -> Ok", in order.
    const std::vector<std::string>& Calls() const { return m_calls; }
    void ClearCalls() { m_calls.clear(); }
    // How many recorded calls start with prefix.
    int CountCalls(const std::string& prefix) const;
    // State of a channel for checks; volume is the clamped value applied.
    bool HasChannel(ChannelHandle channel) const { return m_channels.count(channel) != 0; }
    float ChannelVolume(ChannelHandle channel) const;
    std::uint32_t ChannelPosition(ChannelHandle channel) const;
    // The channel most recently made by PlaySound, or kNoChannel.
    ChannelHandle LastChannel() const { return m_lastChannel; }
    int OpenSoundCount() const { return static_cast<int>(m_sounds.size()); }
    // The kinds the last warm-up asked for, and all kinds asked for so far (warm-ups are
    // kept apart from Calls, which tests compare as the playing record).
    const AudioKinds& LastWarmUp() const { return m_lastWarmUp; }
    const AudioKinds& WarmedKinds() const { return m_warmedKinds; }

    AudioResult Create() override;
    AudioResult Init(int maxChannels) override;
    void WarmUpFor(const AudioKinds& kinds) override;
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

private:
    struct Sound {
        std::string path;
        std::uint32_t length = 0;
        StreamMode mode = StreamMode::Play;
        ChannelHandle channel = kNoChannel;
        float volume = 1.0f;  // the volume a channel of this sound starts at
    };
    struct Channel {
        SoundHandle sound = kNoSound;
        std::uint32_t position = 0;
        bool paused = false;
        bool ended = false;
        float volume = 1.0f;
    };

    AudioResult Record(const std::string& call, AudioResult result);
    int LookUpLength(const std::string& path) const;
    bool UnitOffered(TimeUnit unit) const;

    std::map<std::string, int> m_lengths;
    LengthSource m_fallback;
    bool m_bFailCreate = false;
    bool m_bFailInit = false;
    bool m_bFailPlay = false;
    bool m_bOnlyModOrder = false;
    bool m_bCreated = false;
    bool m_bReady = false;
    int m_nMaxChannels = 0;
    std::uint32_t m_nextHandle = 1;
    std::map<SoundHandle, Sound> m_sounds;
    std::map<ChannelHandle, Channel> m_channels;
    ChannelHandle m_lastChannel = kNoChannel;
    std::vector<std::string> m_calls;
    AudioKinds m_lastWarmUp;
    AudioKinds m_warmedKinds;
};

}  // namespace player
