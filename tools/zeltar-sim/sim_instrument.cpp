#include "sim_instrument.h"

#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zeltar::sim {

namespace {

// Holding registers of the configuration (byte 1 / byte 2 as in the register map).
constexpr int RegVersion = 0;
constexpr int RegLink = 3; // baud index, slave address
constexpr int RegSensor = 8;
constexpr int RegTypeReg = 9;
constexpr int RegPeriod = 10;
constexpr int RegUst4 = 11;  // setpoint i at RegUst4 + 2 (4 - i)
constexpr int RegGist4 = 19; // return zone i at RegGist4 + 2 (4 - i)
constexpr int RegM2 = 33;
constexpr int RegSostRele = 36;
constexpr int RegPeriodArh = 38;
constexpr int RegKp = 39;
constexpr int RegKi = 41;
constexpr int RegKd = 43;
constexpr int RegPerZap = 47;
constexpr int RegKo = 49;
constexpr int RegClock = 57; // 57 to 59
constexpr int ClockRegisterCount = 3;
constexpr int RegProgram = 65; // entry i at RegProgram + 3 (i - 1)
constexpr int ProgramEntries = 31;
constexpr int RegUpr = 427; // PribRegUpr, PribRegRele

constexpr quint8 ProgramEnd = 255;
constexpr quint8 UprMeasuring = 0x80;
constexpr quint8 UprProgram = 0x40;

// Input registers.
constexpr int LiveRegisterCount = 4;
constexpr int ArchiveFirst = 22;
constexpr int ArchiveNext = 34;
constexpr int ArchiveRegisterCount = 5;
constexpr int ArchiveRecordBytes = 10;

constexpr int MaxReadCount = 125;
constexpr int MaxWriteCount = 123;

// The demonstration curve: a slow wave between two levels.
constexpr double WaveLow = 20.0;
constexpr double WaveHigh = 80.0;
constexpr qint64 WavePeriodMs = 300000;

constexpr int DefaultArchiveIntervalSec = 60;

quint16 Word(const QByteArray &message, int at)
{
    return static_cast<quint16>((static_cast<quint8>(message.at(at)) << 8) |
                                static_cast<quint8>(message.at(at + 1)));
}

QByteArray SingleBytes(float value)
{
    quint32 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    QByteArray bytes(4, '\0');
    qToLittleEndian(bits, bytes.data());
    return bytes;
}

bool Overlaps(int start, int count, int first, int size)
{
    return start < first + size && first < start + count;
}

} // namespace

quint8 ToBcd(int value)
{
    return static_cast<quint8>(16 * (value / 10) + value % 10);
}

int FromBcd(quint8 byte)
{
    return 10 * (byte >> 4) + (byte & 0x0F);
}

SimInstrument::SimInstrument(const InstrumentOptions &options, const QDateTime &now)
    : options_(options), holding_(2 * HoldingRegisterCount, '\0'), started_(now)
{
    applyFactoryDefaults();
    buildArchive(now);
}

void SimInstrument::applyFactoryDefaults()
{
    setBytes(RegVersion, static_cast<quint8>(options_.version), 0);
    setBytes(RegLink, static_cast<quint8>(options_.baudIndex),
             static_cast<quint8>(options_.address));
    setBytes(RegSensor, 0, 1); // current signal, (4...20) mA
    setBytes(RegTypeReg, 0, 0);
    setBytes(RegPeriod, 3, 0);
    setSingle(RegM2, 1.0f);
    const qint16 periodArh = 999;
    qToLittleEndian(periodArh, holding_.data() + 2 * RegPeriodArh);
    setSingle(RegKp, 0.1f);
    setSingle(RegKi, 0.005f);
    setSingle(RegKd, 2.0f);
    setSingle(RegPerZap, 4.0f);
    setSingle(RegKo, 0.01f);
    setBytes(RegProgram, ProgramEnd, ProgramEnd); // empty program

    // Not factory settings: three setpoints inside the wave so that the relays move.
    // Setpoint 1 acts above 70, setpoint 2 below 30, setpoint 3 above 50.
    setSingle(RegUst4 + 6, 70.0f);
    setSingle(RegGist4 + 6, 1.0f);
    setSingle(RegUst4 + 4, 30.0f);
    setSingle(RegGist4 + 4, 1.0f);
    setSingle(RegUst4 + 2, 50.0f);
    setSingle(RegGist4 + 2, 2.0f);
    setBytes(RegSostRele, 0x80 | 0x20, 0);
    setBytes(RegUpr, UprMeasuring | 0x08 | 0x04 | 0x02, 0);
}

