#pragma once

#include <QByteArray>

namespace zeltar {

// Results of a reply wait.
enum WaitResult
{
    WaitComplete = 1,
    WaitStillGrowing = 2,
    WaitNothing = 100
};

// What a Modbus transaction needs of the serial session.
class LinkTransport
{
public:
    virtual ~LinkTransport() = default;

    // Hands the bytes to the write queue; false on a session error.
    virtual bool write(const QByteArray &bytes) = 0;
    // Waits for a reply: WaitNothing, WaitComplete or WaitStillGrowing.
    virtual int WaitReply(int replyTimeout, int firstWait, int quietInterval) = 0;
    // Takes every waiting byte; false on a session error.
    virtual bool readAll(QByteArray *bytes) = 0;
    // True when the session failed (the port reported an error) since it was opened.
    virtual bool hasFailed() const { return false; }
    // Told at the end of every exchange whether it succeeded, all checks included.
    virtual void exchangeEnded(bool /*succeeded*/) {}
};

} // namespace zeltar
