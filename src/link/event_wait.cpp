#include "link/event_wait.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

namespace zeltar {

void EventWait::runFor(int ms)
{
    if (ms <= 0) {
        processPending();
        return;
    }
    QEventLoop loop;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(ms);
    loop.exec();
}

void EventWait::pause(int ms)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        const qint64 left = ms - clock.elapsed();
        if (left <= 0)
            return;
        runFor(static_cast<int>(left));
    }
}

void EventWait::processPending()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace zeltar
