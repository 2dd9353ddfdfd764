#include "schedule/day_calendar.h"

#include <gtest/gtest.h>

#include "test_support.h"

using namespace schedule;
using namespace testing_support;

namespace {

CalendarDate D(const char* text) {
    const auto date = CalendarDate::Parse(text);
    EXPECT_TRUE(date.has_value()) << text;
    return date.value_or(CalendarDate{});
}

}  // namespace

TEST(CalendarDate, ParsesRealDaysAndCountsThem) {
    EXPECT_FALSE(CalendarDate::Parse("2027-02-29"));  // not a leap year
    EXPECT_FALSE(CalendarDate::Parse("2027-13-01"));
    EXPECT_FALSE(CalendarDate::Parse("2027-6-07"));
    EXPECT_FALSE(CalendarDate::Parse("2027-06-07x"));
    EXPECT_FALSE(CalendarDate::Parse("0000-01-01"));
    EXPECT_EQ(D("2028-02-29").ToString(), "2028-02-29");

    // Day numbers and weekdays of known days.
    EXPECT_EQ(D("1970-01-01").DayNumber(), 0);
    EXPECT_EQ(D("1969-12-31").DayNumber(), -1);
    EXPECT_EQ(D("2000-01-01").DayNumber(), 10957);
    EXPECT_EQ(D("2027-06-07").DayNumber(), 20976);
    EXPECT_EQ(D("2027-06-07").Weekday(), 1);
    EXPECT_EQ(D("2027-06-05").Weekday(), 6);
    EXPECT_EQ(D("1969-12-31").Weekday(), 3);
    EXPECT_EQ(D("2028-02-28").Next(), D("2028-02-29"));
    EXPECT_EQ(D("2028-02-29").Next(), D("2028-03-01"));
    EXPECT_EQ(D("2027-12-31").Next(), D("2028-01-01"));

    // Walking day by day over four centuries gives every real day once, in order.
    CalendarDate day = D("1899-12-31");
    for (long n = day.DayNumber(); n < D("2300-01-01").DayNumber(); ++n) {
        const CalendarDate next = day.Next();
        ASSERT_LT(day, next);
        ASSERT_EQ(next.DayNumber(), n + 1);
        ASSERT_EQ(CalendarDate::Parse(next.ToString()), next);
        ASSERT_EQ(next.Weekday(), (day.Weekday() + 1) % 7);
        day = next;
    }
}

TEST(DayCalendar, ReadsEntriesReportsBadLinesAndLooksUpDays) {
    CDayCalendar calendar;
    calendar.Parse(
        "# 2027 学年\n"
        "\n"
        "2027-06-04\n"                             // a Friday holiday
        "2027-06-05..2027-06-06   # 周末\n"        // a range over a weekend
        "2027-06-07..2027-06-09 考试作息表.zxb\n"  // special days
        "2027-02-29\n"                             // no such day
        "2027-06-10..2027-06-01\n"                 // reversed
        "2027-06-11 ../QELT.INI\n"                 // a path, not a file name
        "  2027-10-01..2027-10-07\n"
        "2027-10-03 补课作息表.zxb\n"  // one working day inside the holiday range
        "明天\n");

    const std::vector<CalendarError> errors = calendar.errors();
    ASSERT_EQ(errors.size(), 4u);
    EXPECT_EQ(errors[0].lineNumber, 6);
    EXPECT_EQ(errors[0].text, "2027-02-29");
    EXPECT_EQ(errors[1].lineNumber, 7);
    EXPECT_EQ(errors[2].lineNumber, 8);
    EXPECT_EQ(errors[2].text, "2027-06-11 ../QELT.INI");
    EXPECT_EQ(errors[3].lineNumber, 11);
    for (const CalendarError& error : errors) {
        EXPECT_FALSE(error.reason.empty());
    }

    const std::vector<CalendarEntry> entries = calendar.GetEntries();
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[2].first, D("2027-06-07"));
    EXPECT_EQ(entries[2].last, D("2027-06-09"));
    EXPECT_EQ(entries[2].timetable, "考试作息表.zxb");
    EXPECT_EQ(entries[2].lineIndex, 4);

    EXPECT_EQ(calendar.Lookup(D("2027-06-03")).kind, DayKind::Normal);
    EXPECT_EQ(calendar.Lookup(D("2027-06-03")).lineIndex, -1);
    EXPECT_EQ(calendar.Lookup(D("2027-06-04")).kind, DayKind::Holiday);
    EXPECT_EQ(calendar.Lookup(D("2027-06-05")).kind, DayKind::Holiday);
    EXPECT_EQ(calendar.Lookup(D("2027-06-06")).kind, DayKind::Holiday);
    const DayLookup exam = calendar.Lookup(D("2027-06-09"));
    EXPECT_EQ(exam.kind, DayKind::SpecialDay);
    EXPECT_EQ(exam.timetable, "考试作息表.zxb");
    EXPECT_EQ(exam.lineIndex, 4);
    EXPECT_EQ(calendar.Lookup(D("2027-06-10")).kind, DayKind::Normal);  // bad lines do not count
    EXPECT_EQ(calendar.Lookup(D("2027-06-11")).kind, DayKind::Normal);
    EXPECT_EQ(calendar.Lookup(D("2027-10-02")).kind, DayKind::Holiday);
    EXPECT_EQ(calendar.Lookup(D("2027-10-03")).timetable, "补课作息表.zxb");

    // A special day whose timetable turns out unreadable stops counting; the holiday
    // range around it decides again.
    EXPECT_TRUE(calendar.AddError(9, "作息表无法读取"));
    EXPECT_FALSE(calendar.AddError(9, "作息表无法读取"));  // reported once
    EXPECT_FALSE(calendar.AddError(0, "x"));               // a comment is no entry
    EXPECT_EQ(calendar.Lookup(D("2027-10-03")).kind, DayKind::Holiday);
    ASSERT_EQ(calendar.errors().size(), 5u);
    EXPECT_EQ(calendar.errors()[3].lineNumber, 10);
    EXPECT_EQ(calendar.errors()[3].reason, "作息表无法读取");

    // Sorted by first day, then last day.
    const std::vector<CalendarEntry> sorted = calendar.GetSortedEntries();
    ASSERT_EQ(sorted.size(), 5u);
    EXPECT_EQ(sorted[0].first, D("2027-06-04"));
    EXPECT_EQ(sorted[3].first, D("2027-10-01"));
    EXPECT_EQ(sorted[4].first, D("2027-10-03"));
}

