// qelt-tool calendar: the holidays, special days and make-up days of a program folder's
// day calendar, date by date as the scheduling engine reads them, and the lines that do
// not count.

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <string>

#include "engine/engine_texts.h"
#include "schedule/day_calendar.h"
#include "schedule/timetable.h"
#include "tool/tool_args.h"
#include "tool/tool_commands.h"

namespace tool {

namespace {

using schedule::CalendarDate;

// At most ten years of dates are listed at once.
constexpr long kMaxListedDays = 3653;

constexpr const char* kWeekdayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

void PrintCalendarUsage() {
    std::cerr << "usage: qelt-tool calendar DIR [--from YYYY-MM-DD] [--to YYYY-MM-DD]\n";
}

struct CalendarOptions {
    std::string dir;
    std::optional<CalendarDate> from;
    std::optional<CalendarDate> to;
};

// Fills options; an error text when the arguments are not usable.
std::string ParseCalendarOptions(const Args& args, CalendarOptions& options) {
    std::string error =
        ReadFolderArgs(args, options.dir, {}, {"--from", "--to"},
                       [&options](const std::string& option, const std::string& value) {
                           const auto date = CalendarDate::Parse(value);
                           if (!date) {
                               return "not a date YYYY-MM-DD: " + value;
                           }
                           (option == "--from" ? options.from : options.to) = *date;
                           return std::string();
                       });
    if (!error.empty()) {
        return error;
    }
    if (options.dir.empty()) {
        return "DIR is needed";
    }
    if (options.from && options.to && *options.to < *options.from) {
        return "--to lies before --from";
    }
    if (options.from && options.to &&
        options.to->DayNumber() - options.from->DayNumber() >= kMaxListedDays) {
        return "at most ten years of dates at once";
    }
    return std::string();
}

}  // namespace

int RunCalendar(const Args& args) {
    CalendarOptions options;
    const std::string error = ParseCalendarOptions(args, options);
    if (!error.empty()) {
        return ReportUsageError("calendar", error, PrintCalendarUsage);
    }
    if (!IsProgramFolder("calendar", options.dir)) {
        return kExitReadError;
    }
    std::string appDir = options.dir;
    if (appDir.back() != '/') {
        appDir += '/';
    }

    const std::string path = schedule::CDayCalendar::PathIn(appDir);
    std::error_code ec;
    schedule::CDayCalendar calendar;
    if (!calendar.Load(path)) {
        if (calendar.LoadFailure() == schedule::ReadFailure::TooLarge) {
            std::cerr << "qelt-tool calendar: cannot read " << path << ": larger than "
                      << schedule::kMaxReadableFileSizeText << '\n';
            return kExitReadError;
        }
        if (std::filesystem::exists(path, ec)) {
            std::cerr << "qelt-tool calendar: cannot read " << path << '\n';
            return kExitReadError;
        }
        std::cerr << "qelt-tool calendar: no day calendar " << path << ": every day rings\n";
        return kExitOk;
    }

    // A special day whose timetable cannot be read does not count, as in the engine.
    // Each timetable is read once, however many lines name it.
    const std::vector<schedule::CalendarEntry> entries = calendar.GetSortedEntries();
    std::map<std::string, bool> readable;
    for (const schedule::CalendarEntry& entry : entries) {
        if (entry.timetable.empty()) {
            continue;
        }
        auto [known, inserted] = readable.try_emplace(entry.timetable, false);
        if (inserted) {
            schedule::CTimetable timetable;
            known->second = timetable.Load(
                schedule::CDayCalendar::TimetablePathIn(appDir, entry.timetable), false);
        }
        if (!known->second) {
            calendar.AddError(entry.lineIndex, engine::texts::kTimetableUnreadableReason);
        }
    }

    // Without dates given, the days from the first entry to the last.
    if (!entries.empty() && (!options.from || !options.to)) {
        CalendarDate first = entries.front().first;
        CalendarDate last = entries.front().last;
        for (const schedule::CalendarEntry& entry : entries) {
            last = std::max(last, entry.last);
        }
        const CalendarDate from = options.from.value_or(first);
        CalendarDate to = options.to.value_or(last);
        if (to.DayNumber() - from.DayNumber() >= kMaxListedDays) {
            to = CalendarDate::FromDayNumber(from.DayNumber() + kMaxListedDays - 1);
            std::cerr << "qelt-tool calendar: listing ten years from " << from.ToString()
                      << " only\n";
        }
        options.from = from;
        options.to = to;
    }

    if (options.from && options.to && !(*options.to < *options.from)) {
        for (long day = options.from->DayNumber(); day <= options.to->DayNumber(); ++day) {
            const CalendarDate date = CalendarDate::FromDayNumber(day);
            const schedule::DayLookup lookup = calendar.Lookup(date);
            if (lookup.kind == schedule::DayKind::Normal) {
                continue;
            }
            std::cout << date.ToString() << ' ' << kWeekdayNames[date.Weekday()] << ' ';
            if (lookup.kind == schedule::DayKind::Holiday) {
                std::cout << "holiday";
            } else if (lookup.kind == schedule::DayKind::MakeupDay) {
                std::cout << "makeup";
            } else {
                std::cout << "special " << lookup.timetable;
            }
            // A make-up day names the weekday whose items it rings.
            if (lookup.weekday >= 0) {
                std::cout << ' ' << schedule::kWeekdayNames[lookup.weekday];
            }
            std::cout << '\n';
        }
    }
    for (const schedule::CalendarError& bad : calendar.errors()) {
        std::cout << "error " << bad.ToString() << '\n';
    }
    return kExitOk;
}

}  // namespace tool
