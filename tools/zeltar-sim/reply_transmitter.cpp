#include "reply_transmitter.h"

#include <algorithm>

namespace zeltar::sim {

ReplyTransmitter::ReplyTransmitter(std::function<void(const QByteArray &)> write)
    : write_(std::move(write))
{
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { pump(); });
}

void ReplyTransmitter::send(ReplyJob job)
{
    queue_.push_back(std::move(job));
    if (!active_)
        startNext();
}

void ReplyTransmitter::startNext()
{
    if (queue_.empty()) {
        active_ = false;
        return;
    }
    active_ = true;
    started_ = false;
    position_ = 0;
    if (queue_.front().delayMs > 0)
        timer_.start(queue_.front().delayMs);
    else
        pump();
}

// Bytes of the current job that may have left by now under pacing: the first at once,
// then one per character time.
qint64 ReplyTransmitter::bytesDue() const
{
    const ReplyJob &job = queue_.front();
    if (job.baudRate <= 0)
        return job.bytes.size();
    return 1 + clock_.nsecsElapsed() * job.baudRate / (BitsPerCharacter * 1000000000LL);
}

void ReplyTransmitter::pump()
{
    ReplyJob &job = queue_.front();
    if (!started_) {
        started_ = true;
        clock_.start();
    }
    const int size = static_cast<int>(job.bytes.size());
    if (job.gapMs > 0) {
        write_(job.bytes.mid(position_, 1));
        ++position_;
    } else {
        const int due = static_cast<int>(std::min<qint64>(bytesDue(), size));
        if (due > position_) {
            write_(job.bytes.mid(position_, due - position_));
            position_ = due;
        }
    }

    if (position_ < size) {
        int wait = job.gapMs;
        if (job.baudRate > 0) {
            // Time at which the next byte is due under pacing, rounded up to a millisecond.
            const qint64 dueNs = position_ * BitsPerCharacter * 1000000000LL / job.baudRate;
            const qint64 leftMs = (dueNs - clock_.nsecsElapsed() + 999999) / 1000000;
            wait = std::max<int>(wait, static_cast<int>(std::max<qint64>(leftMs, 1)));
        }
        timer_.start(wait);
        return;
    }

    ReplyJob done = std::move(job);
    queue_.pop_front();
    if (done.sent)
        done.sent();
    startNext();
}

} // namespace zeltar::sim
