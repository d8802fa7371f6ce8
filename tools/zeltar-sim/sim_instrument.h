#pragma once

#include "sim_options.h"

#include <QByteArray>
#include <QDateTime>

#include <array>
#include <optional>
#include <vector>

namespace zeltar::sim {

constexpr int HoldingRegisterCount = 428; // holding registers 0 to 427
constexpr float SensorBreakValue = 100000.0f;

// Modbus exception codes the instrument answers with.
enum ExceptionCode : quint8
{
    IllegalFunction = 0x01,
    IllegalAddress = 0x02,
    IllegalValue = 0x03,
    DeviceFailure = 0x04
};

// Register model of one regulator: the configuration in holding registers, the clock,
// the live data in input registers 0 to 3 and the instrument archive. It works on
// request and reply messages (address and function first, no check byte); the line
// does the framing. Time is passed in, so that tests can run it at any date.
class SimInstrument
{
public:
    SimInstrument(const InstrumentOptions &options, const QDateTime &now);

    quint8 address() const;
    int baudIndex() const;
    const FaultOptions &faults() const { return options_.faults; }

    // Carries out one request addressed to this instrument and returns its reply.
    QByteArray reply(const QByteArray &request, const QDateTime &now);

    // A write of register 3 changes baud rate and address only after its reply has been
    // sent from the old ones; the line calls this once the reply has left.
    void applyLinkChange();

    // An exception reply to a request.
    QByteArray exceptionReply(const QByteArray &request, quint8 code) const;

    // Byte 1 of the register in the high half.
    quint16 holdingRegister(int reg) const;

    // The instrument's own clock: the PC clock plus the offset set by the last write.
    QDateTime clockTime(const QDateTime &now) const;

    // Current value on the instrument's curve at a moment.
    float valueAt(const QDateTime &moment) const;

    // Holds the current value at a fixed level, or lets it follow the curve again.
    void setFixedValue(std::optional<float> value) { options_.fixedValue = value; }

    int archiveSize() const { return static_cast<int>(archive_.size()); }

private:
    QByteArray read03(const QByteArray &request, const QDateTime &now);
    QByteArray read04(const QByteArray &request, const QDateTime &now);
    QByteArray write16(const QByteArray &request, const QDateTime &now);
    QByteArray readReply(const QByteArray &request, const QByteArray &data) const;

    QByteArray liveRegisters(const QDateTime &now);
    quint8 updateRelays(float value);
    quint8 statusBits(float value) const;
    quint8 programStep(const QDateTime &now) const;
    QByteArray nextArchiveRecord();

    void putClockRegisters(const QDateTime &now);
    void takeClockRegisters(const QDateTime &now);

    void setBytes(int reg, quint8 first, quint8 second);
    void setSingle(int reg, float value);
    float single(int reg) const;
    quint8 byte(int reg, int which) const;

    void applyFactoryDefaults();
    void buildArchive(const QDateTime &now);

    InstrumentOptions options_;
    QByteArray holding_; // two bytes per register, byte 1 first
    qint64 clockOffsetMs_ = 0;
    std::optional<quint16> pendingLink_;
    std::array<bool, 4> relayOn_{}; // setpoints 1 to 4 acting
    QDateTime started_;
    std::vector<QByteArray> archive_; // 10-byte records, oldest first
    int archiveCursor_ = 0;           // record of the last archive reply
};

// Packed BCD of 0 to 99 and back (nibbles not checked).
quint8 ToBcd(int value);
int FromBcd(quint8 byte);

} // namespace zeltar::sim
