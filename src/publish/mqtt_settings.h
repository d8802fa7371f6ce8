#pragma once

#include <QString>

namespace zeltar {

class IniFile;

// Section [MQTT] of Zeltar.ini: where and how the station publishes its polls. Read once
// at start-up; an absent section or Enabled=0 means nothing is published.
struct MqttSettings
{
    bool Enabled = false;
    QString Host = QStringLiteral("127.0.0.1");
    int Port = 1883;
    QString TopicPrefix; // default: zeltar/ + the machine's host name
    QString ClientId;    // default: zeltar- + the machine's host name
    QString Username;
    QString Password;
    bool TLS = false;
    QString CAFile; // empty: the system's certificate authorities
    int QoS = 1;
    bool Discovery = false;

    // Reads the section. A value that cannot be used leaves the settings disabled and
    // names the key in error (never the password's value).
    static MqttSettings read(const IniFile &ini, QString *error);
};

// The journal line for a wrong setting.
QString MqttSettingsErrorLine(const QString &error);

// True when the settings carry a password and users outside the file's owner and group
// may read the file.
bool PasswordFileExposed(const QString &path, const MqttSettings &settings);

} // namespace zeltar
