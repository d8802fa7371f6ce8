#include "instrument/register_codec.h"

#include <QtEndian>

#include <cmath>
#include <cstring>

namespace zeltar {

namespace {

// Where one record field lies in the holding registers.
struct MapField
{
    enum Kind
    {
        Byte1,  // first data byte of the register
        Byte2,  // second data byte of the register
        Int16,  // both bytes of the register
        Single, // four bytes across the register and the next one
    };

    quint16 reg;
    Kind kind;
    quint8 InstrumentSettings::*byteField = nullptr;
    qint16 InstrumentSettings::*int16Field = nullptr;
    float InstrumentSettings::*singleField = nullptr;

    int registers() const { return kind == Single ? 2 : 1; }
    int byteOffset() const { return kind == Byte2 ? 1 : 0; }
};

MapField ByteAt(quint16 reg, MapField::Kind kind, quint8 InstrumentSettings::*field)
{
    return {reg, kind, field, nullptr, nullptr};
}

MapField SingleAt(quint16 reg, float InstrumentSettings::*field)
{
    return {reg, MapField::Single, nullptr, nullptr, field};
}

MapField Int16At(quint16 reg, qint16 InstrumentSettings::*field)
{
    return {reg, MapField::Int16, nullptr, field, nullptr};
}

using S = InstrumentSettings;

const MapField SettingsMap[] = {
    ByteAt(3, MapField::Byte1, &S::PribBaud),
    ByteAt(3, MapField::Byte2, &S::PribAdr),
    ByteAt(8, MapField::Byte1, &S::PribType),
    ByteAt(8, MapField::Byte2, &S::PribDiap),
    ByteAt(9, MapField::Byte1, &S::PribTypeReg),
    ByteAt(10, MapField::Byte1, &S::PribPeriod),
    SingleAt(11, &S::PribUst4),
    SingleAt(13, &S::PribUst3),
    SingleAt(15, &S::PribUst2),
    SingleAt(17, &S::PribUst1),
    SingleAt(19, &S::PribGist4),
    SingleAt(21, &S::PribGist3),
    SingleAt(23, &S::PribGist2),
    SingleAt(25, &S::PribGist1),
    SingleAt(27, &S::PribPoprDat),
    SingleAt(29, &S::PribPoprXC),
    SingleAt(31, &S::PribM1),
    SingleAt(33, &S::PribM2),
    ByteAt(35, MapField::Byte1, &S::PribM),
    ByteAt(36, MapField::Byte1, &S::PribSostRele),
    ByteAt(37, MapField::Byte1, &S::PribZap),
    Int16At(38, &S::PribPeriodArh),
    SingleAt(39, &S::PribKp),
    SingleAt(41, &S::PribKi),
    SingleAt(43, &S::PribKd),
    SingleAt(45, &S::PribRegZnac),
    SingleAt(47, &S::PribPerZap),
    SingleAt(49, &S::PribKo),
    SingleAt(51, &S::PribTrZap),
    SingleAt(53, &S::PribTimePer),
    SingleAt(55, &S::PribDlitImp),
    ByteAt(427, MapField::Byte1, &S::PribRegUpr),
    ByteAt(427, MapField::Byte2, &S::PribRegRele),
};

bool Covers(quint16 start, int count, const MapField &field)
{
    return field.reg >= start && field.reg + field.registers() <= start + count;
}

void PutBytes(QByteArray *data, int index, const QByteArray &bytes)
{
    data->replace(index, bytes.size(), bytes);
}

} // namespace

quint8 DataByte(const QByteArray &data, int n)
{
    if (n < 1 || n > data.size())
        return 0;
    return static_cast<quint8>(data.at(n - 1));
}

qint16 DataInt16(const QByteArray &data, int n)
{
    if (n < 1 || n + 1 > data.size())
        return 0;
    return qFromLittleEndian<qint16>(data.constData() + n - 1);
}

float DataSingle(const QByteArray &data, int n)
{
    if (n < 1 || n + 3 > data.size())
        return 0;
    const quint32 bits = qFromLittleEndian<quint32>(data.constData() + n - 1);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

QByteArray SingleBytes(float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    QByteArray bytes(4, '\0');
    qToLittleEndian(bits, bytes.data());
    return bytes;
}

QByteArray Int16Bytes(qint16 value)
{
    QByteArray bytes(2, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray ReplyData(const QByteArray &result)
{
    return result.mid(3);
}

void DecodeSettingsRegisters(quint16 start, const QByteArray &data, InstrumentSettings *settings)
{
    const int count = static_cast<int>(data.size() / 2);
    for (const MapField &field : SettingsMap) {
        if (!Covers(start, count, field))
            continue;
        const int n = RegisterOffset(start, field.reg) + field.byteOffset() + 1;
        switch (field.kind) {
        case MapField::Byte1:
        case MapField::Byte2:
            settings->*field.byteField = DataByte(data, n);
            break;
        case MapField::Int16:
            settings->*field.int16Field = DataInt16(data, n);
            break;
        case MapField::Single:
            settings->*field.singleField = DataSingle(data, n);
            break;
        }
    }
}

QByteArray EncodeSettingsRegisters(const InstrumentSettings &settings, quint16 start, quint16 count)
{
    QByteArray data(2 * count, '\0');
    for (const MapField &field : SettingsMap) {
        if (!Covers(start, count, field))
            continue;
        const int index = RegisterOffset(start, field.reg) + field.byteOffset();
        switch (field.kind) {
        case MapField::Byte1:
        case MapField::Byte2:
            data[index] = static_cast<char>(settings.*field.byteField);
            break;
        case MapField::Int16:
            PutBytes(&data, index, Int16Bytes(settings.*field.int16Field));
            break;
        case MapField::Single:
            PutBytes(&data, index, SingleBytes(settings.*field.singleField));
            break;
        }
    }
    return data;
}

ProgramStep DecodeProgramEntry(const QByteArray &data)
{
    ProgramStep step;
    step.Hours = DataByte(data, 1);
    step.Minutes = DataByte(data, 2);
    step.Value = DataSingle(data, 3);
    return step;
}

QByteArray EncodeProgramEntry(const ProgramStep &step)
{
    QByteArray data;
    data += static_cast<char>(step.Hours);
    data += static_cast<char>(step.Minutes);
    data += SingleBytes(step.Value);
    return data;
}

QByteArray EncodeProgramEnd()
{
    return EncodeProgramEntry({ProgramEndMarker, ProgramEndMarker, 0.0f});
}

quint8 ToBcd(quint8 value)
{
    return static_cast<quint8>(16 * (value / 10) + value % 10);
}

quint8 FromBcd(quint8 byte)
{
    return static_cast<quint8>(10 * (byte >> 4) + (byte & 0x0F));
}

InstrumentClock DecodeClock(const QByteArray &data, int n)
{
    InstrumentClock clock;
    clock.Second = FromBcd(DataByte(data, n));
    clock.Minute = FromBcd(DataByte(data, n + 1));
    clock.Hour = FromBcd(DataByte(data, n + 2));
    clock.Day = FromBcd(DataByte(data, n + 3));
    clock.Month = FromBcd(DataByte(data, n + 4));
    clock.Year = FromBcd(DataByte(data, n + 5));
    return clock;
}

QByteArray EncodeClock(const InstrumentClock &clock)
{
    QByteArray data;
    for (const quint8 v :
         {clock.Second, clock.Minute, clock.Hour, clock.Day, clock.Month, clock.Year})
        data += static_cast<char>(ToBcd(v));
    return data;
}

float MeasuredValue(float single)
{
    return std::isfinite(single) ? single : SensorBreakValue;
}

CurrentValue DecodeCurrentValue(const QByteArray &data)
{
    CurrentValue value;
    value.PribZnac = MeasuredValue(DataSingle(data, 1));
    value.PribStat = DataByte(data, 5) & 0x0F;
    value.PribRele = DataByte(data, 6) & 0x0F;
    value.PribNomReg = DataByte(data, 7) & 0x0F;
    return value;
}

} // namespace zeltar
