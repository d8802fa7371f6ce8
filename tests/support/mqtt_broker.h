#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <memory>

class QProcess;
class QTemporaryDir;

namespace zeltar::test {

// A free TCP port on 127.0.0.1 at the moment of the call.
int FreeLoopbackPort();

// A mosquitto broker for one test: listens on 127.0.0.1 only, anonymous, nothing kept on
// disk, on a free port or on the port of an earlier start (a broker restarted).
class MqttBroker
{
public:
    MqttBroker();
    ~MqttBroker(); // stops the broker
    MqttBroker(const MqttBroker &) = delete;
    MqttBroker &operator=(const MqttBroker &) = delete;

    // Starts the broker and waits (running the event loop) until it takes connections.
    bool start();
    // SIGTERM, then waits for the process to end; the port stays this broker's.
    void stop();
    int port() const { return port_; }

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<QProcess> process_;
    int port_ = 0;
};

// mosquitto_sub on a topic filter, collecting "topic payload" pairs as they come.
class MqttSubscriber
{
public:
    using Message = QPair<QString, QByteArray>;

    // retainedOnly: only the messages the broker keeps, then the subscriber ends.
    MqttSubscriber(int port, const QString &filter, bool retainedOnly = false);
    ~MqttSubscriber();

    // Messages received so far, oldest first.
    QList<Message> messages();
    // The payloads received on topic so far.
    QList<QByteArray> payloads(const QString &topic);
    // Runs the event loop until count payloads came on topic (or timeoutMs passed).
    bool waitFor(const QString &topic, int count, int timeoutMs);
    // Runs the event loop until payload came on topic.
    bool waitFor(const QString &topic, const QByteArray &payload, int timeoutMs);
    // For a retained-only subscriber: waits until it has ended.
    bool waitFinished(int timeoutMs);

private:
    void read();

    std::unique_ptr<QProcess> process_;
    QByteArray pending_;
    QList<Message> messages_;
};

} // namespace zeltar::test
