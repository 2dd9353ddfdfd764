#pragma once
// The remote page's web server: the page itself at "/" (no token needed to load it), its
// script, and the JSON API under "/api/", where every request carries the token as
// "Authorization: Bearer TOKEN". Wrong tokens are answered 401 and logged, and repeated
// ones from one address are refused for a growing time; bodies above a small limit are
// refused before they are read; no other file is served.

#include <QAbstractHttpServer>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "remote/auth_backoff.h"
#include "remote/remote_api.h"
#include "remote/remote_config.h"

class QHttpServerResponse;

namespace remote {

class CRemoteServer : public QAbstractHttpServer {
public:
    CRemoteServer(session::CBellSession& session,
                  std::function<player::CPlaybackEngine*()> playback, QObject* parent = nullptr);
    ~CRemoteServer() override;

    // Listens on the configuration's address and port (port 0: a free one) with its
    // token; false, with the reason in error, when it cannot.
    bool Listen(const RemoteConfig& config, QString* error);
    // The port listened on (0 when not listening).
    quint16 Port() const { return m_nPort; }

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    QHttpServerResponse Dispatch(const QHttpServerRequest& request);
    QHttpServerResponse Api(const QHttpServerRequest& request, const QString& path);
    bool Authorized(const QHttpServerRequest& request) const;

    session::CBellSession& m_Session;
    CRemoteApi m_Api;
    CAuthBackoff m_Backoff;
    std::string m_strToken;
    quint16 m_nPort = 0;
};

}  // namespace remote
