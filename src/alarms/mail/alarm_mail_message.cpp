#include "alarms/mail/alarm_mail_message.h"

#include "alarms/alarm_settings.h"
#include "alarms/alarm_texts.h"
#include "core/date_time_text.h"
#include "core/number_text.h"

#include <QSysInfo>
#include <QUuid>

namespace zeltar {

namespace {

// Raw bytes one encoded word takes: "=?UTF-8?B?" + 60 base64 characters + "?=" is 72.
constexpr int WordBytes = 45;
constexpr int BodyLineLength = 76;

QString NumberText(const std::optional<double> &value)
{
    return value ? FormatNumber(*value) : QStringLiteral("—");
}

QString BodyText(const AlarmEvent &event, const QString &subject)
{
    const bool raised = event.change == AlarmChange::Raised;
    QStringList lines = {
        subject,
        QString(),
        QStringLiteral("Прибор: %1, %2").arg(event.device).arg(event.name),
        QStringLiteral("Тревога: %1").arg(AlarmKindPhrase(event.kind)),
        QStringLiteral("Состояние: %1")
            .arg(raised ? QStringLiteral("тревога") : QStringLiteral("норма")),
    };
    if (event.kind == AlarmKind::NoLink) {
        lines << QStringLiteral("Опросов без ответа: %1").arg(NumberText(event.value));
    } else if (event.kind != AlarmKind::Break) {
        lines << QStringLiteral("Значение: %1").arg(NumberText(event.value))
              << QStringLiteral("Граница: %1").arg(NumberText(event.limit));
    }
    lines << QStringLiteral("Время: %1").arg(DateTimeText(event.moment))
          << QStringLiteral("Станция: %1").arg(QSysInfo::machineHostName()) << QString()
          << QStringLiteral("Письмо отправлено станцией Zeltar автоматически.");
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

QByteArray Base64Lines(const QByteArray &bytes)
{
    const QByteArray encoded = bytes.toBase64();
    QByteArray lines;
    for (qsizetype at = 0; at < encoded.size(); at += BodyLineLength)
        lines += encoded.mid(at, BodyLineLength) + "\r\n";
    return lines;
}

QByteArray DomainOf(const QString &address)
{
    return address.section(QLatin1Char('@'), 1).toUtf8();
}

} // namespace

QByteArray EncodedHeaderText(const QString &text)
{
    QByteArrayList words;
    QByteArray word;
    for (qsizetype i = 0; i < text.size(); ++i) {
        // A surrogate pair is one character.
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QByteArray bytes = text.mid(i, length).toUtf8();
        i += length - 1;
        if (word.size() + bytes.size() > WordBytes) {
            words << word;
            word.clear();
        }
        word += bytes;
    }
    if (!word.isEmpty() || words.isEmpty())
        words << word;
    for (QByteArray &w : words)
        w = "=?UTF-8?B?" + w.toBase64() + "?=";
    return words.join("\r\n ");
}

MailMessage AlarmMail(const AlarmEvent &event, const AlarmNotifySettings &settings)
{
    const QString subject =
        AlarmJournalText(event.kind, event.change, event.name, event.value, event.limit);
    MailMessage mail;
    mail.from = settings.MailFrom.toUtf8();
    for (const QString &to : settings.MailTo)
        mail.to << to.toUtf8();

    QByteArray &m = mail.content;
    m += "Date: " + event.moment.toString(Qt::RFC2822Date).toLatin1() + "\r\n";
    m += "From: Zeltar <" + mail.from + ">\r\n";
    m += "To: " + mail.to.join(", ") + "\r\n";
    m += "Subject: " + EncodedHeaderText(subject) + "\r\n";
    m += "Message-ID: <" + QUuid::createUuid().toByteArray(QUuid::WithoutBraces) + '@' +
         DomainOf(settings.MailFrom) + ">\r\n";
    m += "Auto-Submitted: auto-generated\r\n";
    m += "MIME-Version: 1.0\r\n";
    m += "Content-Type: text/plain; charset=UTF-8\r\n";
    m += "Content-Transfer-Encoding: base64\r\n";
    m += "\r\n";
    m += Base64Lines(BodyText(event, subject).toUtf8());
    return mail;
}

} // namespace zeltar
