#pragma once
// The exact length of an MPEG audio file (MP1/MP2/MP3) whose frames vary in bitrate and
// that carries no Xing, Info or VBRI header: such a file states its length nowhere, and
// an estimate from the first frames' bitrate can be off by several percent. The frames
// are counted instead. Files of constant bitrate, or with a header that states the
// length, are left to the decoder's own figure.

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
    std::uint32_t sampleRate = 0;
};

// Walks the frames of data (an ID3v2 tag at the start is skipped).
MpegFrameScan ScanMpegFrames(const unsigned char* data, std::size_t size);

// The counted length in ms of a VBR MPEG audio file without a length header; nothing
// for any other file.
std::optional<std::uint32_t> VbrMpegAudioLength(const std::string& path);

}  // namespace player
