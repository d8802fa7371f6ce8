#pragma once

#include "instrument/instrument_settings.h"

#include <QJsonObject>
#include <QString>

namespace zeltar::ctl {

// Puts the keys of a settings file (the JSON that `settings` prints) into *record, which
// holds what was read from the instrument, so keys left out keep the instrument's values.
//
// Lists, flag bytes and PribPeriodArh take whole numbers within the stored ranges;
// Program takes up to 30 steps checked as the step editor checks them, and PribPoint, when
// given, must count those steps. Numbers are taken as they are, and a value that is no
// number a single can hold (a text that is none, 1e39) becomes NaN, so that the settings
// window's checks refuse it with their own message. Number, PribName, PribVkl, PribPort
// (the station's own) and Clock (written with `clock set`) are passed over.
//
// Returns an empty text, or what is wrong with the file; *record may then be half done.
QString ApplySettingsFile(const QJsonObject &file, InstrumentSettings *record);

} // namespace zeltar::ctl
