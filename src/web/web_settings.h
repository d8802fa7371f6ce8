#pragma once

#include <QMap>
#include <QString>
#include <QStringList>

namespace zeltar {

class IniFile;

// Section [WEB] of Zeltar.ini: whether and where the station serves its web view.
//
//     [WEB]
//     Enabled=1          ; 0 or absent: no web view at all
//     Bind=127.0.0.1     ; the address to listen on (0.0.0.0 or :: for every network)
//     Port=8080
//     CertFile=/etc/zeltar/web.crt  ; both given: HTTPS with this certificate and key
//     KeyFile=/etc/zeltar/web.key
//     Anonymous=0        ; 1 lets a viewer in without a login; acknowledging always needs one
//
// Users are the keys of section [WEBUSERS]: the name, and its password's salted hash as
// zeltarctl web-user writes it.
struct WebSettings
{
    bool Enabled = false;
    QString Bind = QStringLiteral("127.0.0.1");
    int Port = 8080;
    QString CertFile;
    QString KeyFile;
    bool Anonymous = false;
    QMap<QString, QString> users; // name in lower case -> stored hash

    bool tls() const { return !CertFile.isEmpty(); }

    // Reads both sections. A wrong Enabled, Bind, Port, CertFile or KeyFile leaves the view
    // off; a wrong Anonymous is taken as 0; a user whose hash cannot be read is left out.
    // Every key not taken is added to errors ("WEB/Port", "WEBUSERS/ivanov").
    static WebSettings read(const IniFile &ini, QStringList *errors);
};

inline const QString WebSection = QStringLiteral("WEB");
inline const QString WebUsersSection = QStringLiteral("WEBUSERS");

// The journal line for a setting that was not taken.
QString WebSettingsErrorLine(const QString &key);

} // namespace zeltar
