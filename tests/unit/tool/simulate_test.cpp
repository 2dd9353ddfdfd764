// qelt-tool simulate on program folders built in a temporary folder: the transcript of
// a morning, a simulated week with late ticks, clock jumps, the day calendar and bad
// arguments; and qelt-tool calendar on the same folders.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "schedule/model.h"
#include "schedule/settings.h"

namespace {

namespace fs = std::filesystem;
using schedule::ScheduleItem;

constexpr int kMonday = 1;

int Hms(int h, int m, int s) {
    return h * 3600 + m * 60 + s;
}

std::string Clock(int seconds) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return text;
}

ScheduleItem Item(int time, const std::string& title, const std::string& path) {
    ScheduleItem item;
    item.time = time;
    item.kind = schedule::SingleMusic;
    item.title = title;
    item.musicName = "铃声";
    item.path = path;
    return item;
}

struct Result {
    int exitCode = -1;
    std::vector<std::string> lines;
};

class SimulateTest : public ::testing::Test {
protected:
    SimulateTest() {
        std::string pattern = (fs::temp_directory_path() / "qelt-simulate-XXXXXX").string();
        m_Dir = mkdtemp(pattern.data());
        fs::create_directories(m_Dir + "/作息表");
        fs::create_directories(m_Dir + "/音乐库");
        const char* data = std::getenv("QELT_TEST_DATA");
        const char* tool = std::getenv("QELT_TOOL");
        m_Tool = tool != nullptr ? tool : "";
        // A tone of exactly one second.
        m_Tone = std::string(data != nullptr ? data : "") + "/audio_tone.wav";
        fs::copy_file(m_Tone, m_Dir + "/音乐库/tone.wav");
    }
    ~SimulateTest() override { fs::remove_all(m_Dir); }

    std::string Dir() const { return m_Dir; }

    // Writes the timetable as the current one in the settings file.
    void WriteTimetable(const std::vector<std::vector<ScheduleItem>>& days) {
        schedule::CTimetable timetable;
        timetable.SetTitle("模拟");
        for (std::size_t day = 0; day < days.size(); ++day) {
            for (const ScheduleItem& item : days[day]) {
                timetable.AddItem(static_cast<int>(day), &item);
            }
        }
        ASSERT_TRUE(timetable.Save(m_Dir + "/作息表/模拟.zxb"));
        ASSERT_TRUE(Settings().SetTimetablePath("作息表\\模拟.zxb"));
    }

    schedule::CSettings Settings() const { return schedule::CSettings(m_Dir + "/QELT.INI"); }

    Result Simulate(const std::string& arguments) const { return Tool("simulate " + arguments); }

    // Runs qelt-tool with the arguments; its output and error lines together.
    Result Tool(const std::string& arguments) const {
        Result result;
        const std::string command = "'" + m_Tool + "' " + arguments + " 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        if (pipe == nullptr) {
            return result;
        }
        std::string line;
        char buffer[4096];
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
            line += buffer;
            if (!line.empty() && line.back() == '\n') {
                line.pop_back();
                result.lines.push_back(line);
                line.clear();
            }
        }
        const int status = pclose(pipe);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return result;
    }

    std::string DirArg() const { return "'" + m_Dir + "'"; }

private:
    std::string m_Dir;
    std::string m_Tool;
    std::string m_Tone;
};

std::vector<std::string> Matching(const std::vector<std::string>& lines, const std::string& kind) {
    std::vector<std::string> found;
    for (const std::string& line : lines) {
        if (line.size() > 20 && line.compare(20, kind.size(), kind) == 0) {
            found.push_back(line);
        }
    }
    return found;
}

