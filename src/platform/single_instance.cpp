#include "platform/single_instance.h"

#include <unistd.h>

#include <QDir>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

namespace platform {

namespace {

constexpr int kConnectTimeoutMs = 1000;
constexpr int kLockTimeoutMs = 5000;
const char kActivate[] = "activate\n";

}  // namespace

SingleInstance::SingleInstance(const QString& name, QObject* parent) : QObject(parent) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) {
        folder = QDir::tempPath();
    }
    m_strPath = folder + QLatin1Char('/') + name + QLatin1Char('-') + QString::number(getuid());
    connect(&m_Server, &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
}

SingleInstance::Claim SingleInstance::ClaimInstance() {
    // Two copies started together must not both see no server and both listen: the check
    // and the listen happen under a lock file (which a crashed holder does not keep).
    QLockFile lock(m_strPath + QStringLiteral(".lock"));
    lock.tryLock(kLockTimeoutMs);

    QLocalSocket socket;
    socket.connectToServer(m_strPath);
    if (socket.waitForConnected(kConnectTimeoutMs)) {
        socket.write(kActivate);
        socket.waitForBytesWritten(kConnectTimeoutMs);
        socket.disconnectFromServer();
        return Claim::OtherCopyRunning;
    }
    // Nobody answers: whatever is left at the path is stale.
    QLocalServer::removeServer(m_strPath);
    m_Server.setSocketOptions(QLocalServer::UserAccessOption);
    return m_Server.listen(m_strPath) ? Claim::Running : Claim::Unavailable;
}

void SingleInstance::OnConnection() {
    while (QLocalSocket* client = m_Server.nextPendingConnection()) {
        connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        connect(client, &QLocalSocket::readyRead, this, [this, client] {
            if (client->readAll().contains("activate")) {
                emit activationRequested();
            }
        });
    }
}

}  // namespace platform
