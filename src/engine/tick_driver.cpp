#include "engine/tick_driver.h"

#include <utility>

namespace engine {

namespace {

constexpr int kMsPerSecond = 1000;

std::int64_t WholeSeconds(const platform::LocalTime& t) {
    return platform::CalendarMilliseconds(t) / kMsPerSecond;
}

std::unique_ptr<IWakeSource> DefaultSource(const platform::Clock& clock) {
    if (clock.IsSystemClock()) {
        if (std::unique_ptr<CTimerFdWake> timerFd = CTimerFdWake::Create()) {
            return timerFd;
        }
    }
    return std::make_unique<CTimerWake>(clock);
}

}  // namespace

CTickDriver::CTickDriver(platform::Clock& clock, std::function<void()> tick,
                         std::unique_ptr<IWakeSource> source)
    : m_Clock(clock),
      m_Tick(std::move(tick)),
      m_pSource(source ? std::move(source) : DefaultSource(clock)) {
    m_pSource->SetHandler([this](bool clockSet) { OnWake(clockSet); });
}

void CTickDriver::Start() {
    m_bRunning = true;
    m_bTicked = false;
    m_pSource->ArmNextSecond();
}

void CTickDriver::Stop() {
    m_bRunning = false;
    m_pSource->Cancel();
}

void CTickDriver::OnWake(bool clockSet) {
    if (!m_bRunning) {
        return;
    }
    const std::int64_t second = WholeSeconds(m_Clock.Now());
    // Armed first, so a tick that runs the event loop while it waits gets nested ticks.
    m_pSource->ArmNextSecond();
    if (clockSet && m_ClockSet) {
        m_ClockSet();
    }
    if (!clockSet && m_bTicked && second == m_nLastSecond) {
        return;  // woke before the boundary: this second has had its tick
    }
    m_bTicked = true;
    m_nLastSecond = second;
    if (m_Tick) {
        m_Tick();
    }
}

}  // namespace engine
