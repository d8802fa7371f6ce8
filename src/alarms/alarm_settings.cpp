#include "alarms/alarm_settings.h"

#include "config/configuration.h"
#include "config/ini_file.h"
#include "core/number_text.h"

#include <QRegularExpression>
#include <QSysInfo>

#include <cmath>

namespace zeltar {

namespace {

// The names also stand in DeviceFeatureKeys, which move with their device.
const QString HighKey = QStringLiteral("AlarmHigh");
const QString LowKey = QStringLiteral("AlarmLow");
const QString DeadbandKey = QStringLiteral("AlarmDeadband");
const QString DelayKey = QStringLiteral("AlarmDelay");
const QString NoLinkKey = QStringLiteral("AlarmNoLink");
const QString BreakKey = QStringLiteral("AlarmBreak");

const QString NotifySection = QStringLiteral("ALARMS");

// Reads the keys of one section, naming each wrong one.
class KeyReader
{
public:
    KeyReader(const IniFile &ini, const QString &section, QStringList *errors)
        : m_ini(ini), m_section(section), m_errors(errors)
    {}

    // A number with either separator; absent or empty: none.
    std::optional<double> number(const QString &key)
    {
        const QString text = m_ini.value(m_section, key).value_or(QString());
        if (text.isEmpty())
            return std::nullopt;
        const std::optional<double> value = ParseEnteredNumber(text);
        if (!value || !std::isfinite(*value)) {
            fail(key);
            return std::nullopt;
        }
        return value;
    }

    // A whole number from low to high; absent or empty: the default.
    int integer(const QString &key, int low, int high, int defaultValue)
    {
        const QString text = m_ini.value(m_section, key).value_or(QString());
        if (text.isEmpty())
            return defaultValue;
        const std::optional<long long> value = ParseInteger(text);
        if (!value || *value < low || *value > high) {
            fail(key);
            return defaultValue;
        }
        return static_cast<int>(*value);
    }

private:
    void fail(const QString &key)
    {
        if (m_errors)
            m_errors->append(m_section + QLatin1Char('/') + key);
    }

