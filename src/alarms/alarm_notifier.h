#pragma once

#include "alarms/alarm_event.h"

#include <QObject>
#include <QString>

#include <functional>

namespace zeltar {

struct AlarmNotifySettings;

// A way of telling people of alarms that needs more than the station's core (mail): the
// monitor hands it every change it should tell, and it never makes the monitor wait.
class AlarmNotifier : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    // Takes one change on its way; returns at once.
    virtual void notify(const AlarmEvent &event) = 0;
    // No longer wanted (the settings changed): ends without anyone waiting, then deletes
    // itself.
    virtual void retire() { deleteLater(); }

Q_SIGNALS:
    // Something the journal should say (a failure, a recovery), in the notifier's thread.
    void journalLine(const QString &text);
};

// Makes the mailer for settings whose mail is wanted. A program that mails alarms installs
// one at its start (the mail library's InstallAlarmMail); without one no mail is sent.
using AlarmMailerFactory =
    std::function<AlarmNotifier *(const AlarmNotifySettings &settings, QObject *parent)>;
void SetAlarmMailerFactory(AlarmMailerFactory factory);

} // namespace zeltar
