#include "platform/logind_power_control.h"

#include <QDBusConnection>
#include <QDBusMessage>

#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {

constexpr const char* kLogindService = "org.freedesktop.login1";
constexpr const char* kLogindPath = "/org/freedesktop/login1";
constexpr const char* kLogindManager = "org.freedesktop.login1.Manager";
constexpr int kCallTimeoutMs = 5000;

}  // namespace

bool LogindPowerControl::PowerOff() {
    if (std::getenv(kNoPowerOffVariable) != nullptr) {
        if (!m_bRefusalReported) {
            std::fprintf(stderr, "qelt: power-off requested but not done (%s is set)\n",
                         kNoPowerOffVariable);
            m_bRefusalReported = true;
        }
        return false;
    }

    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        return false;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(kLogindService, kLogindPath, kLogindManager,
                                                       QStringLiteral("PowerOff"));
    // Not interactive: logind must not wait for a password prompt nobody answers.
    call << false;
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage;
}

}  // namespace platform
