#include "player/mpeg_audio_length.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <vector>

namespace player {

namespace {

// Enough of a file to tell constant from variable bitrate; a VBR encoder changes its
// rate within the first few frames.
constexpr std::size_t kHeadBytes = std::size_t{64} * 1024;
// How far into the data the first frame may start (junk before the audio).
constexpr std::size_t kSyncSearchBytes = 4096;
// Frames in a row that must chain before a sync pattern is believed.
constexpr int kChainToTrust = 3;
// Trailing bytes that may follow the last frame: an ID3v1 tag, an APE tag, padding.
constexpr std::size_t kTrailingAllowance = std::size_t{8} * 1024;
constexpr std::size_t kId3HeaderBytes = 10;
// The stretch from the middle of a file that must show the same bitrate as its head.
constexpr std::size_t kMiddleBytes = std::size_t{16} * 1024;
// The longest length reported; 0xFFFFFFFF means "unknown" to the playback engine.
constexpr std::uint64_t kLongestMs = 0xFFFFFFFEu;

struct FrameHeader {
    int version = 0;  // 1, 2 or 25 (MPEG 2.5)
    int layer = 0;    // 1..3
    std::uint32_t bitrate = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t size = 0;
    std::uint32_t samples = 0;
};

constexpr std::array<std::array<std::uint16_t, 16>, 5> kBitrates = {{
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},  // V1 L1
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},     // V1 L2
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},      // V1 L3
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},     // V2 L1
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},          // V2 L2, L3
}};

bool ParseHeader(const unsigned char* p, FrameHeader* header) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) {
        return false;
    }
    const int versionBits = (p[1] >> 3) & 3;
    const int layerBits = (p[1] >> 1) & 3;
    const int bitrateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    const int padding = (p[2] >> 1) & 1;
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 ||
        rateIndex == 3) {
        return false;  // reserved values, or free format, which cannot be walked
    }
    header->version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
    header->layer = 4 - layerBits;
    const int table = header->version == 1 ? header->layer - 1 : header->layer == 1 ? 3 : 4;
    header->bitrate = kBitrates[table][bitrateIndex] * 1000u;
    constexpr std::array<std::uint32_t, 3> kRates = {44100, 48000, 32000};
    header->sampleRate = kRates[rateIndex] / (header->version == 1   ? 1
                                              : header->version == 2 ? 2
                                                                     : 4);
    if (header->layer == 1) {
        header->samples = 384;
        header->size = (12 * header->bitrate / header->sampleRate + padding) * 4;
    } else if (header->layer == 2 || header->version == 1) {
        header->samples = 1152;
        header->size = 144 * header->bitrate / header->sampleRate + padding;
    } else {
        header->samples = 576;
        header->size = 72 * header->bitrate / header->sampleRate + padding;
    }
    return header->size >= 4;
}

bool SameStream(const FrameHeader& a, const FrameHeader& b) {
    return a.version == b.version && a.layer == b.layer && a.sampleRate == b.sampleRate;
}

std::size_t SkipId3v2(const unsigned char* data, std::size_t size) {
    if (size < kId3HeaderBytes || std::memcmp(data, "ID3", 3) != 0) {
        return 0;
    }
    const std::size_t tag = (std::size_t{data[6] & 0x7Fu} << 21) |
                            (std::size_t{data[7] & 0x7Fu} << 14) |
                            (std::size_t{data[8] & 0x7Fu} << 7) | std::size_t{data[9] & 0x7Fu};
    const bool footer = (data[5] & 0x10) != 0;
    return kId3HeaderBytes + tag + (footer ? kId3HeaderBytes : 0);
}

// True when kChainToTrust frames follow each other from offset.
bool ChainsFrom(const unsigned char* data, std::size_t size, std::size_t offset) {
    FrameHeader first;
    for (int i = 0; i < kChainToTrust; ++i) {
        FrameHeader header;
        if (offset + 4 > size || !ParseHeader(data + offset, &header)) {
            // A short file may end after fewer frames; that ends the chain cleanly.
            return i > 0 && offset == size;
        }
        if (i == 0) {
            first = header;
        } else if (!SameStream(first, header)) {
            return false;
        }
        offset += header.size;
    }
    return true;
}

std::uint32_t BigEndian32(const unsigned char* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           std::uint32_t{p[3]};
}

