// Reading files far longer than the program writes: a settings file padded with 30 MB of
// blank lines, read key by key as the program starts, and a day calendar of 16 000
// special days whose timetable is missing, loaded and a day planned through it as the
// engine does; each figure is the best of a few runs, in ms.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "schedule/day_calendar.h"
#include "schedule/settings.h"
#include "schedule/text_codec.h"
#include "schedule/timetable.h"

namespace {

constexpr int kRuns = 3;
constexpr std::size_t kIniBytes = std::size_t{30} << 20;

double BestMs(const std::function<void()>& run) {
    double best = 1e300;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        best = std::min(best, std::chrono::duration<double, std::milli>(
                                  std::chrono::steady_clock::now() - start)
                                  .count());
    }
    return best;
}

void WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// Every key the program reads at start, from a fresh settings object, so the file is
// parsed once each run.
void ReadAllSettings(const std::string& path) {
    const schedule::CSettings settings(path);
    std::size_t sum = settings.GetTimetablePath().size() + settings.GetSchoolName().size() +
                      settings.GetBackgroundPicture().size() + settings.GetOutputDevice().size() +
                      settings.GetProgramBefore().size() + settings.GetParamsBefore().size() +
                      settings.GetProgramAfter().size() + settings.GetParamsAfter().size() +
                      settings.ReadPresetTitles().size();
    sum += static_cast<std::size_t>(
        settings.GetShutdownDelayMinutes() + settings.GetDefaultVolume() +
        settings.GetBackgroundColor() + settings.GetPlayerX() + settings.GetPlayerY() +
        settings.GetAutoShutdown() + settings.GetShowPlayer() + settings.GetPopupPrompt() +
        settings.GetShowPending() + settings.GetShowBackgroundPicture() + settings.GetExtRun());
    if (sum == 0) {
        std::fprintf(stderr, "bench_files: nothing read\n");
    }
}

// Loads the calendar, tries each special day of the date once as the engine does, and
// words the one log line about the lines passed over.
void PlanThroughCalendar(const std::filesystem::path& appDir) {
    schedule::CDayCalendar calendar;
    calendar.Load(schedule::CDayCalendar::PathIn(appDir.string() + "/"));
    std::vector<schedule::CalendarError> passedOver;
    bool holiday = false;
    for (const schedule::CalendarEntry& entry : calendar.LookupAll({2026, 9, 1})) {
        if (entry.timetable.empty()) {
            holiday = true;
            break;
        }
        schedule::CTimetable timetable;
        if (timetable.Load(
                schedule::CDayCalendar::TimetablePathIn(appDir.string() + "/", entry.timetable),
                false)) {
            break;
        }
        calendar.AddError(entry.lineIndex, "作息表无法读取");
        passedOver.push_back(*calendar.ErrorAt(entry.lineIndex));
    }
    if (!holiday || schedule::CDayCalendar::SummarizeErrors(passedOver).empty()) {
        std::fprintf(stderr, "bench_files: the calendar was not planned as expected\n");
    }
}

}  // namespace

int main() {
    char pattern[] = "/tmp/qelt-bench-files-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::filesystem::path dir(pattern);

    const std::string ini = (dir / "QELT.INI").string();
    WriteFile(ini, std::string(kIniBytes, '\n') +
                       schedule::EncodeFileText("[设置]\r\n学校名称=一中\r\n[常用标题]\r\n"
                                                "标题数=2147483647\r\n1=上课\r\n"));
    std::printf("BENCH ini_parse_30mb_ms %.1f ms\n", BestMs([&] { ReadAllSettings(ini); }));

    std::filesystem::create_directories(dir / schedule::CDayCalendar::kFolderName);
    std::string calendar = "2026-09-01..2026-09-07\n";
    for (int i = 0; i < 16000; ++i) {
        calendar += "2026-09-01 missing.zxb\n";
    }
    WriteFile(schedule::CDayCalendar::PathIn(dir.string() + "/"), calendar);
    std::printf("BENCH calendar_16000_lines_ms %.1f ms\n",
                BestMs([&] { PlanThroughCalendar(dir); }));

    std::filesystem::remove_all(dir);
    return 0;
}
