#include "engine/day_plan.h"

#include <chrono>
#include <filesystem>
#include <utility>
#include <vector>

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
    // Its problems are one line of the bell log, however many lines do not count.
    m_Calendar.Load(path);
    if (const std::string summary = m_Calendar.ErrorSummary(); !summary.empty()) {
        m_Host.LogEvent(texts::kLogCalendar, summary);
    }
    return true;
}

bool CDayPlan::Plan(const schedule::CalendarDate& date) {
    const bool wasHoliday = m_bHoliday;
    const bool wasSpecial = m_bSpecialDay;
    const std::string specialBefore = m_strSpecialName;
    const int makeupBefore = m_nMakeupWeekday;
    m_Date = date;
    m_bHoliday = false;
    m_bSpecialDay = false;
    m_nMakeupWeekday = -1;
    m_strSpecialName.clear();
    // A special day whose timetable cannot be read does not count: the next entry that
    // covers the date decides instead. The entries are found in one pass.
    std::vector<schedule::CalendarError> marked;
    for (const schedule::CalendarEntry& entry : m_Calendar.LookupAll(date)) {
        if (entry.IsHoliday()) {
            m_bHoliday = true;
            break;
        }
        if (entry.timetable.empty()) {
            m_nMakeupWeekday = entry.weekday;
            break;
        }
        // A successful load replaces the whole timetable; a failed one changes nothing.
        if (m_SpecialTimetable.Load(
                schedule::CDayCalendar::TimetablePathIn(m_strAppDir, entry.timetable), false)) {
            m_bSpecialDay = true;
            m_strSpecialName = entry.timetable;
            m_nMakeupWeekday = entry.weekday;
            break;
        }
        if (m_Calendar.AddError(entry.lineIndex, texts::kTimetableUnreadableReason)) {
            if (const auto error = m_Calendar.ErrorAt(entry.lineIndex)) {
                marked.push_back(*error);
            }
            m_Host.SetStatusText(
                texts::FormatText(texts::kCalendarTimetableUnreadable, {entry.timetable}));
        }
    }
    if (!marked.empty()) {
        m_Host.LogEvent(texts::kLogCalendar, schedule::CDayCalendar::SummarizeErrors(marked));
    }
    if (!m_bSpecialDay) {
        m_SpecialTimetable = schedule::CTimetable();
    }
    // A special day's timetable was read afresh, so its items may have changed too.
    return m_bHoliday != wasHoliday || m_bSpecialDay || wasSpecial != m_bSpecialDay ||
           specialBefore != m_strSpecialName || makeupBefore != m_nMakeupWeekday;
}

}  // namespace engine
