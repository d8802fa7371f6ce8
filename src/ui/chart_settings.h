#pragma once

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

// A value in general form for an entry field: up to 15 significant digits with the
// locale's decimal separator, no trailing zeros (500 is "500", 25.3f is
// "25.2999992370605").
QString GeneralNumberText(double value);

} // namespace zeltar