void SimInstrument::buildArchive(const QDateTime &now)
{
    const auto periodArh = qFromLittleEndian<qint16>(holding_.constData() + 2 * RegPeriodArh);
    const int interval = periodArh > 0 ? periodArh : DefaultArchiveIntervalSec;
    const QDateTime last = clockTime(now);
    const int count = options_.archiveCount;
    archive_.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const QDateTime stamp = last.addSecs(-static_cast<qint64>(count - 1 - i) * interval);
        QByteArray record;
        record.append(static_cast<char>(stamp.time().hour()));
        record.append(static_cast<char>(stamp.time().minute()));
        record.append(static_cast<char>(stamp.time().second()));
        record.append(static_cast<char>(stamp.date().day()));
        record.append(static_cast<char>(stamp.date().month()));
        record.append(static_cast<char>(stamp.date().year() % 100));
        record.append(SingleBytes(valueAt(stamp)));
        archive_.push_back(record);
    }
}

quint8 SimInstrument::address() const
{
    return byte(RegLink, 2);
}

int SimInstrument::baudIndex() const
{
    return byte(RegLink, 1);
}

quint16 SimInstrument::holdingRegister(int reg) const
{
    return static_cast<quint16>((byte(reg, 1) << 8) | byte(reg, 2));
}

QDateTime SimInstrument::clockTime(const QDateTime &now) const
{
    return now.addMSecs(clockOffsetMs_);
}

float SimInstrument::valueAt(const QDateTime &moment) const
{
    if (options_.sensorBreak)
        return SensorBreakValue;
    if (options_.fixedValue)
        return *options_.fixedValue;
    // Instruments at different addresses run out of step with each other.
    const double phase =
        2.0 * M_PI * static_cast<double>(moment.toMSecsSinceEpoch() % WavePeriodMs) / WavePeriodMs +
        0.9 * options_.address;
    const double middle = (WaveLow + WaveHigh) / 2;
    const double amplitude = (WaveHigh - WaveLow) / 2;
    return static_cast<float>(middle + amplitude * std::sin(phase));
}

QByteArray SimInstrument::reply(const QByteArray &request, const QDateTime &now)
{
    if (request.size() < 2)
        return {};
    switch (static_cast<quint8>(request.at(1))) {
    case 0x03:
        return read03(request, now);
    case 0x04:
        return read04(request, now);
    case 0x10:
        return write16(request, now);
    default:
        return exceptionReply(request, IllegalFunction);
    }
}

QByteArray SimInstrument::exceptionReply(const QByteArray &request, quint8 code) const
{
    QByteArray message;
    message.append(request.at(0));
    message.append(static_cast<char>(static_cast<quint8>(request.at(1)) | 0x80));
    message.append(static_cast<char>(code));
    return message;
}

QByteArray SimInstrument::readReply(const QByteArray &request, const QByteArray &data) const
{
    QByteArray message = request.left(2);
    message.append(static_cast<char>(data.size()));
    message.append(data);
    return message;
}

QByteArray SimInstrument::read03(const QByteArray &request, const QDateTime &now)
{
    if (request.size() != 6)
        return exceptionReply(request, IllegalValue);
    const int start = Word(request, 2);
    const int count = Word(request, 4);
    if (count < 1 || count > MaxReadCount || start + count > HoldingRegisterCount)
        return exceptionReply(request, IllegalAddress);
    putClockRegisters(now);
    return readReply(request, holding_.mid(2 * start, 2 * count));
}

