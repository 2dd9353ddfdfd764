#include "schedule/day_calendar.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "schedule/atomic_file.h"
#include "schedule/text_codec.h"

namespace schedule {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kRangeSeparator = "..";
constexpr char kCommentStart = '#';
constexpr int kMaxYear = 9999;
constexpr int kMonthsPerYear = 12;
constexpr int kDaysPerWeek = 7;
constexpr int kWeekdayOfDayZero = 4;  // 1970-01-01 was a Thursday
constexpr std::size_t kDateLength = 10;

constexpr const char* kBadDate = "日期应写作 YYYY-MM-DD 或 YYYY-MM-DD..YYYY-MM-DD";
constexpr const char* kReversedRange = "起始日期晚于结束日期";
constexpr const char* kBadTimetableName = "作息表应为“作息表”文件夹中的文件名";
// A summary names this many line numbers, and of a single line this many bytes of text.
constexpr std::size_t kSummaryLineNumbers = 3;
constexpr std::size_t kSummaryTextBytes = 80;

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[kMonthsPerYear] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Cuts a comment that starts with '#' after a blank; a '#' inside a word stays part of it.
std::string_view StripComment(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == kCommentStart && (i == 0 || IsBlank(text[i - 1]))) {
            return text.substr(0, i);
        }
    }
    return text;
}

int Digits(std::string_view text) {
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return -1;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

}  // namespace

std::optional<CalendarDate> CalendarDate::Parse(std::string_view text) {
    if (text.size() != kDateLength || text[4] != '-' || text[7] != '-') {
        return std::nullopt;
    }
    const int year = Digits(text.substr(0, 4));
    const int month = Digits(text.substr(5, 2));
    const int day = Digits(text.substr(8, 2));
    if (year < 1 || year > kMaxYear || month < 1 || month > kMonthsPerYear || day < 1 ||
        day > DaysInMonth(year, month)) {
        return std::nullopt;
    }
    return CalendarDate{year, month, day};
}

std::string CalendarDate::ToString() const {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", year, month, day);
    return buffer;
}

// Counting days from a March-based year puts the leap day last, which keeps the month
// lengths regular.
long CalendarDate::DayNumber() const {
    const long y = month <= 2 ? year - 1 : year;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yearOfEra = y - era * 400;
    const long monthFromMarch = month > 2 ? month - 3 : month + 9;
    const long dayOfYear = (153 * monthFromMarch + 2) / 5 + day - 1;
    const long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

CalendarDate CalendarDate::FromDayNumber(long number) {
    number += 719468;
    const long era = (number >= 0 ? number : number - 146096) / 146097;
    const long dayOfEra = number - era * 146097;
    const long yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const long monthFromMarch = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * monthFromMarch + 2) / 5 + 1);
    const int month =
        static_cast<int>(monthFromMarch < 10 ? monthFromMarch + 3 : monthFromMarch - 9);
    const int year = static_cast<int>(yearOfEra + era * 400 + (month <= 2 ? 1 : 0));
    return CalendarDate{year, month, day};
}

int CalendarDate::Weekday() const {
    const long weekday = (DayNumber() + kWeekdayOfDayZero) % kDaysPerWeek;
    return static_cast<int>(weekday < 0 ? weekday + kDaysPerWeek : weekday);
}

std::string CalendarError::ToString() const {
    return "第" + std::to_string(lineNumber) + "行 \"" + text + "\": " + reason;
}

std::string CDayCalendar::PathIn(const std::string& appDir) {
    return appDir + kFolderName + "/" + kFileName;
}

std::string CDayCalendar::TimetablePathIn(const std::string& appDir, const std::string& name) {
    return appDir + kFolderName + "/" + name;
}

bool CDayCalendar::IsPlainFileName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

CDayCalendar::Line CDayCalendar::ParseLine(std::string text) {
    Line line;
    const std::string_view content = Trim(StripComment(text));
    if (!content.empty()) {
        const std::size_t blank = content.find_first_of(" \t");
        const std::string_view dates = content.substr(0, blank);
        std::string_view name =
            blank == std::string_view::npos ? std::string_view{} : Trim(content.substr(blank));
        // A weekday's name last (alone, or after the timetable) makes a make-up day.
        const std::size_t lastBlank = name.find_last_of(" \t");
        const std::optional<int> weekday =
            ParseWeekday(lastBlank == std::string_view::npos ? name : name.substr(lastBlank + 1));
        if (weekday) {
            name = lastBlank == std::string_view::npos ? std::string_view{}
                                                       : Trim(name.substr(0, lastBlank));
        }
        const std::size_t dots = dates.find(kRangeSeparator);
        const auto first = CalendarDate::Parse(dates.substr(0, dots));
        const auto last = dots == std::string_view::npos
                              ? first
                              : CalendarDate::Parse(dates.substr(dots + kRangeSeparator.size()));
        if (!first || !last) {
            line.error = kBadDate;
        } else if (*last < *first) {
            line.error = kReversedRange;
        } else if (!name.empty() && !IsPlainFileName(name)) {
            line.error = kBadTimetableName;
        } else {
            line.entry = CalendarEntry{*first, *last, std::string(name), 0, weekday.value_or(-1)};
        }
    }
    line.text = std::move(text);
    return line;
}

