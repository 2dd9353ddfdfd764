#include "engine/wake_source.h"

#include <sys/timerfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <ctime>

namespace engine {

namespace {

constexpr int kMsPerSecond = 1000;
// How long after the boundary the precise timer fires, so the tick surely reads the
// new second from a clock that is not the system's own.
constexpr int kTimerMarginMs = 1;
// The timerfd's expiry lies this far past the boundary: the same clock is read, so the
// new second is seen at once.
constexpr long kTimerFdMarginNs = 100'000;

}  // namespace

CTimerWake::CTimerWake(const platform::Clock& clock) : m_Clock(clock) {
    m_Timer.setSingleShot(true);
    m_Timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_Timer, &QTimer::timeout, [this] { Wake(false); });
}

void CTimerWake::ArmNextSecond() {
    m_Timer.start(kMsPerSecond - m_Clock.Now().millisecond + kTimerMarginMs);
}

std::unique_ptr<CTimerFdWake> CTimerFdWake::Create() {
    const int fd = timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    return std::unique_ptr<CTimerFdWake>(new CTimerFdWake(fd));
}

CTimerFdWake::CTimerFdWake(int fd) : m_nFd(fd), m_Notifier(fd, QSocketNotifier::Read) {
    QObject::connect(&m_Notifier, &QSocketNotifier::activated, [this] { OnReadable(); });
}

CTimerFdWake::~CTimerFdWake() {
    m_Notifier.setEnabled(false);
    ::close(m_nFd);
}

void CTimerFdWake::ArmNextSecond() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    itimerspec expiry{};
    expiry.it_value.tv_sec = now.tv_sec + 1;
    expiry.it_value.tv_nsec = kTimerFdMarginNs;
    timerfd_settime(m_nFd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &expiry, nullptr);
}

void CTimerFdWake::Cancel() {
    const itimerspec off{};
    timerfd_settime(m_nFd, 0, &off, nullptr);
}

void CTimerFdWake::OnReadable() {
    std::uint64_t expirations = 0;
    const ssize_t read = ::read(m_nFd, &expirations, sizeof expirations);
    if (read < 0 && errno == ECANCELED) {
        // The clock was set: the tick runs now and reads the new time.
        Wake(true);
        return;
    }
    if (read == static_cast<ssize_t>(sizeof expirations)) {
        Wake(false);
    }
}

}  // namespace engine
