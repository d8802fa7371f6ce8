#include "web/connection_guard.h"

#include <QTcpSocket>
#include <QTimer>

namespace zeltar {

namespace {

// The answers written when the guard drops a client. They are whole, fixed answers; the
// requests themselves are only ever read by the HTTP server.
const QByteArray TimeoutAnswer = "HTTP/1.1 408 Request Timeout\r\nConnection: close\r\n"
                                 "Content-Length: 0\r\n\r\n";
const QByteArray TooLargeAnswer = "HTTP/1.1 413 Payload Too Large\r\nConnection: close\r\n"
                                  "Content-Length: 0\r\n\r\n";

// Writes the answer and closes; a client that does not take it is cut off a moment later.
void Drop(QTcpSocket *socket, const QByteArray &answer)
{
    socket->readAll();
    socket->write(answer);
    socket->disconnectFromHost();
    QPointer<QTcpSocket> alive(socket);
    QTimer::singleShot(2000, socket, [alive] {
        if (alive)
            alive->abort();
    });
}

} // namespace

// What the guard keeps of one connection; a child of its socket, so it goes with it.
class ConnectionGuard::Watch : public QObject
{
public:
    explicit Watch(QTcpSocket *socket) : QObject(socket)
    {
        setObjectName(QStringLiteral("zeltar-connection-watch"));
        timer.setSingleShot(true);
    }

    QTimer timer;
    qint64 received = 0;
    bool counting = true; // bytes count toward the request's limit
    bool dropped = false;
};

ConnectionGuard::ConnectionGuard(QObject *parent) : QObject(parent) {}

ConnectionGuard::Watch *ConnectionGuard::watchOf(QTcpSocket *socket) const
{
    return socket->findChild<Watch *>(QStringLiteral("zeltar-connection-watch"),
                                      Qt::FindDirectChildrenOnly);
}

bool ConnectionGuard::admit(QTcpSocket *socket)
{
    if (m_connections >= MaxConnections) {
        socket->abort();
        socket->deleteLater();
        return false;
    }
    ++m_connections;
    auto *watch = new Watch(socket);
    connect(socket, &QObject::destroyed, this, [this] { --m_connections; });
    connect(&watch->timer, &QTimer::timeout, socket, [socket, watch] {
        watch->dropped = true;
        Drop(socket, TimeoutAnswer);
    });
    // Connected before the server's own handler, so it sees every byte before it is read.
    connect(socket, &QTcpSocket::readyRead, watch, [socket, watch] {
        if (watch->dropped) {
            socket->readAll();
            return;
        }
        watch->received += socket->bytesAvailable();
        if (watch->received > MaxRequestBytes) {
            watch->dropped = true;
            watch->timer.stop();
            Drop(socket, TooLargeAnswer);
        }
    });
    watch->timer.start(m_timeoutMs);
    return true;
}

void ConnectionGuard::requestArrived(QTcpSocket *socket)
{
    if (Watch *watch = watchOf(socket))
        watch->timer.stop();
}

void ConnectionGuard::answered(QTcpSocket *socket)
{
    if (Watch *watch = watchOf(socket)) {
        watch->received = 0;
        watch->timer.start(m_timeoutMs);
    }
}

void ConnectionGuard::streaming(QTcpSocket *socket)
{
    if (Watch *watch = watchOf(socket)) {
        watch->received = 0;
        watch->timer.stop();
    }
}

} // namespace zeltar
