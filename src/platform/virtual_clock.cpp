#include "platform/virtual_clock.h"

#include <cstdio>

namespace platform {

namespace {

constexpr std::int64_t kMsPerSecond = 1000;
constexpr std::int64_t kMsPerDay = 86400 * kMsPerSecond;

// Days between 1970-01-01 and the date in the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0));
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0 && (a < 0) != (b < 0)) ? 1 : 0);
}

}  // namespace

std::int64_t CalendarMilliseconds(const LocalTime& time) {
    const std::int64_t days = DaysFromCivil(time.year, static_cast<unsigned>(time.month),
                                            static_cast<unsigned>(time.day));
    return days * kMsPerDay +
           (static_cast<std::int64_t>(time.SecondsSinceMidnight())) * kMsPerSecond +
           time.millisecond;
}

std::int64_t VirtualClock::ToMilliseconds(const LocalTime& time) {
    return CalendarMilliseconds(time);
}

LocalTime VirtualClock::FromMilliseconds(std::int64_t ms) {
    const std::int64_t days = FloorDiv(ms, kMsPerDay);
    const std::int64_t inDay = ms - days * kMsPerDay;
    LocalTime t;
    CivilFromDays(days, t.year, t.month, t.day);
    const auto seconds = static_cast<int>(inDay / kMsPerSecond);
    t.hour = seconds / 3600;
    t.minute = seconds / 60 % 60;
    t.second = seconds % 60;
    t.millisecond = static_cast<int>(inDay % kMsPerSecond);
    // 1970-01-01 was a Thursday.
    t.weekday = static_cast<int>(((days % 7) + 7 + 4) % 7);
    return t;
}

std::optional<LocalTime> VirtualClock::Parse(const std::string& text) {
    LocalTime t;
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%n", &t.year, &t.month, &t.day, &t.hour,
                    &t.minute, &t.second, &consumed) != 6 ||
        static_cast<std::size_t>(consumed) != text.size()) {
        return std::nullopt;
    }
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.hour > 23 || t.minute > 59 || t.second > 59 ||
        t.hour < 0 || t.minute < 0 || t.second < 0) {
        return std::nullopt;
    }
    // A day that does not exist in its month (2026-02-30) would silently roll over.
    const LocalTime normalised = FromMilliseconds(ToMilliseconds(t));
    if (normalised.day != t.day || normalised.month != t.month) {
        return std::nullopt;
    }
    return normalised;
}

std::string VirtualClock::Format(const LocalTime& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", time.year, time.month,
                  time.day, time.hour, time.minute, time.second);
    return text;
}

}  // namespace platform