void CDayCalendar::Reindex() {
    for (std::size_t i = 0; i < m_Lines.size(); ++i) {
        if (m_Lines[i].entry) {
            m_Lines[i].entry->lineIndex = static_cast<int>(i);
        }
    }
}

bool CDayCalendar::Load(const std::string& path) {
    ReadFailure failure = ReadFailure::None;
    const std::optional<std::string> data = ReadWholeFile(path, &failure);
    Parse(data ? *data : std::string_view{});
    m_LoadFailure = failure;
    return data.has_value();
}

void CDayCalendar::Parse(std::string_view text) {
    m_Lines.clear();
    m_LoadFailure = ReadFailure::None;
    m_bByteOrderMark = text.starts_with(kByteOrderMark);
    if (m_bByteOrderMark) {
        text.remove_prefix(kByteOrderMark.size());
    }
    const std::size_t firstBreak = text.find('\n');
    m_strLineBreak =
        firstBreak != std::string_view::npos && firstBreak > 0 && text[firstBreak - 1] == '\r'
            ? "\r\n"
            : "\n";
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view lineText = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        // Every carriage return before the break goes, so a file of mixed line ends reads
        // back the same after it is written with one kind of break.
        while (lineText.ends_with('\r')) {
            lineText.remove_suffix(1);
        }
        m_Lines.push_back(ParseLine(std::string(lineText)));
    }
    Reindex();
}

std::string CDayCalendar::Serialize() const {
    std::string text(m_bByteOrderMark ? kByteOrderMark : std::string_view{});
    for (const Line& line : m_Lines) {
        text += line.text;
        text += m_strLineBreak;
    }
    return text;
}

bool CDayCalendar::Save(const std::string& path) const {
    return WriteFileAtomically(path, Serialize()) == WriteResult::Ok;
}

std::vector<CalendarEntry> CDayCalendar::GetEntries() const {
    std::vector<CalendarEntry> entries;
    for (const Line& line : m_Lines) {
        if (line.entry) {
            entries.push_back(*line.entry);
        }
    }
    return entries;
}

std::vector<CalendarEntry> CDayCalendar::GetSortedEntries() const {
    std::vector<CalendarEntry> entries = GetEntries();
    std::stable_sort(entries.begin(), entries.end(),
                     [](const CalendarEntry& a, const CalendarEntry& b) {
                         return a.first != b.first ? a.first < b.first : a.last < b.last;
                     });
    return entries;
}

int CDayCalendar::AddEntry(const CalendarDate& from, const CalendarDate& to,
                           const std::string& timetable, int weekday) {
    std::string text = from.ToString();
    if (to != from) {
        text += kRangeSeparator;
        text += to.ToString();
    }
    if (!timetable.empty()) {
        text += ' ';
        text += timetable;
    }
    if (weekday >= 0 && weekday < 7) {
        text += ' ';
        text += kWeekdayNames[weekday];
    }
    // The line is read back as the file will be, so only what a later load accepts is
    // added (a date that does not exist, a reversed range, a path as the name).
    Line line = ParseLine(std::move(text));
    if (!line.entry || line.entry->first != from || line.entry->last != to ||
        line.entry->timetable != timetable ||
        line.entry->weekday != (weekday >= 0 && weekday < 7 ? weekday : -1)) {
        return -1;
    }
    m_Lines.push_back(std::move(line));
    Reindex();
    return static_cast<int>(m_Lines.size()) - 1;
}

bool CDayCalendar::RemoveEntry(int lineIndex) {
    if (lineIndex < 0 || static_cast<std::size_t>(lineIndex) >= m_Lines.size() ||
        !m_Lines[static_cast<std::size_t>(lineIndex)].entry) {
        return false;
    }
    m_Lines.erase(m_Lines.begin() + lineIndex);
    Reindex();
    return true;
}

