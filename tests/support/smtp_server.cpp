#include "smtp_server.h"

#include "mqtt_broker.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>

namespace zeltar::test {

SmtpServer::SmtpServer(int port)
    : dir_(std::make_unique<QTemporaryDir>()), port_(port ? port : FreeLoopbackPort())
{}

SmtpServer::~SmtpServer()
{
    stop();
}

bool SmtpServer::start()
{
    stop();
    process_ = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PYTHONPATH"), QStringLiteral(ZELTAR_SOURCE_DIR "/tests/support"));
    process_->setProcessEnvironment(env);
    process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_->start(QStringLiteral("/usr/bin/python3"),
                    {"-m", "aiosmtpd", "-n", "-l", QStringLiteral("127.0.0.1:%1").arg(port_), "-c",
                     "mail_store.Store", dir_->path()});
    return ServerComesUp(*process_, port_, "aiosmtpd");
}

void SmtpServer::stop()
{
    StopServer(process_);
}

QList<QJsonObject> SmtpServer::mails() const
{
    QList<QJsonObject> mails;
    const QDir dir(dir_->path());
    for (const QString &name : dir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name)) {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            mails << QJsonDocument::fromJson(file.readAll()).object();
    }
    return mails;
}

} // namespace zeltar::test
