#pragma once

#include "alarms/alarm_notifier.h"

#include <memory>

namespace zeltar {

struct AlarmNotifySettings;

// Mails every raise and return it is given, from a thread of its own: notify() only
// composes the mail and queues it, so nothing the server does (answer slowly, never, or
// not at all) ever holds up its caller.
//
// Mails go out one at a time, in order. One that fails is tried again after a pause that
// doubles from retryFirstMs up to retryMaxMs, the mails behind it waiting; one the server
// turns down for good (a 5xx answer) is not tried again. While sending fails, at most
// queueLimit mails wait: a new one then pushes out the oldest waiting one. The journal
// hears once that sending fails, with the first reason, and once that it works again, with
// the count of mails pushed out meanwhile.
class AlarmMailer : public AlarmNotifier
{
    Q_OBJECT
public:
    struct Options
    {
        int timeoutMs = 60000; // for one mail: connecting, talking, sending
        int retryFirstMs = 10000;
        int retryMaxMs = 600000;
        int queueLimit = 100;
        int closingGraceMs = 3000; // what waits at the end may still go out within it
    };

    AlarmMailer(const AlarmNotifySettings &settings, const Options &options,
                QObject *parent = nullptr);
    // Sends what waits for up to closingGraceMs, then gives up on it.
    ~AlarmMailer() override;

    void notify(const AlarmEvent &event) override;
    // Ends at once: a mail on its way is abandoned, nothing waits for the thread.
    void retire() override;

    // Mails sent, and pushed out of a full queue, so far.
    quint64 sent() const;
    quint64 dropped() const;

private:
    void stop(int graceMs);

    struct Worker;
    std::shared_ptr<Worker> m_worker;
    std::unique_ptr<AlarmNotifySettings> m_settings; // without the password
};

// Lets every AlarmMonitor of the program mail its alarms with these options.
void InstallAlarmMail(const AlarmMailer::Options &options = AlarmMailer::Options());

} // namespace zeltar
