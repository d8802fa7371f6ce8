#include "report/chart_axes.h"

#include "history/record_moment.h"

#include <QColor>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>

#include <algorithm>
#include <array>
#include <cmath>

namespace zeltar {

namespace {

constexpr int Gap = 4; // between the plot and the axis texts
constexpr int TickLength = 3;
const QColor GridColor(0xe0, 0xe0, 0xe0);

// A step of 1, 2 or 5 times a power of ten, not below raw.
double RoundStep(double raw)
{
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double normal = raw / magnitude;
    if (normal <= 1.0)
        return magnitude;
    if (normal <= 2.0)
        return 2.0 * magnitude;
    if (normal <= 5.0)
        return 5.0 * magnitude;
    return 10.0 * magnitude;
}

// Round steps of the time axis, in seconds.
constexpr std::array<double, 21> TimeSteps = {1,     2,     5,     10,     15,     30,     60,
                                              120,   300,   600,   900,    1800,   3600,   7200,
                                              10800, 21600, 43200, 86400., 172800, 604800, 2592000};

} // namespace

QVector<AxisTick> ValueAxisTicks(const ChartRange &range, int maxTicks)
{
    QVector<AxisTick> ticks;
    const double span = range.max - range.min;
    if (!(span > 0.0) || !std::isfinite(span) || maxTicks < 1)
        return ticks;
    const double step = RoundStep(span / maxTicks);
    if (!(step > 0.0) || !std::isfinite(step))
        return ticks;

    // As many decimals as the step has, so that 0.1 + 0.2 prints as 0.3.
    const int decimals = std::clamp(-static_cast<int>(std::floor(std::log10(step) + 1e-9)), 0, 15);
    const double tolerance = step * 1e-9;
    const double first = std::ceil(range.min / step - 1e-9) * step;
    const QLocale locale;
    for (int i = 0; i <= maxTicks + 1; ++i) {
        double value = first + i * step;
        if (value > range.max + tolerance)
            break;
        if (std::abs(value) < tolerance)
            value = 0.0; // no "-0"
        ticks.append({value, locale.toString(value, 'f', decimals)});
    }
    return ticks;
}

void DrawValueTicks(QPainter &painter, const QRect &plot, const ChartRange &range,
                    const QVector<AxisTick> &ticks)
{
    const QPen textPen = painter.pen();
    const int textHeight = painter.fontMetrics().height();
    const QRectF area(plot);
    for (const AxisTick &tick : ticks) {
        const int y =
            qRound(area.top() + (range.max - tick.value) / (range.max - range.min) * area.height());
        painter.setPen(GridColor);
        painter.drawLine(plot.left(), y, plot.right(), y);
        painter.setPen(textPen);
        painter.drawLine(plot.left() - TickLength, y, plot.left() - 1, y);
        const QRect textRect(0, y - textHeight / 2, plot.left() - TickLength - Gap, textHeight);
        painter.drawText(textRect, Qt::AlignRight | Qt::AlignVCenter, tick.text);
    }
}

ChartRange ValueAxisOver(const ValueSpan &span)
{
    if (span.empty)
        return {0.0, 1.0};
    const double margin =
        std::max((span.max - span.min) * 0.05, std::max(1.0, std::abs(span.max)) * 0.01);
    return {span.min - margin, span.max + margin};
}

double TimeAxisStep(double span, int maxTicks)
{
    for (double step : TimeSteps) {
        if (span / step <= maxTicks)
            return step;
    }
    return TimeSteps.back() * std::ceil(span / maxTicks / TimeSteps.back());
}

void DrawTimeTicks(QPainter &painter, const QRect &plot, double from, double to, int labelWidth)
{
    const QPen textPen = painter.pen();
    const int textHeight = painter.fontMetrics().height();
    const double span = to - from;
    const double step = TimeAxisStep(span, std::max(1, plot.width() / labelWidth));
    const QString timeFormat = step < 60 ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm");
    QDate lastDate;
    for (double tick = std::ceil(from / step) * step; tick <= to; tick += step) {
        const int x = qRound(plot.left() + (tick - from) * plot.width() / span);
        painter.setPen(GridColor);
        painter.drawLine(x, plot.top(), x, plot.bottom());
        painter.setPen(textPen);
        painter.drawLine(x, plot.bottom() + 1, x, plot.bottom() + TickLength);
        const QDateTime moment = FromWallSeconds(WallSeconds(tick));
        const QRect timeRect(x - labelWidth / 2, plot.bottom() + Gap, labelWidth, textHeight);
        if (step < 86400)
            painter.drawText(timeRect, Qt::AlignCenter, moment.toString(timeFormat));
        if (moment.date() != lastDate) {
            painter.drawText(timeRect.translated(0, step < 86400 ? textHeight : 0), Qt::AlignCenter,
                             moment.toString(QStringLiteral("dd.MM.yyyy")));
            lastDate = moment.date();
        }
    }
}

} // namespace zeltar
