#include "publish/station_publisher.h"

#include "acquisition/polling_cycle.h"
#include "acquisition/station.h"
#include "alarms/alarm_monitor.h"
#include "core/clock.h"
#include "publish/alarm_message.h"
#include "publish/state_message.h"

namespace zeltar {

namespace {

// Why the broker turned the station's login down, by its MQTT 3.1.1 answer code.
QString RefusalText(int code)
{
    switch (code) {
    case 1:
        return QStringLiteral("версия протокола не поддерживается");
    case 2:
        return QStringLiteral("идентификатор клиента отклонен");
    case 3:
        return QStringLiteral("брокер недоступен");
    case 4:
        return QStringLiteral("неверное имя пользователя или пароль");
    case 5:
        return QStringLiteral("не разрешено (проверьте Username и Password)");
    default:
        return QStringLiteral("код %1").arg(code);
    }
}

} // namespace

StationPublisher::StationPublisher(Station &station, PollingCycle &cycle, QObject *parent)
    : QObject(parent), m_station(station), m_cycle(cycle)
{}

StationPublisher::~StationPublisher()
{
    m_publisher.stop();
}

bool StationPublisher::start()
{
    Journal &journal = m_station.journal;
    QString error;
    m_settings = MqttSettings::read(m_station.ini, &error);
    if (!error.isEmpty()) {
        journal.AddProgMes(MqttSettingsErrorLine(error));
        return false;
    }
    if (!m_settings.Enabled)
        return false;
    if (PasswordFileExposed(m_station.configPath(), m_settings))
        journal.AddProgMes(QStringLiteral(
            "Файл Zeltar.ini с паролем MQTT доступен для чтения всем пользователям"));

    MqttPublisher::Options options;
    options.host = m_settings.Host;
    options.port = m_settings.Port;
    options.clientId = m_settings.ClientId;
    options.username = m_settings.Username;
    options.password = m_settings.Password.toUtf8(); // wiped once handed over
    m_settings.Password.clear();
    options.tls = m_settings.TLS;
    options.caFile = m_settings.CAFile;
    options.qos = m_settings.QoS;
    options.statusTopic = StatusTopic(m_settings.TopicPrefix);
    if (!m_publisher.start(options, &error)) {
        journal.AddProgMes(MqttSettingsErrorLine(error));
        return false;
    }

    connect(&m_publisher, &MqttPublisher::connectionLost, this,
            [&journal] { journal.AddProgMes(QStringLiteral("Нет связи с брокером MQTT")); });
    connect(&m_publisher, &MqttPublisher::connectionRestored, this, [&journal] {
        journal.AddProgMes(QStringLiteral("Связь с брокером MQTT восстановлена"));
    });
    connect(&m_publisher, &MqttPublisher::connectionRefused, this, [&journal](int code) {
        journal.AddProgMes(
            QStringLiteral("Брокер MQTT отказал в подключении: %1").arg(RefusalText(code)));
    });
    connect(&m_cycle, &PollingCycle::devicePolled, this, &StationPublisher::publishPoll);
    // The device list can only change while polling is stopped.
    connect(&m_cycle, &PollingCycle::pollingStarted, this, &StationPublisher::withdrawUnpolled);
    if (m_settings.Discovery)
        m_publisher.publish(StationDiscoveryTopic(m_settings.ClientId),
                            StationDiscoveryMessage(m_settings.TopicPrefix, m_settings.ClientId),
                            true);
    else
        m_publisher.publish(StationDiscoveryTopic(m_settings.ClientId), QByteArray(), true);
    m_started = true;
    withdrawUnpolled();
    return true;
}

void StationPublisher::watch(AlarmMonitor &monitor)
{
    m_alarms = &monitor;
    connect(&monitor, &AlarmMonitor::alarmChanged, this, &StationPublisher::publishAlarm);
}

void StationPublisher::publishAlarm(const AlarmEvent &event)
{
    if (!m_started || !m_alarms)
        return;
    QMap<AlarmKind, AlarmState> alarms;
    for (AlarmKind kind : AlarmKinds) {
        if (RuleEnabled(kind, m_alarms->settings(event.device)))
            alarms.insert(kind, m_alarms->condition(event.device, kind).state);
    }
    m_publisher.publish(AlarmTopic(m_settings.TopicPrefix, event.device),
                        AlarmMessage(event, alarms), true);
}

void StationPublisher::announceOne(std::optional<QByteArray> &announced, const QString &topic,
                                   QByteArray message)
{
    if (announced == message)
        return;
    m_publisher.publish(topic, message, true);
    announced = std::move(message);
}

void StationPublisher::announce(int n, const InstrumentSettings *device)
{
    const QString &prefix = m_settings.TopicPrefix;
    const QString &clientId = m_settings.ClientId;
    const auto i = static_cast<size_t>(n - 1);
    announceOne(m_announced.at(i), DiscoveryTopic(clientId, n),
                device ? DiscoveryMessage(prefix, clientId, n, *device) : QByteArray());
    for (AlarmKind kind : AlarmKinds) {
        const bool on = device && m_alarms && RuleEnabled(kind, m_alarms->settings(n));
        announceOne(m_alarmsAnnounced.at(i).at(static_cast<size_t>(kind)),
                    AlarmDiscoveryTopic(clientId, n, kind),
                    on ? AlarmDiscoveryMessage(prefix, clientId, n, kind) : QByteArray());
    }
}

void StationPublisher::withdrawUnpolled()
{
    for (int n = 1; n <= MaxDevices; ++n) {
        const bool polled = m_settings.Discovery && n <= m_station.settings.CountUstr &&
                            m_station.table.device(n).PribVkl != 0;
        if (!polled)
            announce(n, nullptr);
    }
}

void StationPublisher::publishPoll(int n)
{
    const InstrumentSettings &device = m_station.table.device(n);
    // Again whenever it changes: a new name, another sensor type, an alarm turned on or off.
    if (m_settings.Discovery)
        announce(n, &device);
    m_publisher.publish(StateTopic(m_settings.TopicPrefix, n),
                        StateMessage(n, device.PribName, Clock::now(), m_station.state.device(n)),
                        true);
}

} // namespace zeltar
