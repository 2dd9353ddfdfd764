#pragma once
// Calls the scheduler tick on every wall-clock second. A wake source is armed afresh for
// each second, so the ticks never drift, and every tick reads the wall clock itself, so
// suspend costs at most one second and a clock set is seen at once. The source is
// re-armed before the tick runs, so ticks keep coming while a tick waits for an external
// program with the event loop running.

#include <cstdint>
#include <functional>
#include <memory>

#include "engine/wake_source.h"
#include "platform/clock.h"

namespace engine {

class CTickDriver {
public:
    // source: what wakes the ticks; none: a timerfd on the system's clock when clock is
    // the system's own and one can be had, else a timer on clock.
    CTickDriver(platform::Clock& clock, std::function<void()> tick,
                std::unique_ptr<IWakeSource> source = nullptr);
    CTickDriver(const CTickDriver&) = delete;
    CTickDriver& operator=(const CTickDriver&) = delete;

    // Told when the wall clock was set, before the tick that follows it.
    void SetClockSetHandler(std::function<void()> handler) { m_ClockSet = std::move(handler); }
    // Whether clock sets are told (else only a gap between ticks can show one).
    bool ReportsClockSets() const { return m_pSource->ReportsClockSets(); }

    void Start();
    void Stop();
    bool IsRunning() const { return m_bRunning; }

private:
    void OnWake(bool clockSet);

    platform::Clock& m_Clock;
    std::function<void()> m_Tick;
    std::function<void()> m_ClockSet;
    std::unique_ptr<IWakeSource> m_pSource;
    bool m_bRunning = false;
    bool m_bTicked = false;
    std::int64_t m_nLastSecond = 0;
};

}  // namespace engine
