#include "core/clock.h"

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

} // namespace

QDateTime Clock::now()
{
    const ClockState &state = State();
    if (state.fixed.isValid())
        return state.fixed;
    return QDateTime::currentDateTime().addMSecs(state.offsetMs);
}

void Clock::setNow(const QDateTime &moment)
{
    State().fixed = moment.toLocalTime();
}

void Clock::advance(qint64 ms)
{
    ClockState &state = State();
    if (state.fixed.isValid())
        state.fixed = state.fixed.addMSecs(ms);
    else
        state.offsetMs += ms;
}

void Clock::reset()
{
    State() = ClockState();
}

bool Clock::isFixed()
{
    return State().fixed.isValid();
}

} // namespace zeltar