TEST(DayCalendar, EditsKeepUntouchedLinesAndSaveAtomically) {
    TempDir dir;
    const std::string path = dir.File("节假日.txt");
    WriteFile(path,
              "\xEF\xBB\xBF# 节假日\r\n"
              "2027-01-01 # 元旦\r\n"
              "\r\n"
              "bad line\r\n"
              "2027-05-01..2027-05-05\r\n"
              "# 考试\r\n"
              "2027-06-07 考试作息表.zxb");

    CDayCalendar calendar;
    ASSERT_TRUE(calendar.Load(path));
    ASSERT_EQ(calendar.GetEntries().size(), 3u);

    // Invalid entries are refused and leave the file as it was.
    EXPECT_EQ(calendar.AddEntry(D("2027-03-02"), D("2027-03-01"), ""), -1);
    EXPECT_EQ(calendar.AddEntry(D("2027-03-01"), D("2027-03-01"), "sub/x.zxb"), -1);
    EXPECT_EQ(calendar.AddEntry(D("2027-03-01"), D("2027-03-01"), "a # b.zxb"), -1);
    EXPECT_FALSE(calendar.RemoveEntry(0));  // the comment
    EXPECT_FALSE(calendar.RemoveEntry(3));  // the bad line is no entry either
    EXPECT_FALSE(calendar.RemoveEntry(99));

    EXPECT_TRUE(calendar.RemoveEntry(4));
    EXPECT_EQ(calendar.AddEntry(D("2027-09-10"), D("2027-09-10"), ""), 6);
    EXPECT_EQ(calendar.AddEntry(D("2027-07-01"), D("2027-08-31"), "暑期作息表.zxb"), 7);
    EXPECT_EQ(calendar.Lookup(D("2027-08-01")).timetable, "暑期作息表.zxb");
    EXPECT_EQ(calendar.Lookup(D("2027-05-02")).kind, DayKind::Normal);

    ASSERT_TRUE(calendar.Save(path));
    EXPECT_EQ(ReadFile(path),
              "\xEF\xBB\xBF# 节假日\r\n"
              "2027-01-01 # 元旦\r\n"
              "\r\n"
              "bad line\r\n"
              "# 考试\r\n"
              "2027-06-07 考试作息表.zxb\r\n"
              "2027-09-10\r\n"
              "2027-07-01..2027-08-31 暑期作息表.zxb\r\n");

    // Read back, the same entries with the same line indices.
    CDayCalendar reread;
    ASSERT_TRUE(reread.Load(path));
    const std::vector<CalendarEntry> entries = reread.GetEntries();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[3].lineIndex, 7);
    EXPECT_EQ(entries[3].last, D("2027-08-31"));
    ASSERT_EQ(reread.errors().size(), 1u);
    EXPECT_EQ(reread.errors()[0].lineNumber, 4);

    // A missing file reads as an empty calendar; a folder that does not exist cannot be
    // written and keeps nothing half-written.
    CDayCalendar missing;
    EXPECT_FALSE(missing.Load(dir.File("none.txt")));
    EXPECT_TRUE(missing.GetEntries().empty());
    EXPECT_EQ(missing.AddEntry(D("2027-01-01"), D("2027-01-01"), ""), 0);
    EXPECT_FALSE(missing.Save(dir.File("no/such/folder.txt")));
    ASSERT_TRUE(missing.Save(dir.File("new.txt")));
    EXPECT_EQ(ReadFile(dir.File("new.txt")), "2027-01-01\n");
}

// Found by the fuzzer: a stray carriage return before a line break made a line read
// differently once the file was written with one kind of break.
TEST(DayCalendar, MixedLineEndsReadTheSameAfterAWrite) {
    schedule::CDayCalendar calendar;
    calendar.Parse("# 寒假\n\r\r\n2027-01-20\r\r\n");
    schedule::CDayCalendar reread;
    reread.Parse(calendar.Serialize());
    EXPECT_EQ(calendar.errors().size(), reread.errors().size());
    ASSERT_EQ(reread.GetEntries().size(), 1u);
    EXPECT_EQ(reread.GetEntries()[0].first, (schedule::CalendarDate{2027, 1, 20}));
}
