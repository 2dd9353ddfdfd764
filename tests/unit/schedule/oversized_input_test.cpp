// Files far larger or longer than any the program writes: they are refused or read in
// linear time, and nothing else stops working because of them.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "schedule/common_track_store.h"
#include "schedule/day_calendar.h"
#include "schedule/playlist_store.h"
#include "schedule/settings.h"
#include "schedule/text_codec.h"
#include "schedule/texts.h"
#include "schedule/timetable.h"
#include "test_support.h"

using namespace schedule;
using namespace testing_support;

namespace {

constexpr off_t kOneTebibyte = off_t{1} << 40;

// A sparse file of the given size: it takes no room on the disk, but reserving its size
// in memory would.
void MakeSparseFile(const std::string& path, off_t size) {
    WriteFile(path, "");
    ASSERT_EQ(::truncate(path.c_str(), size), 0) << path;
}

}  // namespace

TEST(OversizedInput, HugeSparseFilesAreRefusedAndTheRestStillReads) {
    TempDir dir;
    RecordingReporter reporter;

    // A timetable of 1 TiB is refused with its own message; a good one beside it loads.
    MakeSparseFile(dir.File("M2list.dat"), kOneTebibyte);
    CTimetable huge;
    huge.SetReporter(&reporter);
    EXPECT_EQ(huge.LoadFile(dir.File("M2list.dat"), true), LoadStatus::TooLarge);
    ASSERT_EQ(reporter.messages.size(), 1U);
    EXPECT_EQ(reporter.messages[0].text, texts::kTimetableTooLarge);

    CTimetable good;
    good.SetTitle("上午");
    ASSERT_TRUE(good.Save(dir.File("good.zxb")));
    CTimetable reread;
    EXPECT_EQ(reread.LoadFile(dir.File("good.zxb"), true), LoadStatus::Ok);
    EXPECT_EQ(reread.GetTitle(), "上午");

    // The stores keep what they held and say why.
    MakeSparseFile(dir.File("tracks.dat"), kOneTebibyte);
    CCommonTrackStore tracks;
    tracks.SetReporter(&reporter);
    EXPECT_EQ(tracks.LoadFile(dir.File("tracks.dat")), LoadStatus::TooLarge);
    EXPECT_EQ(reporter.messages.back().text, texts::kCommonTracksTooLarge);
    MakeSparseFile(dir.File("lists.dat"), kOneTebibyte);
    CPlaylistStore lists;
    lists.SetReporter(&reporter);
    EXPECT_EQ(lists.LoadFile(dir.File("lists.dat")), LoadStatus::TooLarge);
    EXPECT_EQ(reporter.messages.back().text, texts::kPlaylistsTooLarge);

    // The settings file reads as defaults and is never replaced by a one-key file.
    MakeSparseFile(dir.File("QELT.INI"), kOneTebibyte);
    CSettings settings(dir.File("QELT.INI"));
    EXPECT_EQ(settings.GetSchoolName(), "Varnel");
    EXPECT_TRUE(settings.ReadPresetTitles().empty());
    EXPECT_FALSE(settings.SetSchoolName("一中"));
    EXPECT_EQ(std::filesystem::file_size(dir.File("QELT.INI")),
              static_cast<std::uintmax_t>(kOneTebibyte));

    // The day calendar is empty.
    MakeSparseFile(dir.File("节假日.txt"), kOneTebibyte);
    CDayCalendar calendar;
    EXPECT_FALSE(calendar.Load(dir.File("节假日.txt")));
    EXPECT_EQ(calendar.LoadFailure(), ReadFailure::TooLarge);
    EXPECT_EQ(calendar.Lookup({2026, 9, 1}).kind, DayKind::Normal);

    // A file just under the limit is still read.
    MakeSparseFile(dir.File("limit.bin"), static_cast<off_t>(kMaxReadableFileSize));
    ReadFailure failure = ReadFailure::TooLarge;
    const std::optional<std::string> atLimit = ReadWholeFile(dir.File("limit.bin"), &failure);
    ASSERT_TRUE(atLimit.has_value());
    EXPECT_EQ(atLimit->size(), kMaxReadableFileSize);
    EXPECT_EQ(failure, ReadFailure::None);
}

TEST(OversizedInput, ManyLineSettingsFileIsParsedOncePerChange) {
    TempDir dir;
    const std::string path = dir.File("QELT.INI");
    // 200 000 blank lines around the keys, and a title count far beyond the titles.
    const std::string blanks(200000, '\n');
    WriteFile(path, EncodeFileText(blanks + "[设置]\r\n学校名称=一中\r\n" + blanks +
                                   "[常用标题]\r\n标题数=2147483647\r\n2=第二\r\n1=第一\r\n"
                                   "0=零\r\n01=前导零\r\n3=\r\n" +
                                   blanks + "[常用标题]\r\n4=重复的节\r\n"));
    CSettings settings(path);
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(settings.GetSchoolName(), "一中");
        EXPECT_EQ(settings.GetDefaultVolume(), 100);
    }
    EXPECT_EQ(settings.ReadPresetTitles(), (std::vector<std::string>{"第一", "第二"}));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));

    // Reads share one parse until the file changes; a change is seen on the next read.
    const auto first = settings.File().ReadIndex();
    EXPECT_EQ(settings.File().ReadIndex(), first);
    ASSERT_TRUE(settings.SetSchoolName("二中"));  // replaced by rename: a new file
    EXPECT_EQ(settings.GetSchoolName(), "二中");
    WriteFile(path, EncodeFileText("[设置]\r\n学校名称=三中 \r\n"));  // rewritten in place
    EXPECT_EQ(settings.GetSchoolName(), "三中");
    std::filesystem::remove(path);
    EXPECT_EQ(settings.GetSchoolName(), "Varnel");

    // A write to the long file keeps every other line and costs one pass.
    WriteFile(path, blanks + "[a]\nk=1\n");
    CProfileFile ini(path);
    ASSERT_TRUE(ini.WriteString("a", "k", "2"));
    EXPECT_EQ(ReadFile(path).size(), blanks.size() * 2 + std::string("[a]\r\nk=2\r\n").size());
    EXPECT_EQ(ini.ReadInt("a", "k", 0), 2);
}
