// qelt-tool demo: writes a complete program folder whose timetable rings three items in
// the next minutes, one of each kind, with chimes the tool synthesises itself.

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "platform/system_clock.h"
#include "platform/virtual_clock.h"
#include "schedule/app_paths.h"
#include "schedule/model.h"
#include "schedule/settings.h"
#include "schedule/time_text.h"
#include "tool/chime_files.h"
#include "tool/tool_args.h"
#include "tool/tool_commands.h"

namespace tool {

namespace {

using schedule::FormatTimeOfDay;
using schedule::kSecondsPerMinute;

using schedule::kCommonTrackFile;
using schedule::kMusicFolder;
using schedule::kPlaylistFile;
using schedule::kTimetableFolder;

namespace fs = std::filesystem;
using schedule::ScheduleItem;
using schedule::TrackEntry;

constexpr int kDefaultSpacingMinutes = 1;
// Six spacings must stay below a day, so every item lies within the next 24 hours.
constexpr int kMaxSpacingMinutes = 239;
// The demo's items lie one, three and six spacings ahead.
constexpr std::array<int, 3> kItemSpacings = {1, 3, 6};
// An item at 00:00:00 is never due (nothing comes strictly before it on its day), and
// the program needs midnight's first ticks to arm the day's first item.
constexpr int kEarliestAfterMidnight = 5;
constexpr int kPlaylistFiles = 2;

constexpr const char* kTimetableFile = "作息表/参考作息表.zxb";

constexpr const char* kBellFile = "音乐库/上课铃.wav";
constexpr const char* kWarningFile = "音乐库/预备铃.wav";
constexpr const char* kSignalFile = "音乐库/提示音.ogg";
constexpr const char* kBreakFolder = "音乐库/课间";
constexpr std::array<const char*, 3> kBreakFiles = {
    "音乐库/课间/乐曲一.ogg", "音乐库/课间/乐曲二.ogg", "音乐库/课间/乐曲三.ogg"};
constexpr const char* kBreakPattern = "音乐库/课间/*.ogg";

constexpr const char* kCommonTrackName = "预备铃";
constexpr const char* kPlaylistName = "课间音乐";
constexpr const char* kBellName = "上课铃";

constexpr std::array<const char*, schedule::kDaysPerWeek> kDayNames = {
    "星期日", "星期一", "星期二", "星期三", "星期四", "星期五", "星期六"};

// Notes of the chimes, in Hz.
constexpr double kC5 = 523.25;
constexpr double kD5 = 587.33;
constexpr double kE5 = 659.25;
constexpr double kF5 = 698.46;
constexpr double kG5 = 783.99;
constexpr double kA5 = 880.00;
constexpr double kG4 = 392.00;

struct Chime {
    const char* path;
    std::vector<double> notes;
    double noteSeconds;
    double ringSeconds;
};

struct Options {
    std::string dir;
    int spacingMinutes = kDefaultSpacingMinutes;
    std::optional<platform::LocalTime> now;
    bool force = false;
};

void PrintDemoUsage(std::ostream& out) {
    out << "usage: qelt-tool demo DIR [--in MINUTES] [--now \"YYYY-MM-DD HH:MM:SS\"] [--force]\n"
           "  Writes a demo program folder: QELT.INI, 作息表/参考作息表.zxb, 作息表/M2list.dat,\n"
           "  作息表/Mlist.dat and synthesised chimes in 音乐库. Today holds three items,\n"
           "  MINUTES (default 1, at most 239), 3 x MINUTES and 6 x MINUTES from now: a single\n"
           "  file, a common track and a random playlist. Items that would pass midnight go\n"
           "  on tomorrow's list at that time (never before 00:00:05). Days without a demo\n"
           "  item hold three fixed items. The demo's settings switch automatic power-off off.\n"
           "  --now plans from the given time instead of the clock; --force overwrites the\n"
           "  files of an existing folder.\n";
}

// Fills options; an error text when the arguments are not usable.
std::string ParseOptions(const Args& args, Options& options) {
    const auto read = [&options](const std::string& option, const std::string& value) {
        if (option == "--force") {
            options.force = true;
        } else if (option == "--in") {
            if (value.empty() || value.size() > 3 ||
                value.find_first_not_of("0123456789") != std::string::npos ||
                std::stoi(value) < 1 || std::stoi(value) > kMaxSpacingMinutes) {
                return "--in needs whole minutes from 1 to " + std::to_string(kMaxSpacingMinutes);
            }
            options.spacingMinutes = std::stoi(value);
        } else {  // --now
            options.now = platform::VirtualClock::Parse(value);
            if (!options.now) {
                return "not a time: " + value;
            }
        }
        return std::string();
    };
    std::string error = ReadFolderArgs(args, options.dir, {"--force"}, {"--in", "--now"}, read);
    if (!error.empty()) {
        return error;
    }
    if (options.dir.empty()) {
        return "DIR is needed";
    }
    return std::string();
}

TrackEntry Track(const std::string& path) {
    TrackEntry track;
    track.path = path;
    return track;
}

ScheduleItem SingleItem(int time, const std::string& title) {
    ScheduleItem item;
    item.time = time;
    item.kind = schedule::SingleMusic;
    item.path = kBellFile;
    item.musicName = kBellName;
    item.title = title;
    return item;
}

ScheduleItem NamedItem(int time, const std::string& title, schedule::MusicKind kind,
                       const std::string& name) {
    ScheduleItem item;
    item.time = time;
    item.kind = kind;
    item.musicName = name;
    item.title = title;
    return item;
}

std::vector<Chime> Chimes() {
    std::vector<Chime> chimes = {
        {kBellFile, {kE5, kC5, kD5, kG4}, 0.55, 1.6},
        {kWarningFile, {kG5, kE5}, 0.5, 1.2},
        {kSignalFile, {kA5}, 0.0, 1.0},
        {kBreakFiles[0], {kC5, kE5, kG5, kE5, kC5}, 0.35, 1.0},
        {kBreakFiles[1], {kG5, kF5, kE5, kD5, kC5}, 0.3, 1.0},
        {kBreakFiles[2], {kD5, kA5, kG5, kD5}, 0.4, 1.2},
    };
    return chimes;
}

// Writes one chime; an OGG chime is encoded from a WAV that is removed afterwards.
bool WriteChime(const std::string& appDir, const Chime& chime) {
    const std::string path = appDir + chime.path;
    const auto samples = SynthesizeChime(chime.notes, chime.noteSeconds, chime.ringSeconds);
    if (fs::path(path).extension() != ".ogg") {
        if (!WriteWav(path, samples)) {
            std::cerr << "qelt-tool: cannot write " << path << '\n';
            return false;
        }
        return true;
    }
    const std::string wavPath = path + ".wav";
    std::string error;
    const bool ok = WriteWav(wavPath, samples) && EncodeOgg(wavPath, path, error);
    std::error_code ignored;
    fs::remove(wavPath, ignored);
    if (!ok) {
        std::cerr << "qelt-tool: cannot write " << path << (error.empty() ? "" : ": ") << error
                  << '\n';
    }
    return ok;
}

bool WriteStores(const std::string& appDir) {
    schedule::CCommonTrackStore commonTracks;
    schedule::CommonTrack warning;
    warning.name = kCommonTrackName;
    warning.main = Track(kWarningFile);
    warning.secondary = Track(kSignalFile);
    warning.order = schedule::MainFirst;
    commonTracks.Add(&warning);

    schedule::CPlaylistStore playlists;
    schedule::Playlist breakMusic;
    breakMusic.name = kPlaylistName;
    breakMusic.randomPlay = 1;
    breakMusic.randomLimit = kPlaylistFiles;
    breakMusic.randomLimitKind = schedule::LimitFiles;
    breakMusic.entries.push_back(Track(kBreakPattern));
    playlists.Add(&breakMusic);

    if (!commonTracks.Save(appDir + kCommonTrackFile)) {
        std::cerr << "qelt-tool: cannot write " << appDir << kCommonTrackFile << '\n';
        return false;
    }
    if (!playlists.Save(appDir + kPlaylistFile)) {
        std::cerr << "qelt-tool: cannot write " << appDir << kPlaylistFile << '\n';
        return false;
    }
    return true;
}

// The three demo items from now on, each on the day it falls on, with a printed plan;
// every day without one of them gets three fixed items, so no day's list is empty.
bool WriteTimetable(const std::string& appDir, const platform::LocalTime& now, int spacing) {
    schedule::CTimetable timetable;
    timetable.SetTitle("演示作息表");
    const std::array<ScheduleItem, 3> demo = {
        SingleItem(0, "演示：单曲"),
        NamedItem(0, "演示：常用曲目", schedule::CommonMusic, kCommonTrackName),
        NamedItem(0, "演示：列表曲目", schedule::ListMusic, kPlaylistName),
    };
    const int today = now.weekday;
    for (std::size_t i = 0; i < demo.size(); ++i) {
        ScheduleItem item = demo[i];
        int day = today;
        int time = now.SecondsSinceMidnight() + kItemSpacings[i] * spacing * kSecondsPerMinute;
        if (time >= schedule::kSecondsPerDay) {
            day = (today + 1) % schedule::kDaysPerWeek;
            time = std::max(time - schedule::kSecondsPerDay, kEarliestAfterMidnight);
        }
        item.time = time;
        timetable.AddItem(day, &item);
        std::cout << kDayNames[static_cast<std::size_t>(day)] << ' ' << FormatTimeOfDay(time) << ' '
                  << item.title << '\n';
    }
    for (int day = 0; day < schedule::kDaysPerWeek; ++day) {
        if (!timetable.GetDay(day)->empty()) {
            continue;
        }
        const ScheduleItem fixed[] = {
            NamedItem(7 * 3600 + 50 * 60, "早读", schedule::CommonMusic, kCommonTrackName),
            SingleItem(8 * 3600, "第一节"),
            NamedItem(10 * 3600, "课间操", schedule::ListMusic, kPlaylistName),
        };
        for (const ScheduleItem& item : fixed) {
            timetable.AddItem(day, &item);
        }
    }
    if (!timetable.Save(appDir + kTimetableFile)) {
        std::cerr << "qelt-tool: cannot write " << appDir << kTimetableFile << '\n';
        return false;
    }
    return true;
}

bool WriteSettings(const std::string& appDir) {
    schedule::CSettings settings(appDir + schedule::ini::kFileName);
    // A demo must never power the computer off after its last item.
    return settings.SetTimetablePath(kTimetableFile) && settings.SetAutoShutdown(false) &&
           settings.SetSchoolName("QELT 演示学校") &&
           settings.WritePresetTitles({"早读", "第一节", "课间操", "午休"});
}

}  // namespace

int RunDemo(const Args& args) {
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
        PrintDemoUsage(std::cout);
        return kExitOk;
    }
    Options options;
    const std::string problem = ParseOptions(args, options);
    if (!problem.empty()) {
        return ReportUsageError("demo", problem, [] { PrintDemoUsage(std::cerr); });
    }
    const std::string appDir = ProgramFolderPath(options.dir);

