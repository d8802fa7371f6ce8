#pragma once

#include "history/history_range.h"

#include <QVector>

namespace zeltar {

// The chart's own copy of a range: moment and value of each record, in time order, in
// nine bytes a record (a month of records every 3 s is under 8 MB). Everything else stays
// in the tables.
struct HistorySeries
{
    WallSeconds origin = 0;
    QVector<qint32> offsets; // seconds after origin, ascending
    QVector<float> values;   // as stored; above MaxMeasurement a no-link or break mark

    int size() const { return int(offsets.size()); }
    WallSeconds moment(int i) const { return origin + offsets.at(i); }
    bool isMark(int i) const;
    // The first record at or after moment; size() when there is none.
    int lowerBound(double moment) const;
    // The first record after moment; size() when there is none.
    int upperBound(double moment) const;
    // The record nearest to moment; -1 for an empty series.
    int nearest(double moment) const;
};

// Reads the range's records into a series; records whose date cannot be read are left out.
// pause, when given, is called after every SeriesPauseRecords records, so that a long range
// need not hold up everything else. False (with error) when a table cannot be read.
constexpr int SeriesPauseRecords = 10000;
bool LoadSeries(const HistoryRange &range, HistorySeries *series, QString *error = nullptr,
                const std::function<void()> &pause = {});

// The lowest and highest measurement (marks left out) of records first .. end - 1.
struct ValueSpan
{
    double min = 0;
    double max = 0;
    bool empty = true;
};
ValueSpan MeasurementSpan(const HistorySeries &series, int first, int end);

// The records to draw for the moments from .. to on a chart of columns pixel columns:
// every record when there are few, otherwise per column its first and last record, its
// lowest and highest measurement and the first and last mark, so every extreme and every
// run of marks stays visible however long the range. The records just outside the window
// are added so that the line runs to its edges. Indices into the series, ascending.
QVector<int> DecimatedRecords(const HistorySeries &series, double from, double to, int columns);

} // namespace zeltar
