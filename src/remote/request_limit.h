#pragma once
// Keeps an HTTP connection's requests small before the HTTP server buffers them: it
// follows the bytes as they arrive, reads each request's header, and refuses a request
// whose header is too long, whose declared body is above the limit, or whose body has no
// declared length (chunked). A refused connection is answered 413 and closed, and none of
// its bytes reach the server.

#include <QByteArray>
#include <QTcpServer>

namespace remote {

inline constexpr qint64 kMaxBodyBytes = 4096;
inline constexpr qint64 kMaxHeaderBytes = 16384;

// The request stream of one connection, followed from its first byte.
class CRequestLimit {
public:
    // Takes the bytes that arrived; false once the connection is to be refused.
    bool Accept(const QByteArray& bytes);

private:
    bool TakeHeader(const QByteArray& header);

    QByteArray m_Header;
    qint64 m_nBodyLeft = 0;
    bool m_bRefused = false;
};

// A TCP server whose connections are watched by a CRequestLimit before the HTTP server
// reads them.
class CLimitedTcpServer : public QTcpServer {
public:
    using QTcpServer::QTcpServer;

protected:
    void incomingConnection(qintptr descriptor) override;
};

}  // namespace remote
