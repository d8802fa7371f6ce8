#pragma once

#include "acquisition/polling_state.h"
#include "instrument/instrument_settings.h"

#include <QByteArray>
#include <QDateTime>
#include <QJsonObject>
#include <QString>

namespace zeltar {

// The topics and texts the station publishes. prefix is MqttSettings::TopicPrefix.
QString StatusTopic(const QString &prefix);
QString StateTopic(const QString &prefix, int n);

// One poll of device n as a JSON object: device, name, time (local, ISO 8601 with its
// offset), value (null without link or with a broken sensor), nolink, break, status,
// relays and step as archived.
QByteArray StateMessage(int n, const QString &name, const QDateTime &time,
                        const DevicePollState &poll);

// Home Assistant discovery. The station is a device of its own, announced by a sensor of
// its connection to the broker (its status topic); every instrument is a device reached
// through it, with one sensor whose state is the value of its state topic, available while
// the station's status is "online". An instrument whose sensor type measures a temperature
// reports it in degrees Celsius.
QString StationDiscoveryTopic(const QString &clientId);
QByteArray StationDiscoveryMessage(const QString &prefix, const QString &clientId);
QString DiscoveryTopic(const QString &clientId, int n);
QByteArray DiscoveryMessage(const QString &prefix, const QString &clientId, int n,
                            const InstrumentSettings &device);

// The ids discovery gives the station and device n's sensor (and so device n).
QString DiscoveryId(const QString &clientId);
QString DeviceDiscoveryId(const QString &clientId, int n);
// The station's status as what makes a discovered entity available.
void InsertAvailability(QJsonObject &config, const QString &prefix);

} // namespace zeltar
