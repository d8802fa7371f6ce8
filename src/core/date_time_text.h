#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace zeltar {

// Dates and times as the operator's locale writes them: the default QLocale's short date
// format and a time with seconds but no zone name (Russian: 13.05.2008 and 14:05:09).

QString DateText(const QDate &date);
QString TimeText(const QTime &time);
// Date, a blank, time.
QString DateTimeText(const QDateTime &moment);

// The time format used by TimeText: the locale's long time format without its zone.
QString TimeFormat(const QLocale &locale = QLocale());

// The DATA and TIME texts of an archive record: "09.12.2026" and "14:05:09" whatever the
// locale, the form every archive table holds, so that any reader finds the same dates.
QString ArchiveDateText(const QDate &date);
QString ArchiveTimeText(const QTime &time);

// ISO 8601 with the moment's offset from UTC, never "Z": 2026-12-09T14:05:09+03:00.
QString IsoTimeWithOffset(const QDateTime &moment);

} // namespace zeltar
