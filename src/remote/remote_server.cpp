#include "remote/remote_server.h"

#include <QElapsedTimer>
#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QHttpServerResponse>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpSocket>
#include <QUrlQuery>
#include <utility>

#include "remote/remote_token.h"
#include "remote/request_limit.h"
#include "session/bell_session.h"

namespace remote {

namespace {

using Status = QHttpServerResponder::StatusCode;
using Method = QHttpServerRequest::Method;

constexpr const char* kPageResource = ":/remote/remote.html";
constexpr const char* kScriptResource = ":/remote/remote.js";
constexpr const char* kDeniedKind = "remote-denied";
constexpr const char* kBearer = "Bearer ";
// The longest index a play request names (the stores hold far fewer).
constexpr int kMaxIndexDigits = 6;
constexpr qint64 kMillisecondsPerSecond = 1000;

// The page and its script only, from this server alone: no other script, frame or form
// target, and nothing the page is embedded in.
constexpr const char* kPagePolicy =
    "default-src 'none'; script-src 'self'; style-src 'unsafe-inline'; connect-src 'self'; "
    "img-src 'self' data:; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";

QElapsedTimer& Monotonic() {
    static QElapsedTimer timer = [] {
        QElapsedTimer started;
        started.start();
        return started;
    }();
    return timer;
}

void AddCommonHeaders(QHttpServerResponse& response) {
    response.setHeader("Cache-Control", "no-store");
    response.setHeader("X-Content-Type-Options", "nosniff");
    response.setHeader("Referrer-Policy", "no-referrer");
    response.setHeader("X-Frame-Options", "DENY");
}

QHttpServerResponse Json(const QJsonObject& body, Status status = Status::Ok) {
    QHttpServerResponse response("application/json; charset=utf-8",
                                 QJsonDocument(body).toJson(QJsonDocument::Compact), status);
    return response;
}

QHttpServerResponse Message(Status status, const char* message) {
    return Json(QJsonObject{{"ok", false}, {"message", QString::fromUtf8(message)}}, status);
}

QHttpServerResponse Resource(const char* path, const char* mimeType) {
    QFile file(QString::fromUtf8(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return QHttpServerResponse(Status::InternalServerError);
    }
    QHttpServerResponse response(mimeType, file.readAll());
    response.setHeader("Content-Security-Policy", kPagePolicy);
    return response;
}

// A whole number of at most kMaxIndexDigits digits, or -1.
int ParseIndex(const QString& text) {
    if (text.isEmpty() || text.size() > kMaxIndexDigits) {
        return -1;
    }
    for (const QChar c : text) {
        if (!c.isDigit() || c.unicode() > '9') {
            return -1;
        }
    }
    return text.toInt();
}

}  // namespace

CRemoteServer::CRemoteServer(session::CBellSession& session,
                             std::function<player::CPlaybackEngine*()> playback, QObject* parent)
    : QAbstractHttpServer(parent), m_Session(session), m_Api(session, std::move(playback)) {
    Monotonic();
}

CRemoteServer::~CRemoteServer() = default;

bool CRemoteServer::Listen(const RemoteConfig& config, QString* error) {
    QHostAddress address;
    if (!address.setAddress(QString::fromStdString(config.address))) {
        if (error != nullptr) {
            *error = QStringLiteral("地址无效：%1").arg(QString::fromStdString(config.address));
        }
        return false;
    }
    if (config.token.empty()) {
        if (error != nullptr) {
            *error = QStringLiteral("没有令牌");
        }
        return false;
    }
    auto* server = new CLimitedTcpServer(this);
    if (!server->listen(address, static_cast<quint16>(config.port))) {
        if (error != nullptr) {
            *error = server->errorString();
        }
        delete server;
        return false;
    }
    m_strToken = config.token;
    m_nPort = server->serverPort();
    bind(server);
    return true;
}

bool CRemoteServer::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) {
    QHttpServerResponse response = Dispatch(request);
    AddCommonHeaders(response);
    response.write(makeResponder(request, socket));
    return true;
}

void CRemoteServer::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) {
    QHttpServerResponse response(Status::NotFound);
    AddCommonHeaders(response);
    response.write(makeResponder(request, socket));
}

