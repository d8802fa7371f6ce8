#include "history/report_statistics.h"

#include "acquisition/polling_state.h"

#include <algorithm>

namespace zeltar {

namespace {

constexpr qint64 HourSeconds = 3600;
constexpr qint64 DaySeconds = 24 * HourSeconds;

WallSeconds IntervalStart(WallSeconds moment, qint64 length)
{
    const WallSeconds rest = moment % length;
    return moment - (rest < 0 ? rest + length : rest);
}

// Follows the runs of marks through the records in time order.
class StretchCounter
{
public:
    void next(RecordKind kind, WallSeconds at, ReportStatistics &statistics)
    {
        if (kind == m_kind)
            return;
        close(at, statistics);
        m_kind = kind;
        m_start = at;
    }
    void close(WallSeconds end, ReportStatistics &statistics)
    {
        if (m_kind == RecordKind::Measured)
            return;
        MarkStretches &stretches =
            m_kind == RecordKind::NoLink ? statistics.noLink : statistics.sensorBreak;
        stretches.seconds += end - m_start;
        ++stretches.count;
        m_kind = RecordKind::Measured;
    }

private:
    RecordKind m_kind = RecordKind::Measured;
    WallSeconds m_start = 0;
};

} // namespace

RecordKind KindOfValue(double value)
{
    if (value <= double(MaxMeasurement))
        return RecordKind::Measured;
    return value >= double(NoLinkValue) ? RecordKind::NoLink : RecordKind::SensorBreak;
}

void ValueSummary::add(double value, WallSeconds at)
{
    if (count == 0 || value < min) {
        min = value;
        minAt = at;
    }
    if (count == 0 || value > max) {
        max = value;
        maxAt = at;
    }
    sum += value;
    ++count;
}

qint64 ReportIntervalSeconds(WallSeconds from, WallSeconds to)
{
    return to - from <= 2 * DaySeconds ? HourSeconds : DaySeconds;
}

ReportStatistics ComputeReportStatistics(const HistorySeries &series, WallSeconds from,
                                         WallSeconds to)
{
    ReportStatistics statistics;
    statistics.records = series.size();
    statistics.intervalSeconds = ReportIntervalSeconds(from, to);
    if (series.size() == 0)
        return statistics;

    const qint64 length = statistics.intervalSeconds;
    const WallSeconds firstInterval = IntervalStart(series.moment(0), length);
    const WallSeconds lastInterval = IntervalStart(series.moment(series.size() - 1), length);
    for (WallSeconds start = firstInterval; start <= lastInterval; start += length)
        statistics.intervals.append({start, start + length, 0, {}});

    StretchCounter stretches;
    for (int i = 0; i < series.size(); ++i) {
        const WallSeconds at = series.moment(i);
        const double value = series.values.at(i);
        const RecordKind kind = KindOfValue(value);
        stretches.next(kind, at, statistics);
        IntervalSummary &interval =
            statistics.intervals[int((IntervalStart(at, length) - firstInterval) / length)];
        ++interval.records;
        if (kind != RecordKind::Measured)
            continue;
        statistics.values.add(value, at);
        interval.values.add(value, at);
    }
    stretches.close(series.moment(series.size() - 1), statistics);
    return statistics;
}

QString DurationText(qint64 seconds)
{
    return QStringLiteral("%1:%2:%3")
        .arg(seconds / 3600, 2, 10, QLatin1Char('0'))
        .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace zeltar
