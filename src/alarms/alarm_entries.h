#pragma once

#include "alarms/alarm_settings.h"

#include <QString>

namespace zeltar {

// The "Сигнализация" page of the settings window as plain entries: the texts of its fields
// and its switch.
struct AlarmEntries
{
    QString editAlarmHigh;
    QString editAlarmLow;
    QString editAlarmDeadband;
    QString editAlarmDelay;
    QString editAlarmNoLink;
    bool checkAlarmBreak = false;

    bool operator==(const AlarmEntries &other) const;
    bool operator!=(const AlarmEntries &other) const { return !(*this == other); }
};

// The settings as the page shows them: numbers with the locale's separator, an empty field
// for a limit that is not set.
AlarmEntries EntriesFromAlarms(const DeviceAlarmSettings &settings);

// Takes the entries into *settings. Returns the message that refuses an entry (and leaves
// *settings untouched), or an empty text. A limit may be empty (none) and takes "," or ".";
// the low limit may not lie above the high one; numbers out of their range are refused,
// never bounded.
QString ParseAlarmEntries(const AlarmEntries &entries, DeviceAlarmSettings *settings);

} // namespace zeltar
