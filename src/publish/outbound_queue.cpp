#include "publish/outbound_queue.h"

namespace zeltar {

void OutboundQueue::push(const QString &topic, const QByteArray &payload, bool retain)
{
    if (static_cast<int>(m_queue.size()) >= m_limit)
        dropOldest();
    OutboundMessage message{topic, payload, retain, ++m_serial};
    if (retain) {
        m_latest.insert(topic, message);
        m_pendingLatest.remove(topic); // the new message carries the topic's latest state
    }
    m_queue.push_back(std::move(message));
}

void OutboundQueue::dropOldest()
{
    const OutboundMessage &oldest = m_queue.front();
    if (oldest.retain && m_latest.value(oldest.topic).serial == oldest.serial)
        m_pendingLatest.insert(oldest.topic);
    m_queue.pop_front();
    ++m_dropped;
}

std::optional<OutboundMessage> OutboundQueue::take()
{
    if (!m_queue.empty()) {
        OutboundMessage message = std::move(m_queue.front());
        m_queue.pop_front();
        if (message.retain && m_latest.value(message.topic).serial == message.serial)
            m_pendingLatest.remove(message.topic);
        return message;
    }
    if (m_pendingLatest.isEmpty())
        return std::nullopt;
    const QString topic = *m_pendingLatest.constBegin();
    m_pendingLatest.remove(topic);
    return m_latest.value(topic);
}

void OutboundQueue::repeatLatest()
{
    for (auto latest = m_latest.cbegin(); latest != m_latest.cend(); ++latest)
        m_pendingLatest.insert(latest.key());
}

void OutboundQueue::putBack(OutboundMessage message)
{
    m_queue.push_front(std::move(message));
}

} // namespace zeltar
