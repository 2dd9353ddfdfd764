// The real power control must never act while QELT_NO_POWEROFF is set.

#include "platform/logind_power_control.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

int CountOccurrences(const std::string& text, const std::string& part) {
    int count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos;
         at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

TEST(LogindPowerControlTest, RefusesWhileNoPowerOffIsSet) {
    // The test environment sets the variable already; make sure of it before any call.
    setenv(platform::kNoPowerOffVariable, "1", 0);
    ASSERT_NE(std::getenv(platform::kNoPowerOffVariable), nullptr);

    platform::LogindPowerControl power;
    EXPECT_EQ(power.PowerOffStatus(), platform::PowerOffState::None);
    testing::internal::CaptureStderr();
    power.RequestPowerOff();
    EXPECT_EQ(power.PowerOffStatus(), platform::PowerOffState::Refused);
    power.RequestPowerOff();
    // Set but empty still counts as set.
    setenv(platform::kNoPowerOffVariable, "", 1);
    power.RequestPowerOff();
    EXPECT_EQ(power.PowerOffStatus(), platform::PowerOffState::Refused);
    setenv(platform::kNoPowerOffVariable, "1", 1);
    const std::string reported = testing::internal::GetCapturedStderr();

    // The refusal is reported, but only once however often the countdown retries.
    EXPECT_EQ(CountOccurrences(reported, "QELT_NO_POWEROFF"), 1) << reported;
}

}  // namespace
