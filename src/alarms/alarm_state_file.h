#pragma once

#include "alarms/alarm_rules.h"

#include <QString>
#include <QVector>

namespace zeltar {

// The alarms that are not normal, kept in the station folder (Alarms.json) so that they
// outlive a restart: an alarm active and unacknowledged when the station stopped is so when
// it starts again, and is not told again.
//
//     {"alarms": [{"device": 1, "name": "Печь 1", "kind": "high", "state": "active",
//                  "value": 1043.2, "limit": 1000, "raised": "2026-12-09T14:05:09+03:00"}]}
struct KeptAlarm
{
    int device = 0;
    QString name; // the device's name then: an alarm of a device renamed or moved is dropped
    AlarmKind kind = AlarmKind::High;
    AlarmCondition condition;
};

inline const QString AlarmStateName = QStringLiteral("Alarms.json");

// Reads the file; a missing or unreadable one (or entries that make no sense) give nothing.
QVector<KeptAlarm> ReadAlarmState(const QString &path);

// Replaces the file with these alarms (see FileReplacement). False with error when it
// could not be written.
bool WriteAlarmState(const QString &path, const QVector<KeptAlarm> &alarms, QString *error);

} // namespace zeltar
