#pragma once

#include "alarms/mail/alarm_mail_message.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace zeltar {

struct AlarmNotifySettings;

// What became of one mail handed to the server.
struct SmtpOutcome
{
    bool sent = false;
    bool refused = false; // the server turned it down for good (a 5xx answer): never retried
    QString error;        // why it was not sent, for the journal
};

// Hands mails to the server of [ALARMS] with libcurl. Each send() is one connection, made
// and ended on the calling thread; it blocks for at most the time limit, less when
// cancelled() turns true (looked at several times a second).
class SmtpSender
{
public:
    SmtpSender(const AlarmNotifySettings &settings, int timeoutMs);
    ~SmtpSender(); // wipes the password
    SmtpSender(const SmtpSender &) = delete;
    SmtpSender &operator=(const SmtpSender &) = delete;

    SmtpOutcome send(const MailMessage &mail, const std::function<bool()> &cancelled) const;

    // Once per process, before any thread sends.
    static void initLibrary();

private:
    QByteArray m_url;
    int m_tls;
    QByteArray m_user;
    QByteArray m_password;
    int m_timeoutMs;
};

} // namespace zeltar
