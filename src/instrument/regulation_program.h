#pragma once

#include "instrument/instrument_settings.h"

#include <QString>
#include <QVector>

namespace zeltar {

// Texts of the program editing.
inline const QString ProgramFullMessage =
    QStringLiteral("Максимальное количество точек в программе 30"); // warning icon
inline const QString StepHourMessage = QStringLiteral("Неверное значение часа");
inline const QString StepMinuteMessage = QStringLiteral("Неверное значение минут");
inline const QString StepMinuteRangeMessage =
    QStringLiteral("Значение минут должно быть в диапазоне от 0 до 59");
inline const QString StepValueMessage = QStringLiteral("Неверное значение");
inline const QString ProgramChartTitle = QStringLiteral("Программа регулирования");

// How the grid writes a step's value: "0.####" when the instrument's page is filled from
// the record, the single's shortest general form (0.1f as 0.1, 1/3 as 0.33333334)
// when the grid is refilled after an add, an edit or a delete.
enum class ProgramValueFormat
{
    Fixed,
    General
};

// One data row of the program grid.
struct ProgramGridRow
{
    QString number;
    QString time;
    QString value;
};

// One point of the program chart: minutes from the program start, the value, hh:mm.
struct ProgramChartPoint
{
    double x = 0;
    double y = 0;
    QString label;
};

// The step texts of the editor dialog.
struct StepEditorTexts
{
    QString caption;
    QString time;
    QString value;
};

// "hh:mm", each part padded to two digits. Hours of 100 and more (an instrument's own
// program may reach 254) keep all their digits, so such a step shows as "123:05"; the
// editor's two-digit field cannot take them, and a step edited there gets 0 to 99 hours.
QString ProgramTimeText(const ProgramStep &step);

QString ProgramValueText(float value, ProgramValueFormat format);

// The regulation program of one instrument's record, edited in place. Rows are the grid's
// data rows, counted from 1 like the steps; row 0 (the header) or less means that no step
// is selected.
class RegulationProgram
{
public:
    explicit RegulationProgram(InstrumentSettings &settings) : m_settings(settings) {}

    int stepCount() const { return m_settings.PribPoint; }
    // Whether the row shows a step; the editor opens only on such a row.
    bool isStepRow(int row) const { return row >= 1 && row <= m_settings.PribPoint; }

    // Inserts a step after the selected row: at 00:00 with value 0 into an empty program,
    // otherwise at the selected step's time with value 0. Returns the refusal for a full
    // program, else an empty text (also when no row is selected and nothing changes).
    QString addStep(int row);

    // Removes the selected step; the steps after it, and the entry after the last one,
    // move up. False when there was nothing to remove.
    bool deleteStep(int row);

    // The step editor's caption and field texts for the step of this row; empty texts for
    // a row that shows no step.
    StepEditorTexts editorTexts(int row) const;

    // The editor's OK: checks the time text (hours at characters 1-2, minutes at 4-5) and
    // the value (either decimal separator) in that order and stores them into the step of
    // this row. Returns the first check's message (error icon) and changes nothing, or an
    // empty text when the step was stored (a row that shows no step is left alone).
    QString applyEdit(int row, const QString &timeText, const QString &valueText);

    // The grid's data rows, one per step; a program without steps has one empty row.
    QVector<ProgramGridRow> gridRows(ProgramValueFormat format) const;

    // One chart point per step, in ascending time; steps of equal time keep their order.
    QVector<ProgramChartPoint> chartPoints() const;

private:
    ProgramStep &entry(int number) { return m_settings.Program.at(size_t(number - 1)); }
    const ProgramStep &entry(int number) const { return m_settings.Program.at(size_t(number - 1)); }

    InstrumentSettings &m_settings;
};

} // namespace zeltar