// Looks for a Xing, Info or VBRI header in the first frame (available bytes of it) and
// reads the frame count it states (0 when it states none). A Xing or Info header sits
// right after the side information (9, 17 or 32 bytes after the frame header), a VBRI
// header 32 bytes after it; nowhere else, so music that happens to hold the letters is
// not mistaken for one.
bool FindLengthTag(const unsigned char* frame, std::size_t available, std::uint32_t* frames) {
    constexpr std::uint32_t kXingFramesFlag = 0x1;
    constexpr std::size_t kVbriOffset = 36;
    constexpr std::size_t kVbriFramesOffset = 14;
    *frames = 0;
    for (const std::size_t at : {std::size_t{13}, std::size_t{21}, std::size_t{36}}) {
        if (at + 4 > available ||
            (std::memcmp(frame + at, "Xing", 4) != 0 && std::memcmp(frame + at, "Info", 4) != 0)) {
            continue;
        }
        if (at + 12 <= available && (BigEndian32(frame + at + 4) & kXingFramesFlag) != 0) {
            *frames = BigEndian32(frame + at + 8);
        }
        return true;
    }
    if (kVbriOffset + 4 <= available && std::memcmp(frame + kVbriOffset, "VBRI", 4) == 0) {
        if (kVbriOffset + kVbriFramesOffset + 4 <= available) {
            *frames = BigEndian32(frame + kVbriOffset + kVbriFramesOffset);
        }
        return true;
    }
    return false;
}

// Up to limit bytes of the file from offset (fewer at its end).
std::vector<unsigned char> ReadPart(std::ifstream& in, std::uint64_t offset, std::size_t limit) {
    std::vector<unsigned char> data;
    in.clear();
    in.seekg(0, std::ios::end);
    const auto end = static_cast<std::uint64_t>(std::max<std::streamoff>(0, in.tellg()));
    if (offset >= end) {
        return data;
    }
    data.resize(static_cast<std::size_t>(std::min<std::uint64_t>(end - offset, limit)));
    in.seekg(static_cast<std::streamoff>(offset), std::ios::beg);
    in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
    data.resize(static_cast<std::size_t>(std::max<std::streamsize>(0, in.gcount())));
    return data;
}

// Whether the frames found in a stretch of the file from offset have the bitrate and
// sample rate of the first frame: a VBR file that starts at one rate (silence, say)
// changes it by the middle.
bool SameBitrateAt(std::ifstream& in, std::uint64_t offset, std::uint32_t bitrate,
                   std::uint32_t sampleRate) {
    const std::vector<unsigned char> part = ReadPart(in, offset, kMiddleBytes);
    for (std::size_t at = 0; at + 4 <= part.size() && at < kSyncSearchBytes; ++at) {
        if (!ChainsFrom(part.data(), part.size(), at)) {
            continue;
        }
        FrameHeader header;
        int seen = 0;
        while (at + 4 <= part.size() && ParseHeader(part.data() + at, &header)) {
            if (header.bitrate != bitrate || header.sampleRate != sampleRate) {
                return false;
            }
            ++seen;
            at += header.size;
        }
        return seen > 0;
    }
    return false;
}

// Bytes of the tags that may follow the audio: an ID3v1 tag and an APEv2 tag.
std::uint64_t TrailingTagBytes(std::ifstream& in, std::uint64_t fileSize) {
    constexpr std::uint64_t kId3v1Bytes = 128;
    constexpr std::uint64_t kApeFooterBytes = 32;
    constexpr std::size_t kApeSizeOffset = 12;
    std::uint64_t tags = 0;
    if (fileSize >= kId3v1Bytes) {
        const auto tail = ReadPart(in, fileSize - kId3v1Bytes, 3);
        if (tail.size() == 3 && std::memcmp(tail.data(), "TAG", 3) == 0) {
            tags = kId3v1Bytes;
        }
    }
    if (fileSize >= tags + kApeFooterBytes) {
        const auto footer = ReadPart(in, fileSize - tags - kApeFooterBytes, kApeFooterBytes);
        if (footer.size() == kApeFooterBytes && std::memcmp(footer.data(), "APETAGEX", 8) == 0) {
            // The stated size counts the items and the footer; a header may precede them.
            const std::uint32_t size = footer[kApeSizeOffset] | (footer[kApeSizeOffset + 1] << 8) |
                                       (footer[kApeSizeOffset + 2] << 16) |
                                       (std::uint32_t{footer[kApeSizeOffset + 3]} << 24);
            const bool hasHeader = (footer[23] & 0x80) != 0;
            tags += size + (hasHeader ? kApeFooterBytes : 0);
        }
    }
    return std::min(tags, fileSize);
}

// The size of the frame at offset, or 0.
std::uint32_t FrameBytes(const std::vector<unsigned char>& data, std::size_t offset) {
    FrameHeader header;
    return offset + 4 <= data.size() && ParseHeader(data.data() + offset, &header) ? header.size
                                                                                   : 0;
}

}  // namespace

