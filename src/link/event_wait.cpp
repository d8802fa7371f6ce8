#include "link/event_wait.h"

#include <QCoreApplication>
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

void EventWait::processPending()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace zeltar
