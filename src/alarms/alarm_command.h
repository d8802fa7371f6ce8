#pragma once

#include "alarms/alarm_event.h"

#include <QObject>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace zeltar {

// The operator's command (Command= of [ALARMS]) run once for every change of an alarm,
// with the change in its environment:
//   ZELTAR_DEVICE  device number         ZELTAR_NAME   device name
//   ZELTAR_KIND    high, low, nolink, break
//   ZELTAR_STATE   active, normal, acknowledged
//   ZELTAR_VALUE   value with a point (failed polls for nolink; empty when none)
//   ZELTAR_LIMIT   limit with a point (empty when none)
//   ZELTAR_TIME    ISO 8601 with the offset, 2026-12-09T14:05:09+03:00
// No shell runs it: the line is split into the program and its arguments at blanks, a
// double-quoted part keeps its blanks and "" inside quotes is one quote
// (QProcess::splitCommand); nothing is expanded, so no device name can become a command.
// Each run is started and left to itself: nothing waits for it, and one that has not ended
// after the time limit is killed.
class AlarmCommand : public QObject
{
    Q_OBJECT
public:
    AlarmCommand(const QString &command, int timeoutSeconds, QObject *parent = nullptr);
    ~AlarmCommand() override; // waits a few seconds for the runs still going, then kills them

    bool isEmpty() const { return m_program.isEmpty(); }
    // Starts the command for the event; returns at once.
    void run(const AlarmEvent &event);
    // Runs started and not yet ended.
    int running() const { return m_running; }
    // The command is no longer wanted (the settings changed): it starts nothing more and
    // deletes itself once its runs have ended, without anyone waiting for them.
    void retire();

    // The environment a run gets for the event: the station's own, and the fields above.
    static QProcessEnvironment environment(const AlarmEvent &event);
    // A number as the command and the history give it: a point, at most four decimals.
    static QString machineNumber(const std::optional<double> &value);

Q_SIGNALS:
    // A run could not start or was killed at the time limit: a journal line.
    void failed(const QString &text);
    // A run has ended (whatever its exit).
    void finished();

private:
    QString m_program;
    QStringList m_arguments;
    int m_timeoutMs;
    int m_running = 0;
    bool m_retired = false;
};

} // namespace zeltar
