#pragma once

#include <QString>

namespace zeltar {

// How long to wait for the reply of one exchange, in milliseconds.
struct TimingProfile
{
    int ReplyTimeout = 200; // how long the reply may go on growing after FirstWait
    int FirstWait = 50;     // unconditional wait after the request is handed over
    int QuietInterval = 5;  // the reply is complete when no byte came in one such period
};

// Profile numbers by use.
enum TimingUse
{
    TimingRead03 = 1,   // settings, clock, link test; n = register count
    TimingWrite16 = 2,  // settings and clock writes; n = number of data bytes
    TimingPoll04 = 3,   // current values while polling; n = 4
    TimingArchive04 = 4 // instrument archive download; n = 5
};

constexpr int BaudIndexCount = 7;

// Timing profile for profile p (1 to 4), baud index b (0 to 6) and exchange size n.
TimingProfile SetTiming(int p, int b, int n);

// Baud rate of a baud index 0 to 6; 0 for any other index.
int BaudRate(int b);

// Decimal text of the baud rate; empty for an index outside 0 to 6.
QString BaudText(int b);

// Baud index of a rate given as text or number; -1 when it is not one of the seven rates.
int BaudIndexOf(int rate);

} // namespace zeltar