TEST_F(SimulateTest, MorningTranscriptFromLeadInToPowerOff) {
    ScheduleItem item = Item(Hms(8, 0, 0), "早操", "音乐库\\tone.wav");
    item.runBefore = 1;
    WriteTimetable({{}, {item}});
    schedule::CSettings settings = Settings();
    settings.SetExtRun(true, "bell.sh", "after.sh", "x", "");
    settings.SetShutdownDelayMinutes(0);

    const Result result =
        Simulate(DirArg() + " --from '2026-12-07 07:59:30' --to '2026-12-07 08:10:00'");
    ASSERT_EQ(result.exitCode, 0) << (result.lines.empty() ? "" : result.lines.front());
    std::vector<std::string> expected = {
        "2026-12-07 07:59:35 status 运行扩展程序...",
        "2026-12-07 07:59:35 run bell.sh x",
        "2026-12-07 07:59:35 exitcode bell.sh x -> 0",
        "2026-12-07 07:59:35 status 程序运行成功...",
    };
    for (int left = 10; left >= 1; --left) {
        const std::string stamp = "2026-12-07 07:59:" + std::to_string(60 - left) + " ";
        expected.push_back(stamp + "status 作息项将在" + std::to_string(left) + "秒后自动播放");
        expected.push_back(stamp + "notify [早操][铃声]:将在" + std::to_string(left) +
                           "秒后开始自动播放!");
    }
    const std::string tone = Dir() + "/音乐库/tone.wav";
    for (const std::string& line :
         {std::string("notify 作息项开始播放"), std::string("item 08:00:00 [早操][铃声]"),
          "play " + tone, std::string("status 正在播放作息项...")}) {
        expected.push_back("2026-12-07 08:00:00 " + line);
    }
    for (const char* line : {"finished", "status", "status 运行扩展程序...", "run after.sh",
                             "exitcode after.sh -> 0", "status 程序运行成功...", "poweroff"}) {
        expected.push_back(std::string("2026-12-07 08:00:01 ") + line);
    }
    EXPECT_EQ(result.lines, expected);
}

TEST_F(SimulateTest, WeekWithLateTicksStartsEveryItemOnceAtItsSecond) {
    constexpr int kItemsPerDay = 120;
    std::mt19937 random(20261207);
    std::vector<std::vector<ScheduleItem>> days(7);
    std::set<std::string> expected;  // "date time path"
    for (int i = 0; i < kItemsPerDay; ++i) {
        fs::create_hard_link(Dir() + "/音乐库/tone.wav",
                             Dir() + "/音乐库/" + std::to_string(i) + ".wav");
    }
    for (int day = 0; day < 7; ++day) {
        // Items from the first second after midnight on, at least a second apart.
        int time = 1 + static_cast<int>(random() % 3600);
        for (int i = 0; i < kItemsPerDay; ++i) {
            const std::string file = std::to_string(i) + ".wav";
            days[static_cast<std::size_t>(day)].push_back(
                Item(time, "第" + std::to_string(i) + "项", "音乐库/" + file));
            // 2026-12-06 is a Sunday (day 0); the week runs from Monday the 7th.
            const int date = day == 0 ? 13 : 6 + day;
            char stamp[16];
            std::snprintf(stamp, sizeof stamp, "2026-12-%02d ", date);
            expected.insert(stamp + Clock(time) + " play " + Dir() + "/音乐库/" + file);
            time += 1 + static_cast<int>(random() % 600);
        }
        ASSERT_LT(time, 86400);
    }
    WriteTimetable(days);
    Settings().SetAutoShutdown(false);

    const Result result = Simulate(
        DirArg() +
        " --from '2026-12-07 00:00:00' --to '2026-12-13 23:59:59' --jitter-ms 900 --seed 7");
    ASSERT_EQ(result.exitCode, 0) << (result.lines.empty() ? "" : result.lines.front());
    const std::vector<std::string> plays = Matching(result.lines, "play ");
    const std::set<std::string> played(plays.begin(), plays.end());
    EXPECT_EQ(plays.size(), played.size()) << "an item started twice";
    std::vector<std::string> missing;
    std::vector<std::string> extra;
    std::set_difference(expected.begin(), expected.end(), played.begin(), played.end(),
                        std::back_inserter(missing));
    std::set_difference(played.begin(), played.end(), expected.begin(), expected.end(),
                        std::back_inserter(extra));
    EXPECT_TRUE(missing.empty()) << missing.size() << " items did not start, the first "
                                 << (missing.empty() ? "" : missing.front());
    EXPECT_TRUE(extra.empty()) << extra.size() << " starts at a wrong second, the first "
                               << (extra.empty() ? "" : extra.front());
    EXPECT_EQ(Matching(result.lines, "finished").size(), expected.size());
    // The lines come in time order.
    EXPECT_TRUE(std::is_sorted(
        result.lines.begin(), result.lines.end(),
        [](const std::string& a, const std::string& b) { return a.compare(0, 19, b, 0, 19) < 0; }));
}

