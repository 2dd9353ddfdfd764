// Feeds arbitrary bytes to the day calendar's reader. What it reads must write back to
// text that reads again to the same entries and errors (weekdays included), and an entry
// added to it must be found by a lookup of its first day.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "schedule/day_calendar.h"

using namespace schedule;

namespace {

bool SameEntries(const CDayCalendar& a, const CDayCalendar& b) {
    const auto left = a.GetEntries();
    const auto right = b.GetEntries();
    if (left.size() != right.size() || a.errors().size() != b.errors().size()) {
        return false;
    }
    for (std::size_t i = 0; i < left.size(); ++i) {
        if (left[i].first != right[i].first || left[i].last != right[i].last ||
            left[i].timetable != right[i].timetable || left[i].lineIndex != right[i].lineIndex ||
            left[i].weekday != right[i].weekday) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CDayCalendar calendar;
    calendar.Parse(bytes);
    for (const CalendarEntry& entry : calendar.GetSortedEntries()) {
        calendar.Lookup(entry.first);
    }

    CDayCalendar again;
    again.Parse(calendar.Serialize());
    if (!SameEntries(calendar, again)) {
        std::abort();  // the text written does not read back to the same calendar
    }

    // A new single day at the end of time wins its own lookup (nothing narrower exists),
    // and so does a make-up day after it, with its weekday.
    const CalendarDate day{9999, 12, 31};
    const int weekday = static_cast<int>(size % 7);
    if (calendar.AddEntry(day, day, std::string()) >= 0 &&
        calendar.AddEntry(day, day, std::string(), weekday) >= 0) {
        const DayLookup found = calendar.Lookup(day);
        if (found.kind != DayKind::MakeupDay || found.weekday != weekday) {
            std::abort();  // an entry just added is not found
        }
        CDayCalendar reread;
        reread.Parse(calendar.Serialize());
        const DayLookup again = reread.Lookup(day);
        if (again.kind != DayKind::MakeupDay || again.weekday != weekday) {
            std::abort();  // the added entry does not survive a write
        }
    }
    return 0;
}
