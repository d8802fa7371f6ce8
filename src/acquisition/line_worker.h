#pragma once

#include "link/link_mode.h"
#include "link/port_names.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace zeltar {

class SerialSession;

// The one owner of a serial line: a thread of its own that alone opens the line and runs
// every exchange on it as a job from its queue. A job runs to its end before the next one
// starts, so no exchange ever runs inside another, and whoever hands a job over never
// waits for it: what the job found comes back through its `done`, on the thread that made
// the worker. The line's session lives on the worker's thread for the worker's whole life,
// so the fast mode keeps its port open from one job to the next.
class LineWorker : public QObject
{
    Q_OBJECT
public:
    using Job = std::function<void(SerialSession &)>;
    using Done = std::function<void()>;

    // name: the line's device, as the journal and the messages name it.
    explicit LineWorker(const QString &name, QObject *parent = nullptr);
    ~LineWorker() override;

    QString name() const { return m_name; }

    // The port names and link mode every job after this one starts with.
    void setPortNames(const PortNames &names);
    void setLinkMode(const LinkMode &mode);

    // Queues job. done runs on this object's thread once the job has ended, unless the
    // worker was stopped meanwhile.
    void post(Job job, Done done = {});
    // The same, for a done that belongs to context: it does not run once context is gone
    // (a window closed while its operation's job was still on the line).
    void post(Job job, QObject *context, Done done);
    // For programs without a window: queues job and returns when it has ended.
    void runAndWait(const Job &job);

    // Jobs queued or running.
    int pending() const;

    // Drops the jobs still queued, ends the running one at its next wait and joins the
    // thread. No done runs after this.
    void stop();

Q_SIGNALS:
    // Nothing is queued or running any more.
    void idle();

private:
    class Thread;
    void finished(const Done &done);

    QString m_name;
    std::unique_ptr<Thread> m_thread;
    int m_pending = 0; // counted on the owner's thread
    bool m_stopped = false;
};

// What a job tells as it goes ("Считывание архива: 37%"), carried from the line's thread to
// show, which runs on receiver's thread; nothing is shown once receiver is gone.
std::function<void(const QString &text, int percent)>
ProgressTo(QObject *receiver, std::function<void(const QString &text)> show);

} // namespace zeltar
