#pragma once

#include "history/history_series.h"

#include <QVector>

namespace zeltar {

// What a record of the archive stands for.
enum class RecordKind
{
    Measured,
    NoLink,     // the poll got no valid reply (200000)
    SensorBreak // the instrument reported a broken sensor (100000)
};
RecordKind KindOfValue(double value);

// The measured values of some records: how many, their extremes with the moment each was
// first reached, and their sum for the mean.
struct ValueSummary
{
    qint64 count = 0;
    double min = 0;
    double max = 0;
    double sum = 0;
    WallSeconds minAt = 0;
    WallSeconds maxAt = 0;

    void add(double value, WallSeconds at);
    bool empty() const { return count == 0; }
    double mean() const { return count > 0 ? sum / double(count) : 0.0; }
};

// The stretches of records of one mark kind (no link, sensor break). A stretch is a run of
// consecutive records of that kind; it lasts from its first record to the next record of
// any other kind, or to its own last record when the range ends inside it.
struct MarkStretches
{
    qint64 seconds = 0;
    int count = 0;
};

// One line of the report's table: the records of an hour or a day.
struct IntervalSummary
{
    WallSeconds from = 0; // the interval's first second
    WallSeconds to = 0;   // the first second after it
    qint64 records = 0;
    ValueSummary values;
};

// What a report says of a range's records.
struct ReportStatistics
{
    qint64 records = 0;
    ValueSummary values; // measurements only: marks count in neither extreme nor mean
    MarkStretches noLink;
    MarkStretches sensorBreak;
    qint64 intervalSeconds = 3600;
    // From the interval of the first record to that of the last, empty ones included.
    QVector<IntervalSummary> intervals;
};

// The length of the table's intervals for a range: an hour up to two days, a day beyond.
qint64 ReportIntervalSeconds(WallSeconds from, WallSeconds to);

// The statistics of a series in time order (as LoadSeries makes it); from and to are the
// range asked for, which chooses the intervals' length.
ReportStatistics ComputeReportStatistics(const HistorySeries &series, WallSeconds from,
                                         WallSeconds to);

// A duration as hours, minutes and seconds, the hours not wrapped at a day ("49:05:00").
QString DurationText(qint64 seconds);

} // namespace zeltar