QHttpServerResponse CRemoteServer::Dispatch(const QHttpServerRequest& request) {
    const QString path = request.url().path();
    if (request.body().size() > kMaxBodyBytes) {
        return QHttpServerResponse(Status::PayloadTooLarge);
    }
    if (path.startsWith(QStringLiteral("/api/"))) {
        return Api(request, path.mid(5));
    }
    if (path == QStringLiteral("/") || path == QStringLiteral("/remote.js")) {
        if (request.method() != Method::Get) {
            return QHttpServerResponse(Status::MethodNotAllowed);
        }
        return path == QStringLiteral("/")
                   ? Resource(kPageResource, "text/html; charset=utf-8")
                   : Resource(kScriptResource, "text/javascript; charset=utf-8");
    }
    return QHttpServerResponse(Status::NotFound);
}

bool CRemoteServer::Authorized(const QHttpServerRequest& request) const {
    const QByteArray header = request.value("Authorization");
    const QByteArray bearer(kBearer);
    const QByteArray given =
        header.startsWith(bearer) ? header.mid(bearer.size()).trimmed() : QByteArray();
    return TokensEqual(m_strToken,
                       std::string_view(given.constData(), static_cast<std::size_t>(given.size())));
}

QHttpServerResponse CRemoteServer::Api(const QHttpServerRequest& request, const QString& path) {
    const std::string client = request.remoteAddress().toString().toStdString();
    const qint64 now = Monotonic().elapsed();
    if (const std::int64_t wait = m_Backoff.RetryAfterMs(client, now); wait > 0) {
        QHttpServerResponse response =
            Message(Status::TooManyRequests, "令牌错误次数过多，请稍后再试");
        response.setHeader("Retry-After", QByteArray::number((wait + kMillisecondsPerSecond - 1) /
                                                             kMillisecondsPerSecond));
        return response;
    }
    if (!Authorized(request)) {
        m_Backoff.RecordFailure(client, now);
        m_Session.Log(kDeniedKind, request.url().path().toStdString() + " from " + client);
        QHttpServerResponse response = Message(Status::Unauthorized, "令牌错误");
        response.setHeader("WWW-Authenticate", "Bearer");
        return response;
    }
    m_Backoff.RecordSuccess(client);

    const bool get = request.method() == Method::Get;
    const bool post = request.method() == Method::Post;
    if (path == QStringLiteral("state") && get) {
        return Json(m_Api.State());
    }
    if (path == QStringLiteral("log") && get) {
        const QString lines = request.query().queryItemValue(QStringLiteral("lines"));
        return Json(m_Api.Log(lines.isEmpty() ? kDefaultLogLines : lines.toInt()));
    }
    if (path == QStringLiteral("emergency") && request.method() == Method::Delete) {
        const ApiReply ended = m_Api.EndEmergency(client);
        return Json(ended.body, static_cast<Status>(ended.status));
    }
    if (!post) {
        return get ? Message(Status::NotFound, "没有这个接口")
                   : Message(Status::MethodNotAllowed, "不支持的请求方法");
    }

    QJsonObject body;
    if (!request.body().trimmed().isEmpty()) {
        QJsonParseError parseError{};
        const QJsonDocument document = QJsonDocument::fromJson(request.body(), &parseError);
        if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
            return Message(Status::BadRequest, "请求内容应为 JSON 对象");
        }
        body = document.object();
    }
    ApiReply reply{404, QJsonObject{{"ok", false}, {"message", QStringLiteral("没有这个接口")}}};
    const QString common = QStringLiteral("play/common/");
    const QString playlist = QStringLiteral("play/playlist/");
    if (path.startsWith(common)) {
        reply = m_Api.PlayCommon(ParseIndex(path.mid(common.size())), client);
    } else if (path.startsWith(playlist)) {
        reply = m_Api.PlayPlaylist(ParseIndex(path.mid(playlist.size())), client);
    } else if (path == QStringLiteral("stop")) {
        reply = m_Api.Stop(client);
    } else if (path == QStringLiteral("autoplay")) {
        reply = m_Api.SetAutoPlay(body, client);
    } else if (path == QStringLiteral("calendar")) {
        reply = m_Api.MarkDay(body, client);
    } else if (path == QStringLiteral("emergency")) {
        reply = m_Api.StartEmergency(body, client);
    }
    return Json(reply.body, static_cast<Status>(reply.status));
}

}  // namespace remote
