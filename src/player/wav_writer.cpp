#include "player/wav_writer.h"

namespace player {

namespace {

constexpr std::uint32_t kHeaderBytes = 44;
constexpr std::uint32_t kFormatChunkBytes = 16;
constexpr std::uint16_t kPcmFormat = 1;
constexpr std::uint16_t kBitsPerSample = 16;
constexpr std::uint16_t kBytesPerSample = kBitsPerSample / 8;

void AppendLe(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFFu));
    }
}

}  // namespace

std::string WavBytes(const std::vector<std::int16_t>& samples, std::uint32_t sampleRate,
                     std::uint16_t channels) {
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * kBytesPerSample);
    const std::uint32_t frameBytes = std::uint32_t{channels} * kBytesPerSample;
    std::string bytes;
    bytes.reserve(kHeaderBytes + dataBytes);
    bytes += "RIFF";
    AppendLe(bytes, kHeaderBytes - 8 + dataBytes, 4);
    bytes += "WAVEfmt ";
    AppendLe(bytes, kFormatChunkBytes, 4);
    AppendLe(bytes, kPcmFormat, 2);
    AppendLe(bytes, channels, 2);
    AppendLe(bytes, sampleRate, 4);
    AppendLe(bytes, sampleRate * frameBytes, 4);
    AppendLe(bytes, frameBytes, 2);
    AppendLe(bytes, kBitsPerSample, 2);
    bytes += "data";
    AppendLe(bytes, dataBytes, 4);
    for (const std::int16_t sample : samples) {
        AppendLe(bytes, static_cast<std::uint16_t>(sample), 2);
    }
    return bytes;
}

}  // namespace player
