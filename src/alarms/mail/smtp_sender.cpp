#include "alarms/mail/smtp_sender.h"

#include "alarms/alarm_settings.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <mutex>

namespace zeltar {

namespace {

// Why a mail did not go, in the operator's words: libcurl's own texts are English.
QString MailErrorText(CURLcode code)
{
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
        return QStringLiteral("сервер почты не найден по имени");
    case CURLE_COULDNT_CONNECT:
        return QStringLiteral("сервер почты не принимает соединение");
    case CURLE_OPERATION_TIMEDOUT:
        return QStringLiteral("сервер почты не ответил вовремя");
    case CURLE_LOGIN_DENIED:
        return QStringLiteral("сервер почты не принял имя или пароль");
    case CURLE_USE_SSL_FAILED:
        return QStringLiteral("сервер почты не предлагает шифрование");
    case CURLE_SSL_CONNECT_ERROR:
        return QStringLiteral("шифрованное соединение с сервером почты не установлено");
    case CURLE_PEER_FAILED_VERIFICATION:
        return QStringLiteral("сертификат сервера почты не подтверждён");
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
        return QStringLiteral("соединение с сервером почты прервано");
    case CURLE_ABORTED_BY_CALLBACK:
        return QStringLiteral("отправка прервана");
    default:
        return QStringLiteral("ошибка обмена с сервером почты (код %1)").arg(int(code));
    }
}

struct Upload
{
    const QByteArray &content;
    qsizetype at = 0;
};

size_t ReadContent(char *buffer, size_t size, size_t count, void *data)
{
    auto *upload = static_cast<Upload *>(data);
    const size_t left = static_cast<size_t>(upload->content.size() - upload->at);
    const size_t n = std::min(size * count, left);
    std::memcpy(buffer, upload->content.constData() + upload->at, n);
    upload->at += static_cast<qsizetype>(n);
    return n;
}

int Progress(void *cancelled, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return (*static_cast<const std::function<bool()> *>(cancelled))() ? 1 : 0;
}

void Wipe(QByteArray &secret)
{
    std::fill(secret.begin(), secret.end(), '\0');
    secret.clear();
}

} // namespace

SmtpSender::SmtpSender(const AlarmNotifySettings &settings, int timeoutMs)
    : m_tls(settings.SmtpTls), m_user(settings.SmtpUser.toUtf8()),
      m_password(settings.SmtpPassword.toUtf8()), m_timeoutMs(timeoutMs)
{
    const QString host = settings.SmtpHost.contains(QLatin1Char(':'))
                             ? QStringLiteral("[%1]").arg(settings.SmtpHost) // IPv6
                             : settings.SmtpHost;
    m_url = QStringLiteral("%1://%2:%3")
                .arg(m_tls == 2 ? QStringLiteral("smtps") : QStringLiteral("smtp"), host)
                .arg(settings.SmtpPort)
                .toUtf8();
}

SmtpSender::~SmtpSender()
{
    Wipe(m_password);
}

void SmtpSender::initLibrary()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

SmtpOutcome SmtpSender::send(const MailMessage &mail, const std::function<bool()> &cancelled) const
{
    SmtpOutcome outcome;
    std::unique_ptr<CURL, void (*)(CURL *)> curl(curl_easy_init(), &curl_easy_cleanup);
    if (!curl) {
        outcome.error = QStringLiteral("libcurl не готова");
        return outcome;
    }
    curl_slist *recipients = nullptr;
    for (const QByteArray &to : mail.to)
        recipients = curl_slist_append(recipients, ('<' + to + '>').constData());
    std::unique_ptr<curl_slist, void (*)(curl_slist *)> rcpt(recipients, &curl_slist_free_all);
    const QByteArray from = '<' + mail.from + '>';
    Upload upload{mail.content};

    CURL *c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, m_url.constData());
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, long(m_timeoutMs));
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, long(m_timeoutMs));
    if (m_tls == 1)
        curl_easy_setopt(c, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
    if (!m_user.isEmpty()) {
        curl_easy_setopt(c, CURLOPT_USERNAME, m_user.constData());
        curl_easy_setopt(c, CURLOPT_PASSWORD, m_password.constData());
    }
    curl_easy_setopt(c, CURLOPT_MAIL_FROM, from.constData());
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT, recipients);
    // An address the server refuses leaves the others their mail (the option's name is
    // spelt so until libcurl 8.2, which keeps this spelling as well).
    curl_easy_setopt(c, CURLOPT_MAIL_RCPT_ALLLOWFAILS, 1L);
    curl_easy_setopt(c, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(c, CURLOPT_READFUNCTION, &ReadContent);
    curl_easy_setopt(c, CURLOPT_READDATA, &upload);
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &Progress);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &cancelled);

    const CURLcode rc = curl_easy_perform(c);
    if (rc == CURLE_OK) {
        outcome.sent = true;
        return outcome;
    }
    long answer = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &answer);
    outcome.refused = answer >= 500 && answer < 600;
    outcome.error = MailErrorText(rc);
    if (answer >= 400)
        outcome.error += QStringLiteral(" (ответ сервера %1)").arg(answer);
    return outcome;
}

} // namespace zeltar
