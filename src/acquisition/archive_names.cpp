#include "acquisition/archive_names.h"

#include "core/number_text.h"

#include <QTextBoundaryFinder>

#include <array>

namespace zeltar {

qint64 HourNumber(const QDateTime &moment)
{
    static constexpr std::array<int, 12> DaysBeforeMonth = {0,   31,  59,  90,  120, 151,
                                                            181, 212, 243, 273, 304, 334};
    const QDate date = moment.date();
    const qint64 year = date.year();
    const int month = date.month();

    const qint64 leapYears = year >= 1 ? (year - 1) / 4 + 1 : 0;
    const qint64 commonYears = qMax<qint64>(year - leapYears, 0);
    qint64 daysBefore = DaysBeforeMonth[month - 1];
    if (year % 4 == 0 && month >= 3)
        ++daysBefore;
    return commonYears * 8760 + leapYears * 8784 + daysBefore * 24 + (date.day() - 1) * 24 +
           moment.time().hour();
}

QString PeriodNamePart(const QDateTime &periodStart)
{
    const QDate date = periodStart.date();
    const auto two = [](int number) { return PadZero(QString::number(number), 2); };
    return two(date.year() % 1000) + QLatin1Char('_') + two(date.month()) + QLatin1Char('_') +
           two(date.day()) + QLatin1Char('_') + two(periodStart.time().hour());
}

bool IsNewPeriod(qint64 timeLastArh, qint64 timeArh, qint64 now)
{
    // The distance between the hours, taken without wrapping whatever the stored number.
    if (timeLastArh <= now)
        return quint64(now) - quint64(timeLastArh) >= quint64(qMax<qint64>(timeArh, 0));
    return quint64(timeLastArh) - quint64(now) > quint64(qMax<qint64>(timeArh, 0));
}

QString SafeFileName(const QString &name)
{
    static const QString Unsafe = QStringLiteral("/\\:*?\"<>|");
    QString safe = name;
    for (QChar &c : safe) {
        if (Unsafe.contains(c) || c.category() == QChar::Other_Control)
            c = QLatin1Char('_');
    }
    return safe;
}

QString FileInFolder(const QString &folder, const QString &name)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

QString ShortenedName(const QString &name, int maxBytes)
{
    if (name.toUtf8().size() <= maxBytes)
        return name;
    // Cut between whole characters (a letter with its accents, a pair of surrogates).
    QTextBoundaryFinder boundaries(QTextBoundaryFinder::Grapheme, name);
    qsizetype cut = 0;
    for (qsizetype next = boundaries.toNextBoundary(); next > 0;
         next = boundaries.toNextBoundary()) {
        if (QStringView(name).left(next).toUtf8().size() > maxBytes)
            break;
        cut = next;
    }
    return name.left(cut);
}

QString ArchiveTablePath(const QString &pathArh, const QString &pribName, const QString &periodPart)
{
    const QString ending = QLatin1Char('_') + periodPart + QStringLiteral(".dbf");
    const int room = MaxTableNameBytes - static_cast<int>(ending.toUtf8().size());
    return FileInFolder(pathArh,
                        ShortenedName(SafeFileName(pribName), room) + SafeFileName(ending));
}

} // namespace zeltar
