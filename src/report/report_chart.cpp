#include "report/report_chart.h"

#include "history/report_statistics.h"
#include "report/chart_axes.h"

#include <QPainter>

#include <algorithm>

namespace zeltar {

namespace {

constexpr int Gap = 4;
constexpr int TickLength = 3;
constexpr int TimeLabelWidth = 60;
constexpr double ShortestWindow = 10.0; // seconds
constexpr int ColumnsPerPoint = 2;      // decimation columns per point of the plot's width
const QColor LineColor(0xd0, 0x00, 0x00);
const QColor FrameColor(0x80, 0x80, 0x80);

QColor BandColor(RecordKind kind)
{
    return kind == RecordKind::NoLink ? QColor(0xc8, 0xc8, 0xc8) : QColor(0xff, 0xcc, 0x80);
}

// Maps moments and values onto the plot.
struct PlotMap
{
    QRect plot;
    double from;
    double to;
    ChartRange values;

    double x(double moment) const
    {
        return plot.left() + (moment - from) * plot.width() / (to - from);
    }
    double y(double value) const
    {
        return plot.top() + (values.max - value) * plot.height() / (values.max - values.min);
    }
};

// The bands of no link and sensor break: from a mark to the next record drawn, runs of one
// kind joined into one rectangle.
void DrawMarkBands(QPainter &painter, const PlotMap &map, const HistorySeries &series,
                   const QVector<int> &chosen)
{
    for (int k = 0; k < chosen.size(); ++k) {
        const RecordKind kind = KindOfValue(series.values.at(chosen.at(k)));
        if (kind == RecordKind::Measured)
            continue;
        const double start = double(series.moment(chosen.at(k)));
        int end = k + 1;
        while (end < chosen.size() && KindOfValue(series.values.at(chosen.at(end))) == kind)
            ++end;
        const double stop = end < chosen.size() ? double(series.moment(chosen.at(end)))
                                                : double(series.moment(chosen.at(end - 1)));
        const double left = map.x(start);
        painter.fillRect(
            QRectF(left, map.plot.top(), std::max(map.x(stop) - left, 0.5), map.plot.height()),
            BandColor(kind));
        k = end - 1;
    }
}

// The measurements as polylines, broken at every mark.
void DrawMeasurements(QPainter &painter, const PlotMap &map, const HistorySeries &series,
                      const QVector<int> &chosen)
{
    QPen pen(LineColor);
    pen.setWidthF(0.8);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    painter.setPen(pen);
    painter.setBrush(LineColor);
    QPolygonF run;
    const auto flush = [&] {
        if (run.size() == 1)
            painter.drawEllipse(run.first(), 0.8, 0.8);
        else if (run.size() > 1)
            painter.drawPolyline(run);
        run.clear();
    };
    for (int i : chosen) {
        if (series.isMark(i)) {
            flush();
            continue;
        }
        run.append(QPointF(map.x(double(series.moment(i))), map.y(series.values.at(i))));
    }
    flush();
}

} // namespace

void DrawReportChart(QPainter &painter, const QRectF &area, const HistorySeries &series,
                     double from, double to)
{
    painter.save();
    painter.translate(area.topLeft());
    const QFontMetrics metrics = painter.fontMetrics();
    const int width = int(area.width());
    const int height = int(area.height());
    const int left = metrics.horizontalAdvance(QStringLiteral("-000000,00")) + Gap + TickLength;
    const int bottom = height - 2 * metrics.height() - Gap;
    const QRect plot(QPoint(left, metrics.height() / 2), QPoint(width - 2, bottom));

    if (to - from < ShortestWindow) {
        const double centre = (from + to) / 2;
        from = centre - ShortestWindow / 2;
        to = centre + ShortestWindow / 2;
    }
    const PlotMap map{plot, from, to, ValueAxisOver(MeasurementSpan(series, 0, series.size()))};
    const QVector<int> chosen = DecimatedRecords(series, from, to, plot.width() * ColumnsPerPoint);
    painter.fillRect(plot, Qt::white);
    painter.save();
    painter.setClipRect(plot);
    DrawMarkBands(painter, map, series, chosen);
    painter.restore();
    painter.setPen(Qt::black);
    DrawValueTicks(painter, plot, map.values,
                   ValueAxisTicks(map.values, std::max(2, plot.height() / (2 * metrics.height()))));
    if (series.size() > 0)
        DrawTimeTicks(painter, plot, from, to, TimeLabelWidth);
    painter.setPen(FrameColor);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(plot);
    if (series.size() == 0) {
        painter.setPen(Qt::black);
        painter.drawText(plot, Qt::AlignCenter, QStringLiteral("Нет записей за выбранное время"));
    }
    painter.setClipRect(plot);
    painter.setRenderHint(QPainter::Antialiasing);
    DrawMeasurements(painter, map, series, chosen);
    painter.restore();
}

} // namespace zeltar
