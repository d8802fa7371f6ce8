#pragma once

#include <QDateTime>
#include <QString>

namespace zeltar {

// Dates and times as the operator's locale writes them: the default QLocale's short date
// format and a time with seconds but no zone name (Russian: 13.05.2008 and 14:05:09).

QString DateText(const QDate &date);
QString TimeText(const QTime &time);
// Date, a blank, time.
QString DateTimeText(const QDateTime &moment);

// The time format used by TimeText: the locale's long time format without its zone.
QString TimeFormat();

} // namespace zeltar
