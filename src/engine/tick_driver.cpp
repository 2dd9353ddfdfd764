#include "engine/tick_driver.h"

#include <utility>

namespace engine {

namespace {

constexpr int kMsPerSecond = 1000;

std::int64_t WholeSeconds(const platform::LocalTime& t) {
    return platform::CalendarMilliseconds(t) / kMsPerSecond;
}

}  // namespace

CTickDriver::CTickDriver(platform::Clock& clock, std::function<void()> tick)
    : m_Clock(clock), m_Tick(std::move(tick)) {
    m_Timer.setSingleShot(true);
    m_Timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_Timer, &QTimer::timeout, [this] { OnTimer(); });
}

void CTickDriver::Start() {
    m_bRunning = true;
    m_bTicked = false;
    Arm();
}

void CTickDriver::Stop() {
    m_bRunning = false;
    m_Timer.stop();
}

void CTickDriver::Arm() {
    const platform::LocalTime now = m_Clock.Now();
    m_Timer.start(kMsPerSecond - now.millisecond + kTickMarginMs);
}

void CTickDriver::OnTimer() {
    if (!m_bRunning) {
        return;
    }
    const std::int64_t second = WholeSeconds(m_Clock.Now());
    // Armed first, so a tick that runs the event loop while it waits gets nested ticks.
    Arm();
    if (m_bTicked && second == m_nLastSecond) {
        return;  // woke before the boundary: this second has had its tick
    }
    m_bTicked = true;
    m_nLastSecond = second;
    if (m_Tick) {
        m_Tick();
    }
}

}  // namespace engine
