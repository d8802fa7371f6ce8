#include "mqtt_broker.h"

#include "sim_process.h"

#include <QFile>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>

namespace zeltar::test {

int FreeLoopbackPort()
{
    QTcpServer server;
    return server.listen(QHostAddress::LocalHost, 0) ? server.serverPort() : 0;
}

bool ServerComesUp(QProcess &process, int port, const char *name)
{
    const bool up = WaitUntil(
        [&] {
            QTcpSocket probe;
            probe.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port));
            return process.state() == QProcess::NotRunning || probe.waitForConnected(200);
        },
        10000);
    if (up && process.state() == QProcess::Running)
        return true;
    qWarning("%s did not come up on port %d", name, port);
    return false;
}

void StopServer(std::unique_ptr<QProcess> &process)
{
    if (!process)
        return;
    process->terminate();
    if (!process->waitForFinished(5000))
        process->kill();
    process->waitForFinished();
    process.reset();
}

MqttBroker::MqttBroker(const QString &access)
    : access_(access), dir_(std::make_unique<QTemporaryDir>()), port_(FreeLoopbackPort())
{}

MqttBroker::~MqttBroker()
{
    stop();
}

bool MqttBroker::start()
{
    stop();
    const QString config = dir_->filePath(QStringLiteral("mosquitto.conf"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(QStringLiteral("listener %1 127.0.0.1\n%2\npersistence false\nlog_dest none\n")
                   .arg(port_)
                   .arg(access_)
                   .toUtf8());
    file.close();
    process_ = std::make_unique<QProcess>();
    process_->start(QStringLiteral("mosquitto"), {QStringLiteral("-c"), config});
    return ServerComesUp(*process_, port_, "mosquitto");
}

void MqttBroker::stop()
{
    StopServer(process_);
}

MqttSubscriber::MqttSubscriber(int port, const QString &filter, bool retainedOnly)
    : process_(std::make_unique<QProcess>())
{
    QStringList args{QStringLiteral("-h"),  QStringLiteral("127.0.0.1"), QStringLiteral("-p"),
                     QString::number(port), QStringLiteral("-t"),        filter,
                     QStringLiteral("-v")};
    if (retainedOnly)
        args << QStringLiteral("--retained-only") << QStringLiteral("-W") << QStringLiteral("1");
    process_->start(QStringLiteral("mosquitto_sub"), args);
    process_->waitForStarted();
    if (retainedOnly)
        process_->waitForFinished(10000);
}

MqttSubscriber::~MqttSubscriber()
{
    process_->kill();
    process_->waitForFinished();
}

QList<QByteArray> MqttSubscriber::payloads(const QString &topic)
{
    output_ += process_->readAllStandardOutput();
    const QByteArray start = topic.toUtf8() + ' ';
    QList<QByteArray> found;
    const QByteArray complete = output_.left(output_.lastIndexOf('\n') + 1);
    for (const QByteArray &line : complete.split('\n'))
        if (line.startsWith(start))
            found.append(line.mid(start.size()));
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

} // namespace zeltar::test