    std::vector<std::string> files = {schedule::ini::kFileName, kTimetableFile, kCommonTrackFile,
                                      kPlaylistFile};
    for (const Chime& chime : Chimes()) {
        files.emplace_back(chime.path);
    }
    if (!options.force) {
        for (const std::string& file : files) {
            if (fs::exists(appDir + file)) {
                std::cerr << "qelt-tool demo: " << appDir << file
                          << " exists; use --force to overwrite the demo's files\n";
                return kExitWouldOverwrite;
            }
        }
    }
    std::error_code error;
    for (const char* folder : {kTimetableFolder, kMusicFolder, kBreakFolder}) {
        fs::create_directories(appDir + folder, error);
        if (error) {
            std::cerr << "qelt-tool demo: cannot create " << appDir << folder << ": "
                      << error.message() << '\n';
            return kExitWriteError;
        }
    }

    for (const Chime& chime : Chimes()) {
        if (!WriteChime(appDir, chime)) {
            return kExitWriteError;
        }
    }
    const platform::LocalTime now = options.now ? *options.now : platform::SystemClock().Now();
    if (!WriteStores(appDir) || !WriteTimetable(appDir, now, options.spacingMinutes)) {
        return kExitWriteError;
    }
    if (!WriteSettings(appDir)) {
        std::cerr << "qelt-tool: cannot write " << appDir << schedule::ini::kFileName << '\n';
        return kExitWriteError;
    }
    return kExitOk;
}

}  // namespace tool
