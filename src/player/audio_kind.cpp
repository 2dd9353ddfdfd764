#include "player/audio_kind.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "player/mpeg_audio_length.h"

namespace player {

namespace {

// The COMM chunk's compression type follows channels (2), frames (4), sample size (2)
// and the 10-byte sample rate.
constexpr std::size_t kCompressionOffset = 18;
constexpr std::size_t kChunkHeaderBytes = 8;
constexpr std::size_t kFormHeaderBytes = 12;
// Chunks walked before the COMM chunk; real files have one or two.
constexpr int kMaxChunks = 64;
// How much of the start MPEG frames are looked for in; the frame walk needs no more.
constexpr std::size_t kMpegSniffBytes = std::size_t{64} * 1024;
// Where a ProTracker module keeps its four-letter signature, and an S3M its own.
constexpr std::size_t kModSignatureOffset = 1080;
constexpr std::size_t kS3mSignatureOffset = 44;
// What is read of a file's start; enough for every kind but an AIFF-C with long chunks
// before its COMM chunk.
constexpr std::size_t kHeadBytes = std::size_t{64} * 1024;

constexpr std::array<unsigned char, 16> kAsfHeaderGuid = {
    0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11, 0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};

std::uint32_t BigEndian32(const unsigned char* b) {
    return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) |
           std::uint32_t{b[3]};
}

bool Has(const unsigned char* data, std::size_t size, std::size_t offset, std::string_view tag) {
    return size >= offset && size - offset >= tag.size() &&
           std::memcmp(data + offset, tag.data(), tag.size()) == 0;
}

bool IsModSignature(const unsigned char* data, std::size_t size) {
    for (const char* signature : {"M.K.", "M!K!", "M&K!", "FLT4", "FLT8", "4CHN", "6CHN", "8CHN"}) {
        if (Has(data, size, kModSignatureOffset, signature)) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::optional<AudioKind> AiffKindOf(const unsigned char* data, std::size_t size) {
    if (!Has(data, size, 0, "FORM") || size < kFormHeaderBytes) {
        return std::nullopt;
    }
    if (Has(data, size, 8, "AIFF")) {
        return AudioKind::Aiff;
    }
    if (!Has(data, size, 8, "AIFC")) {
        return std::nullopt;
    }
    // The chunks before COMM are stepped over by their sizes (padded to even).
    std::size_t at = kFormHeaderBytes;
    for (int i = 0; i < kMaxChunks && size - at >= kChunkHeaderBytes; ++i) {
        const std::uint32_t chunkSize = BigEndian32(data + at + 4);
        const std::size_t body = at + kChunkHeaderBytes;
        if (Has(data, size, at, "COMM")) {
            if (chunkSize >= kCompressionOffset + 4) {
                for (const char* companded : {"ulaw", "ULAW", "alaw", "ALAW"}) {
                    if (Has(data, size, body + kCompressionOffset, companded)) {
                        return AudioKind::AiffCompanded;
                    }
                }
            }
            break;
        }
        const std::uint64_t next = std::uint64_t{body} + chunkSize + (chunkSize & 1U);
        if (next > size) {
            break;
        }
        at = static_cast<std::size_t>(next);
    }
    return AudioKind::Aiff;
}

AudioKind AudioKindOfBytes(const unsigned char* data, std::size_t size) {
    if (const auto aiff = AiffKindOf(data, size)) {
        return *aiff;
    }
    if ((Has(data, size, 0, "RIFF") || Has(data, size, 0, "RF64")) && Has(data, size, 8, "WAVE")) {
        return AudioKind::Wav;
    }
    if (Has(data, size, 0, "RIFF") && Has(data, size, 8, "RMID")) {
        return AudioKind::Midi;
    }
    if (Has(data, size, 0, "MThd")) {
        return AudioKind::Midi;
    }
    if (Has(data, size, 0, "OggS")) {
        return AudioKind::Ogg;
    }
    if (Has(data, size, 0, "fLaC")) {
        return AudioKind::Flac;
    }
    if (size >= kAsfHeaderGuid.size() &&
        std::memcmp(data, kAsfHeaderGuid.data(), kAsfHeaderGuid.size()) == 0) {
        return AudioKind::Asf;
    }
    if (Has(data, size, 0, "Extended Module:") || Has(data, size, 0, "IMPM") ||
        Has(data, size, kS3mSignatureOffset, "SCRM") || IsModSignature(data, size)) {
        return AudioKind::Module;
    }
    if (Has(data, size, 0, "ID3") || ScanMpegFrames(data, std::min(size, kMpegSniffBytes)).found) {
        return AudioKind::Mpeg;
    }
    return AudioKind::Unknown;
}

AudioKind AudioKindOfName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return AudioKind::Unknown;
    }
    std::string extension = path.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    struct Named {
        std::string_view extension;
        AudioKind kind;
    };
    static constexpr Named kNames[] = {
        {"wav", AudioKind::Wav},    {"mp1", AudioKind::Mpeg},   {"mp2", AudioKind::Mpeg},
        {"mp3", AudioKind::Mpeg},   {"mpa", AudioKind::Mpeg},   {"ogg", AudioKind::Ogg},
        {"oga", AudioKind::Ogg},    {"opus", AudioKind::Ogg},   {"flac", AudioKind::Flac},
        {"aif", AudioKind::Aiff},   {"aiff", AudioKind::Aiff},  {"aifc", AudioKind::Aiff},
        {"wma", AudioKind::Asf},    {"asf", AudioKind::Asf},    {"mid", AudioKind::Midi},
        {"midi", AudioKind::Midi},  {"rmi", AudioKind::Midi},   {"mod", AudioKind::Module},
        {"xm", AudioKind::Module},  {"it", AudioKind::Module},  {"s3m", AudioKind::Module},
        {"mtm", AudioKind::Module}, {"669", AudioKind::Module}, {"stm", AudioKind::Module},
    };
    for (const Named& named : kNames) {
        if (extension == named.extension) {
            return named.kind;
        }
    }
    return AudioKind::Unknown;
}

std::optional<AudioKind> AudioKindOfFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    const auto size = static_cast<std::size_t>(info.st_size);
    std::vector<unsigned char> head(std::min(size, kHeadBytes));
    const ssize_t got = ::pread(fd, head.data(), head.size(), 0);
    head.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    AudioKind kind = AudioKindOfBytes(head.data(), head.size());
    // An AIFF-C's COMM chunk may follow chunks longer than the head: the file is mapped
    // then, so that they are stepped over without being read.
    if (kind == AudioKind::Aiff && head.size() < size) {
        void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (mapped != MAP_FAILED) {
            kind = AudioKindOfBytes(static_cast<const unsigned char*>(mapped), size);
            ::munmap(mapped, size);
        }
    }
    ::close(fd);
    return kind != AudioKind::Unknown ? kind : AudioKindOfName(path);
}

bool NeedsLibav(AudioKind kind) {
    return kind == AudioKind::AiffCompanded || kind == AudioKind::Asf;
}

}  // namespace player
