#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace zeltar {

class IniFile;

// The station's own alarms of one device, kept at the end of its section ZELTARn:
//
//     AlarmHigh=1000      ; high limit of the measured value ("," or "."); absent or empty: none
//     AlarmLow=20,5       ; low limit; absent or empty: none
//     AlarmDeadband=5     ; a high alarm returns at or below AlarmHigh - 5, a low one at or
//                         ; above AlarmLow + 5 (default 0)
//     AlarmDelay=10       ; seconds a limit must stay crossed before it is raised (default 0)
//     AlarmNoLink=3       ; "no link" after this many failed polls in a row (0 or absent: off)
//     AlarmBreak=1        ; "sensor break" on (0 or absent: off)
//
// A key that is absent means off, so a file of a station without alarms reads as before.
struct DeviceAlarmSettings
{
    std::optional<double> AlarmHigh;
    std::optional<double> AlarmLow;
    double AlarmDeadband = 0;
    int AlarmDelay = 0;
    int AlarmNoLink = 0;
    bool AlarmBreak = false;

    // Whether any rule is on.
    bool any() const { return AlarmHigh || AlarmLow || AlarmNoLink > 0 || AlarmBreak; }
    bool operator==(const DeviceAlarmSettings &other) const;
};

// The longest delay and no-link count the station takes (a day, a day of polls).
constexpr int MaxAlarmDelay = 86400;
constexpr int MaxAlarmNoLink = 86400;

// Reads device n's alarm keys. A value that cannot be used is taken as absent (a limit, the
// no-link count or the break switch: the rule is off; the deadband or delay: 0), and its key
// ("ZELTAR1/AlarmHigh") is added to errors when given.
DeviceAlarmSettings ReadDeviceAlarms(const IniFile &ini, int n, QStringList *errors = nullptr);

// Writes device n's alarm keys that differ from the file's. A key the file lacks is written
// only when its rule is on (or its number is not the default), so a device without alarms
// keeps a section without alarm keys; a rule turned off keeps its key with an empty value
// (or 0). New keys go to the end of the section. False when the file could not be written.
bool WriteDeviceAlarms(IniFile &ini, int n, const DeviceAlarmSettings &settings);

// Section ALARMS of Zeltar.ini: what the station does beyond the journal.
//
//     [ALARMS]
//     Command=/usr/local/bin/alarm-message --to "shift leader"
//     CommandTimeout=30   ; seconds before a command that has not ended is killed
//     SmtpHost=mail.example.org      ; mail is sent when SmtpHost and MailTo are set
//     SmtpPort=587        ; default 25, 587 or 465 by SmtpTls
//     SmtpTls=1           ; 0 none, 1 STARTTLS, 2 TLS from the start (default 0)
//     SmtpUser=zeltar     ; empty: no login
//     SmtpPassword=...
//     MailFrom=zeltar@example.org    ; default zeltar@ and the machine's host name
//     MailTo=shift@example.org, chief@example.org
struct AlarmNotifySettings
{
    QString Command;
    int CommandTimeout = 30;

    QString SmtpHost;
    int SmtpPort = 25;
    int SmtpTls = 0;
    QString SmtpUser;
    QString SmtpPassword;
    QString MailFrom;
    QStringList MailTo;

    // Whether alarms are mailed.
    bool mailWanted() const { return !SmtpHost.isEmpty() && !MailTo.isEmpty(); }

    // Reads the section. A wrong timeout or port keeps the default, a wrong address in MailTo
    // is left out, and a wrong SmtpTls, MailFrom, or a password without a user, turns mail
    // off; each is named in errors (never the password's value).
    static AlarmNotifySettings read(const IniFile &ini, QStringList *errors = nullptr);
};

// Whether the text is a plain mail address (local@domain, no name, no brackets).
bool MailAddressValid(const QString &address);

// The journal line for a setting that was not taken.
QString AlarmSettingsErrorLine(const QString &key);

} // namespace zeltar
