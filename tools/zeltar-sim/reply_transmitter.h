#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QTimer>

#include <deque>
#include <functional>

namespace zeltar::sim {

// A character on the line: start bit, 8 data bits, stop bit.
constexpr qint64 BitsPerCharacter = 10;

// One reply on its way out.
struct ReplyJob
{
    QByteArray bytes;
    int delayMs = 0;            // before the first byte
    int gapMs = 0;              // between two bytes
    int baudRate = 0;           // when set, no faster than 10 bits a character at this rate
    std::function<void()> sent; // after the last byte has been handed to the line
};

// Sends replies one after another, with their delays and pacing done by timers, so the
// program sleeps between bytes instead of polling.
class ReplyTransmitter
{
public:
    explicit ReplyTransmitter(std::function<void(const QByteArray &)> write);

    void send(ReplyJob job);
    bool busy() const { return active_; }

private:
    void startNext();
    void pump();
    qint64 bytesDue() const;

    std::function<void(const QByteArray &)> write_;
    std::deque<ReplyJob> queue_;
    bool active_ = false;
    bool started_ = false; // the current job is past its delay
    int position_ = 0;     // bytes of the current job written
    QElapsedTimer clock_;  // since the current job's first byte
    QTimer timer_;
};

} // namespace zeltar::sim
