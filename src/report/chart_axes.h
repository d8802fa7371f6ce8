#pragma once

#include "history/history_series.h"

#include <QRect>
#include <QString>
#include <QVector>

class QPainter;

namespace zeltar {

// The span of an axis, min < max.
struct ChartRange
{
    double min = 0.0;
    double max = 0.0;

    bool operator==(const ChartRange &other) const { return min == other.min && max == other.max; }
    bool operator!=(const ChartRange &other) const { return !(*this == other); }
};

// A number printed beside the value axis.
struct AxisTick
{
    double value = 0.0;
    QString text; // in the default locale's format
};

// Ticks inside range at a round step (1, 2 or 5 times a power of ten) no smaller than
// the range divided by maxTicks, so there are at most maxTicks + 1 of them.
QVector<AxisTick> ValueAxisTicks(const ChartRange &range, int maxTicks);

// Draws the value axis's ticks of range beside plot: a grid line across the plot, a short
// mark and the number on the left, in the painter's pen.
void DrawValueTicks(QPainter &painter, const QRect &plot, const ChartRange &range,
                    const QVector<AxisTick> &ticks);

// The automatic value axis over the measurements' span: the span with a margin of 5 %, a
// flat line widened; 0 to 1 without measurements.
ChartRange ValueAxisOver(const ValueSpan &span);

// A round step of a time axis in seconds (1 s up to 30 days, then whole multiples of 30
// days) that puts at most maxTicks ticks on span seconds.
double TimeAxisStep(double span, int maxTicks);

// Draws the time axis of the moments from .. to (wall seconds) below plot: a grid line and a
// mark at every round step that leaves labelWidth for a label, the time under each (for
// steps below a day) and the date under the first tick of every day, in the painter's pen.
void DrawTimeTicks(QPainter &painter, const QRect &plot, double from, double to, int labelWidth);

} // namespace zeltar
