#include "remote/request_limit.h"

#include <sys/socket.h>

#include <QList>
#include <QTcpSocket>
#include <QTimer>
#include <memory>

namespace remote {

namespace {

// How long a refused connection is drained before it is dropped.
constexpr int kLingerMs = 2000;
constexpr const char kRefusal[] =
    "HTTP/1.1 413 Payload Too Large\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";

}  // namespace

bool CRequestLimit::Accept(const QByteArray& bytes) {
    qsizetype at = 0;
    while (!m_bRefused && at < bytes.size()) {
        if (m_nBodyLeft > 0) {
            const qint64 take = std::min<qint64>(m_nBodyLeft, bytes.size() - at);
            m_nBodyLeft -= take;
            at += static_cast<qsizetype>(take);
            continue;
        }
        // Only the part up to the header's end is taken now; the rest is its body or the
        // next request.
        const qsizetype before = m_Header.size();
        m_Header += bytes.mid(at);
        const qsizetype end = m_Header.indexOf("\r\n\r\n");
        if (end < 0) {
            m_bRefused = m_Header.size() > kMaxHeaderBytes;
            break;
        }
        const QByteArray header = m_Header.left(end + 4);
        at += header.size() - before;
        m_Header.clear();
        m_bRefused = header.size() > kMaxHeaderBytes || !TakeHeader(header);
    }
    return !m_bRefused;
}

bool CRequestLimit::TakeHeader(const QByteArray& header) {
    const QList<QByteArray> lines = header.split('\n');
    for (const QByteArray& line : lines) {
        const qsizetype colon = line.indexOf(':');
        if (colon < 0) {
            continue;
        }
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "transfer-encoding") {
            return false;
        }
        if (name == "content-length") {
            bool ok = false;
            const qint64 length = value.toLongLong(&ok);
            if (!ok || length < 0 || length > kMaxBodyBytes) {
                return false;
            }
            m_nBodyLeft = length;
        }
    }
    return true;
}

void CLimitedTcpServer::incomingConnection(qintptr descriptor) {
    auto* socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    // Connected before the HTTP server's own handler, so it sees every byte first.
    auto limit = std::make_shared<CRequestLimit>();
    auto refused = std::make_shared<bool>(false);
    connect(socket, &QTcpSocket::readyRead, socket, [socket, limit, refused] {
        if (*refused) {
            socket->readAll();
            return;
        }
        if (!limit->Accept(socket->peek(socket->bytesAvailable()))) {
            *refused = true;
            socket->readAll();
            socket->write(kRefusal, sizeof kRefusal - 1);
            socket->flush();
            if (socket->bytesToWrite() > 0) {
                socket->disconnectFromHost();
                return;
            }
            // The client may still be sending the body: closing now would answer its
            // bytes with a reset that can wipe out the refusal before it is read. Only
            // our side is closed; what still comes is read and dropped until the client
            // closes too, or for a short while at most.
            ::shutdown(static_cast<int>(socket->socketDescriptor()), SHUT_WR);
            QTimer::singleShot(kLingerMs, socket, [socket] { socket->abort(); });
        }
    });
    addPendingConnection(socket);
}

}  // namespace remote
