#include "schedule/time_text.h"

#include <cstdio>

#include "schedule/records.h"

namespace schedule {

std::string FormatTimeOfDay(std::int32_t seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / kSecondsPerHour,
                  seconds % kSecondsPerHour / kSecondsPerMinute, seconds % kSecondsPerMinute);
    return text;
}

}  // namespace schedule
