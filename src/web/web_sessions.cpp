#include "web/web_sessions.h"

#include <QRandomGenerator>

#include <algorithm>

namespace zeltar {

QByteArray RandomToken(int bytes)
{
    QByteArray raw(bytes, Qt::Uninitialized);
    for (char &c : raw)
        c = static_cast<char>(QRandomGenerator::system()->bounded(256));
    return raw.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
}

QByteArray WebSessions::open(const QString &user, const QDateTime &now)
{
    dropExpired(now);
    if (m_sessions.size() >= MaxSessions) {
        auto oldest = std::min_element(
            m_sessions.begin(), m_sessions.end(),
            [](const Session &a, const Session &b) { return a.lastUse < b.lastUse; });
        m_sessions.erase(oldest);
    }
    const QByteArray token = RandomToken();
    m_sessions.insert(token, Session{user, RandomToken(), now});
    return token;
}

std::optional<WebSessions::Session> WebSessions::find(const QByteArray &token, const QDateTime &now)
{
    auto it = m_sessions.find(token);
    if (it == m_sessions.end())
        return std::nullopt;
    if (it->lastUse.secsTo(now) > IdleSeconds) {
        m_sessions.erase(it);
        return std::nullopt;
    }
    it->lastUse = now;
    return *it;
}

void WebSessions::close(const QByteArray &token)
{
    m_sessions.remove(token);
}

void WebSessions::dropExpired(const QDateTime &now)
{
    m_sessions.removeIf([&now](const QHash<QByteArray, Session>::iterator it) {
        return it->lastUse.secsTo(now) > IdleSeconds;
    });
}

int LoginThrottle::wait(Failures &failures, int limit, const QDateTime &now)
{
    if (failures.count == 0)
        return 0;
    const qint64 passed = failures.windowStart.secsTo(now);
    if (passed >= WindowSeconds || passed < 0) {
        failures = Failures();
        return 0;
    }
    return failures.count >= limit ? int(WindowSeconds - passed) : 0;
}

void LoginThrottle::count(Failures &failures, const QDateTime &now)
{
    if (failures.count == 0)
        failures.windowStart = now;
    ++failures.count;
}

int LoginThrottle::waitSeconds(const QHostAddress &address, const QDateTime &now)
{
    const QString key = address.toString();
    int seconds = wait(m_all, GlobalFailures, now);
    auto it = m_byAddress.find(key);
    if (it != m_byAddress.end()) {
        seconds = std::max(seconds, wait(*it, MaxFailures, now));
        if (it->count == 0)
            m_byAddress.erase(it);
    }
    return seconds;
}

void LoginThrottle::failed(const QHostAddress &address, const QDateTime &now)
{
    // Addresses whose window has passed are forgotten once there are many.
    if (m_byAddress.size() > 4 * GlobalFailures) {
        m_byAddress.removeIf([&now](const QHash<QString, Failures>::iterator it) {
            return it->windowStart.secsTo(now) >= WindowSeconds;
        });
    }
    count(m_byAddress[address.toString()], now);
    count(m_all, now);
}

void LoginThrottle::succeeded(const QHostAddress &address)
{
    m_byAddress.remove(address.toString());
}

} // namespace zeltar
