#include "alarms/alarm_state_file.h"

#include "core/file_replacement.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace zeltar {

namespace {

std::optional<double> OptionalNumber(const QJsonValue &value)
{
    return value.isDouble() ? std::optional<double>(value.toDouble()) : std::nullopt;
}

QJsonValue JsonNumber(const std::optional<double> &value)
{
    return value ? QJsonValue(*value) : QJsonValue();
}

} // namespace

QVector<KeptAlarm> ReadAlarmState(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QJsonArray entries =
        QJsonDocument::fromJson(file.readAll()).object().value(QStringLiteral("alarms")).toArray();
    QVector<KeptAlarm> alarms;
    for (const QJsonValue &entry : entries) {
        const QJsonObject o = entry.toObject();
        KeptAlarm alarm;
        alarm.device = o.value(QStringLiteral("device")).toInt();
        alarm.name = o.value(QStringLiteral("name")).toString();
        const std::optional<AlarmKind> kind =
            AlarmKindFromWord(o.value(QStringLiteral("kind")).toString());
        const std::optional<AlarmState> state =
            AlarmStateFromWord(o.value(QStringLiteral("state")).toString());
        if (alarm.device < 1 || !kind || !state || *state == AlarmState::Normal)
            continue;
        alarm.kind = *kind;
        alarm.condition.state = *state;
        alarm.condition.value = OptionalNumber(o.value(QStringLiteral("value")));
        alarm.condition.limit = OptionalNumber(o.value(QStringLiteral("limit")));
        alarm.condition.raised =
            QDateTime::fromString(o.value(QStringLiteral("raised")).toString(), Qt::ISODate);
        alarms.append(alarm);
    }
    return alarms;
}

bool WriteAlarmState(const QString &path, const QVector<KeptAlarm> &alarms, QString *error)
{
    QJsonArray entries;
    for (const KeptAlarm &alarm : alarms) {
        entries.append(QJsonObject{
            {QStringLiteral("device"), alarm.device},
            {QStringLiteral("name"), alarm.name},
            {QStringLiteral("kind"), AlarmKindWord(alarm.kind)},
            {QStringLiteral("state"), AlarmStateWord(alarm.condition.state)},
            {QStringLiteral("value"), JsonNumber(alarm.condition.value)},
            {QStringLiteral("limit"), JsonNumber(alarm.condition.limit)},
            {QStringLiteral("raised"),
             alarm.condition.raised.toOffsetFromUtc(alarm.condition.raised.offsetFromUtc())
                 .toString(Qt::ISODate)},
        });
    }
    const QByteArray bytes =
        QJsonDocument(QJsonObject{{QStringLiteral("alarms"), entries}}).toJson();
    return ReplaceFileContent(path, bytes, error);
}

} // namespace zeltar
