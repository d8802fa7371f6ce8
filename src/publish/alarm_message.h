#pragma once

#include "alarms/alarm_event.h"
#include "instrument/instrument_settings.h"

#include <QByteArray>
#include <QMap>
#include <QString>

namespace zeltar {

// The alarms of device n on the broker: one retained topic per device.
QString AlarmTopic(const QString &prefix, int n);

// One change of an alarm as a JSON object: device, name, kind (high, low, nolink, break),
// state (active, normal, acknowledged: what the change made of it), value and limit (null
// when there is none), time (local, ISO 8601 with its offset), and "alarms": the state of
// every alarm that is on for the device (normal, active, acknowledged, returned), so the
// retained message alone tells which of them hold.
QByteArray AlarmMessage(const AlarmEvent &event, const QMap<AlarmKind, AlarmState> &alarms);

// Home Assistant discovery of one alarm of device n: a binary sensor ("problem") of the
// device its sensor announces, on while the alarm holds (active or acknowledged).
QString AlarmDiscoveryTopic(const QString &clientId, int n, AlarmKind kind);
QByteArray AlarmDiscoveryMessage(const QString &prefix, const QString &clientId, int n,
                                 AlarmKind kind);

} // namespace zeltar
