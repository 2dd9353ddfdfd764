#include "platform/single_instance.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QLockFile>

namespace platform {

namespace {

constexpr int kConnectTimeoutMs = 1000;
constexpr int kLockTimeoutMs = 5000;
constexpr mode_t kPrivateMode = 0700;
const char kActivate[] = "activate\n";

// Whether the process at the other end of a connected local socket runs as this user.
bool PeerIsThisUser(qintptr descriptor) {
    struct ucred peer {};
    socklen_t length = sizeof peer;
    return descriptor >= 0 &&
           ::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &length) ==
               0 &&
           length == sizeof peer && peer.uid == ::geteuid();
}

// The folder for the socket: the runtime folder when it is private, else a folder of our
// own in the temporary folder, made private; empty when neither is.
QString SafeFolder() {
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && SingleInstance::IsPrivateFolder(QString::fromLocal8Bit(runtime))) {
        return QString::fromLocal8Bit(runtime);
    }
    // The temporary folder is shared: the folder is made with no rights for anyone else,
    // and one that someone else made first (or made open) is not used.
    const QString own = QDir::tempPath() + QStringLiteral("/qelt-") + QString::number(::geteuid());
    ::mkdir(QFile::encodeName(own).constData(), kPrivateMode);
    return SingleInstance::IsPrivateFolder(own) ? own : QString();
}

}  // namespace

bool SingleInstance::IsPrivateFolder(const QString& folder) {
    struct stat info {};
    return ::lstat(QFile::encodeName(folder).constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

SingleInstance::SingleInstance(const QString& name, QObject* parent) : QObject(parent) {
    const QString folder = SafeFolder();
    if (!folder.isEmpty()) {
        m_strPath =
            folder + QLatin1Char('/') + name + QLatin1Char('-') + QString::number(::getuid());
    }
    connect(&m_Server, &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
}

SingleInstance::Claim SingleInstance::ClaimInstance() {
    if (m_strPath.isEmpty()) {
        return Claim::Unguarded;
    }
    // Two copies started together must not both see no server and both listen: the check
    // and the listen happen under a lock file (which a crashed holder does not keep).
    QLockFile lock(m_strPath + QStringLiteral(".lock"));
    lock.tryLock(kLockTimeoutMs);

    QLocalSocket socket;
    socket.connectToServer(m_strPath);
    if (socket.waitForConnected(kConnectTimeoutMs)) {
        // Only a copy of this user is believed; a listener of someone else is left alone
        // and this copy runs without the guard.
        if (!PeerIsThisUser(socket.socketDescriptor())) {
            socket.abort();
            return Claim::Unguarded;
        }
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
        if (!PeerIsThisUser(client->socketDescriptor())) {
            client->abort();
            continue;
        }
        connect(client, &QLocalSocket::readyRead, this, [this, client] {
            if (client->readAll().contains("activate")) {
                emit activationRequested();
            }
        });
    }
}

}  // namespace platform
