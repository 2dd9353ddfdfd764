// Telling a music file's kind from its bytes: the AIFF chunk walk on literal bytes, the
// test files of every format, and the name as the last resort.

#include "player/audio_kind.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace player {
namespace {

std::optional<AudioKind> AiffOf(const std::string& bytes) {
    return AiffKindOf(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

// A COMM chunk's 18 bytes (1 channel, 8 frames, 8 bits, 8000 Hz) and, for AIFF-C, a
// compression type with its name.
std::string Comm(const std::string& compression) {
    std::string body("\x00\x01\x00\x00\x00\x08\x00\x08\x40\x0B\xFA\x00\x00\x00\x00\x00\x00\x00",
                     18);
    body += compression;
    return std::string("COMM\x00\x00\x00", 7) + static_cast<char>(body.size()) + body;
}

TEST(AudioKindTest, AnAiffCsCompressionIsFoundPastTheChunksBeforeIt) {
    // FVER (4 bytes) and an odd-sized APPL chunk (3 bytes and a pad byte) come first.
    const std::string before = std::string("FVER\x00\x00\x00\x04\xA2\x80\x51\x40", 12) +
                               std::string("APPL\x00\x00\x00\x03xyz\x00", 12);
    const std::string form = std::string("FORM\x00\x00\x10\x00", 8);
    EXPECT_EQ(AiffOf(form + "AIFC" + before + Comm(std::string("ulaw\x05u-law", 10))),
              AudioKind::AiffCompanded);
    EXPECT_EQ(AiffOf(form + "AIFC" + before + Comm("ALAW")), AudioKind::AiffCompanded);
    EXPECT_EQ(AiffOf(form + "AIFC" + before + Comm("sowt")), AudioKind::Aiff);
    EXPECT_EQ(AiffOf(form + "AIFF" + Comm("")), AudioKind::Aiff);
    // A COMM chunk too short to hold a compression type, and a chunk whose size runs
    // past the data, leave an AIFF-C for the AIFF parser.
    EXPECT_EQ(AiffOf(form + "AIFC" + Comm("")), AudioKind::Aiff);
    EXPECT_EQ(AiffOf(form + "AIFC" + std::string("APPL\xFF\xFF\xFF\xF0", 8) + Comm("ulaw")),
              AudioKind::Aiff);
    // Not AIFF at all.
    EXPECT_EQ(AiffOf(form + "WAVE"), std::nullopt);
    EXPECT_EQ(AiffOf("FORM"), std::nullopt);
    EXPECT_EQ(AiffOf(""), std::nullopt);
}

TEST(AudioKindTest, FilesAreToldByTheirBytesAndOnlyThenByTheirNames) {
    const char* data = std::getenv("QELT_TEST_DATA");
    ASSERT_NE(data, nullptr);
    const std::string dir = std::string(data) + "/";
    const std::pair<const char*, AudioKind> cases[] = {
        {"audio_tone.wav", AudioKind::Wav},
        {"audio_cbr.mp3", AudioKind::Mpeg},
        {"audio_vbr_noxing.mp3", AudioKind::Mpeg},
        {"audio_tone.mp2", AudioKind::Mpeg},
        {"audio_tone.ogg", AudioKind::Ogg},
        {"audio_tone.aiff", AudioKind::Aiff},
        {"audio_alaw.aifc", AudioKind::AiffCompanded},
        {"audio_ulaw.aifc", AudioKind::AiffCompanded},
        {"audio_tone.wma", AudioKind::Asf},
        {"audio_tune.mid", AudioKind::Midi},
        {"audio_tune.mod", AudioKind::Module},
        // Text named like an MP3 is what its name says; it fails when it is opened.
        {"audio_text.mp3", AudioKind::Mpeg},
    };
    for (const auto& [name, kind] : cases) {
        EXPECT_EQ(AudioKindOfFile(dir + name), kind) << name;
    }
    EXPECT_EQ(AudioKindOfFile(dir + "missing.wav"), std::nullopt);
    EXPECT_EQ(AudioKindOfName("/a/b.c/音乐.WMA"), AudioKind::Asf);
    EXPECT_EQ(AudioKindOfName("/a/b.mp3/noextension"), AudioKind::Unknown);
    EXPECT_TRUE(NeedsLibav(AudioKind::Asf) && NeedsLibav(AudioKind::AiffCompanded));
    EXPECT_FALSE(NeedsLibav(AudioKind::Mpeg) || NeedsLibav(AudioKind::Aiff));
}

}  // namespace
}  // namespace player
