#pragma once
// What wakes the scheduler tick: once at the next wall-clock second, and at once when
// the system clock is set. The program wakes on a timerfd on CLOCK_REALTIME (an absolute
// expiry cancelled by a clock set); a clock of another kind, or a system without
// timerfd, wakes on a precise timer from the clock's own milliseconds; tests drive a
// source of their own.

#include <QSocketNotifier>
#include <QTimer>
#include <functional>
#include <memory>

#include "platform/clock.h"

namespace engine {

class IWakeSource {
public:
    virtual ~IWakeSource() = default;

    // Wakes once, on the next wall-clock second.
    virtual void ArmNextSecond() = 0;
    virtual void Cancel() = 0;
    // Whether a clock set is reported (else the tick judges one from the gap).
    virtual bool ReportsClockSets() const = 0;

    // Called when it wakes; clockSet when the wall clock was set since it was armed.
    void SetHandler(std::function<void(bool clockSet)> handler) { m_Handler = std::move(handler); }

protected:
    void Wake(bool clockSet) {
        if (m_Handler) {
            m_Handler(clockSet);
        }
    }

private:
    std::function<void(bool)> m_Handler;
};

// A precise single-shot timer armed from the clock's milliseconds.
class CTimerWake : public IWakeSource {
public:
    explicit CTimerWake(const platform::Clock& clock);
    void ArmNextSecond() override;
    void Cancel() override { m_Timer.stop(); }
    bool ReportsClockSets() const override { return false; }

private:
    const platform::Clock& m_Clock;
    QTimer m_Timer;
};

// A timerfd on CLOCK_REALTIME with an absolute expiry on the second and
// TFD_TIMER_CANCEL_ON_SET, read through a socket notifier on the event loop.
class CTimerFdWake : public IWakeSource {
public:
    // Null when the system offers no such timer.
    static std::unique_ptr<CTimerFdWake> Create();
    ~CTimerFdWake() override;
    CTimerFdWake(const CTimerFdWake&) = delete;
    CTimerFdWake& operator=(const CTimerFdWake&) = delete;

    void ArmNextSecond() override;
    void Cancel() override;
    bool ReportsClockSets() const override { return true; }

private:
    explicit CTimerFdWake(int fd);
    void OnReadable();

    int m_nFd;
    QSocketNotifier m_Notifier;
};

}  // namespace engine
