#pragma once

#include "core/number_text.h"

#include <QString>

namespace zeltar {

// The chart settings the operator applies: points drawn and the value axis.
struct ChartSettings
{
    qint32 GrafN = 50;
    double GrafMax = 500.0;
    double GrafMin = 0.0;
};

// The outcome of checking the chart-settings entries: the accepted settings, or the
// message of the first check that failed.
struct ChartSettingsCheck
{
    bool accepted = false;
    ChartSettings settings;
    QString message;
};

// Checks the entries of the point count, the maximum and the minimum in that order; the
// two values may be typed with either decimal separator.
ChartSettingsCheck CheckChartSettings(const QString &grafN, const QString &grafMax,
                                      const QString &grafMin);

} // namespace zeltar
