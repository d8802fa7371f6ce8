#pragma once

#include "instrument/instrument_settings.h"
#include "publish/mqtt_publisher.h"
#include "publish/mqtt_settings.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <array>
#include <optional>

namespace zeltar {

class AlarmMonitor;
class PollingCycle;
class Station;
struct AlarmEvent;

// Publishes every poll of the station's polling cycle to the broker that section [MQTT]
// of Zeltar.ini names: each device's state after its poll, the station's status and, when
// asked for, Home Assistant discovery; and, once it watches the station's alarms, every
// change of an alarm with a binary sensor per alarm in discovery. It only listens to the
// cycle and the alarms; neither ever waits for it.
class StationPublisher : public QObject
{
    Q_OBJECT
public:
    StationPublisher(Station &station, PollingCycle &cycle, QObject *parent = nullptr);
    ~StationPublisher() override; // "offline" and an orderly disconnect

    // Reads [MQTT] from the loaded configuration and starts publishing when it is enabled.
    // A wrong setting is one journal line and no publishing. True when it publishes.
    bool start();

    // Publishes every change of the monitor's alarms (acknowledgements too) and announces
    // the alarms that are on with their devices. Before or after start(), once.
    void watch(AlarmMonitor &monitor);

private:
    void publishPoll(int n);
    void publishAlarm(const AlarmEvent &event);
    // Brings device n's discovery messages (its sensor and its alarms) to what they should
    // be: announced when device is given, cleared otherwise.
    void announce(int n, const InstrumentSettings *device);
    void announceOne(std::optional<QByteArray> &announced, const QString &topic,
                     QByteArray message);
    // Clears the discovery messages of every device that is not polled (removed, taken out
    // of polling, or all of them when discovery is off) unless it is known to be clear.
    void withdrawUnpolled();

    Station &m_station;
    PollingCycle &m_cycle;
    MqttSettings m_settings;
    MqttPublisher m_publisher;
    // Each device's discovery message as the broker holds it: empty once cleared, unknown
    // until this run has sent one (an earlier run may have left one there).
    std::array<std::optional<QByteArray>, MaxDevices> m_announced;
    std::array<std::array<std::optional<QByteArray>, 4>, MaxDevices> m_alarmsAnnounced;
    QPointer<AlarmMonitor> m_alarms;
    bool m_started = false;
};

} // namespace zeltar
