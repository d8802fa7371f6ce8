#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>

#include <optional>

namespace zeltar {

// A moment of the archive as wall-clock seconds: the local date and time that the tables
// write, counted from a fixed day with no zone or daylight-saving shift, so that moments
// compare as the records' texts read and cost no time-zone work.
using WallSeconds = qint64;

WallSeconds ToWallSeconds(const QDate &date, const QTime &time);
WallSeconds ToWallSeconds(const QDateTime &moment);
QDateTime FromWallSeconds(WallSeconds seconds);

// "DD.MM.YYYY HH:MM:SS", as the command-line client and the period list write moments.
QString WallText(WallSeconds seconds);
std::optional<WallSeconds> ParseWallText(const QString &text);

// Reads the DATA and TIME texts of archive records. The station writes "13.05.2008" and
// "14:05:09", read at once, and an instrument's archive read out holds "13.05.08" (20YY);
// earlier tables may hold the short date and the time with
// seconds of whatever locale wrote them (the operator's, the system's, C's "9 Dec 2026",
// English "12/9/26" and "2:05:09 PM"), which are read too. The texts come without blanks
// around them. Records of one table share a date, so the last date read is kept.
class RecordMomentReader
{
public:
    std::optional<WallSeconds> read(QByteArrayView date, QByteArrayView time);

private:
    std::optional<qint64> day(QByteArrayView date);

    QByteArray m_lastDate;
    std::optional<qint64> m_lastDay;
};

} // namespace zeltar
