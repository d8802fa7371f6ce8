#pragma once

#include "ui/chart_widget.h"

#include <QString>
#include <QVector>

#include <algorithm>
#include <functional>

namespace zeltar {

class ArchiveTableModel;

// What the chart needs of one archive record.
struct ChartRecord
{
    double znac = 0;
    QString time;
};

// Reads record i (counted from 0) of a table.
using ChartRecordReader = std::function<ChartRecord(int record)>;

// The chart of the polling archive: the newest grafN of recordCount records (all of them
// when there are fewer), oldest first, with the record number counted from 1 as x and
// the time as label. A break or no-link record (value above 99999) is drawn at grafMax in
// black and the record after a run of them at its own value in black; every other record
// is drawn at its value in red.
QVector<ChartPoint> ArchiveChartPoints(int recordCount, const ChartRecordReader &read, int grafN,
                                       double grafMax);
// The same over the table a grid model has open (its records marked deleted passed over),
// reading only the records drawn.
QVector<ChartPoint> ArchiveChartPoints(const ArchiveTableModel &model, int grafN, double grafMax);

// The chart of an instrument's own archive after a download: every record at its own
// value, x counted from 1, black when the value or the one before it is above 99999,
// red otherwise.
QVector<ChartPoint> DownloadedChartPoints(const QVector<ChartRecord> &records);

// The value range of a downloaded archive's chart: the lowest and highest value below
// 100000 among the records, leaving out the first one when skipFirst is set (the record of
// registers 22 to 26). With no such value it stays at its start, lowest above highest.
struct DownloadedRange
{
    double lowest = 500000.0;
    double highest = -500000.0;

    // The value axis over it, in order even when the range was never widened.
    ChartRange axis() const { return {std::min(lowest, highest), std::max(lowest, highest)}; }
};

DownloadedRange DownloadedChartRange(const QVector<ChartRecord> &records, bool skipFirst);

} // namespace zeltar