QByteArray SimInstrument::read04(const QByteArray &request, const QDateTime &now)
{
    if (request.size() != 6)
        return exceptionReply(request, IllegalValue);
    const int start = Word(request, 2);
    const int count = Word(request, 4);
    if (count >= 1 && start + count <= LiveRegisterCount)
        return readReply(request, liveRegisters(now).mid(2 * start, 2 * count));
    if (count == ArchiveRegisterCount && start == ArchiveFirst) {
        archiveCursor_ = 0;
        return readReply(request, archive_.empty() ? QByteArray(ArchiveRecordBytes, '\0')
                                                   : archive_.front());
    }
    if (count == ArchiveRegisterCount && start == ArchiveNext)
        return readReply(request, nextArchiveRecord());
    return exceptionReply(request, IllegalAddress);
}

// Each read moves to the next record; past the last one the last is given again, so the
// reader sees the same reply twice and knows the archive has ended.
QByteArray SimInstrument::nextArchiveRecord()
{
    if (archive_.empty())
        return QByteArray(ArchiveRecordBytes, '\0');
    if (archiveCursor_ + 1 < archiveSize())
        ++archiveCursor_;
    return archive_.at(static_cast<size_t>(archiveCursor_));
}

QByteArray SimInstrument::write16(const QByteArray &request, const QDateTime &now)
{
    if (request.size() < 7)
        return exceptionReply(request, IllegalValue);
    const int start = Word(request, 2);
    const int count = Word(request, 4);
    const int byteCount = static_cast<quint8>(request.at(6));
    if (count < 1 || count > MaxWriteCount || start + count > HoldingRegisterCount)
        return exceptionReply(request, IllegalAddress);
    if (byteCount != 2 * count || request.size() != 7 + byteCount)
        return exceptionReply(request, IllegalValue);

    const quint16 version = holdingRegister(RegVersion);
    const quint16 link = holdingRegister(RegLink);
    putClockRegisters(now);
    holding_.replace(2 * start, byteCount, request.constData() + 7, byteCount);
    setBytes(RegVersion, static_cast<quint8>(version >> 8), static_cast<quint8>(version));
    if (Overlaps(start, count, RegClock, ClockRegisterCount))
        takeClockRegisters(now);
    if (Overlaps(start, count, RegLink, 1)) {
        pendingLink_ = holdingRegister(RegLink);
        setBytes(RegLink, static_cast<quint8>(link >> 8), static_cast<quint8>(link));
    }
    return request.left(6);
}

void SimInstrument::applyLinkChange()
{
    if (!pendingLink_)
        return;
    const quint8 baud = static_cast<quint8>(*pendingLink_ >> 8);
    const quint8 address = static_cast<quint8>(*pendingLink_);
    // An instrument keeps its rate when told one it does not have.
    setBytes(RegLink, baud < 7 ? baud : static_cast<quint8>(baudIndex()), address);
    pendingLink_.reset();
}

QByteArray SimInstrument::liveRegisters(const QDateTime &now)
{
    const float value = valueAt(now);
    QByteArray data = SingleBytes(value);
    data.append(static_cast<char>(statusBits(value)));
    data.append(static_cast<char>(updateRelays(value)));
    data.append(static_cast<char>(programStep(now)));
    data.append('\0');
    return data;
}

// Relay nibble: bit 3 is setpoint 1 ... bit 0 setpoint 4. A setpoint acting "above"
// switches on above its value and off again below value - return zone; one acting
// "below" the other way round. Disabled setpoints and a broken sensor switch off.
quint8 SimInstrument::updateRelays(float value)
{
    const quint8 enabled = byte(RegUpr, 1);
    const quint8 directions = byte(RegSostRele, 1);
    quint8 bits = 0;
    for (int i = 1; i <= 4; ++i) {
        bool &on = relayOn_[static_cast<size_t>(i - 1)];
        const float setpoint = single(RegUst4 + 2 * (4 - i));
        const float zone = single(RegGist4 + 2 * (4 - i));
        const bool above = (directions >> (8 - i)) & 1;
        if (!((enabled >> (4 - i)) & 1) || value == SensorBreakValue)
            on = false;
        else if (above)
            on = on ? value >= setpoint - zone : value > setpoint;
        else
            on = on ? value <= setpoint + zone : value < setpoint;
        if (on)
            bits |= static_cast<quint8>(1 << (4 - i));
    }
    return bits;
}

