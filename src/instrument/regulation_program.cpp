#include "instrument/regulation_program.h"

#include "core/number_text.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <optional>

namespace zeltar {

namespace {

// A part of the editor's time text: blanks, then one or more decimal digits. The field's
// mask lets nothing else through, so a sign is refused rather than read.
std::optional<int> timePart(const QString &text)
{
    int i = 0;
    while (i < text.size() && text.at(i) == QLatin1Char(' '))
        ++i;
    if (i == text.size())
        return std::nullopt;
    int value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = 10 * value + (c - u'0');
    }
    return value;
}

} // namespace

QString ProgramTimeText(const ProgramStep &step)
{
    return PadZero(QString::number(step.Hours), 2) + QLatin1Char(':') +
           PadZero(QString::number(step.Minutes), 2);
}

QString ProgramValueText(float value, ProgramValueFormat format)
{
    return format == ProgramValueFormat::Fixed ? FormatNumber(value) : SingleNumberText(value);
}

QString RegulationProgram::addStep(int row)
{
    if (m_settings.PribPoint >= MaxProgramSteps)
        return ProgramFullMessage;
    if (row <= 0)
        return {};
    const int n = ++m_settings.PribPoint;
    if (n == 1) {
        entry(1) = ProgramStep{};
        return {};
    }
    const int r = std::min(row, n - 1); // past the last step: append
    for (int i = n - 1; i >= r + 1; --i)
        entry(i + 1) = entry(i);
    entry(r + 1) = ProgramStep{entry(r).Hours, entry(r).Minutes, 0.0f};
    return {};
}

bool RegulationProgram::deleteStep(int row)
{
    if (m_settings.PribPoint == 0 || !isStepRow(row))
        return false;
    for (int i = row; i <= m_settings.PribPoint; ++i)
        entry(i) = entry(i + 1);
    --m_settings.PribPoint;
    return true;
}

StepEditorTexts RegulationProgram::editorTexts(int row) const
{
    if (!isStepRow(row))
        return {};
    const ProgramStep &s = entry(row);
    return {QStringLiteral("Настройка шага ") + QString::number(row) +
                QStringLiteral(" программы регулирования"),
            ProgramTimeText(s), SingleNumberText(s.Value)};
}

QString RegulationProgram::applyEdit(int row, const QString &timeText, const QString &valueText)
{
    // Hours run up to the colon: two places, or three for a step of 100 hours and more.
    const qsizetype colon = timeText.indexOf(QLatin1Char(':'));
    const std::optional<int> hours = colon < 0 ? std::nullopt : timePart(timeText.left(colon));
    if (!hours || *hours >= ProgramEndHours)
        return StepHourMessage;
    const std::optional<int> minutes = timePart(timeText.mid(colon + 1, 2));
    if (!minutes)
        return StepMinuteMessage;
    if (*minutes > 59)
        return StepMinuteRangeMessage;
    const std::optional<double> value = ParseEnteredNumber(valueText);
    // A number beyond the range of a single would reach the instrument as infinity.
    if (!value || !std::isfinite(ToSingle(*value)))
        return StepValueMessage;
    if (!isStepRow(row))
        return {};
    entry(row) =
        ProgramStep{static_cast<quint8>(*hours), static_cast<quint8>(*minutes), ToSingle(*value)};
    return {};
}

QVector<ProgramGridRow> RegulationProgram::gridRows(ProgramValueFormat format) const
{
    QVector<ProgramGridRow> rows;
    for (int i = 1; i <= m_settings.PribPoint; ++i) {
        const ProgramStep &s = entry(i);
        rows.append({QString::number(i), ProgramTimeText(s), ProgramValueText(s.Value, format)});
    }
    if (rows.isEmpty())
        rows.append(ProgramGridRow{});
    return rows;
}

QVector<ProgramChartPoint> RegulationProgram::chartPoints() const
{
    QVector<ProgramChartPoint> points;
    for (int i = 1; i <= m_settings.PribPoint; ++i) {
        const ProgramStep &s = entry(i);
        points.append({s.Hours * 60.0 + s.Minutes, s.Value, ProgramTimeText(s)});
    }
    std::stable_sort(
        points.begin(), points.end(),
        [](const ProgramChartPoint &a, const ProgramChartPoint &b) { return a.x < b.x; });
    return points;
}

} // namespace zeltar
