// Counting the frames of MPEG audio: the frames are written here byte by byte.

#include "player/mpeg_audio_length.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
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

TEST(MpegAudioLengthTest, MeasuresFromHeadersSizesOrFrameCounts) {
    const char* dataDir = std::getenv("QELT_TEST_DATA");
    ASSERT_NE(dataDir, nullptr);
    const std::string dir = std::string(dataDir) + "/";
    // 117 frames of 576 samples at 22050 Hz, counted.
    EXPECT_EQ(MpegAudioLength(dir + "audio_vbr_noxing.mp3"), 3056u);
    EXPECT_EQ(MpegAudioLength(dir + "audio_tone.wav"), std::nullopt);
    EXPECT_EQ(MpegAudioLength(dir + "audio_text.mp3"), std::nullopt);
    EXPECT_EQ(MpegAudioLength(dir + "audio_empty.mp3"), std::nullopt);
    EXPECT_EQ(MpegAudioLength(dir + "no_such_file.mp3"), std::nullopt);

    // Files larger than the head read first, written here: 16 kbit/s frames of 52 bytes
    // (576 samples at 22050 Hz, 26.12 ms each).
    const std::string path = ::testing::TempDir() + "qelt_mpeg_length.mp3";
    const auto measure = [&path](const std::vector<unsigned char>& bytes) {
        std::ofstream(path, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return MpegAudioLength(path);
    };
    constexpr int kFrames = 4000;  // 104.5 s, 208 000 bytes
    constexpr std::uint32_t kMs = 104490;
    std::vector<unsigned char> cbr;
    for (int i = 0; i < kFrames; ++i) {
        AddFrame(cbr, 2);
    }
    // Constant bitrate: from the size, with an ID3v1 tag left out.
    std::vector<unsigned char> tagged = cbr;
    tagged.insert(tagged.end(), {'T', 'A', 'G'});
    tagged.insert(tagged.end(), 125, ' ');
    EXPECT_EQ(measure(tagged), kMs);

    // An Info header's frame count wins over the size; the Info frame itself is silence.
    std::vector<unsigned char> info;
    AddFrame(info, 2, 0);
    const unsigned char header[] = {'I', 'n', 'f', 'o', 0, 0, 0, 1, 0, 0, 0x03, 0xE8};  // 1000
    std::copy(std::begin(header), std::end(header), info.begin() + 13);
    info.insert(info.end(), cbr.begin(), cbr.end());
    EXPECT_EQ(measure(info), 26122u);

    // Constant at the start, slower later (a VBR file that opens with silence): counted.
    std::vector<unsigned char> late = cbr;
    for (int i = 0; i < 3 * kFrames; ++i) {
        AddFrame(late, 1);
    }
    EXPECT_EQ(measure(late), 417959u);
    std::remove(path.c_str());
}

}  // namespace
}  // namespace player
