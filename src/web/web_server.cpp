#include "web/web_server.h"

#include "web/web_api.h"
#include "web/web_files.h"

#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QJsonObject>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QTcpSocket>

namespace zeltar {

namespace {

using Method = QHttpServerRequest::Method;

// Every answer carries these.
const QList<QPair<QByteArray, QByteArray>> &SecurityHeaders()
{
    static const QList<QPair<QByteArray, QByteArray>> headers = {
        {"X-Frame-Options", "DENY"},
        // The chart library styles its legend with style attributes: inline style is let in,
        // inline script never.
        {"Content-Security-Policy",
         "default-src 'self'; style-src 'self' 'unsafe-inline'; img-src 'self' data:; "
         "object-src 'none'; base-uri 'none'; form-action 'self'; frame-ancestors 'none'"},
        {"X-Content-Type-Options", "nosniff"},
        {"Referrer-Policy", "same-origin"},
        {"Cache-Control", "no-store"},
    };
    return headers;
}

WebReply NotAllowed(const QByteArray &allow)
{
    WebReply reply = WebReply::error(405, QStringLiteral("Метод не разрешён"));
    reply.headers.append({"Allow", allow});
    return reply;
}

WebReply NotFound()
{
    return WebReply::error(404, QStringLiteral("Не найдено"));
}

QJsonObject SessionObject(const WebAccess::Visitor &visitor)
{
    return {{QStringLiteral("user"), visitor.user.isEmpty() ? QJsonValue() : visitor.user},
            {QStringLiteral("csrf"),
             visitor.csrf.isEmpty() ? QJsonValue() : QString::fromLatin1(visitor.csrf)}};
}

bool ReadFile(const QString &path, QByteArray *data)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    *data = file.read(1024 * 1024);
    return true;
}

} // namespace

WebServer::WebServer(WebApi &api, const WebSettings &settings, QObject *parent)
    : QAbstractHttpServer(parent), m_api(api), m_settings(settings), m_access(settings),
      m_guard(this), m_feed(this)
{}

bool WebServer::start(QString *error)
{
    QTcpServer *server = nullptr;
    if (m_settings.tls()) {
        QByteArray certificate, key;
        if (!ReadFile(m_settings.CertFile, &certificate) || !ReadFile(m_settings.KeyFile, &key)) {
            *error = QStringLiteral("не читается сертификат или ключ");
            return false;
        }
        QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
        configuration.setLocalCertificate(QSslCertificate(certificate));
        QSslKey privateKey(key, QSsl::Rsa);
        if (privateKey.isNull())
            privateKey = QSslKey(key, QSsl::Ec);
        configuration.setPrivateKey(privateKey);
        if (configuration.localCertificate().isNull() || privateKey.isNull()) {
            *error = QStringLiteral("сертификат или ключ не в формате PEM");
            return false;
        }
        auto *ssl = new GuardedSslServer(&m_guard, this);
        ssl->setSslConfiguration(configuration);
        server = ssl;
    } else {
        server = new GuardedTcpServer(&m_guard, this);
    }
    if (!server->listen(QHostAddress(m_settings.Bind), quint16(m_settings.Port))) {
        *error = server->errorString();
        delete server;
        return false;
    }
    m_port = server->serverPort();
    bind(server);
    return true;
}

bool WebServer::handleRequest(const QHttpServerRequest &request, QTcpSocket *socket)
{
    m_guard.requestArrived(socket);
    WebAccess::Visitor visitor = m_access.visitor(request);
    if (request.method() == Method::Get &&
        request.url().path() == QLatin1String("/api/v1/events") && m_access.hostAllowed(request) &&
        visitor.viewer) {
        if (openStream(request, socket))
            return true;
    }
    write(request, socket, route(request, visitor));
    m_guard.answered(socket);
    // The server keeps every connection open for the next request; one the client wants
    // closed is closed once the answer has gone out.
    if (request.value("Connection").compare("close", Qt::CaseInsensitive) == 0)
        socket->disconnectFromHost();
    return true;
}

void WebServer::missingHandler(const QHttpServerRequest &request, QTcpSocket *socket)
{
    write(request, socket, NotFound());
}

