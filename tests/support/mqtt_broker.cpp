#include "mqtt_broker.h"

#include "sim_process.h"

#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

namespace zeltar::test {

namespace {
constexpr int StartTimeoutMs = 10000;
constexpr int StopTimeoutMs = 5000;

bool Accepts(int port)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port));
    return socket.waitForConnected(200);
}
} // namespace

int FreeLoopbackPort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        return 0;
    return server.serverPort();
}

MqttBroker::MqttBroker() : dir_(std::make_unique<QTemporaryDir>()) {}

MqttBroker::~MqttBroker()
{
    stop();
}

bool MqttBroker::start()
{
    stop();
    if (port_ == 0)
        port_ = FreeLoopbackPort();
    const QString config = dir_->filePath(QStringLiteral("mosquitto.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QStringLiteral("listener %1 127.0.0.1\nallow_anonymous true\n"
                              "persistence false\nlog_dest none\n")
                   .arg(port_)
                   .toUtf8());
    file.close();

    process_ = std::make_unique<QProcess>();
    process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_->start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), config});
    if (WaitUntil([&] { return process_->state() == QProcess::NotRunning || Accepts(port_); },
                  StartTimeoutMs) &&
        process_->state() == QProcess::Running)
        return true;
    qWarning("MqttBroker: mosquitto did not come up on port %d", port_);
    stop();
    return false;
}

void MqttBroker::stop()
{
    if (!process_)
        return;
    process_->terminate();
    if (!process_->waitForFinished(StopTimeoutMs))
        process_->kill();
    process_->waitForFinished(StopTimeoutMs);
    process_.reset();
}

MqttSubscriber::MqttSubscriber(int port, const QString &filter, bool retainedOnly)
    : process_(std::make_unique<QProcess>())
{
    QStringList args{QStringLiteral("-h"),  QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
                     QString::number(port), QStringLiteral("-t"),        filter,
                     QStringLiteral("-v")};
    if (retainedOnly)
        args << QStringLiteral("--retained-only") << QStringLiteral("-W") << QStringLiteral("1");
    QObject::connect(process_.get(), &QProcess::readyReadStandardOutput, [this] { read(); });
    process_->start(QStringLiteral("mosquitto_sub"), args);
    process_->waitForStarted();
}

MqttSubscriber::~MqttSubscriber()
{
    process_->kill();
    process_->waitForFinished(StopTimeoutMs);
}

void MqttSubscriber::read()
{
    pending_ += process_->readAllStandardOutput();
    for (qsizetype end = pending_.indexOf('\n'); end >= 0; end = pending_.indexOf('\n')) {
        const QByteArray line = pending_.left(end);
        pending_.remove(0, end + 1);
        const qsizetype space = line.indexOf(' ');
        messages_.append({QString::fromUtf8(line.left(space)), line.mid(space + 1)});
    }
}

QList<MqttSubscriber::Message> MqttSubscriber::messages()
{
    read();
    return messages_;
}

QList<QByteArray> MqttSubscriber::payloads(const QString &topic)
{
    QList<QByteArray> found;
    for (const Message &message : messages())
        if (message.first == topic)
            found.append(message.second);
    return found;
}

bool MqttSubscriber::waitFor(const QString &topic, int count, int timeoutMs)
{
    return WaitUntil([&] { return payloads(topic).size() >= count; }, timeoutMs);
}

bool MqttSubscriber::waitFor(const QString &topic, const QByteArray &payload, int timeoutMs)
{
    return WaitUntil([&] { return payloads(topic).contains(payload); }, timeoutMs);
}

bool MqttSubscriber::waitFinished(int timeoutMs)
{
    const bool ended = process_->waitForFinished(timeoutMs);
    read();
    return ended;
}

} // namespace zeltar::test
