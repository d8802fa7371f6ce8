#pragma once

#include "reply_transmitter.h"
#include "sim_instrument.h"
#include "sim_options.h"

#include <QByteArray>
#include <QDateTime>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTimer>
#include <QVector>

#include <deque>
#include <functional>
#include <memory>
#include <vector>

namespace zeltar::sim {

// What a master did on the line, for tests that check how it uses the line (--stats).
struct LineStats
{
    int requests = 0; // request frames begun: their ':' arrived
    int overlaps = 0; // of them, begun while the line was busy with an earlier request
};

// The counts as kept in the --stats file: "requests N" and "overlaps N", a line each.
QByteArray StatsText(const LineStats &stats);

// The slave side of one serial line: collects request frames from the bytes the master
// sends, hands each to the instrument it is addressed to, and sends the reply back with
// that instrument's faults. Bad frames and frames for other addresses get no answer, as
// on a real line.
//
// An instrument with pacing takes a request no faster than its baud rate allows (timed
// from the arrival of the request's ':'; bytes queue behind the line's earlier ones) and
// answers after its turnaround. The line is busy from a request's ':' until the request
// is taken, and while a reply waits or goes out; a request beginning then overlaps.
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
    // Called whenever the counts change.
    void setStatsListener(std::function<void(const LineStats &)> listener);

    // Bytes that arrived from the master.
    void receive(const QByteArray &bytes);

    SimInstrument *instrument(int address) const;
    // A request is being taken or a reply waits or goes out.
    bool busy() const { return !taking_.empty() || transmitter_.busy(); }
    const LineStats &stats() const { return stats_; }

private:
    // A whole frame whose last byte is still on its way under pacing.
    struct TakenFrame
    {
        QByteArray text;
        qint64 dueNs = 0;
    };

    void beginFrame(qint64 nowNs);
    void endFrame(qint64 nowNs);
    qint64 frameTakenNs() const;
    void handleDueFrames();
    void handleFrame(const QByteArray &text);
    void log(const QString &text) const;

    std::vector<std::unique_ptr<SimInstrument>> instruments_;
    std::vector<int> requestCounts_;
    Clock clock_;
    std::function<int()> lineBaudRate_;
    std::function<void(const QString &)> log_;
    std::function<void(const LineStats &)> statsListener_;
    QByteArray frame_;         // from ':' on, while a frame is being collected
    QVector<qint64> arrivals_; // of the bytes of frame_, on lineClock_
    qint64 lineTakenNs_ = 0;   // when the last paced request byte has been taken
    std::deque<TakenFrame> taking_;
    QElapsedTimer lineClock_;
    QTimer takeTimer_;
    ReplyTransmitter transmitter_;
    QRandomGenerator random_;
    LineStats stats_;
};

// Faults applied to a reply message and to its frame (FaultOptions).
QByteArray SpoilMessage(QByteArray message, const FaultOptions &faults);
QByteArray SpoilFrame(QByteArray frame, const FaultOptions &faults);

// Bytes as readable text: printable characters as they are, others as \r, \n or \xNN.
QString Printable(const QByteArray &bytes);

} // namespace zeltar::sim
