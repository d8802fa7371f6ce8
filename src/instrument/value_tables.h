#pragma once

#include <QStringList>

namespace zeltar {

// Texts of the instrument's value tables. A stored field value is the index of its text
// (PribPort excepted: its list index is PribPort - 1).

constexpr int SensorTypeCount = 17;

// Sensor type names, index = PribType.
QStringList SensorTypeNames();

// Measuring ranges of a sensor type, index = PribDiap; empty for a type outside 0 to 16.
QStringList SensorRanges(int type);

// True for the sensor types that measure a temperature in degrees Celsius: thermocouples,
// resistance thermometers and pyrometers (types 2 to 16). Current and voltage inputs
// (0 and 1) give a unified signal whose unit the station does not know.
bool MeasuresTemperature(int type);

// "COM1" to "COM8".
QStringList PortTexts();

// "2400" to "115200", index = PribBaud.
QStringList BaudTexts();

// Chart rotation periods "1 ч" to "192 ч", index = PribPeriod.
QStringList PeriodTexts();

// Regulation laws, index = PribTypeReg.
QStringList RegulationLawTexts();

// Display formats of the decimal point position, index = PribZap.
QStringList DecimalPointTexts();

// Lists of the settings window whose index builds a flag bit (see SettingsEntries).
QStringList ConnectionTexts();     // "3х", "4х"
QStringList ContactStateTexts();   // "Замкнуто", "Разомкнуто"
QStringList SetpointTypeTexts();   // "Больше", "Меньше"
QStringList RegulationModeTexts(); // "Значение", "Программа"

} // namespace zeltar
