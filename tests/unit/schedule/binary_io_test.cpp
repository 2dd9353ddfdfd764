#include "schedule/binary_io.h"

#include <gtest/gtest.h>

#include "schedule/text_codec.h"
#include "test_support.h"

using namespace schedule;
using testing_support::Bytes;

namespace {

std::string Encoded(const std::string& text) {
    CBinaryWriter writer;
    writer.WriteString(text);
    return writer.Data();
}

std::string CountBytes(int n) {
    CBinaryWriter writer;
    writer.WriteInt(n);
    return writer.Data();
}

}  // namespace

TEST(TextCodec, ChineseTextBecomesGbkBytesAndBack) {
    EXPECT_EQ(EncodeFileText("上课"), Bytes({0xC9, 0xCF, 0xBF, 0xCE}));
    EXPECT_EQ(DecodeFileText(Bytes({0xD7, 0xF7, 0xCF, 0xA2, 0xB1, 0xED})), "作息表");
    // Characters outside GBK take GB18030's four-byte form and survive the round trip.
    const std::string wide = "😀 ©";
    EXPECT_EQ(EncodeFileText(wide).size(), 4u + 1u + 4u);
    EXPECT_EQ(DecodeFileText(EncodeFileText(wide)), wide);
    // The euro sign is the single byte 0x80 both ways, as files from Windows hold it;
    // GB18030's own two-byte form still reads.
    EXPECT_EQ(EncodeFileText("票价5€"), Bytes({0xC6, 0xB1, 0xBC, 0xDB, '5', 0x80}));
    EXPECT_EQ(DecodeFileText(Bytes({'a', 0x80, 'b', 0xA2, 0xE3})), "a€b€");
    // A GBK file's bytes read and write back unchanged.
    const std::string gbk = Bytes({'a', 0xB0, 0xA1, 0xF7, 0xFE, 0x81, 0x40, 0xFE, 0x4F, '.'});
    EXPECT_EQ(EncodeFileText(DecodeFileText(gbk)), gbk);
}

TEST(TextCodec, BrokenBytesNeverProduceBrokenText) {
    // A stray byte in the middle becomes the replacement character...
    EXPECT_EQ(DecodeFileText(Bytes({'a', 0xFF, 'b'})),
              "a\xEF\xBF\xBD"
              "b");
    // ...a character cut off at the end is dropped...
    EXPECT_EQ(DecodeFileText(Bytes({'a', 0xC9})), "a");
    EXPECT_EQ(DecodeFileText(Bytes({'a', 0x81, 0x30, 0x81})), "a");
    // ...and invalid UTF-8 on the way out becomes '?'.
    EXPECT_EQ(EncodeFileText("a\xFF"
                             "b"),
              "a?b");
}

TEST(TextCodec, PrefixesNeverEndInsideACharacter) {
    const std::string bytes = EncodeFileText("a上课");  // 1 + 2 + 2 bytes
    EXPECT_EQ(CharBoundaryPrefix(bytes, 2), 1u);
    EXPECT_EQ(CharBoundaryPrefix(bytes, 3), 3u);
    EXPECT_EQ(CharBoundaryPrefix(bytes, 100), 5u);
    EXPECT_EQ(Utf8BoundaryPrefix("a上", 3), 1u);  // 上 is three UTF-8 bytes
    EXPECT_EQ(Utf8BoundaryPrefix("a上", 4), 4u);
}

TEST(BinaryString, WritesCountTextAndZero) {
    EXPECT_EQ(Encoded(""), Bytes({1, 0, 0, 0, 0}));
    EXPECT_EQ(Encoded("上课"), Bytes({5, 0, 0, 0, 0xC9, 0xCF, 0xBF, 0xCE, 0}));

    const std::string text259(259, 'x');
    EXPECT_EQ(Encoded(text259), CountBytes(260) + text259 + std::string(1, '\0'));

    // Longer texts are cut to 259 bytes so the zero always fits, and never inside a
    // character: 130 Chinese characters (260 bytes) keep 129 of them.
    EXPECT_EQ(Encoded(std::string(300, 'y')),
              CountBytes(260) + std::string(259, 'y') + std::string(1, '\0'));
    std::string chinese;
    for (int i = 0; i < 130; ++i) {
        chinese += "课";
    }
    const std::string cut = Encoded(chinese);
    ASSERT_EQ(cut.size(), 4u + 259u);
    EXPECT_EQ(cut.substr(0, 4), CountBytes(259));
    EXPECT_EQ(cut.back(), '\0');
}

TEST(BinaryString, ReadsWhatOlderFilesHold) {
    std::string value;
    // A 260-byte text without a zero, as older writers stored long texts.
    const std::string fullData = CountBytes(260) + std::string(260, 'a');
    CBinaryReader full(fullData);
    ASSERT_TRUE(full.ReadString(value));
    EXPECT_EQ(value, std::string(260, 'a'));

    // The text stops at the first zero; the rest of the counted bytes is skipped.
    const std::string paddedData =
        CountBytes(6) + Bytes({'a', 'b', 0, 'z', 'z', 'z'}) + CountBytes(7);
    CBinaryReader padded(paddedData);
    std::int32_t next = 0;
    ASSERT_TRUE(padded.ReadString(value));
    ASSERT_TRUE(padded.ReadInt(next));
    EXPECT_EQ(value, "ab");
    EXPECT_EQ(next, 7);

    // A text whose last character was cut in half loses that half character.
    const std::string halvedData = CountBytes(3) + Bytes({'a', 'b', 0xC9});
    CBinaryReader halved(halvedData);
    ASSERT_TRUE(halved.ReadString(value));
    EXPECT_EQ(value, "ab");
}

TEST(BinaryString, RejectsImpossibleCountsAndShortData) {
    std::string value = "unchanged";
    const std::string tooLongData = CountBytes(261) + std::string(261, 'a');
    CBinaryReader tooLong(tooLongData);
    EXPECT_FALSE(tooLong.ReadString(value));
    const std::string negativeData = CountBytes(-1);
    CBinaryReader negative(negativeData);
    EXPECT_FALSE(negative.ReadString(value));
    const std::string shortDataData = CountBytes(10) + "abc";
    CBinaryReader shortData(shortDataData);
    EXPECT_FALSE(shortData.ReadString(value));
    EXPECT_FALSE(shortData.Ok());
    EXPECT_EQ(value, "unchanged");

    // After a failure every later read fails too.
    std::int32_t number = 0;
    const std::string threeData = Bytes({1, 2, 3});
    CBinaryReader three(threeData);
    EXPECT_FALSE(three.ReadInt(number));
    EXPECT_FALSE(three.ReadInt(number));
}

TEST(BinaryInt, LittleEndianSigned) {
    CBinaryWriter writer;
    writer.WriteInt(-1);
    writer.WriteInt(0x0042585A);
    EXPECT_EQ(writer.Data(), Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x5A, 0x58, 0x42, 0x00}));
    CBinaryReader reader(writer.Data());
    std::int32_t a = 0;
    std::int32_t b = 0;
    ASSERT_TRUE(reader.ReadInt(a) && reader.ReadInt(b));
    EXPECT_EQ(a, -1);
    EXPECT_EQ(b, 0x0042585A);
}
