#pragma once

class QEventLoop;

namespace zeltar {

// Waits that keep the station alive: the calling thread runs its event loop until the
// time is up, so timers, port notifications and operator input are served meanwhile.
// The wait sleeps in the event dispatcher; it never spins.
class EventWait
{
public:
    // Runs the event loop for ms milliseconds (a precise timer ends it). False, at once,
    // when the application is quitting and no event loop runs any more.
    static bool runFor(int ms);
    // The same in the given loop, which the caller's handlers may quit earlier.
    static bool runFor(int ms, QEventLoop &loop);

    // Returns after at least ms milliseconds, running the event loop meanwhile; false
    // (earlier) when the application is quitting.
    static bool pause(int ms);

    // Processes what is pending once, without waiting.
    static void processPending();
};

} // namespace zeltar
