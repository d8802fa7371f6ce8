#include "web/live_feed.h"

#include <QTcpSocket>

namespace zeltar {

LiveFeed::LiveFeed(QObject *parent) : QObject(parent)
{
    m_keepAlive.setInterval(KeepAliveMs);
    connect(&m_keepAlive, &QTimer::timeout, this, [this] { write(": \n\n"); });
}

void LiveFeed::add(QTcpSocket *socket)
{
    m_clients.append(socket);
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        m_clients.removeAll(socket);
        if (m_clients.isEmpty())
            m_keepAlive.stop();
    });
    if (!m_keepAlive.isActive())
        m_keepAlive.start();
}

void LiveFeed::send(const QByteArray &event, const QByteArray &data)
{
    if (!m_clients.isEmpty())
        write("event: " + event + "\ndata: " + data + "\n\n");
}

void LiveFeed::write(const QByteArray &text)
{
    m_clients.removeAll(nullptr);
    const QList<QPointer<QTcpSocket>> clients = m_clients;
    for (const QPointer<QTcpSocket> &socket : clients) {
        if (socket->bytesToWrite() > MaxBacklog) {
            m_clients.removeAll(socket);
            socket->abort();
            continue;
        }
        socket->write(text);
    }
}

} // namespace zeltar
