#pragma once

#include "config/configuration.h"
#include "instrument/instrument_settings.h"

#include <QJsonObject>
#include <QString>

namespace zeltar {

// The configuration as the station holds it after loading, for printing:
// {"ProgramSettings": {...}, "Devices": [{"Number": 1, "PribName": ..., ...,
//  "Program": [{"Hours", "Minutes", "Value"}, ...]}, ...]}.
// Keys are the field names; the four setpoints and return zones appear one by one.
QJsonObject ConfigJson(const ProgramSettings &settings, const DeviceTable &table);

// A single as the shortest decimal that reads back as the same single, so 0.1f prints
// as 0.1 and not as 0.10000000149011612.
double JsonNumber(float value);

// Loads Zeltar.ini of the folder with every default and correction (creating nothing)
// and returns ConfigJson of the result.
QJsonObject LoadConfigJson(const QString &progDir);

} // namespace zeltar
