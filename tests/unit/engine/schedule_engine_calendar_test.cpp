// The day calendar in the scheduling engine (holidays, special days, the file changed
// while running) and the bell log's engine events.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "engine_test_fixture.h"
#include "schedule/settings.h"

namespace engine_test {
namespace {

using schedule::ScheduleItem;

constexpr int kSunday = 0;

class CalendarTest : public EngineTest {
protected:
    CalendarTest() { std::filesystem::create_directories(AppDir() + "作息表"); }

    // Saves a timetable file with these items by weekday.
    void SaveTimetable(const std::string& path, const std::string& title,
                       const std::vector<std::pair<int, ScheduleItem>>& items) {
        schedule::CTimetable timetable;
        timetable.SetTitle(title);
        for (const auto& [day, item] : items) {
            timetable.AddItem(day, &item);
        }
        ASSERT_TRUE(timetable.Save(path));
    }

    void WriteCalendar(const std::string& text) {
        WriteBytes(AppDir() + "作息表/节假日.txt", text);
    }

    bool Logged(const std::string& line) const {
        const auto& lines = log.Lines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

TEST_F(CalendarTest, HolidaysRingNothingAndTheNextDayRingsAgain) {
    WriteCalendar(
        "# 假日\n"
        "2026-12-07\n"
        "\n"
        "2026-12-12..2026-12-13  # 周末\n");
    LoadDays({Single(Hms(8, 0, 0), "早操"), Single(Hms(9, 0, 0), "上课")},
             {Single(Hms(8, 0, 0), "周二")});
    schedule::CSettings settings(AppDir() + "QELT.INI");
    ASSERT_TRUE(settings.SetTimetablePath("测试.zxb"));
    engine.LoadSettings(settings);
    SetOption(&engine::EngineOptions::shutdownDelaySeconds, 60);

    // Read at start-up: Monday is a holiday from the first moment.
    EXPECT_TRUE(engine.IsHoliday());
    EXPECT_TRUE(host.holiday);
    EXPECT_EQ(host.pending, "(none)");
    EXPECT_EQ(host.listCount, 2);
    EXPECT_EQ(host.listNext, -1) << "every item shows as passed";

    TickThrough(Time(7, 23, 59, 59));
    EXPECT_TRUE(log.With("status").empty()) << "no countdown, no shutdown countdown";
    EXPECT_TRUE(log.With("notify").empty());
    EXPECT_TRUE(log.With("load").empty());
    EXPECT_TRUE(log.With("poweroff").empty());
    EXPECT_EQ(log.With("log skip"),
              (std::vector<std::string>{"08:00:00 log skip 08:00:00 [早操][铃声] 节假日",
                                        "09:00:00 log skip 09:00:00 [上课][铃声] 节假日"}));

    // Tuesday rings as usual.
    TickThrough(Time(8, 8, 0, 1));
    EXPECT_FALSE(host.holiday);
    EXPECT_EQ(log.With("load"), std::vector<std::string>{"08:00:00 load 0"});
    EXPECT_EQ(log.With("log item"),
              std::vector<std::string>{"08:00:00 log item 08:00:00 [周二][铃声]"});

    // The range covers Saturday and Sunday; Monday after it rings again.
    SaveTimetable(
        AppDir() + "测试.zxb", "测试作息表",
        {{kSunday, Single(Hms(8, 0, 0), "周日")}, {kMonday, Single(Hms(8, 0, 0), "周一")}});
    ASSERT_TRUE(engine.LoadTimetable(AppDir() + "测试.zxb"));
    clock.Set(Time(12, 12, 0, 0));
    engine.OnTick();
    EXPECT_TRUE(host.holiday);
    clock.Set(Time(13, 7, 59, 0));
    log.Clear();
    TickThrough(Time(13, 8, 0, 1));
    EXPECT_TRUE(host.holiday);
    EXPECT_TRUE(log.With("load").empty());
    clock.Set(Time(14, 7, 59, 0));
    TickThrough(Time(14, 8, 0, 1));
    EXPECT_FALSE(host.holiday);
    EXPECT_EQ(log.With("load"), std::vector<std::string>{"08:00:00 load 0"});
}

TEST_F(CalendarTest, SpecialDayRingsItsOwnTimetableAndBadLinesAreReported) {
    SaveTimetable(AppDir() + "作息表/考试作息表.zxb", "考试作息表",
                  {{kMonday, Single(Hms(8, 30, 0), "考试开始", "exam.wav")}});
    WriteCalendar(
        "2026-12-07 考试作息表.zxb\n"
        "2026-12-08 缺少.zxb\n"
        "2026-13-01\n");
    LoadDays({Single(Hms(8, 0, 0), "早操")}, {Single(Hms(8, 0, 0), "周二")});
    const std::string userPath = engine.Timetable().GetPath();

    TickThrough(7, 0, 1);  // the first tick reads the calendar
    EXPECT_TRUE(engine.IsSpecialDay());
    EXPECT_EQ(host.title, "考试作息表");
    EXPECT_EQ(host.pending, "考试开始");
    EXPECT_EQ(host.listCount, 1);
    EXPECT_EQ(log.With("log calendar"),
              std::vector<std::string>{
                  "07:00:01 log calendar 节假日.txt 中有1行无效，已忽略（第3行 \"2026-13-01\": "
                  "日期应写作 YYYY-MM-DD 或 "
                  "YYYY-MM-DD..YYYY-MM-DD）"});

    // The exam timetable edited while the day runs: a re-plan rings the new time.
    SaveTimetable(AppDir() + "作息表/考试作息表.zxb", "考试作息表",
                  {{kMonday, Single(Hms(8, 30, 0), "考试开始", "exam.wav")},
                   {kMonday, Single(Hms(7, 30, 0), "提前入场", "enter.wav")}});
    engine.ReplanToday();
    EXPECT_EQ(host.pending, "提前入场");
    EXPECT_EQ(host.listCount, 2);

    TickThrough(8, 30, 1);
    EXPECT_EQ(log.With("load"), (std::vector<std::string>{"07:30:00 load 0", "08:30:00 load 0"}));
    EXPECT_EQ(Queued(0), AppDir() + "exam.wav");
    EXPECT_EQ(engine.Timetable().GetPath(), userPath) << "the user's timetable stays current";
    EXPECT_FALSE(std::filesystem::exists(AppDir() + "QELT.INI")) << "no setting was written";

    // Tuesday's timetable cannot be read: reported once, and the day rings as usual.
    TickThrough(Time(8, 8, 0, 1));
    EXPECT_FALSE(engine.IsSpecialDay());
    EXPECT_EQ(host.title, "测试作息表");
    const auto reported = log.With("log calendar");
    ASSERT_EQ(reported.size(), 2u);
    EXPECT_EQ(
        reported[1],
        "00:00:00 log calendar 节假日.txt 中有1行无效，已忽略（第2行 \"2026-12-08 缺少.zxb\": "
        "作息表无法读取）");
    EXPECT_EQ(log.With("status 节假日设置中的作息表无法读取：缺少.zxb").size(), 1u);
    EXPECT_EQ(engine.Calendar().errors().size(), 2u);
    EXPECT_EQ(log.With("load").back(), "08:00:00 load 0");
    EXPECT_EQ(Queued(0), AppDir() + "音乐库/bell.wav");
}

TEST_F(CalendarTest, CalendarChangedWhileRunningTakesEffectOnTheNextTick) {
    LoadDays({Single(Hms(8, 0, 0), "早操"), Single(Hms(9, 0, 0), "上课")});
    clock.Set(Time(7, 7, 59, 30));
    TickThrough(7, 59, 55);
    ASSERT_TRUE(engine.IsArmed());

    // Marked a holiday five seconds before the item: the countdown stops at once.
    WriteCalendar("2026-12-07\n");
    log.Clear();
    TickThrough(8, 0, 5);
    EXPECT_TRUE(host.holiday);
    EXPECT_FALSE(engine.IsArmed());
    EXPECT_EQ(log.With("status 作息项将在"), std::vector<std::string>{});
    EXPECT_EQ(host.status, "") << "the countdown's text goes";
    EXPECT_TRUE(log.With("load").empty());
    EXPECT_TRUE(Logged("08:00:00 log skip 08:00:00 [早操][铃声] 节假日"));

    // The holiday taken back (another size): the next item rings.
    WriteCalendar("# 2026-12-07 取消\n");
    TickThrough(8, 30, 0);
    EXPECT_FALSE(host.holiday);
    EXPECT_EQ(host.pending, "上课");
    EXPECT_EQ(host.listNext, 1);
    TickThrough(9, 0, 1);
    EXPECT_EQ(log.With("load"), std::vector<std::string>{"09:00:00 load 0"});

    // Edited while auto-play is off: the list shows the holiday all the same.
    SetOption(&engine::EngineOptions::autoPlay, !engine.Options().autoPlay);
    WriteCalendar("2026-12-07..2026-12-08\n");
    TickThrough(9, 0, 2);
    EXPECT_TRUE(host.holiday);
    EXPECT_EQ(host.listNext, -1);
}

TEST_F(CalendarTest, BellLogNamesStartsSkipsWithTheirReasonsAndExitCodes) {
    ScheduleItem withProgram = Single(Hms(13, 0, 0), "午休");
    withProgram.runBefore = 1;
    ScheduleItem common = Single(Hms(14, 0, 0), "眼操");
    common.kind = schedule::CommonMusic;
    common.musicName = "不存在";
    LoadDays({Single(Hms(8, 0, 0), "一"), Single(Hms(8, 0, 0), "二"), Single(Hms(9, 0, 0), "迟"),
              Single(Hms(10, 0, 0), "跳"), Single(Hms(11, 0, 0), "关"), Single(Hms(12, 0, 0), "回"),
              withProgram, common});
    SetOption(&engine::EngineOptions::extRun, true);
    SetOption(&engine::EngineOptions::runBefore, "before.sh");
    SetOption(&engine::EngineOptions::paramBefore, "p");
    runProgram = [](const std::string&, const std::string&) { return 3; };

    clock.Set(Time(7, 7, 59, 30));
    TickThrough(8, 59, 58);
    // The tick after 08:59:58 comes 17 s late, past the start's tolerance.
    clock.Set(Time(7, 9, 0, 15));
    engine.OnTick();
    TickThrough(9, 30, 0);
    clock.Set(Time(7, 10, 30, 0));  // the clock set forward
    engine.OnTick();
    TickThrough(10, 50, 0);
    SetOption(&engine::EngineOptions::autoPlay, !engine.Options().autoPlay);
    TickThrough(11, 10, 0);
    SetOption(&engine::EngineOptions::autoPlay, !engine.Options().autoPlay);
    TickThrough(12, 0, 1);
    clock.Set(Time(7, 11, 59, 30));  // set back: the 12:00 item has rung today
    engine.OnTick();
    TickThrough(14, 0, 1);

    EXPECT_EQ(log.With("log item"),
              (std::vector<std::string>{"08:00:00 log item 08:00:00 [一][铃声]",
                                        "12:00:00 log item 12:00:00 [回][铃声]",
                                        "13:00:00 log item 13:00:00 [午休][铃声]",
                                        "14:00:00 log item 14:00:00 [眼操][不存在]"}));
    EXPECT_EQ(log.With("log skip"),
              (std::vector<std::string>{"08:00:00 log skip 08:00:00 [二][铃声] 同一秒",
                                        "09:00:15 log skip 09:00:00 [迟][铃声] 定时迟到",
                                        "10:30:00 log skip 10:00:00 [跳][铃声] 时钟跳变",
                                        "11:10:01 log skip 11:00:00 [关][铃声] 自动播放关闭",
                                        "12:00:00 log skip 12:00:00 [回][铃声] 今日已播放"}));
    EXPECT_EQ(log.With("log exitcode"),
              std::vector<std::string>{"12:59:35 log exitcode before.sh p -> 3"});
    EXPECT_EQ(log.With("log missing"),
              std::vector<std::string>{"14:00:00 log missing [眼操][不存在]:常用曲目错误!"});

    // An item played by hand from the list is logged as such.
    log.Clear();
    engine.PlayListRow(2);
    EXPECT_EQ(log.With("log item"),
              std::vector<std::string>{"14:00:01 log item 09:00:00 [迟][铃声] 手动"});
}

TEST_F(CalendarTest, ReportedClockSetsMakeTheSkipReasonsExact) {
    // Told of clock sets, the engine no longer guesses from the gap between ticks: a long
    // gap without a set is a late tick (a machine that slept), and a short set is a set.
    engine.SetClockSetsReported(true);
    LoadDays({Single(Hms(9, 0, 0), "睡"), Single(Hms(10, 0, 0), "调")});
    clock.Set(Time(7, 8, 59, 0));
    TickThrough(8, 59, 1);
    clock.Set(Time(7, 9, 1, 30));  // 89 s without a tick, nobody set the clock
    engine.OnTick();
    clock.Set(Time(7, 9, 59, 55));
    engine.OnClockSet();
    engine.OnTick();
    TickThrough(9, 59, 57);
    clock.Set(Time(7, 10, 0, 20));  // set forward by 20 s
    engine.OnClockSet();
    engine.OnTick();
    EXPECT_EQ(log.With("log skip"),
              (std::vector<std::string>{"09:01:30 log skip 09:00:00 [睡][铃声] 定时迟到",
                                        "10:00:20 log skip 10:00:00 [调][铃声] 时钟跳变"}));
}

}  // namespace
}  // namespace engine_test
