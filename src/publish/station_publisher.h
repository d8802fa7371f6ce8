#pragma once

#include "instrument/instrument_settings.h"
#include "publish/mqtt_publisher.h"
#include "publish/mqtt_settings.h"

#include <QObject>
#include <QString>

#include <array>

namespace zeltar {

class PollingCycle;
class Station;

// Publishes every poll of the station's polling cycle to the broker that section [MQTT]
// of Zeltar.ini names: each device's state after its poll, the station's status and, when
// asked for, Home Assistant discovery. It only listens to the cycle; the cycle never waits
// for it.
class StationPublisher : public QObject
{
    Q_OBJECT
public:
    StationPublisher(Station &station, PollingCycle &cycle, QObject *parent = nullptr);
    ~StationPublisher() override; // "offline" and an orderly disconnect

    // Reads [MQTT] from the loaded configuration and starts publishing when it is enabled.
    // A wrong setting is one journal line and no publishing. True when it publishes.
    bool start();

private:
    void publishPoll(int n);

    Station &m_station;
    PollingCycle &m_cycle;
    MqttSettings m_settings;
    MqttPublisher m_publisher;
    std::array<QString, MaxDevices> m_announced; // name in each device's discovery message
};

} // namespace zeltar
