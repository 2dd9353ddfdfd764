#pragma once
// The countdown to the automatic power-off after the day's last item: the status text
// of the seconds left, the request to the system when they are up, and a notice while
// the system refuses it.

#include "engine/engine_host.h"
#include "platform/power_control.h"

namespace engine {

// After a refused or unheeded power-off request, the next one waits this many counting
// ticks, so that a refusing system is not asked every second.
inline constexpr int kPowerOffRetrySeconds = 60;

class CShutdownCountdown {
public:
    CShutdownCountdown(IEngineHost& host, platform::PowerControl& power)
        : m_Host(host), m_Power(power) {}

    bool IsCounting() const { return m_bCounting; }
    // The seconds counted so far.
    int Count() const { return m_nCount; }

    // One second of the countdown to delaySeconds; the power-off is asked only when
    // mayPowerOff.
    void Tick(int delaySeconds, bool mayPowerOff);
    // Ends the countdown: its text and any refusal notice go.
    void End();
    // Takes away the notice of a refused power-off, if it shows.
    void ClearNotice();
    // Sends the power-off request; its answer is read on later counting ticks.
    void RequestPowerOff() { m_Power.RequestPowerOff(); }

private:
    // Reads the answer to the last power-off request and asks again when it is time.
    void PowerOffWhenDue();

    IEngineHost& m_Host;
    platform::PowerControl& m_Power;
    bool m_bCounting = false;
    int m_nCount = 0;
    // The count at which this countdown last asked for the power-off, or -1.
    int m_nAskedAt = -1;
    // The refusal of this countdown's requests is shown as a notice.
    bool m_bRefusalShown = false;
};

}  // namespace engine