// Status nibble: bit 0 measuring, bit 1 sensor break, bit 2 regulating by program.
quint8 SimInstrument::statusBits(float value) const
{
    const quint8 upr = byte(RegUpr, 1);
    quint8 bits = 0;
    if (upr & UprMeasuring)
        bits |= 0x01;
    if (value == SensorBreakValue)
        bits |= 0x02;
    if (upr & UprProgram)
        bits |= 0x04;
    return bits;
}

// Step of the program the instrument is at, the program running in a loop from start-up;
// 0 when it regulates to a value or has no program.
quint8 SimInstrument::programStep(const QDateTime &now) const
{
    if (!(byte(RegUpr, 1) & UprProgram))
        return 0;
    std::vector<int> stepMinutes;
    for (int i = 0; i < ProgramEntries; ++i) {
        const int reg = RegProgram + 3 * i;
        if (byte(reg, 1) == ProgramEnd)
            break;
        stepMinutes.push_back(60 * byte(reg, 1) + byte(reg, 2));
    }
    if (stepMinutes.empty())
        return 0;
    const int length = *std::max_element(stepMinutes.begin(), stepMinutes.end()) + 1;
    const int elapsed = static_cast<int>(started_.secsTo(now) / 60 % length);
    const auto reached = std::count_if(stepMinutes.begin(), stepMinutes.end(),
                                       [elapsed](int minutes) { return minutes <= elapsed; });
    return static_cast<quint8>(std::max<long>(reached, 1));
}

void SimInstrument::putClockRegisters(const QDateTime &now)
{
    const QDateTime t = clockTime(now);
    setBytes(RegClock, ToBcd(t.time().second()), ToBcd(t.time().minute()));
    setBytes(RegClock + 1, ToBcd(t.time().hour()), ToBcd(t.date().day()));
    setBytes(RegClock + 2, ToBcd(t.date().month()), ToBcd(t.date().year() % 100));
}

// Sets the clock from the BCD registers; the clock then runs on from there. A field out
// of range is brought to its nearest valid value, as a calendar clock would.
void SimInstrument::takeClockRegisters(const QDateTime &now)
{
    const int second = std::clamp(FromBcd(byte(RegClock, 1)), 0, 59);
    const int minute = std::clamp(FromBcd(byte(RegClock, 2)), 0, 59);
    const int hour = std::clamp(FromBcd(byte(RegClock + 1, 1)), 0, 23);
    const int month = std::clamp(FromBcd(byte(RegClock + 2, 1)), 1, 12);
    const int year = 2000 + FromBcd(byte(RegClock + 2, 2)) % 100;
    const int day =
        std::clamp(FromBcd(byte(RegClock + 1, 2)), 1, QDate(year, month, 1).daysInMonth());
    const QDateTime set(QDate(year, month, day), QTime(hour, minute, second), now.timeSpec());
    clockOffsetMs_ = set.toMSecsSinceEpoch() - now.toMSecsSinceEpoch();
}

void SimInstrument::setBytes(int reg, quint8 first, quint8 second)
{
    holding_[2 * reg] = static_cast<char>(first);
    holding_[2 * reg + 1] = static_cast<char>(second);
}

void SimInstrument::setSingle(int reg, float value)
{
    holding_.replace(2 * reg, 4, SingleBytes(value));
}

float SimInstrument::single(int reg) const
{
    const auto bits = qFromLittleEndian<quint32>(holding_.constData() + 2 * reg);
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

quint8 SimInstrument::byte(int reg, int which) const
{
    return static_cast<quint8>(holding_.at(2 * reg + which - 1));
}

} // namespace zeltar::sim
