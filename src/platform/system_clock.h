#pragma once
// The computer's local wall clock, read afresh on every call, so suspend, daylight
// saving and manual corrections are seen at the next read.

#include "platform/clock.h"

namespace platform {

class SystemClock : public Clock {
public:
    LocalTime Now() const override;
    bool IsSystemClock() const override { return true; }
};

}  // namespace platform
