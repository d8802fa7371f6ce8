#include "ui/chart_settings.h"

#include "core/number_text.h"

#include <QLocale>

#include <limits>

namespace zeltar {

namespace {

constexpr int MinChartPoints = 5;
constexpr int MaxChartPoints = 500;

ChartSettingsCheck Refused(const QString &message)
{
    ChartSettingsCheck check;
    check.message = message;
    return check;
}

} // namespace

ChartSettingsCheck CheckChartSettings(const QString &grafN, const QString &grafMax,
                                      const QString &grafMin)
{
    const std::optional<long long> points = ParseInteger(grafN);
    if (!points || *points < std::numeric_limits<qint32>::min() ||
        *points > std::numeric_limits<qint32>::max())
        return Refused(QStringLiteral("Неверное количество точек"));
    if (*points < MinChartPoints || *points > MaxChartPoints)
        return Refused(QStringLiteral("Число точек должно быть в диапазоне от 5 до 500"));
    const std::optional<double> maximum = ParseEnteredNumber(grafMax);
    if (!maximum)
        return Refused(QStringLiteral("Неверное максимальное значение"));
    const std::optional<double> minimum = ParseEnteredNumber(grafMin);
    if (!minimum)
        return Refused(QStringLiteral("Неверное минимальное значение"));
    if (!(*minimum < *maximum))
        return Refused(QStringLiteral("Максимальное значение должно быть больше минимального"));

    ChartSettingsCheck check;
    check.accepted = true;
    check.settings = {static_cast<qint32>(*points), *maximum, *minimum};
    return check;
}

} // namespace zeltar
