#include "platform/timedated_clock_sync.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QFileInfo>

namespace platform {

namespace {

constexpr const char* kService = "org.freedesktop.timedate1";
constexpr const char* kPath = "/org/freedesktop/timedate1";
constexpr const char* kProperties = "org.freedesktop.DBus.Properties";
constexpr const char* kProperty = "NTPSynchronized";
// A timedated that does not answer by then cannot tell.
constexpr int kCallTimeoutMs = 10000;
constexpr const char* kSystemBusSocket = "/run/dbus/system_bus_socket";

// Whether a system bus can be there at all: without one (a container, a minimal
// system) nothing of D-Bus is started just to learn that.
bool SystemBusExpected() {
    return qEnvironmentVariableIsSet("DBUS_SYSTEM_BUS_ADDRESS") ||
           QFileInfo::exists(QString::fromLatin1(kSystemBusSocket));
}

}  // namespace

void TimedatedClockSync::Ask(std::function<void(ClockSyncState)> answer) {
    if (!SystemBusExpected()) {
        answer(ClockSyncState::Unknown);
        return;
    }
    QDBusConnection bus = QDBusConnection::systemBus();
    if (!bus.isConnected()) {
        answer(ClockSyncState::Unknown);
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kProperties, QStringLiteral("Get"));
    call << QString::fromLatin1(kService) << QString::fromLatin1(kProperty);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, kCallTimeoutMs), &m_Calls);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [answer = std::move(answer)](QDBusPendingCallWatcher* done) {
                         const QDBusPendingReply<QDBusVariant> reply = *done;
                         done->deleteLater();
                         if (reply.isError()) {
                             answer(ClockSyncState::Unknown);
                             return;
                         }
                         answer(reply.value().variant().toBool() ? ClockSyncState::Synchronised
                                                                 : ClockSyncState::NotSynchronised);
                     });
}

}  // namespace platform
