#include "sim_line.h"

#include "link/modbus_frame.h"
#include "link/timing.h"

#include <algorithm>

namespace zeltar::sim {

namespace {
constexpr int MaxFrameLength = 1024; // longer input is noise, not a request
constexpr quint8 WriteFunction = 0x10;

bool IsReadReply(const QByteArray &message)
{
    if (message.size() < 3)
        return false;
    const auto function = static_cast<quint8>(message.at(1));
    return function == 0x03 || function == 0x04;
}
} // namespace

SimLine::SimLine(const std::vector<InstrumentOptions> &instruments, Writer write, Clock clock)
    : clock_(std::move(clock)), transmitter_(std::move(write)),
      random_(QRandomGenerator::global()->generate())
{
    const QDateTime now = clock_();
    for (const InstrumentOptions &options : instruments)
        instruments_.push_back(std::make_unique<SimInstrument>(options, now));
    requestCounts_.assign(instruments_.size(), 0);
    lineClock_.start();
    takeTimer_.setSingleShot(true);
    takeTimer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&takeTimer_, &QTimer::timeout, [this] { handleDueFrames(); });
}

void SimLine::setLineBaudRate(std::function<int()> lineBaudRate)
{
    lineBaudRate_ = std::move(lineBaudRate);
}

void SimLine::setLog(std::function<void(const QString &)> log)
{
    log_ = std::move(log);
}

void SimLine::setRandomSeed(quint32 seed)
{
    random_.seed(seed);
}

void SimLine::setStatsListener(std::function<void(const LineStats &)> listener)
{
    statsListener_ = std::move(listener);
}

SimInstrument *SimLine::instrument(int address) const
{
    for (auto &instrument : instruments_)
        if (instrument->address() == address)
            return instrument.get();
    return nullptr;
}

void SimLine::log(const QString &text) const
{
    if (log_)
        log_(text);
}

void SimLine::receive(const QByteArray &bytes)
{
    const qint64 now = lineClock_.nsecsElapsed();
    for (char c : bytes) {
        if (c == ':') {
            beginFrame(now); // a new start discards a broken frame
            continue;
        }
        if (frame_.isEmpty())
            continue; // noise between frames
        frame_.append(c);
        arrivals_.append(now);
        if (c == '\n') {
            endFrame(now);
        } else if (frame_.size() > MaxFrameLength) {
            frame_.clear();
            arrivals_.clear();
        }
    }
}

void SimLine::beginFrame(qint64 nowNs)
{
    ++stats_.requests;
    bool overlap = busy();
    if (!frame_.isEmpty()) {
        // The broken frame's bytes were on the line all the same.
        const qint64 taken = frameTakenNs();
        overlap = overlap || taken > nowNs;
        lineTakenNs_ = std::max(lineTakenNs_, taken);
    }
    if (overlap) {
        ++stats_.overlaps;
        log(QStringLiteral("   a request begins while the line is busy (overlap %1)")
                .arg(stats_.overlaps));
    }
    if (statsListener_)
        statsListener_(stats_);
    frame_ = QByteArray(1, ':');
    arrivals_ = {nowNs};
}

// When the last byte of frame_ so far has been taken: at once, or under the pacing of the
// instrument it is addressed to, one character time a byte after the line's earlier
// bytes and no earlier than its arrival.
qint64 SimLine::frameTakenNs() const
{
    bool ok = false;
    const int address = frame_.size() >= 3 ? frame_.mid(1, 2).toInt(&ok, 16) : -1;
    const SimInstrument *target = ok ? instrument(address) : nullptr;
    if (!target || !target->faults().pace)
        return arrivals_.last();
    const int rate = BaudRate(target->baudIndex());
    const qint64 characterNs = (BitsPerCharacter * 1000000000LL + rate - 1) / rate; // never early
    qint64 taken = lineTakenNs_;
    for (const qint64 arrival : arrivals_)
        taken = std::max(taken, arrival) + characterNs;
    return taken;
}

void SimLine::endFrame(qint64 nowNs)
{
    const qint64 taken = frameTakenNs();
    lineTakenNs_ = std::max(lineTakenNs_, taken);
    TakenFrame frame{frame_, taken};
    frame_.clear();
    arrivals_.clear();
    if (taken <= nowNs && taking_.empty()) {
        handleFrame(frame.text);
        return;
    }
    taking_.push_back(std::move(frame));
    if (!takeTimer_.isActive())
        handleDueFrames();
}

// Hands over the frames whose last byte has been taken, in their order, and waits for
// the next one.
void SimLine::handleDueFrames()
{
    const qint64 now = lineClock_.nsecsElapsed();
    while (!taking_.empty() && taking_.front().dueNs <= now) {
        const QByteArray text = std::move(taking_.front().text);
        taking_.pop_front();
        handleFrame(text);
    }
    if (!taking_.empty()) {
        const qint64 leftMs = (taking_.front().dueNs - now + 999999) / 1000000;
        takeTimer_.start(static_cast<int>(std::max<qint64>(leftMs, 1)));
    }
}

