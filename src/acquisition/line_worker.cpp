#include "acquisition/line_worker.h"

#include "link/serial_session.h"

#include <QPointer>
#include <QThread>

#include <condition_variable>
#include <deque>
#include <mutex>

namespace zeltar {

namespace {

// How often an idle line thread wakes to keep its line lock fresh.
constexpr auto IdleRefresh = std::chrono::seconds(10);

} // namespace

// The line's thread: waits for a job, runs it, hands its end back. The session and its
// port are made and closed on this thread; the waits inside a job run this thread's own
// event loop, which no job delivery can enter.
class LineWorker::Thread : public QThread
{
public:
    struct Entry
    {
        Job job;
        Done done;
    };

    explicit Thread(LineWorker &owner) : m_owner(owner) {}

    void push(Entry entry)
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_queue.push_back(std::move(entry));
        }
        m_wake.notify_one();
    }

    void setPortNames(const PortNames &names)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_names = names;
    }
    void setLinkMode(const LinkMode &mode)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_mode = mode;
    }

    void end()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_ending = true;
            m_queue.clear();
        }
        m_wake.notify_one();
        exit(); // a job in the middle of a wait returns from it at once
        wait();
    }

protected:
    void run() override
    {
        SerialSession session;
        for (;;) {
            Entry entry;
            {
                std::unique_lock<std::mutex> lock(m_mutex);
                while (!m_ending && m_queue.empty()) {
                    if (m_wake.wait_for(lock, IdleRefresh) == std::cv_status::timeout)
                        session.RefreshLineHold();
                }
                if (m_ending)
                    break;
                entry = std::move(m_queue.front());
                m_queue.pop_front();
                session.setPortNames(m_names);
                session.setLinkMode(m_mode);
            }
            entry.job(session);
            LineWorker *owner = &m_owner;
            QMetaObject::invokeMethod(
                owner, [owner, done = std::move(entry.done)] { owner->finished(done); },
                Qt::QueuedConnection);
        }
        session.CloseKeptPort();
        session.ReleaseLine();
    }

private:
    LineWorker &m_owner;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Entry> m_queue;
    bool m_ending = false;
    PortNames m_names;
    LinkMode m_mode;
};

LineWorker::LineWorker(const QString &name, QObject *parent)
    : QObject(parent), m_name(name), m_thread(std::make_unique<Thread>(*this))
{
    m_thread->setObjectName(QStringLiteral("line ") + name);
    m_thread->start();
}

LineWorker::~LineWorker()
{
    stop();
}

void LineWorker::setPortNames(const PortNames &names)
{
    m_thread->setPortNames(names);
}

void LineWorker::setLinkMode(const LinkMode &mode)
{
    m_thread->setLinkMode(mode);
}

void LineWorker::post(Job job, Done done)
{
    if (m_stopped)
        return;
    ++m_pending;
    m_thread->push({std::move(job), std::move(done)});
}

void LineWorker::post(Job job, QObject *context, Done done)
{
    QPointer<QObject> guard(context);
    post(std::move(job), [guard, done = std::move(done)] {
        if (guard)
            done();
    });
}

void LineWorker::runAndWait(const Job &job)
{
    std::mutex mutex;
    std::condition_variable ended;
    bool over = false;
    post([&](SerialSession &session) {
        job(session);
        std::lock_guard<std::mutex> lock(mutex);
        over = true;
        ended.notify_one();
    });
    std::unique_lock<std::mutex> lock(mutex);
    ended.wait(lock, [&] { return over || m_stopped; });
}

int LineWorker::pending() const
{
    return m_pending;
}

void LineWorker::stop()
{
    if (m_stopped)
        return;
    m_stopped = true;
    m_thread->end();
    m_pending = 0;
}

void LineWorker::finished(const Done &done)
{
    if (m_stopped)
        return;
    --m_pending;
    if (done)
        done();
    if (m_pending == 0 && !m_stopped)
        Q_EMIT idle();
}

std::function<void(const QString &, int)> ProgressTo(QObject *receiver,
                                                     std::function<void(const QString &)> show)
{
    QPointer<QObject> target = receiver;
    return [target, show = std::move(show)](const QString &text, int) {
        QMetaObject::invokeMethod(
            target,
            [target, show, text] {
                if (target)
                    show(text);
            },
            Qt::QueuedConnection);
    };
}

} // namespace zeltar
