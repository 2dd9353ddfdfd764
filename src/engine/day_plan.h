#pragma once
// What today is by the day calendar ("作息表/节假日.txt"): an ordinary day, a holiday, a
// special day that rings a timetable of its own, or a make-up day that rings another
// weekday's items. The calendar is read again whenever
// its file changes on disk; its problems go to the bell log.

#include <cstdint>
#include <string>

#include "engine/engine_host.h"
#include "schedule/day_calendar.h"
#include "schedule/timetable.h"

namespace engine {

class CDayPlan {
public:
    // appDir: the program folder, ending with '/'.
    CDayPlan(IEngineHost& host, std::string appDir);

    // Reads the calendar file when its size or modification time changed (or it was
    // never read); true when it was read.
    bool ReadCalendarIfChanged();
    // Decides from the calendar what the date is, reading a special day's timetable;
    // true when that may have changed the day's items.
    bool Plan(const schedule::CalendarDate& date);

    const schedule::CalendarDate& Date() const { return m_Date; }
    const schedule::CDayCalendar& Calendar() const { return m_Calendar; }
    bool IsHoliday() const { return m_bHoliday; }
    bool IsSpecialDay() const { return m_bSpecialDay; }
    // The file name (in "作息表") of the timetable a special day rings; empty otherwise.
    const std::string& SpecialName() const { return m_strSpecialName; }
    // The weekday whose items ring on a make-up day (of the current timetable, or of a
    // special day's own); -1 when the date rings its own weekday.
    int MakeupWeekday() const { return m_nMakeupWeekday; }
    const schedule::CTimetable& SpecialTimetable() const { return m_SpecialTimetable; }

private:
    struct FileStamp {
        bool exists = false;
        std::int64_t modified = 0;
        std::uintmax_t size = 0;
        bool operator==(const FileStamp&) const = default;
    };

    IEngineHost& m_Host;
    std::string m_strAppDir;
    schedule::CDayCalendar m_Calendar;
    FileStamp m_Stamp;
    bool m_bRead = false;
    schedule::CalendarDate m_Date;
    bool m_bHoliday = false;
    bool m_bSpecialDay = false;
    int m_nMakeupWeekday = -1;
    std::string m_strSpecialName;
    schedule::CTimetable m_SpecialTimetable;
};

}  // namespace engine