TEST_F(SimulateTest, ClockJumpsNeverRingTwiceAndSkipWhatIsPassed) {
    WriteTimetable(
        {{},
         {Item(Hms(8, 0, 0), "一", "音乐库/tone.wav"), Item(Hms(9, 0, 0), "二", "音乐库/tone.wav"),
          Item(Hms(10, 0, 0), "三", "音乐库/tone.wav")}});
    Settings().SetAutoShutdown(false);
    const Result result =
        Simulate(DirArg() +
                 " --from '2026-12-07 07:59:00' --to '2026-12-07 10:01:00'"
                 " --jump '2026-12-07 08:00:30=2026-12-07 07:58:00'"    // set back across item one
                 " --jump '2026-12-07 08:59:55=2026-12-07 09:00:04'"    // forward, within tolerance
                 " --jump '2026-12-07 09:59:55=2026-12-07 10:00:20'");  // forward, too far past
    ASSERT_EQ(result.exitCode, 0) << (result.lines.empty() ? "" : result.lines.front());
    const std::string tone = Dir() + "/音乐库/tone.wav";
    EXPECT_EQ(Matching(result.lines, "play "),
              (std::vector<std::string>{"2026-12-07 08:00:00 play " + tone,
                                        "2026-12-07 09:00:04 play " + tone}));
}

TEST_F(SimulateTest, ManualItemsWaitAndMissingMusicIsReported) {
    ScheduleItem manual = Item(Hms(8, 0, 0), "手动", "音乐库/tone.wav");
    manual.autoPlay = 0;
    ScheduleItem common = Item(Hms(8, 1, 0), "上课", "");
    common.kind = schedule::CommonMusic;
    common.musicName = "没有的曲目";
    ScheduleItem list = Item(Hms(8, 2, 0), "午休", "");
    list.kind = schedule::ListMusic;
    list.musicName = "没有的列表";
    WriteTimetable({{}, {manual, common, list}});
    Settings().SetAutoShutdown(false);
    Settings().SetPopupPrompt(false);
    const Result result =
        Simulate(DirArg() + " --from '2026-12-07 07:59:00' --to '2026-12-07 08:03:00'");
    ASSERT_EQ(result.exitCode, 0) << (result.lines.empty() ? "" : result.lines.front());
    EXPECT_EQ(result.lines, (std::vector<std::string>{
                                "2026-12-07 08:00:00 item 08:00:00 [手动][铃声]",
                                "2026-12-07 08:00:00 status 正在播放作息项...",
                                "2026-12-07 08:01:00 item 08:01:00 [上课][没有的曲目]",
                                "2026-12-07 08:01:00 missing [上课][没有的曲目]:常用曲目错误!",
                                "2026-12-07 08:01:00 status [上课][没有的曲目]:常用曲目错误!",
                                "2026-12-07 08:02:00 item 08:02:00 [午休][没有的列表]",
                                "2026-12-07 08:02:00 missing [午休][没有的列表]:列表曲目错误!",
                                "2026-12-07 08:02:00 status [午休][没有的列表]:列表曲目错误!"}));
}

