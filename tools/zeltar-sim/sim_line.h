#pragma once

#include "reply_transmitter.h"
#include "sim_instrument.h"
#include "sim_options.h"

#include <QByteArray>
#include <QDateTime>
#include <QRandomGenerator>

#include <functional>
#include <memory>
#include <vector>

namespace zeltar::sim {

// The slave side of one serial line: collects request frames from the bytes the master
// sends, hands each to the instrument it is addressed to, and sends the reply back with
// that instrument's faults. Bad frames and frames for other addresses get no answer, as
// on a real line.
class SimLine
{
public:
    using Writer = std::function<void(const QByteArray &)>;
    using Clock = std::function<QDateTime()>;

    SimLine(const std::vector<InstrumentOptions> &instruments, Writer write,
            Clock clock = &QDateTime::currentDateTime);

    // Baud rate the master has set on the line, 0 when unknown. When given, a request
    // sent at another rate than the instrument's is not heard by it.
    void setLineBaudRate(std::function<int()> lineBaudRate);
    void setLog(std::function<void(const QString &)> log);
    void setRandomSeed(quint32 seed);

    // Bytes that arrived from the master.
    void receive(const QByteArray &bytes);

    SimInstrument *instrument(int address);
    bool sending() const { return transmitter_.busy(); }

private:
    void handleFrame(const QByteArray &text);
    void log(const QString &text) const;

    std::vector<std::unique_ptr<SimInstrument>> instruments_;
    std::vector<int> requestCounts_;
    Clock clock_;
    std::function<int()> lineBaudRate_;
    std::function<void(const QString &)> log_;
    QByteArray frame_; // from ':' on, while a frame is being collected
    ReplyTransmitter transmitter_;
    QRandomGenerator random_;
};

// Faults applied to a reply message and to its frame (FaultOptions).
QByteArray SpoilMessage(QByteArray message, const FaultOptions &faults);
QByteArray SpoilFrame(QByteArray frame, const FaultOptions &faults);

// Bytes as readable text: printable characters as they are, others as \r, \n or \xNN.
QString Printable(const QByteArray &bytes);

} // namespace zeltar::sim
