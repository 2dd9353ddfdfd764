// Files far larger or longer than any the program writes: they are refused or read in
// linear time, and nothing else stops working because of them.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
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

    // The day calendar is empty and says in one line why.
    MakeSparseFile(dir.File("节假日.txt"), kOneTebibyte);
    CDayCalendar calendar;
    EXPECT_FALSE(calendar.Load(dir.File("节假日.txt")));
    EXPECT_EQ(calendar.LoadFailure(), ReadFailure::TooLarge);
    EXPECT_EQ(calendar.Lookup({2026, 9, 1}).kind, DayKind::Normal);
    EXPECT_EQ(calendar.ErrorSummary(),
              "节假日.txt 过大（超过64MB），未读取，每天按平常的作息表响铃");

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

TEST(OversizedInput, LongCalendarIsPlannedInOnePassAndSummarisedInOneLine) {
    // Line 1: a holiday week; 2-3: the same special day twice; then 16 000 special days
    // whose timetable is missing and 60 000 lines that are not entries at all.
    std::string text = "2026-09-01..2026-09-07\n2026-09-01 a.zxb\n2026-09-01 b.zxb\n";
    for (int i = 0; i < 16000; ++i) {
        text += "2026-09-01..2026-09-02 missing.zxb\n";
    }
    for (int i = 0; i < 60000; ++i) {
        text += "2026-13-01 bad\n";
    }
    CDayCalendar calendar;
    const auto start = std::chrono::steady_clock::now();
    calendar.Parse(text);

    // Narrowest first, of the same span the later line first: b, a, the 16 000 two-day
    // lines from the last up, the week last; Lookup chooses the first.
    std::vector<CalendarEntry> entries = calendar.LookupAll({2026, 9, 1});
    ASSERT_EQ(entries.size(), 16003U);
    EXPECT_EQ(entries[0].timetable, "b.zxb");
    EXPECT_EQ(entries[1].timetable, "a.zxb");
    EXPECT_EQ(entries[2].lineIndex, 16002);
    EXPECT_EQ(entries[16001].lineIndex, 3);
    EXPECT_EQ(entries[16002].lineIndex, 0);
    EXPECT_EQ(calendar.Lookup({2026, 9, 1}).timetable, "b.zxb");

    // Passing over every special day as a caller does whose timetables are unreadable
    // leaves the holiday, without asking the calendar again.
    std::vector<CalendarError> marked;
    for (const CalendarEntry& entry : entries) {
        if (entry.timetable.empty()) {
            break;
        }
        ASSERT_TRUE(calendar.AddError(entry.lineIndex, "作息表无法读取"));
        marked.push_back(*calendar.ErrorAt(entry.lineIndex));
    }
    EXPECT_EQ(calendar.Lookup({2026, 9, 1}).kind, DayKind::Holiday);
    EXPECT_EQ(calendar.LookupAll({2026, 9, 1}).size(), 1U);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));

    // One line each, with the count and the first line numbers; errors() keeps them all.
    EXPECT_EQ(CDayCalendar::SummarizeErrors(marked),
              "节假日.txt 中有16002行无效，已忽略（第2、3、4…行）");
    EXPECT_EQ(calendar.errors().size(), 76002U);
    EXPECT_EQ(calendar.ErrorSummary(), "节假日.txt 中有76002行无效，已忽略（第2、3、4…行）");
    CDayCalendar one;
    one.Parse("2026-09-01\n" + std::string(1000, 'x') + "\n");
    EXPECT_EQ(one.ErrorSummary(), "节假日.txt 中有1行无效，已忽略（第2行 \"" +
                                      std::string(80, 'x') +
                                      "…\": 日期应写作 YYYY-MM-DD 或 YYYY-MM-DD..YYYY-MM-DD）");
    one.Parse("2026-09-01\n");
    EXPECT_EQ(one.ErrorSummary(), "");
}

TEST(OversizedInput, QeltToolBuildsALargeTimetableInOneSort) {
    const char* tool = std::getenv("QELT_TOOL");
    ASSERT_NE(tool, nullptr) << "QELT_TOOL names the built qelt-tool";
    TempDir dir;
    // 20 000 items on Monday, latest first, two at each second to show the order kept.
    constexpr int kItems = 20000;
    std::string items;
    for (int i = kItems - 1; i >= 0; --i) {
        items += std::string(items.empty() ? "" : ",") + R"({"time":)" + std::to_string(i / 2) +
                 R"(,"autoPlay":1,"kind":0,"volume":100,"useDefaultVolume":1,"fullPlay":1,)"
                 R"("limit":0,"path":"","musicName":"","runBefore":0,"useDefaultParams":1,)"
                 R"("params":"","title":"t)" +
                 std::to_string(i) + "\"}";
    }
    WriteFile(dir.File("big.json"),
              R"({"type":"timetable","title":"大","days":[[],[)" + items + "],[],[],[],[],[]]}");
    const auto start = std::chrono::steady_clock::now();
    const std::string command = std::string(tool) + " build " + dir.File("big.json") + " " +
                                dir.File("big.zxb") + " >/dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));

    CTimetable timetable;
    ASSERT_EQ(timetable.LoadFile(dir.File("big.zxb"), false), LoadStatus::Ok);
    const CTimetable::Day& monday = *timetable.GetDay(1);
    ASSERT_EQ(monday.size(), static_cast<std::size_t>(kItems));
    for (std::size_t i = 0; i < monday.size(); i += 2) {
        // Sorted by time; at the same second in the order given (t1 before t0).
        EXPECT_EQ(monday[i].time, static_cast<int>(i / 2));
        EXPECT_EQ(monday[i].title, "t" + std::to_string(i + 1));
        EXPECT_EQ(monday[i + 1].title, "t" + std::to_string(i));
        if (HasFailure()) {
            break;
        }
    }
}
