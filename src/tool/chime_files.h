#pragma once
// Short bell chimes synthesised in the tool, written as WAV files and encoded to Ogg
// Vorbis with GStreamer, so a demo program folder needs no music from elsewhere.

#include <cstdint>
#include <string>
#include <vector>

namespace tool {

// The sample rate of every chime: mono, 16 bits.
constexpr int kChimeSampleRate = 22050;

// A bell stroke every noteSeconds for each frequency in turn, the last one left to ring
// for ringSeconds more; each stroke decays on its own and overlaps the next.
std::vector<std::int16_t> SynthesizeChime(const std::vector<double>& frequenciesHz,
                                          double noteSeconds, double ringSeconds);

// Writes the samples as a PCM WAV file, replacing path in one step.
bool WriteWav(const std::string& path, const std::vector<std::int16_t>& samples);

// Encodes the WAV file at wavPath to Ogg Vorbis at oggPath; on failure no file is left at
// oggPath and the reason goes to error.
bool EncodeOgg(const std::string& wavPath, const std::string& oggPath, std::string& error);

}  // namespace tool
