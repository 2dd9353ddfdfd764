#pragma once
// A local clock that moves only when told to: the unit tests and `qelt-tool simulate`
// drive the engine with it, so whole days pass without sleeping.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/clock.h"

namespace platform {

class VirtualClock : public Clock {
public:
    VirtualClock() = default;
    explicit VirtualClock(const LocalTime& start) { Set(start); }

    LocalTime Now() const override { return FromMilliseconds(m_nNowMs); }

    // Sets the clock to a calendar time (its weekday is computed, not taken).
    void Set(const LocalTime& time) { m_nNowMs = ToMilliseconds(time); }
    void SetMilliseconds(std::int64_t ms) { m_nNowMs = ms; }
    void Advance(std::int64_t ms) { m_nNowMs += ms; }
    std::int64_t Milliseconds() const { return m_nNowMs; }

    // Milliseconds since 1970-01-01 00:00:00 of the local calendar (no time zone).
    static std::int64_t ToMilliseconds(const LocalTime& time);
    static LocalTime FromMilliseconds(std::int64_t ms);

    // "YYYY-MM-DD HH:MM:SS"; nothing when the text is not such a valid time.
    static std::optional<LocalTime> Parse(const std::string& text);
    static std::string Format(const LocalTime& time);

private:
    std::int64_t m_nNowMs = 0;
};

}  // namespace platform
