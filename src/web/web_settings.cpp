#include "web/web_settings.h"

#include "config/ini_file.h"
#include "web/web_password.h"

#include <QFileInfo>
#include <QHostAddress>

namespace zeltar {

namespace {

// A 0/1 switch; nullopt for anything else.
std::optional<bool> readSwitch(const IniFile &ini, const QString &key, bool defaultValue)
{
    if (!ini.hasKey(WebSection, key))
        return defaultValue;
    const std::optional<int> value = ini.integerValue(WebSection, key);
    if (!value || (*value != 0 && *value != 1))
        return std::nullopt;
    return *value == 1;
}

QString keyName(const QString &key)
{
    return WebSection + QLatin1Char('/') + key;
}

// The first key that keeps an enabled view from starting, or an empty text.
QString firstError(const IniFile &ini, WebSettings &s)
{
    s.Bind = ini.readString(WebSection, QStringLiteral("Bind"), s.Bind);
    if (QHostAddress(s.Bind).isNull())
        return QStringLiteral("Bind");
    if (ini.hasKey(WebSection, QStringLiteral("Port"))) {
        const std::optional<int> port = ini.integerValue(WebSection, QStringLiteral("Port"));
        if (!port || *port < 1 || *port > 65535)
            return QStringLiteral("Port");
        s.Port = *port;
    }
    s.CertFile = ini.readString(WebSection, QStringLiteral("CertFile"), QString());
    s.KeyFile = ini.readString(WebSection, QStringLiteral("KeyFile"), QString());
    // A certificate without its key (or the other way round) must not fall back to plain
    // HTTP without a word.
    if (s.CertFile.isEmpty() != s.KeyFile.isEmpty())
        return s.CertFile.isEmpty() ? QStringLiteral("CertFile") : QStringLiteral("KeyFile");
    if (!s.CertFile.isEmpty() && !QFileInfo(s.CertFile).isReadable())
        return QStringLiteral("CertFile");
    if (!s.KeyFile.isEmpty() && !QFileInfo(s.KeyFile).isReadable())
        return QStringLiteral("KeyFile");
    return QString();
}

} // namespace

WebSettings WebSettings::read(const IniFile &ini, QStringList *errors)
{
    WebSettings s;
    const std::optional<bool> enabled = readSwitch(ini, QStringLiteral("Enabled"), false);
    if (!enabled) {
        errors->append(keyName(QStringLiteral("Enabled")));
        return WebSettings();
    }
    if (!*enabled)
        return s;
    s.Enabled = true;
    const QString error = firstError(ini, s);
    if (!error.isEmpty()) {
        errors->append(keyName(error));
        return WebSettings();
    }
    const std::optional<bool> anonymous = readSwitch(ini, QStringLiteral("Anonymous"), false);
    if (!anonymous)
        errors->append(keyName(QStringLiteral("Anonymous")));
    s.Anonymous = anonymous.value_or(false);

    for (const QString &name : ini.keys(WebUsersSection)) {
        const QString hash = ini.readString(WebUsersSection, name, QString());
        if (hash.isEmpty()) // a user taken away
            continue;
        if (PasswordHashReadable(hash))
            s.users.insert(name.toLower(), hash);
        else
            errors->append(WebUsersSection + QLatin1Char('/') + name);
    }
    return s;
}

QString WebSettingsErrorLine(const QString &key)
{
    return QStringLiteral("Неверная настройка веб-доступа: %1").arg(key);
}

} // namespace zeltar
