#include "player/mpeg_audio_length.h"

#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <vector>

namespace player {

namespace {

// Enough of a file to tell constant from variable bitrate; a VBR encoder changes its
// rate within the first few frames.
constexpr std::size_t kHeadBytes = 64 * 1024;
// How far into the data the first frame may start (junk before the audio).
constexpr std::size_t kSyncSearchBytes = 4096;
// Frames in a row that must chain before a sync pattern is believed.
constexpr int kChainToTrust = 3;
// Trailing bytes that may follow the last frame: an ID3v1 tag, an APE tag, padding.
constexpr std::size_t kTrailingAllowance = 8 * 1024;
constexpr std::size_t kId3HeaderBytes = 10;

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

bool HasLengthTag(const unsigned char* frame, std::size_t available) {
    for (const char* tag : {"Xing", "Info", "VBRI"}) {
        for (std::size_t i = 4; i + 4 <= available; ++i) {
            if (std::memcmp(frame + i, tag, 4) == 0) {
                return true;
            }
        }
    }
    return false;
}

// The first limit bytes of the file (all of it when shorter).
std::vector<unsigned char> ReadFile(const std::string& path, std::size_t limit) {
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> data;
    if (!in) {
        return data;
    }
    in.seekg(0, std::ios::end);
    const auto end = in.tellg();
    if (end <= 0) {
        return data;
    }
    in.seekg(0, std::ios::beg);
    data.resize(std::min<std::size_t>(static_cast<std::size_t>(end), limit));
    in.read(reinterpret_cast<char*>(data.data()), static_cast<std::streamsize>(data.size()));
    data.resize(static_cast<std::size_t>(in.gcount()));
    return data;
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
    scan.lengthTag = HasLengthTag(data + offset, std::min<std::size_t>(first.size, size - offset));
    FrameHeader header;
    while (offset + 4 <= size && ParseHeader(data + offset, &header) && SameStream(first, header) &&
           offset + header.size <= size) {
        scan.variable = scan.variable || header.bitrate != first.bitrate;
        ++scan.frames;
        scan.samples += header.samples;
        offset += header.size;
    }
    scan.complete = size - offset <= kTrailingAllowance;
    return scan;
}

std::optional<std::uint32_t> VbrMpegAudioLength(const std::string& path) {
    std::vector<unsigned char> data = ReadFile(path, kHeadBytes);
    if (data.size() < 4) {
        return std::nullopt;
    }
    // A large ID3v2 tag (cover art) pushes the first frames past the head.
    const std::size_t audio = SkipId3v2(data.data(), data.size());
    if (audio + kSyncSearchBytes > data.size() && data.size() == kHeadBytes) {
        data = ReadFile(path, audio + kHeadBytes);
    }
    const std::size_t head = data.size();
    MpegFrameScan scan = ScanMpegFrames(data.data(), data.size());
    if (!scan.found || scan.lengthTag || !scan.variable) {
        return std::nullopt;
    }
    if (head == audio + kHeadBytes || head == kHeadBytes) {
        data = ReadFile(path, SIZE_MAX);
        scan = ScanMpegFrames(data.data(), data.size());
    }
    if (!scan.complete || scan.sampleRate == 0) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>((scan.samples * 1000 + scan.sampleRate / 2) /
                                      scan.sampleRate);
}

}  // namespace player
