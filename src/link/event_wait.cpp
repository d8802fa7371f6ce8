#include "link/event_wait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace zeltar {

namespace {

// Set once the thread's event processing has been told to end (the application quits, or
// a line's worker stops): from then on no event loop runs on that thread, so a wait returns
// at once instead of turning into a busy loop.
thread_local bool applicationQuitting = false;

} // namespace

bool EventWait::runFor(int ms)
{
    QEventLoop loop;
    return runFor(ms, loop);
}

bool EventWait::runFor(int ms, QEventLoop &loop)
{
    if (applicationQuitting)
        return false;
    if (ms <= 0) {
        processPending();
        return true;
    }
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(ms);
    if (loop.exec() == -1) // the application is quitting: the loop refused to run
        applicationQuitting = true;
    return !applicationQuitting;
}

bool EventWait::pause(int ms)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const qint64 left = ms - clock.elapsed();
        if (left <= 0)
            return true;
        if (!runFor(static_cast<int>(left)))
            return false;
    }
}

void EventWait::processPending()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace zeltar
