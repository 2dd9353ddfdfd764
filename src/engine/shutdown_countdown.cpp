#include "engine/shutdown_countdown.h"

#include <climits>
#include <string>

#include "engine/engine_texts.h"
#include "schedule/records.h"

namespace engine {

namespace {

using schedule::kSecondsPerMinute;
}  // namespace

void CShutdownCountdown::Tick(int delaySeconds, bool mayPowerOff) {
    if (!m_bCounting) {
        m_bCounting = true;
        m_nCount = 0;
        m_nAskedAt = -1;
    }
    if (m_nCount < INT_MAX) {
        ++m_nCount;
    }
    if (m_nCount > delaySeconds && mayPowerOff) {
        PowerOffWhenDue();
    }
    const int left = delaySeconds - m_nCount;
    if (left >= 0) {
        m_Host.SetStatusText(texts::FormatText(
            texts::kShutdownCountdown,
            {std::to_string(left / kSecondsPerMinute), std::to_string(left % kSecondsPerMinute)}));
    }
}

void CShutdownCountdown::PowerOffWhenDue() {
    if (m_nAskedAt >= 0) {
        const platform::PowerOffState state = m_Power.PowerOffStatus();
        if (state == platform::PowerOffState::Pending) {
            return;
        }
        // One notice for a run of refusals, gone once a request is accepted.
        const bool refused = state == platform::PowerOffState::Refused;
        if (refused != m_bRefusalShown) {
            m_Host.ShowNotice(refused ? texts::kPowerOffRefused : std::string());
            m_bRefusalShown = refused;
        }
        if (m_nCount - m_nAskedAt < kPowerOffRetrySeconds) {
            return;
        }
    }
    RequestPowerOff();
    m_nAskedAt = m_nCount;
}

void CShutdownCountdown::End() {
    m_Host.SetStatusText(std::string());
    m_bCounting = false;
    ClearNotice();
}

void CShutdownCountdown::ClearNotice() {
    if (m_bRefusalShown) {
        m_Host.ShowNotice(std::string());
        m_bRefusalShown = false;
    }
}

}  // namespace engine
