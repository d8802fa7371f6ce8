#pragma once

#include "instrument/instrument_settings.h"
#include "publish/mqtt_publisher.h"
#include "publish/mqtt_settings.h"

#include <QObject>
#include <QString>

#include <array>
#include <optional>

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
    // Clears the discovery message of every device that is not polled (removed, taken out
    // of polling, or all of them when discovery is off) unless it is known to be clear.
    void withdrawUnpolled();

    Station &m_station;
    PollingCycle &m_cycle;
    MqttSettings m_settings;
    MqttPublisher m_publisher;
    // Each device's discovery message as the broker holds it: empty once cleared, unknown
    // until this run has sent one (an earlier run may have left one there).
    std::array<std::optional<QByteArray>, MaxDevices> m_announced;
};

} // namespace zeltar