WebReply WebServer::route(const QHttpServerRequest &request, WebAccess::Visitor &visitor)
{
    if (!m_access.hostAllowed(request))
        return WebReply::error(421, QStringLiteral("Неверное имя сервера"));
    const QString path = request.url().path();
    const Method method = request.method();
    if (path.startsWith(QLatin1String("/api/v1/")))
        return api(request, path.mid(8).split(QLatin1Char('/')), visitor);
    if (path == QLatin1String("/login") && method == Method::Post) {
        if (!m_access.sameOrigin(request))
            return WebReply::error(403, QStringLiteral("Запрос с чужой страницы"));
        return m_access.login(request);
    }
    if (path == QLatin1String("/logout")) {
        if (method != Method::Post)
            return NotAllowed("POST");
        if (!m_access.changeAllowed(request, visitor))
            return WebReply::error(403, QStringLiteral("Запрос с чужой страницы"));
        return m_access.logout(visitor);
    }
    const std::optional<WebFile> file = StaticFile(path);
    if (!file)
        return NotFound();
    if (method != Method::Get && method != Method::Head)
        return NotAllowed(path == QLatin1String("/login") ? "GET, HEAD, POST" : "GET, HEAD");
    if (file->page && !visitor.viewer) {
        WebReply reply;
        reply.status = 303;
        reply.type = "text/plain; charset=utf-8";
        reply.headers.append({QByteArray("Location"), QByteArray("/login")});
        return reply;
    }
    WebReply reply;
    reply.type = file->type;
    reply.body = file->body;
    return reply;
}

WebReply WebServer::api(const QHttpServerRequest &request, const QStringList &path,
                        WebAccess::Visitor &visitor)
{
    const Method method = request.method();
    const QUrlQuery query = request.query();
    // The one change the web may make: acknowledging an alarm.
    if (path.size() == 3 && path.at(0) == QLatin1String("alarms") &&
        path.at(2) == QLatin1String("ack")) {
        if (method != Method::Post)
            return NotAllowed("POST");
        if (visitor.user.isEmpty())
            return WebReply::error(401, QStringLiteral("Нужно войти"));
        if (!m_access.changeAllowed(request, visitor))
            return WebReply::error(403, QStringLiteral("Запрос с чужой страницы"));
        return m_api.acknowledge(path.at(1), visitor.user);
    }
    if (method != Method::Get && method != Method::Head)
        return NotAllowed("GET, HEAD");
    if (path == QStringList{QStringLiteral("status")}) {
        QJsonObject status = m_api.status();
        status.insert(QStringLiteral("session"), SessionObject(visitor));
        status.insert(QStringLiteral("anonymous"), m_settings.Anonymous);
        return WebReply::json(QJsonDocument(status));
    }
    if (!visitor.viewer)
        return WebReply::error(401, QStringLiteral("Нужно войти"));
    if (path == QStringList{QStringLiteral("devices")})
        return m_api.devices();
    if (path.size() == 2 && path.at(0) == QLatin1String("devices"))
        return m_api.device(path.at(1));
    if (path.size() == 3 && path.at(0) == QLatin1String("devices") &&
        path.at(2) == QLatin1String("records"))
        return m_api.records(path.at(1), query);
    if (path == QStringList{QStringLiteral("journal")})
        return m_api.journal(query);
    if (path == QStringList{QStringLiteral("alarms")})
        return m_api.alarms(query);
    if (path == QStringList{QStringLiteral("events")})
        return WebReply::error(503, QStringLiteral("Слишком много подписчиков"));
    return NotFound();
}

bool WebServer::openStream(const QHttpServerRequest &request, QTcpSocket *socket)
{
    if (m_feed.full())
        return false;
    QHttpServerResponder responder = makeResponder(request, socket);
    responder.writeStatusLine(QHttpServerResponder::StatusCode::Ok);
    for (const auto &header : SecurityHeaders())
        responder.writeHeader(header.first, header.second);
    responder.writeHeader("Content-Type", "text/event-stream; charset=utf-8");
    responder.writeBody("retry: 3000\n\n");
    m_guard.streaming(socket);
    m_feed.add(socket);
    return true;
}

void WebServer::write(const QHttpServerRequest &request, QTcpSocket *socket, const WebReply &reply)
{
    QHttpServerResponder responder = makeResponder(request, socket);
    responder.writeStatusLine(QHttpServerResponder::StatusCode(reply.status));
    for (const auto &header : SecurityHeaders())
        responder.writeHeader(header.first, header.second);
    if (m_settings.tls())
        responder.writeHeader("Strict-Transport-Security", "max-age=31536000");
    for (const auto &header : reply.headers)
        responder.writeHeader(header.first, header.second);
    responder.writeHeader("Content-Type", reply.type);
    responder.writeHeader("Content-Length", QByteArray::number(reply.body.size()));
    if (request.method() == Method::Head)
        responder.writeBody(QByteArray());
    else
        responder.writeBody(reply.body);
}

} // namespace zeltar
