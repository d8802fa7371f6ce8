#pragma once

#include "acquisition/archive_layout.h"
#include "alarms/alarm_event.h"
#include "history/record_moment.h"

#include <QIODevice>
#include <QString>
#include <QVector>

#include <optional>

namespace zeltar {

// The alarm history: every raise, return and acknowledgement, one record each, in the dBase
// table Alarms.dbf of the archive folder. Its fields:
//   DATA C10 "09.12.2026", TIME C8 "14:05:09" (as the archive tables write them),
//   DEVICE N2, NAME C64 (Windows-1251), KIND C8 (high, low, nolink, break),
//   STATE C12 (active, normal, acknowledged), VALUE N20.4 and LIMIT N20.4 (blank when the
//   kind has none).
inline const QString AlarmHistoryName = QStringLiteral("Alarms.dbf");

QString AlarmHistoryPath(const QString &pathArh);
QVector<ArchiveField> AlarmHistoryLayout();
bool IsAlarmHistoryLayout(const QVector<ArchiveField> &fields);

// Appends one event, making the table when it is missing. False with error when it could
// not be written.
bool AppendAlarmHistory(const QString &pathArh, const AlarmEvent &event, QString *error);

// One record of the history, its texts as the table holds them.
struct AlarmHistoryRecord
{
    QString date; // "09.12.2026"
    QString time; // "14:05:09"
    int device = 0;
    QString name;
    QString kind;  // high, low, nolink, break
    QString state; // active, normal, acknowledged
    std::optional<double> value;
    std::optional<double> limit;
};

// Reads the records from `from` to `to` (both included) in the order they were written.
// False (error set) when the table exists but cannot be read; a missing table is an empty
// history.
bool ReadAlarmHistory(const QString &pathArh, WallSeconds from, WallSeconds to,
                      QVector<AlarmHistoryRecord> *records, QString *error);

// Writes the records from `from` to `to` (both included) as CSV: the header
// date,time,device,name,kind,state,value,limit, then one line per record with a decimal
// point, RFC 4180 quoting and CR LF. Returns the records written; -1 (error set) when the
// table exists but cannot be read. A missing table is an empty history.
qint64 WriteAlarmHistoryCsv(const QString &pathArh, WallSeconds from, WallSeconds to,
                            QIODevice &device, QString *error);
// The same into a file, replacing it only when the whole export reached the disk.
qint64 ExportAlarmHistoryCsv(const QString &pathArh, WallSeconds from, WallSeconds to,
                             const QString &path, QString *error);

// The alarms of device raised from `from` to `to` (both included), in the table's order. A
// missing table holds none; false (error set) when the table exists but cannot be read.
bool ReadAlarmRaises(const QString &pathArh, int device, WallSeconds from, WallSeconds to,
                     QVector<AlarmEvent> *raises, QString *error);

} // namespace zeltar