TEST_F(SimulateTest, DayCalendarKeepsAHolidayQuietAndRingsAnExamDay) {
    WriteTimetable({{},
                    {Item(Hms(8, 0, 0), "一", "音乐库/tone.wav")},
                    {Item(Hms(8, 0, 0), "二", "音乐库/tone.wav")}});
    schedule::CTimetable exam;
    exam.SetTitle("考试");
    ScheduleItem start = Item(Hms(9, 0, 0), "考试开始", "音乐库/tone.wav");
    start.runBefore = 1;
    exam.AddItem(2, &start);
    ASSERT_TRUE(exam.Save(Dir() + "/作息表/考试.zxb"));
    std::FILE* file = std::fopen((Dir() + "/作息表/节假日.txt").c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("# 2026\n2026-12-07\n2026-12-08 考试.zxb\n2026-12-31..2026-12-30\n", file);
    std::fclose(file);
    schedule::CSettings settings = Settings();
    settings.SetShutdownDelayMinutes(0);
    settings.SetExtRun(true, "bell.sh", "after.sh", "", "");
    settings.SetPopupPrompt(false);

    const Result result =
        Simulate(DirArg() + " --from '2026-12-07 07:59:00' --to '2026-12-08 10:00:00'");
    ASSERT_EQ(result.exitCode, 0) << (result.lines.empty() ? "" : result.lines.front());
    const std::string tone = Dir() + "/音乐库/tone.wav";
    // Monday rings nothing and stays on; Tuesday rings the exam timetable's day only,
    // then powers off.
    const std::vector<std::string> expected = {
        "2026-12-07 07:59:00 calendar 节假日.txt 中有1行无效，已忽略（第4行 "
        "\"2026-12-31..2026-12-30\": 起始日期晚于结束日期）",
        "2026-12-07 08:00:00 skip 08:00:00 [一][铃声] 节假日",
        "2026-12-08 08:59:35 status 运行扩展程序...",
        "2026-12-08 08:59:35 run bell.sh",
        "2026-12-08 08:59:35 exitcode bell.sh -> 0",
        "2026-12-08 08:59:35 status 程序运行成功...",
        "2026-12-08 09:00:00 item 09:00:00 [考试开始][铃声]",
        "2026-12-08 09:00:00 play " + tone,
        "2026-12-08 09:00:00 status 正在播放作息项...",
        "2026-12-08 09:00:01 finished",
        "2026-12-08 09:00:01 status",
        "2026-12-08 09:00:01 status 运行扩展程序...",
        "2026-12-08 09:00:01 run after.sh",
        "2026-12-08 09:00:01 exitcode after.sh -> 0",
        "2026-12-08 09:00:01 status 程序运行成功...",
        "2026-12-08 09:00:01 poweroff",
    };
    EXPECT_EQ(result.lines, expected);

    // The calendar command reads the folder the same way.
    const Result listed = Tool("calendar " + DirArg() + " --from 2026-12-06 --to 2026-12-09");
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_EQ(listed.lines, (std::vector<std::string>{
                                "2026-12-07 Mon holiday", "2026-12-08 Tue special 考试.zxb",
                                "error 第4行 \"2026-12-31..2026-12-30\": 起始日期晚于结束日期"}));
    // An unreadable exam timetable does not count; without dates the entries' span is listed.
    fs::remove(Dir() + "/作息表/考试.zxb");
    EXPECT_EQ(Tool("calendar " + DirArg()).lines,
              (std::vector<std::string>{
                  "2026-12-07 Mon holiday", "error 第3行 \"2026-12-08 考试.zxb\": 作息表无法读取",
                  "error 第4行 \"2026-12-31..2026-12-30\": 起始日期晚于结束日期"}));
    EXPECT_EQ(Tool("calendar " + DirArg() + " --from 2026-12-09 --to 2026-12-08").exitCode, 1);
    EXPECT_EQ(Tool("calendar " + DirArg() + " --from 2026-02-30").exitCode, 1);
    EXPECT_EQ(Tool("calendar /nonexistent/qelt").exitCode, 3);
}

TEST_F(SimulateTest, AMakeupSundayRingsFridaysItemsOfTheTimetableItNames) {
    WriteTimetable({{Item(Hms(9, 0, 0), "周日", "音乐库/tone.wav")},
                    {},
                    {},
                    {},
                    {},
                    {Item(Hms(8, 0, 0), "周五早读", "音乐库/tone.wav")}});
    schedule::CTimetable exam;
    exam.SetTitle("考试");
    ScheduleItem start = Item(Hms(10, 0, 0), "周一考试", "音乐库/tone.wav");
    exam.AddItem(1, &start);
    ASSERT_TRUE(exam.Save(Dir() + "/作息表/考试.zxb"));
    std::FILE* file = std::fopen((Dir() + "/作息表/节假日.txt").c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("# 调休\n2026-12-13 星期五\n2026-12-19 考试.zxb 星期一  # 补周一\n", file);
    std::fclose(file);
    Settings().SetPopupPrompt(false);

    // Sunday the 13th rings Friday's item, not its own; Saturday the 19th the exam
    // timetable's Monday.
    const auto items = [](const Result& result) {
        std::vector<std::string> found;
        for (const std::string& line : result.lines) {
            if (line.find(" item ") != std::string::npos) {
                found.push_back(line);
            }
        }
        return found;
    };
    EXPECT_EQ(
        items(Simulate(DirArg() + " --from '2026-12-13 07:59:00' --to '2026-12-13 09:30:00'")),
        std::vector<std::string>{"2026-12-13 08:00:00 item 08:00:00 [周五早读][铃声]"});
    EXPECT_EQ(
        items(Simulate(DirArg() + " --from '2026-12-19 07:59:00' --to '2026-12-19 10:30:00'")),
        std::vector<std::string>{"2026-12-19 10:00:00 item 10:00:00 [周一考试][铃声]"});
    EXPECT_EQ(Tool("calendar " + DirArg()).lines,
              (std::vector<std::string>{"2026-12-13 Sun makeup 星期五",
                                        "2026-12-19 Sat special 考试.zxb 星期一"}));
}

TEST_F(SimulateTest, BadArgumentsAreRefused) {
    const std::string day = " --from '2026-12-07 07:00:00' --to '2026-12-07 08:00:00'";
    EXPECT_EQ(Simulate(DirArg() + " --from '2026-12-07 07:59:00'").exitCode, 1);
    EXPECT_EQ(
        Simulate(DirArg() + " --from '2026-02-30 07:00:00' --to '2026-12-07 08:00:00'").exitCode,
        1);
    EXPECT_EQ(Simulate(DirArg() + day + " --jitter-ms -5").exitCode, 1);
    EXPECT_EQ(Simulate(DirArg() + day + " --jump 'x=y'").exitCode, 1);
    EXPECT_EQ(Simulate("/nonexistent/qelt" + day).exitCode, 3);

    // The commands on a program folder read their arguments alike: an unknown option is
    // named as such even when nothing follows it, and a second folder is refused.
    const auto firstLine = [](const Result& result) {
        return result.lines.empty() ? std::string() : result.lines.front();
    };
    const Result unknown = Simulate(DirArg() + day + " --bogus");
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_EQ(firstLine(unknown), "qelt-tool simulate: unknown option --bogus");
    const Result calendarUnknown = Tool("calendar " + DirArg() + " --bogus");
    EXPECT_EQ(calendarUnknown.exitCode, 1);
    EXPECT_EQ(firstLine(calendarUnknown), "qelt-tool calendar: unknown option --bogus");
    const Result twoFolders = Tool("demo " + DirArg() + " " + DirArg() + " --force");
    EXPECT_EQ(twoFolders.exitCode, 1);
    EXPECT_EQ(firstLine(twoFolders), "qelt-tool demo: more than one program folder given");
    const Result noValue = Tool("calendar " + DirArg() + " --from");
    EXPECT_EQ(noValue.exitCode, 1);
    EXPECT_EQ(firstLine(noValue), "qelt-tool calendar: --from needs a value");
    EXPECT_EQ(Tool("calendar /nonexistent/qelt").exitCode, 3);
}

}  // namespace
