#pragma once

#include "instrument/instrument_settings.h"

#include <QByteArray>

namespace zeltar {

// The instrument's register map on the data bytes of a read reply or a write request.
// "Data bytes" are the register contents only, two per register, in the order they stand
// on the line: data bytes 1 and 2 are bytes 1 and 2 of the block's first register, 3 and 4
// those of the next one, and so on. Multi-byte numbers travel least significant byte first
// and are never scaled.

// Holding registers of the configuration.
constexpr quint16 RegVersion = 0;       // byte 1: version of the instrument
constexpr quint16 RegLink = 3;          // PribBaud, PribAdr
constexpr quint16 RegSensor = 8;        // PribType, PribDiap; 9 PribTypeReg; 10 PribPeriod
constexpr quint16 RegSetpoints = 11;    // PribUst4 ... PribUst1, PribGist4 ... PribGist1
constexpr quint16 RegCorrections = 27;  // PribPoprDat ... PribPeriodArh (register 38)
constexpr quint16 RegCoefficients = 39; // PribKp ... PribDlitImp (registers 39 to 56)
constexpr quint16 RegClock = 57;        // six BCD bytes in registers 57 to 59
constexpr quint16 RegProgram = 65;      // three registers per program entry
constexpr quint16 RegControl = 427;     // PribRegUpr, PribRegRele

constexpr quint16 ProgramEntryRegisters = 3;
constexpr quint8 ProgramEndMarker = 255; // Hours of the entry after the last step

// First register of program entry i (1 to 31).
constexpr quint16 ProgramEntryRegister(int i)
{
    return static_cast<quint16>(RegProgram + ProgramEntryRegisters * (i - 1));
}

// Index into the data bytes of the first byte of register reg, for a block from start.
constexpr int RegisterOffset(quint16 start, quint16 reg)
{
    return 2 * (reg - start);
}

// --- Single fields. n counts data bytes from 1; a field beyond the data reads as 0.

quint8 DataByte(const QByteArray &data, int n);
qint16 DataInt16(const QByteArray &data, int n);
float DataSingle(const QByteArray &data, int n);

// The little-endian IEEE 754 image of a single, and back.
QByteArray SingleBytes(float value);
QByteArray Int16Bytes(qint16 value);

// The data bytes of a Link result of functions 03 and 04 (address, function and byte
// count dropped).
QByteArray ReplyData(const QByteArray &result);

// --- The settings record on the register map.

// Decodes every record field that lies wholly in the registers start .. start + data
// size / 2 - 1 into settings; the other fields are left as they are.
void DecodeSettingsRegisters(quint16 start, const QByteArray &data, InstrumentSettings *settings);

// Data bytes of count registers from start, built from settings; bytes that carry no
// record field are 0.
QByteArray EncodeSettingsRegisters(const InstrumentSettings &settings, quint16 start,
                                   quint16 count);

// --- Regulation program entries: Hours, Minutes, Value.

ProgramStep DecodeProgramEntry(const QByteArray &data);
QByteArray EncodeProgramEntry(const ProgramStep &step);
// The entry after the last step: 255, 255, single 0.0.
QByteArray EncodeProgramEnd();

// --- Instrument clock: packed BCD bytes second, minute, hour, day, month, year.

struct InstrumentClock
{
    quint8 Day = 1;
    quint8 Month = 1;
    quint8 Year = 0; // within the century, 0 to 99
    quint8 Hour = 0;
    quint8 Minute = 0;
    quint8 Second = 0;
};

// 16 * (v div 10) + (v mod 10).
quint8 ToBcd(quint8 value);
// 10 * high nibble + low nibble; the nibbles are not checked.
quint8 FromBcd(quint8 byte);

// The six clock bytes from data byte n on (n counted from 1).
InstrumentClock DecodeClock(const QByteArray &data, int n = 1);
QByteArray EncodeClock(const InstrumentClock &clock);

// --- Current values: input registers 0 to 3.

// The value the instrument reports for a broken sensor.
constexpr float SensorBreakValue = 100000.0f;

// A measured value as the station keeps, archives and shows it: the single the instrument
// sent, or the sensor break mark when that is no number (NaN or an infinity), which an
// instrument gives only when it has no measurement.
float MeasuredValue(float single);

struct CurrentValue
{
    float PribZnac = 0;
    quint8 PribStat = 0;   // low four bits of register 2, byte 1
    quint8 PribRele = 0;   // low four bits of register 2, byte 2
    quint8 PribNomReg = 0; // low four bits of register 3, byte 1
};

// PribZnac is MeasuredValue() of registers 0 and 1.
CurrentValue DecodeCurrentValue(const QByteArray &data);

} // namespace zeltar
