#include "engine/day_plan.h"

#include <chrono>
#include <filesystem>
#include <utility>

#include "engine/engine_texts.h"

namespace engine {

CDayPlan::CDayPlan(IEngineHost& host, std::string appDir)
    : m_Host(host), m_strAppDir(std::move(appDir)) {}

bool CDayPlan::ReadCalendarIfChanged() {
    namespace fs = std::filesystem;
    const std::string path = schedule::CDayCalendar::PathIn(m_strAppDir);
    FileStamp stamp;
    std::error_code error;
    stamp.exists = fs::is_regular_file(path, error);
    if (stamp.exists) {
        const fs::file_time_type modified = fs::last_write_time(path, error);
        stamp.modified =
            error
                ? 0
                : std::chrono::duration_cast<std::chrono::nanoseconds>(modified.time_since_epoch())
                      .count();
        stamp.size = fs::file_size(path, error);
        if (error) {
            stamp.size = 0;
        }
    }
    if (m_bRead && stamp == m_Stamp) {
        return false;
    }
    m_bRead = true;
    m_Stamp = stamp;
    // A missing or unreadable file is an empty calendar: every day is an ordinary one.
    m_Calendar.Load(path);
    for (const schedule::CalendarError& error : m_Calendar.errors()) {
        m_Host.LogEvent(texts::kLogCalendar, error.ToString());
    }
    return true;
}

bool CDayPlan::Plan(const schedule::CalendarDate& date) {
    const bool wasHoliday = m_bHoliday;
    const bool wasSpecial = m_bSpecialDay;
    const std::string specialBefore = m_strSpecialName;
    m_Date = date;
    m_bHoliday = false;
    m_bSpecialDay = false;
    m_strSpecialName.clear();
    // A special day whose timetable cannot be read does not count: the calendar is asked
    // again without it. Every round marks one more line, so this ends.
    for (;;) {
        const schedule::DayLookup lookup = m_Calendar.Lookup(date);
        if (lookup.kind == schedule::DayKind::Holiday) {
            m_bHoliday = true;
            break;
        }
        if (lookup.kind == schedule::DayKind::Normal) {
            break;
        }
        // A successful load replaces the whole timetable; a failed one changes nothing.
        if (m_SpecialTimetable.Load(
                schedule::CDayCalendar::TimetablePathIn(m_strAppDir, lookup.timetable), false)) {
            m_bSpecialDay = true;
            m_strSpecialName = lookup.timetable;
            break;
        }
        if (!m_Calendar.AddError(lookup.lineIndex, texts::kTimetableUnreadableReason)) {
            break;
        }
        for (const schedule::CalendarError& error : m_Calendar.errors()) {
            if (error.lineNumber == lookup.lineIndex + 1) {
                m_Host.LogEvent(texts::kLogCalendar, error.ToString());
            }
        }
        m_Host.SetStatusText(
            texts::FormatText(texts::kCalendarTimetableUnreadable, {lookup.timetable}));
    }
    if (!m_bSpecialDay) {
        m_SpecialTimetable = schedule::CTimetable();
    }
    // A special day's timetable was read afresh, so its items may have changed too.
    return m_bHoliday != wasHoliday || m_bSpecialDay || wasSpecial != m_bSpecialDay ||
           specialBefore != m_strSpecialName;
}

}  // namespace engine
