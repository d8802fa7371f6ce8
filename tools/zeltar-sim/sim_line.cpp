#include "sim_line.h"

#include "link/modbus_frame.h"
#include "link/timing.h"

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

SimInstrument *SimLine::instrument(int address)
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
    for (char c : bytes) {
        if (c == ':') {
            frame_ = QByteArray(1, c); // a new start discards a broken frame
            continue;
        }
        if (frame_.isEmpty())
            continue; // noise between frames
        frame_.append(c);
        if (c == '\n') {
            const QByteArray text = frame_;
            frame_.clear();
            handleFrame(text);
        } else if (frame_.size() > MaxFrameLength) {
            frame_.clear();
        }
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
    job.delayMs = faulted ? faults.lateMs : 0;
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
