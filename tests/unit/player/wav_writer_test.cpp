// The WAV bytes the demo's chimes and the audio system's warm-up are written as.

#include "player/wav_writer.h"

#include <gtest/gtest.h>

namespace player {
namespace {

TEST(WavWriterTest, TwoMonoSamplesMakeA48ByteFile) {
    const std::string expected(
        "RIFF\x28\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00"
        "\x40\x1F\x00\x00\x80\x3E\x00\x00\x02\x00\x10\x00"
        "data\x04\x00\x00\x00\x01\x00\xFE\xFF",
        48);
    EXPECT_EQ(WavBytes({1, -2}, 8000), expected);
    // Stereo doubles the byte rate and the frame size.
    const std::string stereo = WavBytes({0, 0}, 8000, 2);
    EXPECT_EQ(stereo.substr(22, 2), std::string("\x02\x00", 2));
    EXPECT_EQ(stereo.substr(28, 4), std::string("\x00\x7D\x00\x00", 4));
    EXPECT_EQ(stereo.substr(32, 2), std::string("\x04\x00", 2));
}

}  // namespace
}  // namespace player
