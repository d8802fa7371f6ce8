#pragma once

#include "alarms/alarm_event.h"
#include "alarms/alarm_rules.h"
#include "alarms/alarm_settings.h"
#include "instrument/instrument_settings.h"

#include <QObject>
#include <QVector>

#include <array>

namespace zeltar {

class AlarmCommand;
class AlarmNotifier;
class Station;

// The station's alarms: fed with every poll (connect PollingCycle::devicePolled to
// devicePolled), it applies each device's rules, and tells every change in the journal,
// the alarm history (Alarms.dbf in the archive folder), the kept state (Alarms.json in the
// station folder), the operator's command and, when [ALARMS] asks for it, mail (a raise and
// a return each, not an acknowledgement). With no rule set it does nothing at all.
class AlarmMonitor : public QObject
{
    Q_OBJECT
public:
    explicit AlarmMonitor(Station &station, QObject *parent = nullptr);
    ~AlarmMonitor() override;

    // Reads the rules of devices 1 to CountUstr and [ALARMS] from the station's
    // configuration, and the alarms kept from the last run (those of a device that has been
    // renamed, or whose rule is off, are dropped). Wrong settings are journaled.
    void load();

    // Whether any device has a rule.
    bool configured() const;
    const DeviceAlarmSettings &settings(int n) const;
    // Device n's alarm of that kind.
    const AlarmCondition &condition(int n, AlarmKind kind) const;
    // Whether device n has an alarm raised and not returned.
    bool anyActive(int n) const;

    // Takes the result of device n's poll as the station's polling state holds it, at the
    // moment it is taken in (Clock::now()).
    void devicePolled(int n);
    // Takes a poll's result at a given moment.
    void takePoll(int n, const DevicePollState &poll, const QDateTime &moment);

    // The operator acknowledges one alarm, or all that wait for it.
    void acknowledge(int n, AlarmKind kind);
    void acknowledgeAll();

    // The operator's command, when [ALARMS] names one; null otherwise.
    AlarmCommand *command() const { return m_command; }
    // The mailer, when [ALARMS] sets SmtpHost and MailTo and the program mails; null otherwise.
    AlarmNotifier *mailer() const { return m_mailer; }

Q_SIGNALS:
    void alarmChanged(const AlarmEvent &event);

private:
    AlarmCondition &conditionOf(int n, AlarmKind kind);
    void tell(int n, AlarmKind kind, AlarmChange change, const QDateTime &moment);
    void keepState();
    void takeMailSettings(const AlarmNotifySettings &notify);

    Station &m_station;
    std::array<DeviceAlarmSettings, MaxDevices> m_settings{};
    std::array<std::array<AlarmCondition, 4>, MaxDevices> m_conditions{};
    AlarmCommand *m_command = nullptr;
    AlarmNotifier *m_mailer = nullptr;
    QByteArray m_mailDigest;       // of the settings m_mailer was made with
    bool m_historyFailing = false; // journaled; quiet until a record is written again
};

} // namespace zeltar
