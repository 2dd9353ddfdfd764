#pragma once
// The audio library as the playback engine sees it: a system that opens files as
// streams, plays each once on a channel, and answers for length, position, volume,
// pause and playing state. Every call returns a result code; Ok is the only success.
// Nothing is pushed to the caller: the end of a stream is found by polling IsPlaying.

#include <cstdint>
#include <string>

#include "player/audio_kind.h"

namespace player {

enum class AudioResult : int {
    Ok = 0,
    NotInitialised,   // Create/Init did not succeed; nothing can be opened
    InitFailed,       // the backend could not start
    FileNotFound,     // the file does not exist or cannot be read
    FileBad,          // the file is empty, truncated or not audio this system can decode
    InvalidHandle,    // no such sound or channel (released, stopped, never made)
    Unsupported,      // the time unit or operation is not offered for this sound
    InvalidPosition,  // a seek outside the stream
    ChannelBusy,      // the sound already plays on a channel
    Timeout,          // the backend did not answer within its bounded wait
};

// Units for lengths and positions: milliseconds, or the module-order unit that
// tracker formats may offer when milliseconds are not known.
enum class TimeUnit : std::uint32_t {
    Ms = 0x1,
    ModOrder = 0x100,
};

// How a stream is opened: to be played, or only to have its length read (the backend
// may then use a lighter path; such a sound cannot be played).
enum class StreamMode : std::uint32_t {
    Play = 0x48,         // software mixing, 2D, no loop: plays once
    LengthOnly = 0x148,  // the same, opened only for GetLength
};

// Handles are plain numbers; 0 is never a valid handle.
using SoundHandle = std::uint32_t;
using ChannelHandle = std::uint32_t;
constexpr SoundHandle kNoSound = 0;
constexpr ChannelHandle kNoChannel = 0;

class IAudioSystem {
public:
    virtual ~IAudioSystem() = default;

    // Creates the system object. Must succeed before Init.
    virtual AudioResult Create() = 0;
    // Starts output with room for maxChannels channels. After a failed Create or Init
    // every other call fails with NotInitialised or InvalidHandle.
    virtual AudioResult Init(int maxChannels) = 0;

    // Makes ready the decoders for files of these kinds, so that the first file of each
    // opens without loading any; the owner asks for the kinds the day's items need as
    // soon as the day is planned. Kinds asked for before stay ready.
    virtual void WarmUpFor(const AudioKinds& kinds) = 0;

    // Opens path as a stream; *sound is set only on success. volume is the linear volume
    // the stream is decoded at from its first sample on, so that a quiet bell never
    // starts loud; SetVolume changes it later.
    virtual AudioResult CreateStream(const std::string& path, StreamMode mode, float volume,
                                     SoundHandle* sound) = 0;
    virtual AudioResult GetLength(SoundHandle sound, TimeUnit unit, std::uint32_t* length) = 0;
    // Closes the stream and its file; a channel still playing it is stopped first.
    virtual AudioResult Release(SoundHandle sound) = 0;

    // Plays the sound once on a free channel; *channel is set only on success.
    virtual AudioResult PlaySound(SoundHandle sound, bool paused, ChannelHandle* channel) = 0;
    // Linear volume; values outside 0.0..1.0 are clamped, so nothing is ever amplified.
    virtual AudioResult SetVolume(ChannelHandle channel, float volume) = 0;
    virtual AudioResult SetPaused(ChannelHandle channel, bool paused) = 0;
    virtual AudioResult GetPaused(ChannelHandle channel, bool* paused) = 0;
    virtual AudioResult GetPosition(ChannelHandle channel, TimeUnit unit,
                                    std::uint32_t* position) = 0;
    virtual AudioResult SetPosition(ChannelHandle channel, std::uint32_t position,
                                    TimeUnit unit) = 0;
    // True while the channel plays or is paused; false once its stream has ended or
    // the channel was stopped.
    virtual AudioResult IsPlaying(ChannelHandle channel, bool* playing) = 0;
    virtual AudioResult Stop(ChannelHandle channel) = 0;
};

}  // namespace player
