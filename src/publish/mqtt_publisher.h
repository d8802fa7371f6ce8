#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <memory>

namespace zeltar {

// Sends messages to an MQTT broker without ever making its caller wait for the network.
//
// publish() only puts the message into a bounded queue. A sender thread of its own looks
// up the broker's name, connects and hands the queue over to the client library, whose
// network thread does the socket work, reconnects (backing off from 1 s to 60 s) and the
// last will. While the broker is away the queue keeps the newest messages. Loss and return
// of the connection are signalled once each, in the thread the publisher lives in.
class MqttPublisher : public QObject
{
    Q_OBJECT
public:
    struct Options
    {
        QString host;
        int port = 1883;
        QString clientId;
        QString username;
        QByteArray password; // wiped once the client library holds it
        bool tls = false;
        QString caFile; // empty: the system's certificate authorities
        int qos = 1;
        // Retained "online" here once connected, "offline" at stop() and as the last will.
        QString statusTopic;
        int keepAliveSeconds = 10;
        int queueLimit = 10000;
        // A connection not made within this time counts as lost.
        int connectTimeoutMs = 5000;
    };

    explicit MqttPublisher(QObject *parent = nullptr);
    ~MqttPublisher() override; // stop() unless done already

    // Sets the client up and starts connecting in the background. False, with the reason
    // in error, when the client cannot be set up.
    bool start(Options &options, QString *error);

    // Queues one message; returns at once whatever the broker does.
    void publish(const QString &topic, const QByteArray &payload, bool retain);

    // Sends what waits and "offline" for up to waitMs while connected, then disconnects.
    void stop(int waitMs = 2000);

    bool isConnected() const;
    // Messages dropped so far because the queue was full.
    quint64 dropped() const;

Q_SIGNALS:
    void connectionLost();
    void connectionRestored();
    // The broker turned the login down (the CONNACK code), once each time it is lost so.
    void connectionRefused(int code);

private:
    struct Link;
    std::shared_ptr<Link> m_link;
};

} // namespace zeltar
