#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QTcpSocket;

namespace zeltar {

// The browsers that follow the station live over server-sent events: each poll and alarm
// change goes to every one of them as an event. A client that does not read what it is sent
// (more than MaxBacklog bytes waiting) is dropped rather than buffered without end; a
// comment every KeepAliveMs keeps idle connections through proxies and finds dead ones.
class LiveFeed : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxClients = 64;
    static constexpr qint64 MaxBacklog = 256 * 1024;
    static constexpr int KeepAliveMs = 15000;

    explicit LiveFeed(QObject *parent = nullptr);

    bool full() const { return m_clients.size() >= MaxClients; }
    // Takes a socket whose answer's header has gone out.
    void add(QTcpSocket *socket);
    void send(const QByteArray &event, const QByteArray &data);
    int clients() const { return int(m_clients.size()); }

private:
    void write(const QByteArray &text);

    QList<QPointer<QTcpSocket>> m_clients;
    QTimer m_keepAlive;
};

} // namespace zeltar
