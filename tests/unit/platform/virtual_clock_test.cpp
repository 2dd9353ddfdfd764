// The virtual clock's calendar: weekdays, month and year ends, parsing.

#include "platform/virtual_clock.h"

#include <gtest/gtest.h>

namespace {

using platform::VirtualClock;

TEST(VirtualClockTest, CalendarArithmeticAndWeekdays) {
    VirtualClock clock(*VirtualClock::Parse("2026-12-07 23:59:59"));
    EXPECT_EQ(clock.Now().weekday, 1);  // a Monday
    clock.Advance(1000);
    EXPECT_EQ(VirtualClock::Format(clock.Now()), "2026-12-08 00:00:00");
    EXPECT_EQ(clock.Now().weekday, 2);

    clock.Set(*VirtualClock::Parse("2024-02-28 12:00:00"));
    clock.Advance(24LL * 3600 * 1000);
    EXPECT_EQ(VirtualClock::Format(clock.Now()), "2024-02-29 12:00:00") << "leap day";
    clock.Set(*VirtualClock::Parse("2026-12-31 23:59:59"));
    clock.Advance(1500);
    EXPECT_EQ(VirtualClock::Format(clock.Now()), "2027-01-01 00:00:00");
    EXPECT_EQ(clock.Now().millisecond, 500);
    EXPECT_EQ(clock.Now().weekday, 5);  // a Friday

    // Before 1970 the weekday and time of day stay right.
    const platform::LocalTime early = *VirtualClock::Parse("1969-12-31 23:00:00");
    EXPECT_EQ(early.weekday, 3);
    EXPECT_EQ(
        VirtualClock::Format(VirtualClock::FromMilliseconds(VirtualClock::ToMilliseconds(early))),
        "1969-12-31 23:00:00");
}

TEST(VirtualClockTest, ParseAcceptsOnlyRealTimes) {
    EXPECT_TRUE(VirtualClock::Parse("2026-01-05 08:00:00").has_value());
    for (const char* bad : {"2026-02-30 08:00:00", "2026-13-01 08:00:00", "2026-01-05 24:00:00",
                            "2026-01-05 08:60:00", "2026-01-05", "2026-01-05 08:00:00x", ""}) {
        EXPECT_FALSE(VirtualClock::Parse(bad).has_value()) << bad;
    }
}

}  // namespace
