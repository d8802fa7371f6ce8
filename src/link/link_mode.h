#pragma once

namespace zeltar {

// How the serial session times its exchanges with the instruments.
//
// Standard: every exchange waits the profile's first wait and then for a quiet input, and
// the port is opened afresh for every operation and every poll, with pauses around it.
// Fast: a reply is complete as soon as its frame has arrived, and the port stays open
// while the exchanges go to the same port at the same rate.
struct LinkMode
{
    static constexpr int DefaultTurnaroundMs = 5;
    static constexpr int MaxTurnaroundMs = 1000;

    bool fast = false;
    // Fast mode: the least time between a reply's end and the next request, for RS-485
    // converters that switch the line's direction.
    int TurnaroundMs = DefaultTurnaroundMs;
};

} // namespace zeltar