    const IniFile &m_ini;
    QString m_section;
    QStringList *m_errors;
};

// A limit as the file keeps it: the shortest text with a point (either separator reads back).
QString NumberKeyText(const std::optional<double> &value)
{
    if (!value)
        return QString();
    return QString::number(*value, 'g', 15);
}

} // namespace

bool DeviceAlarmSettings::operator==(const DeviceAlarmSettings &other) const
{
    return AlarmHigh == other.AlarmHigh && AlarmLow == other.AlarmLow &&
           AlarmDeadband == other.AlarmDeadband && AlarmDelay == other.AlarmDelay &&
           AlarmNoLink == other.AlarmNoLink && AlarmBreak == other.AlarmBreak;
}

DeviceAlarmSettings ReadDeviceAlarms(const IniFile &ini, int n, QStringList *errors)
{
    KeyReader reader(ini, DeviceSection(n), errors);
    DeviceAlarmSettings s;
    s.AlarmHigh = reader.number(HighKey);
    s.AlarmLow = reader.number(LowKey);
    const std::optional<double> deadband = reader.number(DeadbandKey);
    if (deadband && *deadband >= 0)
        s.AlarmDeadband = *deadband;
    else if (deadband && errors)
        errors->append(DeviceSection(n) + QLatin1Char('/') + DeadbandKey);
    s.AlarmDelay = reader.integer(DelayKey, 0, MaxAlarmDelay, 0);
    s.AlarmNoLink = reader.integer(NoLinkKey, 0, MaxAlarmNoLink, 0);
    s.AlarmBreak = reader.integer(BreakKey, 0, 1, 0) == 1;
    return s;
}

bool WriteDeviceAlarms(IniFile &ini, int n, const DeviceAlarmSettings &settings)
{
    const QString section = DeviceSection(n);
    const DeviceAlarmSettings off;
    IniFile::WriteGroup group(ini);
    bool ok = true;
    // Writes a key whose text changes; one the file lacks only when it is not the default.
    auto put = [&](const QString &key, const QString &text, bool isDefault) {
        const std::optional<QString> current = ini.value(section, key);
        if (current ? *current == text : isDefault)
            return;
        ok = ini.writeString(section, key, text) && ok;
    };
    const DeviceAlarmSettings old = ReadDeviceAlarms(ini, n);
    if (old.AlarmHigh != settings.AlarmHigh)
        put(HighKey, NumberKeyText(settings.AlarmHigh), !settings.AlarmHigh);
    if (old.AlarmLow != settings.AlarmLow)
        put(LowKey, NumberKeyText(settings.AlarmLow), !settings.AlarmLow);
    if (old.AlarmDeadband != settings.AlarmDeadband)
        put(DeadbandKey, NumberKeyText(settings.AlarmDeadband),
            settings.AlarmDeadband == off.AlarmDeadband);
    if (old.AlarmDelay != settings.AlarmDelay)
        put(DelayKey, QString::number(settings.AlarmDelay), settings.AlarmDelay == off.AlarmDelay);
    if (old.AlarmNoLink != settings.AlarmNoLink)
        put(NoLinkKey, QString::number(settings.AlarmNoLink),
            settings.AlarmNoLink == off.AlarmNoLink);
    if (old.AlarmBreak != settings.AlarmBreak)
        put(BreakKey, settings.AlarmBreak ? QStringLiteral("1") : QStringLiteral("0"),
            !settings.AlarmBreak);
    return group.commit() && ok;
}

AlarmNotifySettings AlarmNotifySettings::read(const IniFile &ini, QStringList *errors)
{
    AlarmNotifySettings s;
    s.Command = ini.readString(NotifySection, QStringLiteral("Command"), QString());
    KeyReader reader(ini, NotifySection, errors);
    s.CommandTimeout = reader.integer(QStringLiteral("CommandTimeout"), 1, 3600, s.CommandTimeout);

    auto text = [&](const char *key) {
        return ini.readString(NotifySection, QLatin1String(key), QString());
    };
    auto fail = [&](const char *key) {
        if (errors)
            errors->append(NotifySection + QLatin1Char('/') + QLatin1String(key));
    };
    s.SmtpHost = text("SmtpHost");
    // A wrong SmtpTls is no reason to send in the clear: no mail then.
    const int tls = reader.integer(QStringLiteral("SmtpTls"), 0, 2, -1);
    bool mailOff = tls < 0 && !text("SmtpTls").isEmpty();
    s.SmtpTls = qMax(0, tls);
    static const int DefaultPorts[] = {25, 587, 465};
    s.SmtpPort = reader.integer(QStringLiteral("SmtpPort"), 1, 65535, DefaultPorts[s.SmtpTls]);
    s.SmtpUser = text("SmtpUser");
    s.SmtpPassword = text("SmtpPassword");
    if (!s.SmtpPassword.isEmpty() && s.SmtpUser.isEmpty()) {
        fail("SmtpPassword");
        mailOff = true;
    }
    s.MailFrom = text("MailFrom");
    if (s.MailFrom.isEmpty())
        s.MailFrom = QStringLiteral("zeltar@") + QSysInfo::machineHostName();
    else if (!MailAddressValid(s.MailFrom)) {
        fail("MailFrom");
        mailOff = true;
    }
    bool wrongTo = false;
    for (const QString &part : text("MailTo").split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString address = part.trimmed();
        if (MailAddressValid(address))
            s.MailTo.append(address);
        else if (!address.isEmpty())
            wrongTo = true;
    }
    if (wrongTo)
        fail("MailTo");
    if (mailOff)
        s.SmtpHost.clear();
    return s;
}

bool MailAddressValid(const QString &address)
{
    static const QRegularExpression plain(
        QStringLiteral(R"(^[^\s<>()\[\],;:"@]+@[^\s<>()\[\],;:"@]+$)"));
    return plain.match(address).hasMatch();
}

QString AlarmSettingsErrorLine(const QString &key)
{
    return QStringLiteral("Неверная настройка сигнализации: %1. Значение не принято").arg(key);
}

} // namespace zeltar
