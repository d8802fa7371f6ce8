#pragma once

#include <QDateTime>
#include <QString>

namespace zeltar {

// Archive periods are measured in whole hours counted from the start of year 0 with a
// leap year every fourth year (no century rule); only differences and comparisons of
// these numbers matter. 1 January 2024, 00 h is 17742384.
qint64 HourNumber(const QDateTime &moment);

// The period's part of a table name from the local date and hour at which the period
// began: year mod 1000 (at least two digits), month, day and hour joined by "_".
// 13 May 2008, 14:05 gives "08_05_13_14".
QString PeriodNamePart(const QDateTime &periodStart);

// True when a new period begins at hour number now: the current one (begun at
// timeLastArh, timeArh hours long) has run out, or the clock was set back by more than
// one period.
bool IsNewPeriod(qint64 timeLastArh, qint64 timeArh, qint64 now);

// name with every character that cannot stand in a file name on Linux or Windows
// (/ \ : * ? " < > | and control characters) replaced by "_".
QString SafeFileName(const QString &name);

// name in folder, with a "/" between them unless folder ends in a separator already.
QString FileInFolder(const QString &folder, const QString &name);

// The longest table name in UTF-8 bytes. File systems take 255 bytes (or 255 UTF-16
// units); the rest leaves room for the ending that sets a bad table aside.
constexpr int MaxTableNameBytes = 240;

// name cut after the last whole character that keeps it within maxBytes of UTF-8.
QString ShortenedName(const QString &name, int maxBytes);

// The table of a device in a period: pathArh + device name + "_" + period part +
// ".dbf", the name made safe so that it always stays inside the archive folder. A long
// device name is shortened (ShortenedName) so that the file can always be made.
QString ArchiveTablePath(const QString &pathArh, const QString &pribName,
                         const QString &periodPart);

} // namespace zeltar
