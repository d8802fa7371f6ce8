#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>

#include <memory>

class QProcess;
class QTemporaryDir;

namespace zeltar::test {

// A mail server for one test: Debian's aiosmtpd on 127.0.0.1, keeping each mail it takes
// (see mail_store.py), on a port that stays its own across a stop and the next start.
class SmtpServer
{
public:
    explicit SmtpServer(int port = 0); // 0: a free port
    ~SmtpServer();
    // Starts the server and waits (running the event loop) until it takes connections.
    bool start();
    void stop();
    int port() const { return port_; }
    // The mails taken so far, oldest first, as mail_store.py writes them.
    QList<QJsonObject> mails() const;

private:
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<QProcess> process_;
    int port_;
};

} // namespace zeltar::test
