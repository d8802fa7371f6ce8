#pragma once

#include <QDateTime>

namespace zeltar {

// The one source of "now" for the whole station. Normally the system clock; tests fix it
// or shift it so that journal stamps, archive periods and clock operations can be
// checked at any date.
class Clock
{
public:
    // Local date and time.
    static QDateTime now();

    // From now on now() returns this moment until it is advanced or reset.
    static void setNow(const QDateTime &moment);

    // Moves now() on by ms milliseconds (back for a negative value): the fixed moment when
    // one is set, otherwise the system clock is shifted by that much.
    static void advance(qint64 ms);

    // Back to the system clock, unshifted.
    static void reset();

    static bool isFixed();
};

} // namespace zeltar
