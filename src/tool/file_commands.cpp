// qelt-tool dump, build and next: the schedule files as JSON and back, and the next item.

#include <cstdio>
#include <fstream>
#include <iostream>
#include <optional>
#include <string>

#include "schedule/app_paths.h"
#include "schedule/atomic_file.h"
#include "schedule/model.h"
#include "schedule/texts.h"
#include "schedule/time_text.h"
#include "tool/json_convert.h"
#include "tool/tool_commands.h"

namespace tool {

using namespace schedule;

namespace {

enum class FileKind { Unknown, Timetable, CommonTracks, Playlists };

std::string BaseName(const std::string& path) {
    const std::string normalized = NormalizeSeparators(path);
    const std::size_t slash = normalized.rfind('/');
    return slash == std::string::npos ? normalized : normalized.substr(slash + 1);
}

bool EndsWithNoCase(const std::string& text, const std::string& suffix) {
    return text.size() >= suffix.size() &&
           AsciiLower(text.substr(text.size() - suffix.size())) == AsciiLower(suffix);
}

// Which of the three files the bytes are: by magic, or for the stores' own file names
// by the rule that their readers accept any header with a positive count.
FileKind Recognise(const std::string& data, const std::string& name) {
    const std::string_view magic = std::string_view(data).substr(0, 4);
    if (data.size() >= 4 && magic == kTimetableMagic) {
        return FileKind::Timetable;
    }
    if (data.size() >= 8 && magic == kCommonTrackMagic) {
        return FileKind::CommonTracks;
    }
    if (data.size() >= 8 && magic == kPlaylistMagic) {
        return FileKind::Playlists;
    }
    if (data.size() >= 8) {
        CBinaryReader reader(std::string_view(data).substr(4));
        std::int32_t count = 0;
        reader.ReadInt(count);
        if (count > 0 && name == "Mlist.dat") {
            return FileKind::Playlists;
        }
        if (count > 0 && name == "M2list.dat") {
            return FileKind::CommonTracks;
        }
    }
    return FileKind::Unknown;
}

// Prints the read-error message for a file of a known kind that could not be read whole.
int ReportReadError(const char* message) {
    std::cerr << message << '\n';
    return kExitReadError;
}

void PrintJson(const nlohmann::ordered_json& json) {
    std::cout << json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

bool ParseTime(const std::string& text, int& seconds) {
    int h = 0;
    int m = 0;
    int s = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%d:%d:%d%c", &h, &m, &s, &tail) != 3 || h < 0 || h > 23 ||
        m < 0 || m > 59 || s < 0 || s > 59) {
        return false;
    }
    seconds = h * 3600 + m * 60 + s;
    return true;
}

}  // namespace

int RunDump(const Args& args) {
    if (args.size() != 1) {
        std::cerr << "usage: qelt-tool dump FILE\n";
        return kExitUsage;
    }
    const std::string& path = args[0];
    ReadFailure failure = ReadFailure::None;
    const std::optional<std::string> data = ReadWholeFile(path, &failure);
    if (!data) {
        std::cerr << "qelt-tool: cannot read " << path;
        if (failure == ReadFailure::TooLarge) {
            std::cerr << ": larger than " << kMaxReadableFileSizeText;
        }
        std::cerr << '\n';
        return kExitNotScheduleFile;
    }
    switch (Recognise(*data, BaseName(path))) {
        case FileKind::Timetable: {
            std::string title;
            std::array<CTimetable::Day, kDaysPerWeek> days;
            if (CTimetable::Parse(*data, title, days) != LoadStatus::Ok) {
                return ReportReadError(texts::kTimetableReadError);
            }
            CTimetable timetable;
            timetable.SetTitle(title);
            for (int day = 0; day < kDaysPerWeek; ++day) {
                *timetable.GetDay(day) = std::move(days[static_cast<std::size_t>(day)]);
            }
            timetable.SortAll();
            PrintJson(TimetableToJson(timetable));
            return kExitOk;
        }
        case FileKind::CommonTracks: {
            std::vector<CommonTrack> tracks;
            // A damaged store shows the records read before the damage, and the error.
            const LoadStatus status = CCommonTrackStore::Parse(*data, tracks);
            if (status != LoadStatus::Ok && status != LoadStatus::ReadError) {
                return ReportReadError(texts::kCommonTracksReadError);
            }
            CCommonTrackStore store;
            store.SetRecords(std::move(tracks));
            PrintJson(CommonTracksToJson(store));
            return status == LoadStatus::Ok ? kExitOk
                                            : ReportReadError(texts::kCommonTracksReadError);
        }
        case FileKind::Playlists: {
            std::vector<Playlist> playlists;
            // A damaged store shows the records read before the damage, and the error.
            const LoadStatus status = CPlaylistStore::Parse(*data, playlists);
            if (status != LoadStatus::Ok && status != LoadStatus::ReadError) {
                return ReportReadError(texts::kPlaylistsReadError);
            }
            CPlaylistStore store;
            store.SetRecords(std::move(playlists));
            PrintJson(PlaylistsToJson(store));
            return status == LoadStatus::Ok ? kExitOk : ReportReadError(texts::kPlaylistsReadError);
        }
        case FileKind::Unknown:
            break;
    }
    if (EndsWithNoCase(path, ".zxb")) {
        std::cerr << texts::kNotTimetable << '\n';
    } else {
        std::cerr << "qelt-tool: " << path
                  << " is not a timetable, common-track store or playlist store\n";
    }
    return kExitNotScheduleFile;
}

int RunBuild(const Args& args) {
    if (args.size() != 2) {
        std::cerr << "usage: qelt-tool build IN.json OUT\n";
        return kExitUsage;
    }
    std::ifstream in(args[0]);
    if (!in) {
        std::cerr << "qelt-tool: cannot read " << args[0] << '\n';
        return kExitUsage;
    }
    bool saved = false;
    try {
        const nlohmann::json json = nlohmann::json::parse(in);
        const std::string type = json.at("type").get<std::string>();
        if (type == "timetable") {
            CTimetable timetable;
            TimetableFromJson(json, timetable);
            saved = timetable.Save(args[1]);
        } else if (type == "commonTracks") {
            CCommonTrackStore store;
            CommonTracksFromJson(json, store);
            saved = store.Save(args[1]);
        } else if (type == "playlists") {
            CPlaylistStore store;
            PlaylistsFromJson(json, store);
            saved = store.Save(args[1]);
        } else {
            std::cerr << "qelt-tool: unknown \"type\": " << type << '\n';
            return kExitUsage;
        }
    } catch (const std::exception& e) {
        std::cerr << "qelt-tool: " << args[0] << ": " << e.what() << '\n';
        return kExitUsage;
    }
    if (!saved) {
        std::cerr << "qelt-tool: cannot write " << args[1] << '\n';
        return kExitReadError;
    }
    return kExitOk;
}

int RunNext(const Args& args) {
    int weekday = -1;
    int time = 0;
    if (args.size() != 3 || !ParseTime(args[2], time)) {
        std::cerr
            << "usage: qelt-tool next TIMETABLE WEEKDAY HH:MM:SS  (WEEKDAY 0 = Sunday .. 6)\n";
        return kExitUsage;
    }
    try {
        std::size_t used = 0;
        weekday = std::stoi(args[1], &used);
        if (used != args[1].size()) {
            weekday = -1;
        }
    } catch (const std::exception&) {
        weekday = -1;
    }
    if (weekday < 0 || weekday >= kDaysPerWeek) {
        std::cerr << "qelt-tool: WEEKDAY must be 0 (Sunday) to 6 (Saturday)\n";
        return kExitUsage;
    }
    CTimetable timetable;
    switch (timetable.LoadFile(args[0], true)) {
        case LoadStatus::Ok:
            break;
        case LoadStatus::CannotOpen:
            std::cerr << "qelt-tool: cannot read " << args[0] << '\n';
            return kExitNotScheduleFile;
        case LoadStatus::WrongFormat:
            std::cerr << texts::kNotTimetable << '\n';
            return kExitNotScheduleFile;
        case LoadStatus::ReadError:
            return ReportReadError(texts::kTimetableReadError);
        case LoadStatus::TooLarge:
            return ReportReadError(texts::kTimetableTooLarge);
    }
    ScheduleItem next;
    const int index = timetable.FindNext(weekday, time, &next);
    if (index < 0) {
        std::cout << "-1\n";
    } else {
        std::cout << index << ' ' << schedule::FormatTimeOfDay(next.time) << ' ' << next.title
                  << '\n';
    }
    return kExitOk;
}

}  // namespace tool
