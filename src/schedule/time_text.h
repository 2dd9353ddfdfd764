#pragma once
// Seconds written as a clock reading, the way every window, log and tool shows them.

#include <cstdint>
#include <string>

namespace schedule {

// "HH:MM:SS" for seconds since midnight or a length in seconds (hours go past 23).
std::string FormatTimeOfDay(std::int32_t seconds);

}  // namespace schedule
