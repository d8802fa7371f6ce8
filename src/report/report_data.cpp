#include "report/report_data.h"

#include "alarms/alarm_history.h"

#include <QDir>

namespace zeltar {

namespace {

constexpr WallSeconds OpenStart = std::numeric_limits<WallSeconds>::min();
constexpr WallSeconds OpenEnd = std::numeric_limits<WallSeconds>::max();

} // namespace

bool LoadReportData(const ReportSource &source, const QDateTime &made, ReportData *data,
                    QString *error)
{
    *data = ReportData();
    data->deviceName = source.deviceName;
    data->stationName = QDir(source.stationDir).dirName();
    data->from = source.from;
    data->to = source.to;
    data->made = made;
    if (!LoadSeries(source.range, &data->series, error))
        return false;
    const auto [from, to] = ReportMoments(*data);
    data->statistics = ComputeReportStatistics(data->series, from, to);
    if (source.device > 0 &&
        !ReadAlarmRaises(source.archiveDir, source.device, from, to, &data->alarms, error))
        return false;
    return true;
}

std::pair<WallSeconds, WallSeconds> ReportMoments(const ReportData &data)
{
    const HistorySeries &series = data.series;
    const bool any = series.size() > 0;
    WallSeconds from = data.from;
    WallSeconds to = data.to;
    if (from == OpenStart)
        from = any ? series.moment(0) : (to == OpenEnd ? 0 : to);
    if (to == OpenEnd)
        to = any ? series.moment(series.size() - 1) : from;
    return {from, to};
}

} // namespace zeltar
