#include "schedule/profile_file.h"

#include <gtest/gtest.h>

#include "schedule/text_codec.h"
#include "test_support.h"

using namespace schedule;
using namespace testing_support;

namespace {

// Writes a UTF-8 INI text as the GB18030 file the program reads.
void WriteIni(const std::string& path, const std::string& utf8) {
    WriteFile(path, EncodeFileText(utf8));
}

}  // namespace

TEST(ProfileFile, ReadsLikeTheProfileFunctions) {
    TempDir dir;
    const std::string path = dir.File("QELT.INI");
    CProfileFile ini(path);

    // No file: every default.
    EXPECT_EQ(ini.ReadString("设置", "学校名称", "Varnel"), "Varnel");
    EXPECT_EQ(ini.ReadInt("设置", "默认音量", 100), 100);

    WriteIni(path,
             "; school settings\r\n"
             "[设置]\r\n"
             "学校名称 =  \"  实验中学  \"  \r\n"
             "Volume=-35abc\r\n"
             "empty=\r\n"
             "words=abc\n"  // a line ending in "\n" alone
             "big=99999999999\r\n"
             "[OTHER]\n"
             "key=other section\n"
             "[Settings]\n"
             "MixedCase='single'\n");

    EXPECT_EQ(ini.ReadString("设置", "学校名称", "x"), "  实验中学  ");  // one pair of quotes
    EXPECT_EQ(ini.ReadInt("设置", "volume", 0), -35);                    // key case ignored
    EXPECT_EQ(ini.ReadInt("设置", "empty", 7), 7);                       // empty: the default
    EXPECT_EQ(ini.ReadInt("设置", "words", 7), 0);
    EXPECT_EQ(ini.ReadInt("设置", "big", 0), 2147483647);
    EXPECT_EQ(ini.ReadInt("设置", "missing", 7), 7);
    EXPECT_EQ(ini.ReadString("other", "KEY", ""), "other section");  // section case ignored
    EXPECT_EQ(ini.ReadString("settings", "mixedcase", ""), "single");
    EXPECT_EQ(ini.ReadString("设置", "key", "none"), "none");  // other section's key
    EXPECT_EQ(ini.ReadString("nosuch", "key", "d"), "d");
    EXPECT_EQ(ini.ReadString(" ; school settings", "x", "d"), "d");  // comments are not keys
}

TEST(ProfileFile, BufferSizeCutsEncodedBytesAtACharacter) {
    TempDir dir;
    const std::string path = dir.File("QELT.INI");
    CProfileFile ini(path);
    std::string longTitle;
    for (int i = 0; i < 120; ++i) {
        longTitle += "课";  // 240 bytes in the file
    }
    WriteIni(path, "[常用标题]\r\n1=" + longTitle + "\r\n2=" + std::string(300, 'a') + "\r\n");

    // A 200-byte buffer takes 199 bytes: 99 two-byte characters, never half of one.
    const std::string cut = ini.ReadString("常用标题", "1", "", 200);
    EXPECT_EQ(EncodeFileText(cut).size(), 198u);
    EXPECT_EQ(cut, longTitle.substr(0, 99 * 3));
    EXPECT_EQ(ini.ReadString("常用标题", "2", "", 200), std::string(199, 'a'));
    EXPECT_EQ(ini.ReadString("常用标题", "2", ""), std::string(259, 'a'));
}

TEST(ProfileFile, WritesOneLineAndKeepsTheRest) {
    TempDir dir;
    const std::string path = dir.File("QELT.INI");
    CProfileFile ini(path);

    // Creating the file, the section and the key.
    ASSERT_TRUE(ini.WriteString("设置", "自动关机", "0"));
    EXPECT_EQ(ReadFile(path), EncodeFileText("[设置]\r\n自动关机=0\r\n"));

    const std::string original =
        "; keep me\n"
        "[设置]\n"
        "自动关机=1\n"
        "  学校名称 = 老名字\n"
        "\n"
        "[扩展运行]\n"
        "是否开启=0\n";
    WriteIni(path, original);

    // Replacing a value matched without regard to case keeps every other line.
    ASSERT_TRUE(ini.WriteString("设置", "学校名称", "新名字"));
    // A new key goes after the section's last line, before the blank line.
    ASSERT_TRUE(ini.WriteString("设置", "默认音量", "80"));
    // A new section goes at the end.
    ASSERT_TRUE(ini.WriteString("常用标题", "标题数", "2"));
    // Line breaks in a value cannot start new lines.
    ASSERT_TRUE(ini.WriteString("扩展运行", "参数1", "a\r\n[x]\nb"));

    EXPECT_EQ(DecodeFileText(ReadFile(path)),
              "; keep me\r\n"
              "[设置]\r\n"
              "自动关机=1\r\n"
              "学校名称=新名字\r\n"
              "默认音量=80\r\n"
              "\r\n"
              "[扩展运行]\r\n"
              "是否开启=0\r\n"
              "参数1=a  [x] b\r\n"
              "[常用标题]\r\n"
              "标题数=2\r\n");
    EXPECT_EQ(ini.ReadInt("设置", "默认音量", 0), 80);
    EXPECT_EQ(ini.ReadString("扩展运行", "参数1", ""), "a  [x] b");
}

TEST(ProfileFile, KeepsForeignBytesAndRefusesUnreadableFiles) {
    TempDir dir;
    const std::string path = dir.File("QELT.INI");
    // A line with bytes that are not GB18030 survives a write of another key.
    const std::string odd = Bytes({'x', '=', 0x80, 0xFF, 'z'});
    WriteFile(path, "[a]\r\n" + odd + "\r\n");
    CProfileFile ini(path);
    ASSERT_TRUE(ini.WriteString("a", "y", "1"));
    EXPECT_EQ(ReadFile(path), "[a]\r\n" + odd + "\r\ny=1\r\n");

    // A path that exists but is not a readable file is never replaced.
    std::filesystem::create_directory(dir.File("folder.ini"));
    CProfileFile folder(dir.File("folder.ini"));
    EXPECT_FALSE(folder.WriteString("a", "b", "c"));
    EXPECT_TRUE(std::filesystem::is_directory(dir.File("folder.ini")));
    EXPECT_EQ(folder.ReadInt("a", "b", 5), 5);
}

TEST(ProfileFile, ParseLeadingInt) {
    EXPECT_EQ(CProfileFile::ParseLeadingInt("42"), 42);
    EXPECT_EQ(CProfileFile::ParseLeadingInt("  -7 minutes"), -7);
    EXPECT_EQ(CProfileFile::ParseLeadingInt("+3"), 3);
    EXPECT_EQ(CProfileFile::ParseLeadingInt("-"), 0);
    EXPECT_EQ(CProfileFile::ParseLeadingInt("x1"), 0);
    EXPECT_EQ(CProfileFile::ParseLeadingInt("-99999999999"), -2147483647 - 1);
}