void SimLine::handleFrame(const QByteArray &text)
{
    QByteArray request;
    if (DecodeFrame(text, &request) != 0) {
        log(QStringLiteral("rx %1 (bad frame, ignored)").arg(Printable(text)));
        return;
    }
    const auto address = static_cast<quint8>(request.at(0));
    size_t index = 0;
    while (index < instruments_.size() && instruments_[index]->address() != address)
        ++index;
    if (index == instruments_.size()) {
        log(QStringLiteral("rx %1 (no instrument at %2)").arg(Printable(text)).arg(address));
        return;
    }
    SimInstrument &instrument = *instruments_[index];
    const int lineRate = lineBaudRate_ ? lineBaudRate_() : 0;
    const int ownRate = BaudRate(instrument.baudIndex());
    if (lineRate != 0 && lineRate != ownRate) {
        log(QStringLiteral("rx %1 (line at %2 baud, instrument %3 at %4: not heard)")
                .arg(Printable(text))
                .arg(lineRate)
                .arg(address)
                .arg(ownRate));
        return;
    }

    const FaultOptions &faults = instrument.faults();
    const int number = ++requestCounts_[index];
    const bool faulted = (number - 1) % faults.every == 0;
    log(QStringLiteral("rx %1 (instrument %2, request %3)")
            .arg(Printable(text))
            .arg(address)
            .arg(number));
    if (faulted && faults.silent) {
        log(QStringLiteral("   silent"));
        return;
    }
    if (faulted && faults.drop > 0 && random_.generateDouble() < faults.drop) {
        log(QStringLiteral("   dropped"));
        return;
    }

    QByteArray message = faulted && faults.exception
                             ? instrument.exceptionReply(request, DeviceFailure)
                             : instrument.reply(request, clock_());
    QByteArray frame = ModBusFrame(faulted ? SpoilMessage(message, faults) : message);
    if (faulted)
        frame = SpoilFrame(frame, faults);

    ReplyJob job;
    job.bytes = frame;
    job.delayMs = (faulted ? faults.lateMs : 0) + (faults.pace ? faults.turnaroundMs : 0);
    job.gapMs = faulted ? faults.dribbleMs : 0;
    job.baudRate = faults.pace ? ownRate : 0;
    if (faulted && faults.burstMs > 0) {
        // The first half goes now, the second one burst later.
        ReplyJob first = job;
        first.bytes = frame.left(frame.size() / 2);
        job.bytes = frame.mid(first.bytes.size());
        job.delayMs = faults.burstMs;
        transmitter_.send(std::move(first));
    }
    job.sent = [this, &instrument, frame] {
        log(QStringLiteral("tx %1").arg(Printable(frame)));
        instrument.applyLinkChange();
    };
    transmitter_.send(std::move(job));
}

QByteArray StatsText(const LineStats &stats)
{
    return QStringLiteral("requests %1\noverlaps %2\n")
        .arg(stats.requests)
        .arg(stats.overlaps)
        .toLatin1();
}

QByteArray SpoilMessage(QByteArray message, const FaultOptions &faults)
{
    if (message.size() < 2)
        return message;
    if (IsReadReply(message) && (faults.frame & FaultBadCount))
        message[2] = static_cast<char>(message.at(2) + 2);
    if (IsReadReply(message) && (faults.frame & FaultExtraByte))
        message.append('\0');
    if (static_cast<quint8>(message.at(1)) == WriteFunction && (faults.frame & FaultWriteLength))
        message.append('\0');
    if (faults.frame & FaultWrongFunction)
        message[1] = static_cast<char>(message.at(1) ^ 0x01);
    if (faults.wrongAddr)
        message[0] = static_cast<char>(message.at(0) + 1);
    return message;
}

QByteArray SpoilFrame(QByteArray frame, const FaultOptions &faults)
{
    if (faults.badLrc) {
        char &lrcLow = frame[frame.size() - 3];
        lrcLow = lrcLow == '0' ? '1' : '0';
    }
    if (faults.frame & FaultOdd)
        frame.insert(frame.size() - 2, '0');
    if (faults.frame & FaultShort)
        frame = frame.left(7) + "\r\n";
    if (faults.frame & FaultNoCr)
        frame.remove(frame.size() - 2, 1);
    if (faults.frame & FaultNoLf)
        frame.chop(1);
    if (faults.garbage)
        frame.prepend(QByteArray("\xFF\x00~", 3));
    return frame;
}

QString Printable(const QByteArray &bytes)
{
    QString text;
    for (char c : bytes) {
        if (c == '\r')
            text += QLatin1String("\\r");
        else if (c == '\n')
            text += QLatin1String("\\n");
        else if (c >= 0x20 && c < 0x7F)
            text += QLatin1Char(c);
        else
            text += QStringLiteral("\\x%1").arg(static_cast<quint8>(c), 2, 16, QLatin1Char('0'));
    }
    return text;
}

} // namespace zeltar::sim
