#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

class QProcess;
class QTemporaryDir;

namespace zeltar::test {

// A free TCP port on 127.0.0.1 at the moment of the call.
int FreeLoopbackPort();

// Waits (up to 10 s, running the event loop) until a server process just started takes
// connections on port of 127.0.0.1; false, with a warning naming it, when it does not.
bool ServerComesUp(QProcess &process, int port, const char *name);
// Asks the server process to end, kills it when it does not within seconds; then none.
void StopServer(std::unique_ptr<QProcess> &process);

// A mosquitto broker for one test on 127.0.0.1: anonymous, nothing kept on disk, on a free
// port that stays its own across a stop and the next start.
class MqttBroker
{
public:
    // access: the broker's lines on who may connect.
    explicit MqttBroker(const QString &access = QStringLiteral("allow_anonymous true"));
    ~MqttBroker();
    // Starts the broker and waits (running the event loop) until it takes connections.
    bool start();
    void stop();
    int port() const { return port_; }

private:
    QString access_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<QProcess> process_;
    int port_ = 0;
};

// mosquitto_sub on a topic filter; retainedOnly takes what the broker keeps and ends.
class MqttSubscriber
{
public:
    MqttSubscriber(int port, const QString &filter, bool retainedOnly = false);
    ~MqttSubscriber();
    // The payloads received on topic so far, oldest first.
    QList<QByteArray> payloads(const QString &topic);
    // Runs the event loop until count payloads (or the given payload) came on topic.
    bool waitFor(const QString &topic, int count, int timeoutMs = 15000);
    bool waitFor(const QString &topic, const QByteArray &payload, int timeoutMs = 15000);

private:
    std::unique_ptr<QProcess> process_;
    QByteArray output_;
};

} // namespace zeltar::test
