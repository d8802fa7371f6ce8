#pragma once

#include <QObject>
#include <QPointer>
#include <QSslServer>
#include <QTcpServer>

class QTcpSocket;

namespace zeltar {

// Keeps the web view's connections within bounds, whatever the client does: at most
// MaxConnections at once (more are closed at once), a request must have come in whole
// within the request timeout of the connection being made or of the answer before it, and
// may not be larger than MaxRequestBytes. A client that sends too slowly, sends nothing or
// sends too much is answered 408 or 413 and dropped; a stream (server-sent events) is
// exempt from the timeout once it has been answered.
class ConnectionGuard : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxConnections = 128;
    static constexpr qint64 MaxRequestBytes = 64 * 1024;

    explicit ConnectionGuard(QObject *parent = nullptr);

    void setRequestTimeout(int ms) { m_timeoutMs = ms; }
    int requestTimeout() const { return m_timeoutMs; }

    // Takes a new connection under watch; false when there are too many (it is closed).
    bool admit(QTcpSocket *socket);
    // The server has a whole request of the socket in hand: the clock and the byte count
    // stop until answered().
    void requestArrived(QTcpSocket *socket);
    // The request is answered; the clock runs again for the next one.
    void answered(QTcpSocket *socket);
    // The socket carries a stream from now on: no timeout, only the byte limit.
    void streaming(QTcpSocket *socket);

    int connections() const { return m_connections; }

private:
    class Watch;
    Watch *watchOf(QTcpSocket *socket) const;

    int m_timeoutMs = 10000;
    int m_connections = 0;
};

// A listening server whose every connection goes through the guard first.
template <class Server> class GuardedServer : public Server
{
public:
    GuardedServer(ConnectionGuard *guard, QObject *parent) : Server(parent), m_guard(guard) {}

    QTcpSocket *nextPendingConnection() override
    {
        while (QTcpSocket *socket = Server::nextPendingConnection()) {
            if (m_guard && m_guard->admit(socket))
                return socket;
        }
        return nullptr;
    }

private:
    QPointer<ConnectionGuard> m_guard;
};

using GuardedTcpServer = GuardedServer<QTcpServer>;
using GuardedSslServer = GuardedServer<QSslServer>;

} // namespace zeltar
