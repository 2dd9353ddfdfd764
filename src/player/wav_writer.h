#pragma once
// The bytes of a PCM WAV file of 16-bit samples: what the demo's chimes are written as,
// and the silence the audio system prerolls to load its playing chain.

#include <cstdint>
#include <string>
#include <vector>

namespace player {

// A RIFF WAVE file holding samples (interleaved when channels > 1) at sampleRate.
std::string WavBytes(const std::vector<std::int16_t>& samples, std::uint32_t sampleRate,
                     std::uint16_t channels = 1);

}  // namespace player
