#pragma once
// The local wall clock. The program reads it on every tick; tests and the simulator
// use a virtual clock instead.

#include <cstdint>

namespace platform {

struct LocalTime {
    int year = 1970;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    int weekday = 4;  // 0 = Sunday .. 6 = Saturday

    int SecondsSinceMidnight() const { return hour * 3600 + minute * 60 + second; }
};

// Milliseconds since 1970-01-01 00:00:00 of the local calendar (no time zone): the
// distance between two readings, or a seed that changes once a second.
std::int64_t CalendarMilliseconds(const LocalTime& time);

class Clock {
public:
    virtual ~Clock() = default;
    virtual LocalTime Now() const = 0;
    // Whether this is the computer's own wall clock, which the system can wake a
    // program on and tell of being set.
    virtual bool IsSystemClock() const { return false; }
};

}  // namespace platform
