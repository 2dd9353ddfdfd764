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
const char kActivateCommand[] = "activate";
const char kTaken[] = "ok";
// A request is one line; a longer one is not read.
constexpr qint64 kMaxRequestBytes = 8192;

bool PeerIsThisUser(qintptr descriptor) {
    return SingleInstance::PeerIsUser(descriptor, ::geteuid());
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

bool SingleInstance::PeerIsUser(qintptr descriptor, uid_t uid) {
    struct ucred peer {};
    socklen_t length = sizeof peer;
    return descriptor >= 0 &&
           ::getsockopt(static_cast<int>(descriptor), SOL_SOCKET, SO_PEERCRED, &peer, &length) ==
               0 &&
           length == sizeof peer && peer.uid == uid;
}

QString SingleInstance::SocketPathFor(const QString& name) {
    const QString folder = SafeFolder();
    return folder.isEmpty()
               ? QString()
               : folder + QLatin1Char('/') + name + QLatin1Char('-') + QString::number(::getuid());
}

SingleInstance::RequestResult SingleInstance::SendRequest(const QString& name,
                                                          const QString& command,
                                                          const QString& argument, int timeoutMs) {
    const QString path = SocketPathFor(name);
    if (path.isEmpty()) {
        return RequestResult::NoCopy;
    }
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(kConnectTimeoutMs) || !PeerIsThisUser(socket.socketDescriptor())) {
        return RequestResult::NoCopy;
    }
    QByteArray line = command.toUtf8();
    if (!argument.isEmpty()) {
        line += '\t' + argument.toUtf8();
    }
    line += '\n';
    socket.write(line);
    if (!socket.waitForBytesWritten(timeoutMs)) {
        return RequestResult::NoCopy;
    }
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs)) {
            return RequestResult::NoCopy;
        }
    }
    return socket.readLine().trimmed() == kTaken ? RequestResult::Taken : RequestResult::Refused;
}

bool SingleInstance::Answers(const QString& name) {
    const QString path = SocketPathFor(name);
    if (path.isEmpty()) {
        return false;
    }
    QLocalSocket socket;
    socket.connectToServer(path);
    return socket.waitForConnected(kConnectTimeoutMs) && PeerIsThisUser(socket.socketDescriptor());
}

QStringList SingleInstance::RunningNames(const QString& prefix) {
    const QString folder = SafeFolder();
    if (folder.isEmpty()) {
        return {};
    }
    const QString suffix = QLatin1Char('-') + QString::number(::getuid());
    QStringList names;
    const QStringList entries = QDir(folder).entryList({prefix + QLatin1Char('*') + suffix},
                                                       QDir::System | QDir::NoDotAndDotDot);
    for (const QString& entry : entries) {
        names << entry.chopped(suffix.size());
    }
    return names;
}

bool SingleInstance::IsPrivateFolder(const QString& folder) {
    struct stat info {};
    return ::lstat(QFile::encodeName(folder).constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::geteuid() && (info.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

SingleInstance::SingleInstance(const QString& name, QObject* parent)
    : QObject(parent), m_strPath(SocketPathFor(name)) {
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
        // One line per connection: "activate", or a request answered "ok" or "refused".
        connect(client, &QLocalSocket::readyRead, this, [this, client] {
            if (!client->canReadLine()) {
                if (client->bytesAvailable() > kMaxRequestBytes) {
                    client->abort();
                }
                return;
            }
            const QByteArray line = client->readLine(kMaxRequestBytes).trimmed();
            const qsizetype tab = line.indexOf('\t');
            const QString command = QString::fromUtf8(tab < 0 ? line : line.left(tab));
            const QString argument = tab < 0 ? QString() : QString::fromUtf8(line.mid(tab + 1));
            if (command == QLatin1String(kActivateCommand)) {
                emit activationRequested();
                return;
            }
            const bool taken = m_Handler && m_Handler(command, argument);
            client->write(taken ? "ok\n" : "refused\n");
            client->flush();
        });
    }
}

}  // namespace platform
