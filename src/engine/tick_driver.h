#pragma once
// Calls the scheduler tick just after every wall-clock second boundary. A precise
// single-shot timer is armed afresh from the clock's milliseconds for each second, so the
// ticks never drift, and every tick reads the wall clock itself, so suspend and clock
// changes cost at most one second. The timer is re-armed before the tick runs, so ticks
// keep coming while a tick waits for an external program with the event loop running.

#include <QTimer>
#include <cstdint>
#include <functional>

#include "platform/clock.h"

namespace engine {

// How long after the boundary the timer fires, so the tick surely sees the new second.
inline constexpr int kTickMarginMs = 1;

class CTickDriver {
public:
    CTickDriver(platform::Clock& clock, std::function<void()> tick);
    CTickDriver(const CTickDriver&) = delete;
    CTickDriver& operator=(const CTickDriver&) = delete;

    void Start();
    void Stop();
    bool IsRunning() const { return m_bRunning; }

private:
    void Arm();
    void OnTimer();

    platform::Clock& m_Clock;
    std::function<void()> m_Tick;
    QTimer m_Timer;
    bool m_bRunning = false;
    bool m_bTicked = false;
    std::int64_t m_nLastSecond = 0;
};

}  // namespace engine
