#pragma once

#include "web/connection_guard.h"
#include "web/live_feed.h"
#include "web/web_access.h"
#include "web/web_reply.h"

#include <QAbstractHttpServer>

namespace zeltar {

class WebApi;

// The web view's HTTP server: Qt HttpServer reads the requests; this routes them to the
// pages, the API and the live feed, lets in only whom the access allows, and sends every
// answer with the headers that keep it out of frames and stop browsers from guessing types.
class WebServer : public QAbstractHttpServer
{
    Q_OBJECT
public:
    WebServer(WebApi &api, const WebSettings &settings, QObject *parent = nullptr);

    // Listens on Bind:Port (port 0: any free one); false with the reason in error.
    bool start(QString *error);
    quint16 port() const { return m_port; }

    ConnectionGuard &guard() { return m_guard; }
    LiveFeed &feed() { return m_feed; }

protected:
    bool handleRequest(const QHttpServerRequest &request, QTcpSocket *socket) override;
    void missingHandler(const QHttpServerRequest &request, QTcpSocket *socket) override;

private:
    WebReply route(const QHttpServerRequest &request, WebAccess::Visitor &visitor);
    WebReply api(const QHttpServerRequest &request, const QStringList &path,
                 WebAccess::Visitor &visitor);
    bool openStream(const QHttpServerRequest &request, QTcpSocket *socket);
    void write(const QHttpServerRequest &request, QTcpSocket *socket, const WebReply &reply);

    WebApi &m_api;
    WebSettings m_settings;
    WebAccess m_access;
    ConnectionGuard m_guard;
    LiveFeed m_feed;
    quint16 m_port = 0;
};

} // namespace zeltar