std::optional<int> CDayCalendar::ParseWeekday(std::string_view name) {
    for (int day = 0; day < 7; ++day) {
        if (name == kWeekdayNames[day]) {
            return day;
        }
    }
    if (name == "星期天") {
        return 0;
    }
    return std::nullopt;
}

DayLookup CDayCalendar::Lookup(const CalendarDate& date) const {
    DayLookup result;
    const std::vector<CalendarEntry> entries = LookupAll(date);
    if (!entries.empty()) {
        const CalendarEntry& chosen = entries.front();
        result.kind = chosen.IsHoliday()         ? DayKind::Holiday
                      : chosen.timetable.empty() ? DayKind::MakeupDay
                                                 : DayKind::SpecialDay;
        result.timetable = chosen.timetable;
        result.lineIndex = chosen.lineIndex;
        result.weekday = chosen.weekday;
    }
    return result;
}

std::vector<CalendarEntry> CDayCalendar::LookupAll(const CalendarDate& date) const {
    std::vector<std::pair<long, const CalendarEntry*>> covering;
    for (const Line& line : m_Lines) {
        if (line.entry && line.error.empty() && !(date < line.entry->first) &&
            !(line.entry->last < date)) {
            covering.emplace_back(line.entry->last.DayNumber() - line.entry->first.DayNumber(),
                                  &*line.entry);
        }
    }
    std::sort(covering.begin(), covering.end(), [](const auto& a, const auto& b) {
        return a.first != b.first ? a.first < b.first : a.second->lineIndex > b.second->lineIndex;
    });
    std::vector<CalendarEntry> entries;
    entries.reserve(covering.size());
    for (const auto& [span, entry] : covering) {
        entries.push_back(*entry);
    }
    return entries;
}

std::vector<CalendarError> CDayCalendar::errors() const {
    std::vector<CalendarError> list;
    for (std::size_t i = 0; i < m_Lines.size(); ++i) {
        if (!m_Lines[i].error.empty()) {
            list.push_back({static_cast<int>(i) + 1, m_Lines[i].text, m_Lines[i].error});
        }
    }
    return list;
}

std::optional<CalendarError> CDayCalendar::ErrorAt(int lineIndex) const {
    if (lineIndex < 0 || static_cast<std::size_t>(lineIndex) >= m_Lines.size() ||
        m_Lines[static_cast<std::size_t>(lineIndex)].error.empty()) {
        return std::nullopt;
    }
    const Line& line = m_Lines[static_cast<std::size_t>(lineIndex)];
    return CalendarError{lineIndex + 1, line.text, line.error};
}

std::string CDayCalendar::ErrorSummary() const {
    if (m_LoadFailure == ReadFailure::TooLarge) {
        return std::string(kFileName) + " 过大（超过" + kMaxReadableFileSizeText +
               "），未读取，每天按平常的作息表响铃";
    }
    return SummarizeErrors(errors());
}

std::string CDayCalendar::SummarizeErrors(const std::vector<CalendarError>& errors) {
    if (errors.empty()) {
        return {};
    }
    std::string text =
        std::string(kFileName) + " 中有" + std::to_string(errors.size()) + "行无效，已忽略（";
    if (errors.size() == 1) {
        // One line is shown whole, as errors() would, with a very long text cut short.
        CalendarError shown = errors.front();
        if (shown.text.size() > kSummaryTextBytes) {
            shown.text.resize(Utf8BoundaryPrefix(shown.text, kSummaryTextBytes));
            shown.text += "…";
        }
        text += shown.ToString();
    } else {
        // The first lines of the file, whatever order the errors came in.
        std::vector<int> numbers;
        numbers.reserve(errors.size());
        for (const CalendarError& error : errors) {
            numbers.push_back(error.lineNumber);
        }
        const std::size_t shown = std::min(numbers.size(), kSummaryLineNumbers);
        std::partial_sort(numbers.begin(), numbers.begin() + static_cast<long>(shown),
                          numbers.end());
        text += "第";
        for (std::size_t i = 0; i < shown; ++i) {
            text += (i == 0 ? "" : "、") + std::to_string(numbers[i]);
        }
        text += errors.size() > kSummaryLineNumbers ? "…行" : "行";
    }
    return text + "）";
}

bool CDayCalendar::AddError(int lineIndex, const std::string& reason) {
    if (lineIndex < 0 || static_cast<std::size_t>(lineIndex) >= m_Lines.size()) {
        return false;
    }
    Line& line = m_Lines[static_cast<std::size_t>(lineIndex)];
    if (!line.entry || !line.error.empty() || reason.empty()) {
        return false;
    }
    line.error = reason;
    return true;
}

}  // namespace schedule
