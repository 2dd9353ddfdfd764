// Feeds arbitrary bytes to the timetable reader. Whatever it accepts must write back
// to bytes that read again to the same timetable.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "schedule/timetable.h"

using namespace schedule;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string title;
    std::array<CTimetable::Day, kDaysPerWeek> days;
    if (CTimetable::Parse(bytes, title, days) != LoadStatus::Ok) {
        return 0;
    }
    CTimetable first;
    first.SetTitle(title);
    for (int day = 0; day < kDaysPerWeek; ++day) {
        *first.GetDay(day) = days[static_cast<std::size_t>(day)];
    }
    first.SortAll();
    const std::string written = first.Serialize();

    std::string title2;
    std::array<CTimetable::Day, kDaysPerWeek> days2;
    if (CTimetable::Parse(written, title2, days2) != LoadStatus::Ok) {
        std::abort();  // the writer produced a file its own reader refuses
    }
    CTimetable second;
    second.SetTitle(title2);
    for (int day = 0; day < kDaysPerWeek; ++day) {
        *second.GetDay(day) = days2[static_cast<std::size_t>(day)];
    }
    if (second.Serialize() != written) {
        std::abort();  // a second round trip changed the file
    }
    return 0;
}
