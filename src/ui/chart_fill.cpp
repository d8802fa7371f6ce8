#include "ui/chart_fill.h"

#include "acquisition/archive_table.h"
#include "acquisition/polling_state.h"
#include "ui/archive_table_model.h"

#include <algorithm>

namespace zeltar {

namespace {

const QColor GoodColor = Qt::red;
const QColor MarkColor = Qt::black;

} // namespace

QVector<ChartPoint> ArchiveChartPoints(int recordCount, const ChartRecordReader &read, int grafN,
                                       double grafMax)
{
    QVector<ChartPoint> points;
    if (recordCount <= 0 || grafN <= 0)
        return points;
    const int first = recordCount < grafN ? 0 : recordCount - grafN;
    points.reserve(recordCount - first);
    bool afterMark = false;
    for (int record = first; record < recordCount; ++record) {
        const ChartRecord values = read(record);
        ChartPoint point{double(record + 1), values.znac, values.time, GoodColor};
        if (values.znac > MaxMeasurement) {
            point.y = grafMax;
            point.color = MarkColor;
            afterMark = true;
        } else if (afterMark) {
            point.color = MarkColor;
            afterMark = false;
        }
        points.append(point);
    }
    return points;
}

QVector<ChartPoint> ArchiveChartPoints(const ArchiveTableModel &model, int grafN, double grafMax)
{
    const ArchiveTable &table = model.table();
    const int znac = table.fieldIndex(QStringLiteral("ZNAC"));
    const int time = table.fieldIndex(QStringLiteral("TIME"));
    const auto read = [&](int record) {
        const int kept = model.fileRecord(record);
        return ChartRecord{table.readDouble(kept, znac), table.readText(kept, time)};
    };
    return ArchiveChartPoints(model.recordCount(), read, grafN, grafMax);
}

QVector<ChartPoint> DownloadedChartPoints(const QVector<ChartRecord> &records)
{
    QVector<ChartPoint> points;
    points.reserve(records.size());
    for (int i = 0; i < records.size(); ++i) {
        const double value = records.at(i).znac;
        const bool mark =
            value > MaxMeasurement || (i > 0 && records.at(i - 1).znac > MaxMeasurement);
        points.append({double(i + 1), value, records.at(i).time, mark ? MarkColor : GoodColor});
    }
    return points;
}

DownloadedRange DownloadedChartRange(const QVector<ChartRecord> &records, bool skipFirst)
{
    DownloadedRange range;
    for (int i = skipFirst ? 1 : 0; i < records.size(); ++i) {
        const double value = records.at(i).znac;
        if (value >= SensorBreakValue)
            continue;
        range.lowest = std::min(range.lowest, value);
        range.highest = std::max(range.highest, value);
    }
    return range;
}

} // namespace zeltar
