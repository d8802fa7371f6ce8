#include "publish/state_message.h"

#include "config/config_json.h"
#include "core/date_time_text.h"
#include "instrument/value_tables.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

namespace zeltar {

// Discovery ids allow letters, digits, "_" and "-" only.
QString DiscoveryId(const QString &clientId)
{
    static const QRegularExpression other(QStringLiteral("[^A-Za-z0-9_-]"));
    return QString(clientId).replace(other, QStringLiteral("_"));
}

QString DeviceDiscoveryId(const QString &clientId, int n)
{
    return QStringLiteral("%1_device%2").arg(DiscoveryId(clientId)).arg(n);
}

void InsertAvailability(QJsonObject &config, const QString &prefix)
{
    config.insert(QStringLiteral("availability_topic"), StatusTopic(prefix));
    config.insert(QStringLiteral("payload_available"), QStringLiteral("online"));
    config.insert(QStringLiteral("payload_not_available"), QStringLiteral("offline"));
}

QString StatusTopic(const QString &prefix)
{
    return prefix + QStringLiteral("/status");
}

QString StateTopic(const QString &prefix, int n)
{
    return QStringLiteral("%1/%2/state").arg(prefix).arg(n);
}

QByteArray StateMessage(int n, const QString &name, const QDateTime &time,
                        const DevicePollState &poll)
{
    const bool noLink = poll.PribNoLink != 0;
    const bool sensorBreak = !noLink && poll.PribZnac == SensorBreakValue;
    const bool measured = !noLink && poll.PribZnac <= MaxMeasurement;

    QJsonObject state;
    state.insert(QStringLiteral("device"), n);
    state.insert(QStringLiteral("name"), name);
    state.insert(QStringLiteral("time"), IsoTimeWithOffset(time));
    state.insert(QStringLiteral("value"), measured ? JsonNumber(poll.PribZnac) : QJsonValue());
    state.insert(QStringLiteral("nolink"), noLink);
    state.insert(QStringLiteral("break"), sensorBreak);
    state.insert(QStringLiteral("status"), poll.PribStat);
    state.insert(QStringLiteral("relays"), poll.PribRele);
    state.insert(QStringLiteral("step"), poll.PribNomReg);
    return QJsonDocument(state).toJson(QJsonDocument::Compact);
}

QString StationDiscoveryTopic(const QString &clientId)
{
    return QStringLiteral("homeassistant/binary_sensor/%1/status/config")
        .arg(DiscoveryId(clientId));
}

QByteArray StationDiscoveryMessage(const QString &prefix, const QString &clientId)
{
    const QString id = DiscoveryId(clientId);
    QJsonObject device;
    device.insert(QStringLiteral("identifiers"), QJsonArray{id});
    device.insert(QStringLiteral("name"), QStringLiteral("Zeltar ") + clientId);
    device.insert(QStringLiteral("model"), QStringLiteral("Станция Zeltar"));

    QJsonObject config;
    config.insert(QStringLiteral("name"), QStringLiteral("Связь"));
    config.insert(QStringLiteral("unique_id"), id + QStringLiteral("_status"));
    config.insert(QStringLiteral("state_topic"), StatusTopic(prefix));
    config.insert(QStringLiteral("payload_on"), QStringLiteral("online"));
    config.insert(QStringLiteral("payload_off"), QStringLiteral("offline"));
    config.insert(QStringLiteral("device_class"), QStringLiteral("connectivity"));
    config.insert(QStringLiteral("device"), device);
    return QJsonDocument(config).toJson(QJsonDocument::Compact);
}

QString DiscoveryTopic(const QString &clientId, int n)
{
    return QStringLiteral("homeassistant/sensor/%1/device%2/config")
        .arg(DiscoveryId(clientId))
        .arg(n);
}

QByteArray DiscoveryMessage(const QString &prefix, const QString &clientId, int n,
                            const InstrumentSettings &instrument)
{
    const QString id = DiscoveryId(clientId);
    const QString uniqueId = DeviceDiscoveryId(clientId, n);
    const QString stateTopic = StateTopic(prefix, n);
    QJsonObject device;
    device.insert(QStringLiteral("identifiers"), QJsonArray{uniqueId});
    device.insert(QStringLiteral("name"), instrument.PribName);
    device.insert(QStringLiteral("model"), QStringLiteral("ЗЕЛТАР"));
    device.insert(QStringLiteral("via_device"), id);

    QJsonObject config;
    config.insert(QStringLiteral("name"), QJsonValue()); // the sensor is named as its device
    config.insert(QStringLiteral("unique_id"), uniqueId);
    config.insert(QStringLiteral("state_topic"), stateTopic);
    config.insert(QStringLiteral("value_template"), QStringLiteral("{{ value_json.value }}"));
    config.insert(QStringLiteral("json_attributes_topic"), stateTopic);
    InsertAvailability(config, prefix);
    config.insert(QStringLiteral("state_class"), QStringLiteral("measurement"));
    if (MeasuresTemperature(instrument.PribType)) {
        config.insert(QStringLiteral("device_class"), QStringLiteral("temperature"));
        config.insert(QStringLiteral("unit_of_measurement"), QStringLiteral("°C"));
    }
    config.insert(QStringLiteral("device"), device);
    return QJsonDocument(config).toJson(QJsonDocument::Compact);
}

} // namespace zeltar
