#pragma once
// The day calendar "作息表/节假日.txt": holidays on which nothing rings and special days
// that ring another timetable. Every line of the file is kept, comments included, so
// that entries can be added and removed and the file written back without disturbing
// the lines that were not touched.

#include <compare>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "schedule/atomic_file.h"

namespace schedule {

// A day of the proleptic Gregorian calendar.
struct CalendarDate {
    int year = 1970;
    int month = 1;
    int day = 1;

    // clang-tidy takes the comparison with 0 inside a defaulted <=> for a null pointer.
    auto operator<=>(const CalendarDate&) const = default;  // NOLINT(modernize-use-nullptr)

    // Exactly "YYYY-MM-DD" naming a real day (year 1..9999), or nothing.
    static std::optional<CalendarDate> Parse(std::string_view text);
    std::string ToString() const;
    // Days since 1970-01-01 (negative before it), and back.
    long DayNumber() const;
    static CalendarDate FromDayNumber(long number);
    CalendarDate Next() const { return FromDayNumber(DayNumber() + 1); }
    int Weekday() const;  // 0 = Sunday .. 6 = Saturday
};

// The weekdays as a line names them, Sunday first ("星期天" is read as Sunday too).
inline constexpr const char* kWeekdayNames[7] = {"星期日", "星期一", "星期二", "星期三",
                                                 "星期四", "星期五", "星期六"};

// One entry of the file: a single day has first == last; an empty timetable without a
// weekday means a holiday. A weekday makes the days ring that weekday's items (a make-up
// working day): of the current timetable, or of the timetable named.
struct CalendarEntry {
    CalendarDate first;
    CalendarDate last;
    std::string timetable;  // a file name inside the "作息表" folder
    int lineIndex = 0;      // 0-based index of its line in the file
    int weekday = -1;       // 0 = Sunday .. 6 = Saturday; -1: the date's own

    bool IsHoliday() const { return timetable.empty() && weekday < 0; }
};

// A line that does not count, with its 1-based line number, its text and why.
struct CalendarError {
    int lineNumber = 0;
    std::string text;
    std::string reason;

    // "第6行 "2027-02-30": REASON", as the program reports it.
    std::string ToString() const;
};

// A make-up day rings another weekday's items of the current timetable; a special day
// rings a timetable of its own (its weekday given, or the date's).
enum class DayKind { Normal, Holiday, SpecialDay, MakeupDay };

struct DayLookup {
    DayKind kind = DayKind::Normal;
    std::string timetable;  // for a special day
    int lineIndex = -1;     // the entry that decided, or -1 for a normal day
    int weekday = -1;       // the weekday rung, when the entry names one
};

class CDayCalendar {
public:
    static constexpr const char* kFolderName = "作息表";
    static constexpr const char* kFileName = "节假日.txt";

    // "作息表/节假日.txt" in the program folder (appDir ends with '/').
    static std::string PathIn(const std::string& appDir);
    // The path of a special day's timetable file in the program folder.
    static std::string TimetablePathIn(const std::string& appDir, const std::string& name);

    // Reads the file; false (and an empty calendar) when it cannot be read, and
    // LoadFailure() then says why.
    bool Load(const std::string& path);
    ReadFailure LoadFailure() const { return m_LoadFailure; }
    // Takes the text of a file; malformed lines are recorded in errors() and ignored.
    void Parse(std::string_view text);
    // The file's text: the kept lines, each ended by the line break the file used.
    std::string Serialize() const;
    // Replaces the file in one step; false when it could not be written.
    bool Save(const std::string& path) const;

    // The valid entries in file order, or sorted by first day, then last day.
    std::vector<CalendarEntry> GetEntries() const;
    std::vector<CalendarEntry> GetSortedEntries() const;
    // Appends a line for the entry (with the weekday's name after the timetable when
    // weekday is 0..6); its line index, or -1 when from is after to or the timetable name
    // is not a plain file name.
    int AddEntry(const CalendarDate& from, const CalendarDate& to, const std::string& timetable,
                 int weekday = -1);
    // Removes the entry's line; false when lineIndex is not an entry's line.
    bool RemoveEntry(int lineIndex);

    // What the day is: the narrowest entry that covers it decides; among entries of the
    // same length the later line wins, so one exam day inside a holiday range rings.
    DayLookup Lookup(const CalendarDate& date) const;
    // Every entry that covers the date, the one Lookup chooses first and then in the
    // same order of preference (narrower first; of the same length, the later line
    // first). One pass over the lines, so a caller that passes over an entry (its
    // timetable cannot be read) tries the next without asking again.
    std::vector<CalendarEntry> LookupAll(const CalendarDate& date) const;

    // The lines that do not count, in file order.
    std::vector<CalendarError> errors() const;
    // The line's error, or nothing when lineIndex is not a line that does not count.
    std::optional<CalendarError> ErrorAt(int lineIndex) const;
    // The calendar's problems as one line for the bell log: the file too large to be
    // read, or how many lines do not count and the first few of their numbers; empty
    // when there are none. errors() keeps every line for the windows and qelt-tool.
    std::string ErrorSummary() const;
    // The same line for a chosen set of errors (for example those just marked).
    static std::string SummarizeErrors(const std::vector<CalendarError>& errors);

    // Marks an entry's line as not counting, for a problem found later (its timetable
    // cannot be read); Lookup passes over it from then on. False when it is not an
    // entry's line or already marked.
    bool AddError(int lineIndex, const std::string& reason);

    // Whether name can stand for a file directly inside the "作息表" folder: not empty,
    // no separator, not "." or "..".
    static bool IsPlainFileName(std::string_view name);
    // 0..6 for a weekday's name ("星期五"), else nothing.
    static std::optional<int> ParseWeekday(std::string_view name);

private:
    struct Line {
        std::string text;
        std::optional<CalendarEntry> entry;
        std::string error;  // why the line does not count; empty when it does
    };

    static Line ParseLine(std::string text);
    void Reindex();

    std::vector<Line> m_Lines;
    std::string m_strLineBreak = "\n";
    bool m_bByteOrderMark = false;
    ReadFailure m_LoadFailure = ReadFailure::None;
};

}  // namespace schedule
