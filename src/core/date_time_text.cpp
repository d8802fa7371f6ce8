#include "core/date_time_text.h"

#include <QLocale>

namespace zeltar {

QString TimeFormat(const QLocale &locale)
{
    // Drop every unquoted run of 't' (the zone) and the blanks that stood next to it.
    const QString format = locale.timeFormat(QLocale::LongFormat);
    QString result;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        result += c;
    }
    result = result.simplified();
    return result.isEmpty() ? QStringLiteral("HH:mm:ss") : result;
}

QString DateText(const QDate &date)
{
    return QLocale().toString(date, QLocale::ShortFormat);
}

QString TimeText(const QTime &time)
{
    return QLocale().toString(time, TimeFormat());
}

QString DateTimeText(const QDateTime &moment)
{
    return DateText(moment.date()) + QLatin1Char(' ') + TimeText(moment.time());
}

QString ArchiveDateText(const QDate &date)
{
    return date.toString(QStringLiteral("dd.MM.yyyy"));
}

QString ArchiveTimeText(const QTime &time)
{
    return time.toString(QStringLiteral("HH:mm:ss"));
}

QString IsoTimeWithOffset(const QDateTime &moment)
{
    const int offset = moment.offsetFromUtc();
    const int minutes = qAbs(offset) / 60;
    return moment.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) +
           (offset < 0 ? QLatin1Char('-') : QLatin1Char('+')) +
           QStringLiteral("%1:%2")
               .arg(minutes / 60, 2, 10, QLatin1Char('0'))
               .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

} // namespace zeltar
