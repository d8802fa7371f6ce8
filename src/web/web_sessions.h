#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QHostAddress>
#include <QString>

#include <optional>

namespace zeltar {

// The logged-in browsers: a random token in the session cookie names a user and the token
// that the browser must send back with an acknowledgement. A session ends when it has not
// been used for IdleSeconds, at logout, or when too many are open (the oldest goes).
class WebSessions
{
public:
    static constexpr int IdleSeconds = 8 * 3600;
    static constexpr int MaxSessions = 256;

    struct Session
    {
        QString user;
        QByteArray csrf;
        QDateTime lastUse;
    };

    // A new session for user; returns its token.
    QByteArray open(const QString &user, const QDateTime &now);
    // The session of a cookie's token, its last use set to now; nullopt when unknown or
    // expired.
    std::optional<Session> find(const QByteArray &token, const QDateTime &now);
    void close(const QByteArray &token);

private:
    void dropExpired(const QDateTime &now);

    QHash<QByteArray, Session> m_sessions;
};

// Login attempts per client address: after MaxFailures failed ones within WindowSeconds,
// every further attempt from that address is refused until the window has passed. All
// addresses together may fail GlobalFailures times in a window, so that many addresses
// cannot guess in parallel (and the hashing of guesses cannot hold up the station).
class LoginThrottle
{
public:
    static constexpr int MaxFailures = 5;
    static constexpr int GlobalFailures = 20;
    static constexpr int WindowSeconds = 60;

    // Seconds to wait before an attempt from address is heard; 0 when it may try now.
    int waitSeconds(const QHostAddress &address, const QDateTime &now);
    void failed(const QHostAddress &address, const QDateTime &now);
    void succeeded(const QHostAddress &address);

private:
    struct Failures
    {
        QDateTime windowStart;
        int count = 0;
    };
    static int wait(Failures &failures, int limit, const QDateTime &now);
    static void count(Failures &failures, const QDateTime &now);

    QHash<QString, Failures> m_byAddress;
    Failures m_all;
};

// A random token of bytes bytes in URL-safe Base64.
QByteArray RandomToken(int bytes = 32);

} // namespace zeltar
