#include "schedule/settings.h"

#include <gtest/gtest.h>

#include "schedule/text_codec.h"
#include "test_support.h"

using namespace schedule;
using namespace testing_support;

TEST(Settings, DefaultsWithoutAFile) {
    TempDir dir;
    const CSettings settings(dir.File("QELT.INI"));
    EXPECT_EQ(settings.GetTimetablePath(), ".\\作息表\\参考作息表.zxb");
    EXPECT_TRUE(settings.GetAutoShutdown());
    EXPECT_EQ(settings.GetShutdownDelayMinutes(), 5);
    EXPECT_EQ(settings.GetSchoolName(), "Varnel");
    EXPECT_TRUE(settings.GetShowPlayer());
    EXPECT_TRUE(settings.GetPopupPrompt());
    EXPECT_TRUE(settings.GetShowPending());
    EXPECT_EQ(settings.GetDefaultVolume(), 100);
    EXPECT_EQ(settings.GetBackgroundPicture(), " ");
    EXPECT_TRUE(settings.GetShowBackgroundPicture());
    EXPECT_EQ(settings.GetBackgroundColor(), 9861210);
    EXPECT_EQ(settings.GetPlayerX(), 0);
    EXPECT_EQ(settings.GetPlayerY(), 0);
    EXPECT_FALSE(settings.GetExtRun());
    EXPECT_EQ(settings.GetProgramBefore(), "");
    EXPECT_EQ(settings.GetParamsAfter(), "");
    EXPECT_TRUE(settings.ReadPresetTitles().empty());
    EXPECT_FALSE(std::filesystem::exists(dir.File("QELT.INI")));  // reading writes nothing
}

TEST(Settings, ReadsAndWritesTheirKeys) {
    TempDir dir;
    CSettings settings(dir.File("QELT.INI"));
    ASSERT_TRUE(settings.SetShutdownDelayMinutes(0));
    ASSERT_TRUE(settings.SetBackgroundColor(255));
    ASSERT_TRUE(settings.SetAutoShutdown(false));
    ASSERT_TRUE(settings.SetTimetablePath("作息表\\初中.zxb"));
    ASSERT_TRUE(settings.SetPlayerPosition(-20, 300));
    ASSERT_TRUE(settings.SetExtRun(true, "bell.sh", "after.sh", "--loud", "\"a b\""));

    EXPECT_EQ(settings.GetShutdownDelayMinutes(), 0);
    EXPECT_EQ(settings.GetBackgroundColor(), 255);
    EXPECT_FALSE(settings.GetAutoShutdown());
    EXPECT_EQ(settings.GetTimetablePath(), "作息表\\初中.zxb");
    EXPECT_EQ(settings.GetPlayerX(), -20);
    EXPECT_EQ(settings.GetPlayerY(), 300);
    EXPECT_TRUE(settings.GetExtRun());
    EXPECT_EQ(settings.GetProgramBefore(), "bell.sh");
    EXPECT_EQ(settings.GetProgramAfter(), "after.sh");
    EXPECT_EQ(settings.GetParamsBefore(), "--loud");
    EXPECT_EQ(settings.GetParamsAfter(), "a b");  // one pair of quotes is taken off on reading

    // The extension-run keys are written in the dialog's order.
    const std::string text = DecodeFileText(ReadFile(dir.File("QELT.INI")));
    const std::size_t on = text.find("是否开启=1");
    const std::size_t p1 = text.find("程序1=");
    const std::size_t p2 = text.find("程序2=");
    const std::size_t a1 = text.find("参数1=");
    const std::size_t a2 = text.find("参数2=");
    ASSERT_NE(a2, std::string::npos);
    EXPECT_LT(on, p1);
    EXPECT_LT(p1, p2);
    EXPECT_LT(p2, a1);
    EXPECT_LT(a1, a2);
}

TEST(Settings, PresetTitles) {
    TempDir dir;
    const std::string path = dir.File("QELT.INI");
    CSettings settings(path);

    // Count 3 with key 2 empty: two titles, from keys 1 and 3.
    WriteFile(path,
              EncodeFileText("[常用标题]\r\n标题数=3\r\n1=早读\r\n2=\r\n3=眼保健操\r\n4=不读\r\n"));
    EXPECT_EQ(settings.ReadPresetTitles(), (std::vector<std::string>{"早读", "眼保健操"}));

    // Saving two over five leaves keys 3..5 in the file, unread.
    ASSERT_TRUE(settings.WritePresetTitles({"一", "二", "三", "四", "五"}));
    ASSERT_TRUE(settings.WritePresetTitles({"上课", "下课"}));
    EXPECT_EQ(settings.ReadPresetTitles(), (std::vector<std::string>{"上课", "下课"}));
    const std::string text = DecodeFileText(ReadFile(path));
    EXPECT_NE(text.find("5=五"), std::string::npos);

    // Titles are read with a 200-byte buffer; a damaged huge count reads what is there.
    WriteFile(path, EncodeFileText("[常用标题]\r\n标题数=2000000000\r\n1=" + std::string(250, 'x') +
                                   "\r\n"));
    const std::vector<std::string> titles = settings.ReadPresetTitles();
    ASSERT_EQ(titles.size(), 1u);
    EXPECT_EQ(titles[0], std::string(199, 'x'));
}

TEST(Settings, OutputDeviceReadsBackExactly) {
    TempDir dir;
    const std::string path = dir.File("QELT.INI");
    CSettings settings(path);
    EXPECT_EQ(settings.GetOutputDevice(), "");  // absent: the system's default output

    ASSERT_TRUE(settings.SetOutputDevice("alsa_output.usb-C-Media_USB_Audio-00.analog-stereo"));
    EXPECT_EQ(settings.GetOutputDevice(), "alsa_output.usb-C-Media_USB_Audio-00.analog-stereo");
    EXPECT_NE(
        DecodeFileText(ReadFile(path))
            .find("[设置]\r\n输出设备=alsa_output.usb-C-Media_USB_Audio-00.analog-stereo\r\n"),
        std::string::npos);

    // Blanks and quotes at the ends survive the reader's trimming.
    for (const std::string id : {" 扬声器 ", "\"quoted\"", "'", "tab\t"}) {
        SCOPED_TRACE(id);
        ASSERT_TRUE(settings.SetOutputDevice(id));
        EXPECT_EQ(settings.GetOutputDevice(), id);
    }

    // What could not be read back as it is is refused and the stored choice stays.
    ASSERT_TRUE(settings.SetOutputDevice("hw:1,0"));
    EXPECT_FALSE(settings.SetOutputDevice("two\nlines"));
    EXPECT_FALSE(settings.SetOutputDevice(std::string(260, 'x')));
    EXPECT_EQ(settings.GetOutputDevice(), "hw:1,0");
    EXPECT_TRUE(settings.SetOutputDevice(std::string(259, 'x')));
    EXPECT_EQ(settings.GetOutputDevice(), std::string(259, 'x'));

    // Back to the default.
    ASSERT_TRUE(settings.SetOutputDevice(""));
    EXPECT_EQ(settings.GetOutputDevice(), "");
}
