#pragma once

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>

#include <deque>
#include <optional>

namespace zeltar {

// One message on its way to the broker.
struct OutboundMessage
{
    QString topic;
    QByteArray payload;
    bool retain = false;
    quint64 serial = 0; // order of arrival, set by the queue
};

// The messages waiting for the broker, at most a given number: when it is full the oldest
// message makes room for the new one. A retained message that is dropped while it is still
// the newest of its topic is kept aside and comes out once the queue is empty, so every
// retained topic ends with its latest message however many were dropped. Not thread-safe:
// its owner guards it.
class OutboundQueue
{
public:
    explicit OutboundQueue(int limit) : m_limit(qMax(1, limit)) {}

    void push(const QString &topic, const QByteArray &payload, bool retain);
    // The next message to send; nullopt when nothing waits.
    std::optional<OutboundMessage> take();
    // A taken message that could not be handed over goes back to the front.
    void putBack(OutboundMessage message);
    // After a reconnect: the latest message of every retained topic comes out once more
    // after what waits (unless it still waits itself), for one that may have gone down with
    // the old connection.
    void repeatLatest();

    bool isEmpty() const { return m_queue.empty() && m_pendingLatest.isEmpty(); }
    int size() const { return static_cast<int>(m_queue.size()); }
    quint64 dropped() const { return m_dropped; }

private:
    void dropOldest();

    int m_limit;
    std::deque<OutboundMessage> m_queue;
    QHash<QString, OutboundMessage> m_latest; // newest retained message of each topic
    QSet<QString> m_pendingLatest;            // topics whose newest message was dropped
    quint64 m_serial = 0;
    quint64 m_dropped = 0;
};

} // namespace zeltar
