#pragma once

#include "history/history_series.h"

#include <QRectF>

class QPainter;

namespace zeltar {

// The chart of a report in area (the painter's units, a point of a page): the measurements
// from .. to as a red line, decimated per column as the history chart does, broken where
// there was no link (a grey band) or a sensor break (an orange band), with value and time
// axes. Without records it says so.
void DrawReportChart(QPainter &painter, const QRectF &area, const HistorySeries &series,
                     double from, double to);

} // namespace zeltar
