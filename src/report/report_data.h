#pragma once

#include "alarms/alarm_event.h"
#include "history/history_range.h"
#include "history/report_statistics.h"

#include <QDateTime>
#include <QString>
#include <QVector>

#include <limits>

namespace zeltar {

// What a report is made of, read before a page is drawn.
struct ReportData
{
    QString deviceName;
    QString stationName; // the station folder's name
    // The range asked for; an open end is the first or last record.
    WallSeconds from = std::numeric_limits<WallSeconds>::min();
    WallSeconds to = std::numeric_limits<WallSeconds>::max();
    QDateTime made;
    HistorySeries series;
    ReportStatistics statistics;
    QVector<AlarmEvent> alarms; // raised in the range
};

// Where a report's records come from.
struct ReportSource
{
    QString deviceName;
    int device = 0;     // the device's number, for its alarms; 0 for none
    QString stationDir; // the station's folder
    QString archiveDir; // where Alarms.dbf lies
    HistoryRange range; // the records
    WallSeconds from = std::numeric_limits<WallSeconds>::min();
    WallSeconds to = std::numeric_limits<WallSeconds>::max();
};

// Reads the records and the alarms and works out the statistics. False (error set) when a
// table cannot be read.
bool LoadReportData(const ReportSource &source, const QDateTime &made, ReportData *data,
                    QString *error);

// The moments the report covers: the range asked for, its open ends (or both, without
// records) closed by the records.
std::pair<WallSeconds, WallSeconds> ReportMoments(const ReportData &data);

} // namespace zeltar