MpegFrameScan ScanMpegFrames(const unsigned char* data, std::size_t size) {
    MpegFrameScan scan;
    const std::size_t audio = SkipId3v2(data, size);
    std::size_t offset = audio;
    const std::size_t searchEnd = std::min(size, audio + kSyncSearchBytes);
    while (offset + 4 <= searchEnd && !ChainsFrom(data, size, offset)) {
        ++offset;
    }
    FrameHeader first;
    if (offset + 4 > searchEnd || !ParseHeader(data + offset, &first)) {
        return scan;
    }
    scan.found = true;
    scan.sampleRate = first.sampleRate;
    scan.bitrate = first.bitrate;
    scan.samplesPerFrame = first.samples;
    scan.audioStart = offset;
    scan.lengthTag = FindLengthTag(data + offset, std::min<std::size_t>(first.size, size - offset),
                                   &scan.taggedFrames);
    FrameHeader header;
    while (offset + 4 <= size && ParseHeader(data + offset, &header) && SameStream(first, header) &&
           offset + header.size <= size) {
        scan.variable = scan.variable || header.bitrate != first.bitrate;
        ++scan.frames;
        scan.samples += header.samples;
        scan.bytes += header.size;
        offset += header.size;
    }
    scan.complete = size - offset <= kTrailingAllowance;
    return scan;
}

std::optional<std::uint32_t> MpegAudioLength(const std::string& path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) {
        return std::nullopt;
    }
    const auto end = in.tellg();
    if (end < 4) {
        return std::nullopt;
    }
    const auto fileSize = static_cast<std::uint64_t>(end);
    std::vector<unsigned char> data = ReadPart(in, 0, kHeadBytes);
    // A large ID3v2 tag (cover art) pushes the first frames past the head.
    const std::size_t audio = SkipId3v2(data.data(), data.size());
    if (audio + kSyncSearchBytes > data.size() && data.size() == kHeadBytes) {
        data = ReadPart(in, 0, audio + kHeadBytes);
    }
    const bool wholeFile = data.size() == fileSize;
    // Frames must chain through the whole head: other formats' bytes may look like a
    // few frames by chance, never like thousands of bytes of them.
    MpegFrameScan scan = ScanMpegFrames(data.data(), data.size());
    if (!scan.found || !scan.complete || scan.sampleRate == 0) {
        return std::nullopt;
    }
    const auto toMs = [&scan](std::uint64_t samples) {
        return static_cast<std::uint32_t>(std::min<std::uint64_t>(
            (samples * 1000 + scan.sampleRate / 2) / scan.sampleRate, kLongestMs));
    };
    if (scan.taggedFrames > 0) {
        return toMs(std::uint64_t{scan.taggedFrames} * scan.samplesPerFrame);
    }

    // Constant bitrate: the head and a stretch from the middle agree, and the audio data
    // holds as many frames as its size allows at the head's average frame size (padded
    // frames included, so the stated bitrate's rounding does not matter).
    if (!scan.variable && !wholeFile && scan.bytes > 0 &&
        SameBitrateAt(in, fileSize / 2, scan.bitrate, scan.sampleRate)) {
        std::uint64_t audioBytes = fileSize - scan.audioStart - TrailingTagBytes(in, fileSize);
        std::uint64_t headFrames = scan.frames;
        std::uint64_t headBytes = scan.bytes;
        if (scan.lengthTag) {
            // An Info frame without a frame count is silence, not part of the audio.
            const std::uint64_t tagBytes = FrameBytes(data, scan.audioStart);
            audioBytes -= std::min(audioBytes, tagBytes);
            headBytes -= std::min(headBytes, tagBytes);
            headFrames -= std::min<std::uint64_t>(headFrames, 1);
        }
        if (headBytes > 0 && headFrames > 0) {
            // Frames as a fraction: audioBytes x headFrames / headBytes; in 64 bits a file
            // of terabytes would still not overflow.
            const double frames = static_cast<double>(audioBytes) *
                                  static_cast<double>(headFrames) / static_cast<double>(headBytes);
            const double ms = frames * scan.samplesPerFrame * 1000.0 / scan.sampleRate;
            return static_cast<std::uint32_t>(std::min(ms + 0.5, static_cast<double>(kLongestMs)));
        }
    }

    // Anything else is counted frame by frame.
    if (!wholeFile) {
        data = ReadPart(in, 0, SIZE_MAX);
        scan = ScanMpegFrames(data.data(), data.size());
    }
    if (!scan.found || !scan.complete || scan.sampleRate == 0) {
        return std::nullopt;
    }
    // An Info frame without a frame count is silence, not part of the audio.
    return toMs(scan.lengthTag && scan.frames > 0 ? scan.samples - scan.samplesPerFrame
                                                  : scan.samples);
}

}  // namespace player
