#include "publish/alarm_message.h"

#include "alarms/alarm_texts.h"
#include "config/config_json.h"
#include "core/date_time_text.h"
#include "publish/state_message.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace zeltar {

QString AlarmTopic(const QString &prefix, int n)
{
    return QStringLiteral("%1/%2/alarm").arg(prefix).arg(n);
}

QByteArray AlarmMessage(const AlarmEvent &event, const QMap<AlarmKind, AlarmState> &alarms)
{
    QJsonObject states;
    for (auto alarm = alarms.cbegin(); alarm != alarms.cend(); ++alarm)
        states.insert(AlarmKindWord(alarm.key()), AlarmStateWord(alarm.value()));
    QJsonObject message;
    message.insert(QStringLiteral("device"), event.device);
    message.insert(QStringLiteral("name"), event.name);
    message.insert(QStringLiteral("kind"), AlarmKindWord(event.kind));
    message.insert(QStringLiteral("state"), AlarmChangeWord(event.change));
    message.insert(QStringLiteral("value"),
                   event.value ? QJsonValue(JsonNumber(float(*event.value))) : QJsonValue());
    message.insert(QStringLiteral("limit"), event.limit ? QJsonValue(*event.limit) : QJsonValue());
    message.insert(QStringLiteral("time"), IsoTimeWithOffset(event.moment));
    message.insert(QStringLiteral("alarms"), states);
    return QJsonDocument(message).toJson(QJsonDocument::Compact);
}

QString AlarmDiscoveryTopic(const QString &clientId, int n, AlarmKind kind)
{
    return QStringLiteral("homeassistant/binary_sensor/%1/device%2_%3/config")
        .arg(DiscoveryId(clientId))
        .arg(n)
        .arg(AlarmKindWord(kind));
}

QByteArray AlarmDiscoveryMessage(const QString &prefix, const QString &clientId, int n,
                                 AlarmKind kind)
{
    const QString deviceId = DeviceDiscoveryId(clientId, n);
    const QString word = AlarmKindWord(kind);
    QJsonObject device;
    device.insert(QStringLiteral("identifiers"), QJsonArray{deviceId});

    QJsonObject config;
    config.insert(QStringLiteral("name"), QStringLiteral("Тревога: ") + AlarmKindPhrase(kind));
    config.insert(QStringLiteral("unique_id"), deviceId + QStringLiteral("_alarm_") + word);
    config.insert(QStringLiteral("state_topic"), AlarmTopic(prefix, n));
    config.insert(QStringLiteral("value_template"),
                  QStringLiteral("{{ 'ON' if value_json.alarms.%1 in ('active', 'acknowledged') "
                                 "else 'OFF' }}")
                      .arg(word));
    config.insert(QStringLiteral("device_class"), QStringLiteral("problem"));
    InsertAvailability(config, prefix);
    config.insert(QStringLiteral("device"), device);
    return QJsonDocument(config).toJson(QJsonDocument::Compact);
}

} // namespace zeltar
