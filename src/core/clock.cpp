#include "core/clock.h"

#include <QMutex>
#include <QMutexLocker>

namespace zeltar {

namespace {

struct ClockState
{
    QDateTime fixed; // invalid: the system clock
    qint64 offsetMs = 0;
};

ClockState &State()
{
    static ClockState state;
    return state;
}

// Line workers stamp their replies from threads of their own.
QMutex &Guard()
{
    static QMutex mutex;
    return mutex;
}

} // namespace

QDateTime Clock::now()
{
    const QMutexLocker lock(&Guard());
    const ClockState &state = State();
    if (state.fixed.isValid())
        return state.fixed;
    return QDateTime::currentDateTime().addMSecs(state.offsetMs);
}

void Clock::setNow(const QDateTime &moment)
{
    const QMutexLocker lock(&Guard());
    State().fixed = moment.toLocalTime();
}

void Clock::advance(qint64 ms)
{
    const QMutexLocker lock(&Guard());
    ClockState &state = State();
    if (state.fixed.isValid())
        state.fixed = state.fixed.addMSecs(ms);
    else
        state.offsetMs += ms;
}

void Clock::reset()
{
    const QMutexLocker lock(&Guard());
    State() = ClockState();
}

bool Clock::isFixed()
{
    const QMutexLocker lock(&Guard());
    return State().fixed.isValid();
}

} // namespace zeltar
