#include "history/record_moment.h"

#include "core/date_time_text.h"

#include <QLocale>

namespace zeltar {

namespace {

constexpr qint64 SecondsPerDay = 86400;
const QString WallFormat = QStringLiteral("dd.MM.yyyy HH:mm:ss");

// The value of digits at text[from .. from + count - 1]; -1 when one of them is no digit.
int Digits(QByteArrayView text, int from, int count)
{
    int value = 0;
    for (int i = from; i < from + count; ++i) {
        const char c = text.at(i);
        if (c < '0' || c > '9')
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

// The locales whose forms the station may have written its records in before it wrote
// "09.12.2026" and "14:05:09" everywhere: the operator's, the system's, C (a service on a
// server) and English.
QList<QLocale> WritingLocales()
{
    return {QLocale(), QLocale::system(), QLocale::c(),
            QLocale(QLocale::English, QLocale::UnitedStates),
            QLocale(QLocale::Russian, QLocale::Russia)};
}

QDate DateOf(QByteArrayView text)
{
    // The station's form, and an instrument's own archive read out: "09.12.2026", "09.12.26".
    const bool dotted = text.size() > 6 && text.at(2) == '.' && text.at(5) == '.';
    if (dotted && (text.size() == 10 || text.size() == 8)) {
        const int year = Digits(text, 6, int(text.size()) - 6);
        if (year < 0)
            return QDate();
        return QDate(text.size() == 8 ? 2000 + year : year, Digits(text, 3, 2), Digits(text, 0, 2));
    }
    const QString written = QString::fromLatin1(text);
    for (const QLocale &locale : WritingLocales()) {
        const QDate date = locale.toDate(written, QLocale::ShortFormat);
        if (date.isValid())
            return date.year() < 1950 ? date.addYears(100) : date;
    }
    return QDate::fromString(written, Qt::ISODate);
}

// Seconds since midnight; -1 when the text is no time.
int SecondsOf(QByteArrayView text)
{
    if (text.size() == 8 && text.at(2) == ':' && text.at(5) == ':') {
        const int hours = Digits(text, 0, 2);
        const int minutes = Digits(text, 3, 2);
        const int seconds = Digits(text, 6, 2);
        if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59 || seconds < 0 || seconds > 59)
            return -1;
        return hours * 3600 + minutes * 60 + seconds;
    }
    const QString written = QString::fromLatin1(text);
    for (const QLocale &locale : WritingLocales()) {
        const QTime time = locale.toTime(written, TimeFormat(locale));
        if (time.isValid())
            return time.msecsSinceStartOfDay() / 1000;
    }
    const QTime time = QTime::fromString(written, QStringLiteral("H:mm:ss"));
    return time.isValid() ? time.msecsSinceStartOfDay() / 1000 : -1;
}

} // namespace

WallSeconds ToWallSeconds(const QDate &date, const QTime &time)
{
    return date.toJulianDay() * SecondsPerDay + time.msecsSinceStartOfDay() / 1000;
}

WallSeconds ToWallSeconds(const QDateTime &moment)
{
    return ToWallSeconds(moment.date(), moment.time());
}

QDateTime FromWallSeconds(WallSeconds seconds)
{
    const qint64 day = seconds >= 0 ? seconds / SecondsPerDay : (seconds + 1) / SecondsPerDay - 1;
    return QDateTime(QDate::fromJulianDay(day),
                     QTime::fromMSecsSinceStartOfDay(int(seconds - day * SecondsPerDay) * 1000));
}

QString WallText(WallSeconds seconds)
{
    return FromWallSeconds(seconds).toString(WallFormat);
}

std::optional<WallSeconds> ParseWallText(const QString &text)
{
    const QDateTime moment = QDateTime::fromString(text.trimmed(), WallFormat);
    if (!moment.isValid())
        return std::nullopt;
    return ToWallSeconds(moment);
}

std::optional<qint64> RecordMomentReader::day(QByteArrayView date)
{
    if (date == QByteArrayView(m_lastDate))
        return m_lastDay;
    m_lastDate = date.toByteArray();
    const QDate parsed = DateOf(date);
    m_lastDay = parsed.isValid() ? std::optional<qint64>(parsed.toJulianDay()) : std::nullopt;
    return m_lastDay;
}

std::optional<WallSeconds> RecordMomentReader::read(QByteArrayView date, QByteArrayView time)
{
    const std::optional<qint64> julianDay = day(date);
    const int seconds = julianDay ? SecondsOf(time) : -1;
    if (seconds < 0)
        return std::nullopt;
    return *julianDay * SecondsPerDay + seconds;
}

} // namespace zeltar
