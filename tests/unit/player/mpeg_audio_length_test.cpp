// Counting the frames of MPEG audio: the frames are written here byte by byte.

#include "player/mpeg_audio_length.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace player {
namespace {

// One MPEG-2 Layer III frame, 22050 Hz mono, of the bitrate index given (1 = 8 kbit/s,
// 26 bytes; 2 = 16 kbit/s, 52 bytes; 3 = 24 kbit/s, 78 bytes), filled with fill.
void AddFrame(std::vector<unsigned char>& data, int bitrateIndex, unsigned char fill = 0x55) {
    const std::size_t size = 72u * 8000u * static_cast<unsigned>(bitrateIndex) / 22050u;
    data.insert(data.end(), {0xFF, 0xF3, static_cast<unsigned char>(bitrateIndex << 4), 0xC4});
    data.insert(data.end(), size - 4, fill);
}

TEST(MpegAudioLengthTest, CountsFramesOfVariableBitrate) {
    std::vector<unsigned char> data = {'I', 'D', '3', 4, 0, 0, 0, 0, 0, 20};  // 20-byte tag
    data.insert(data.end(), 20, 0);
    for (int i = 0; i < 30; ++i) {
        AddFrame(data, 1 + i % 3);
    }
    data.insert(data.end(), {'T', 'A', 'G'});  // an ID3v1 tag may follow
    data.insert(data.end(), 125, ' ');

    MpegFrameScan scan = ScanMpegFrames(data.data(), data.size());
    EXPECT_TRUE(scan.found);
    EXPECT_TRUE(scan.variable);
    EXPECT_FALSE(scan.lengthTag);
    EXPECT_TRUE(scan.complete);
    EXPECT_EQ(scan.frames, 30u);
    EXPECT_EQ(scan.samples, 30u * 576u);
    EXPECT_EQ(scan.sampleRate, 22050u);

    // Constant bitrate, a Xing header, junk in the middle, and no audio at all.
    std::vector<unsigned char> constant;
    for (int i = 0; i < 5; ++i) {
        AddFrame(constant, 2);
    }
    scan = ScanMpegFrames(constant.data(), constant.size());
    EXPECT_TRUE(scan.found);
    EXPECT_FALSE(scan.variable);
    EXPECT_EQ(scan.frames, 5u);

    std::vector<unsigned char> tagged;
    AddFrame(tagged, 3, 0);
    std::copy_n("Xing", 4, tagged.begin() + 4 + 9);
    AddFrame(tagged, 1);
    AddFrame(tagged, 2);
    scan = ScanMpegFrames(tagged.data(), tagged.size());
    EXPECT_TRUE(scan.found);
    EXPECT_TRUE(scan.lengthTag);

    std::vector<unsigned char> broken = data;
    broken.insert(broken.begin() + 10 + 20 + 26 * 3, 9000, 0x00);
    scan = ScanMpegFrames(broken.data(), broken.size());
    EXPECT_FALSE(scan.complete);

    const std::string text = "These are not the notes you are looking for.";
    scan = ScanMpegFrames(reinterpret_cast<const unsigned char*>(text.data()), text.size());
    EXPECT_FALSE(scan.found);
    scan = ScanMpegFrames(data.data(), 3);
    EXPECT_FALSE(scan.found);
}

TEST(MpegAudioLengthTest, MeasuresOnlyVbrFilesWithoutALengthHeader) {
    const char* dataDir = std::getenv("QELT_TEST_DATA");
    ASSERT_NE(dataDir, nullptr);
    const std::string dir = std::string(dataDir) + "/";
    // 117 frames of 576 samples at 22050 Hz.
    EXPECT_EQ(VbrMpegAudioLength(dir + "audio_vbr_noxing.mp3"), 3056u);
    EXPECT_EQ(VbrMpegAudioLength(dir + "audio_cbr.mp3"), std::nullopt);
    EXPECT_EQ(VbrMpegAudioLength(dir + "audio_tone.wav"), std::nullopt);
    EXPECT_EQ(VbrMpegAudioLength(dir + "audio_empty.mp3"), std::nullopt);
    EXPECT_EQ(VbrMpegAudioLength(dir + "no_such_file.mp3"), std::nullopt);
}

}  // namespace
}  // namespace player
