#include "publish/mqtt_settings.h"

#include "config/ini_file.h"

#include <QFile>
#include <QSysInfo>

namespace zeltar {

namespace {

const QString Section = QStringLiteral("MQTT");

QString HostName()
{
    const QString name = QSysInfo::machineHostName();
    return name.isEmpty() ? QStringLiteral("localhost") : name;
}

// A 0/1 switch; anything else is a wrong setting.
bool readSwitch(const IniFile &ini, const QString &key, bool defaultValue, bool *ok)
{
    if (!ini.hasKey(Section, key))
        return defaultValue;
    const std::optional<int> value = ini.integerValue(Section, key);
    if (!value || (*value != 0 && *value != 1)) {
        *ok = false;
        return defaultValue;
    }
    return *value == 1;
}

bool readRange(const IniFile &ini, const QString &key, int low, int high, int *value)
{
    if (!ini.hasKey(Section, key))
        return true;
    const std::optional<int> read = ini.integerValue(Section, key);
    if (!read || *read < low || *read > high)
        return false;
    *value = *read;
    return true;
}

QString readText(const IniFile &ini, const QString &key, const QString &defaultValue)
{
    const QString value = ini.readString(Section, key, QString());
    return value.isEmpty() ? defaultValue : value;
}

// A topic name the station publishes under: no wildcards, no empty levels at its ends.
bool validPrefix(const QString &prefix)
{
    return !prefix.isEmpty() && !prefix.contains(QLatin1Char('+')) &&
           !prefix.contains(QLatin1Char('#')) && !prefix.startsWith(QLatin1Char('/')) &&
           !prefix.endsWith(QLatin1Char('/')) && !prefix.contains(QChar(0));
}

// The first wrong key of settings that are otherwise read, or an empty text.
QString firstError(const IniFile &ini, MqttSettings &s)
{
    bool ok = true;
    s.TLS = readSwitch(ini, QStringLiteral("TLS"), false, &ok);
    if (!ok)
        return QStringLiteral("TLS");
    s.Discovery = readSwitch(ini, QStringLiteral("Discovery"), false, &ok);
    if (!ok)
        return QStringLiteral("Discovery");
    if (!readRange(ini, QStringLiteral("Port"), 1, 65535, &s.Port))
        return QStringLiteral("Port");
    if (!readRange(ini, QStringLiteral("QoS"), 0, 2, &s.QoS))
        return QStringLiteral("QoS");
    if (s.Host.contains(QLatin1Char(' ')))
        return QStringLiteral("Host");
    if (!validPrefix(s.TopicPrefix))
        return QStringLiteral("TopicPrefix");
    if (s.ClientId.toUtf8().size() > 65535)
        return QStringLiteral("ClientId");
    if (!s.Password.isEmpty() && s.Username.isEmpty())
        return QStringLiteral("Password");
    if (s.TLS && !s.CAFile.isEmpty() && !QFile::exists(s.CAFile))
        return QStringLiteral("CAFile");
    return QString();
}

} // namespace

MqttSettings MqttSettings::read(const IniFile &ini, QString *error)
{
    error->clear();
    MqttSettings s;
    bool ok = true;
    s.Enabled = readSwitch(ini, QStringLiteral("Enabled"), false, &ok);
    if (!ok) {
        *error = QStringLiteral("Enabled");
        return MqttSettings();
    }
    if (!s.Enabled)
        return s;

    s.Host = readText(ini, QStringLiteral("Host"), s.Host);
    s.TopicPrefix =
        readText(ini, QStringLiteral("TopicPrefix"), QStringLiteral("zeltar/") + HostName());
    s.ClientId = readText(ini, QStringLiteral("ClientId"), QStringLiteral("zeltar-") + HostName());
    s.Username = ini.readString(Section, QStringLiteral("Username"), QString());
    s.Password = ini.readString(Section, QStringLiteral("Password"), QString());
    s.CAFile = ini.readString(Section, QStringLiteral("CAFile"), QString());
    *error = firstError(ini, s);
    return error->isEmpty() ? s : MqttSettings();
}

QString MqttSettingsErrorLine(const QString &error)
{
    return QStringLiteral("Неверная настройка MQTT: %1. Публикация отключена").arg(error);
}

bool PasswordFileExposed(const QString &path, const MqttSettings &settings)
{
    if (settings.Password.isEmpty())
        return false;
    return (QFile::permissions(path) & QFileDevice::ReadOther) != 0;
}

} // namespace zeltar
