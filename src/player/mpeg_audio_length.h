#pragma once
// The length of an MPEG audio file (MP1/MP2/MP3) read from its frame headers, without
// decoding: from the frame count of a Xing, Info or VBRI header when the first frame
// carries one; from the size of the audio data when every frame has the same bitrate;
// and by counting the frames when the bitrate varies and nothing states the length (an
// estimate from the first frames' bitrate can be off by several percent then).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace player {

struct MpegFrameScan {
    bool found = false;      // a chain of valid frames starts the audio data
    bool variable = false;   // the bitrate changes between frames
    bool lengthTag = false;  // the first frame carries a Xing, Info or VBRI header
    bool complete = false;   // the chain runs to the end of the data (tags aside)
    std::uint64_t frames = 0;
    std::uint64_t samples = 0;
    std::uint64_t bytes = 0;  // of the counted frames
    std::uint32_t sampleRate = 0;
    std::uint32_t bitrate = 0;          // of the first frame, in bit/s
    std::uint32_t samplesPerFrame = 0;  // of the first frame
    std::size_t audioStart = 0;         // offset of the first frame
    std::uint32_t taggedFrames = 0;     // the frame count the length header states, or 0
};

// Walks the frames of data (an ID3v2 tag at the start is skipped).
MpegFrameScan ScanMpegFrames(const unsigned char* data, std::size_t size);

// The length in ms of an MPEG audio file; nothing for a file that is not MPEG audio or
// whose frames cannot be walked (free format, damage), which a decoder must measure.
std::optional<std::uint32_t> MpegAudioLength(const std::string& path);

}  // namespace player
