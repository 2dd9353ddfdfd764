#include "platform/logind_power_control.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>

#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {

constexpr const char* kLogindService = "org.freedesktop.login1";
constexpr const char* kLogindPath = "/org/freedesktop/login1";
constexpr const char* kLogindManager = "org.freedesktop.login1.Manager";
// An unanswered request counts as refused after this long.
constexpr int kCallTimeoutMs = 25000;

}  // namespace

void LogindPowerControl::RequestPowerOff() {
    if (PowerOffStatus() == PowerOffState::Pending) {
        return;
    }
    if (std::getenv(kNoPowerOffVariable) != nullptr) {
        if (!m_bRefusalReported) {
            std::fprintf(stderr, "qelt: power-off requested but not done (%s is set)\n",
                         kNoPowerOffVariable);
            m_bRefusalReported = true;
        }
        m_State = PowerOffState::Refused;
        return;
    }

    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        std::fprintf(stderr, "qelt: power-off not sent: no system bus\n");
        m_State = PowerOffState::Refused;
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kLogindService, kLogindPath, kLogindManager,
                                                       QStringLiteral("PowerOff"));
    // Not interactive: logind must not wait for a password prompt nobody answers.
    call << false;
    m_Pending = bus.asyncCall(call, kCallTimeoutMs);
    m_State = PowerOffState::Pending;
}

PowerOffState LogindPowerControl::PowerOffStatus() {
    // The reply is delivered by the event loop; until then the call is not finished.
    if (m_Pending && m_Pending->isFinished()) {
        m_State = m_Pending->isError() ? PowerOffState::Refused : PowerOffState::Accepted;
        if (m_State == PowerOffState::Refused) {
            // The system's reason goes to the log; the window only says that it refused.
            std::fprintf(stderr, "qelt: power-off refused: %s\n",
                         qPrintable(m_Pending->error().message()));
        }
        m_Pending.reset();
    }
    return m_State;
}

}  // namespace platform
