#include "instrument/factory_defaults.h"
#include "instrument/register_codec.h"

#include <QtTest>

using namespace zeltar;

namespace {

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (const int v : values)
        bytes += static_cast<char>(v);
    return bytes;
}

} // namespace

class TestRegisterCodec : public QObject
{
    Q_OBJECT

private slots:
    void numberImages();
    void fieldsBeyondTheDataReadAsZero();
    void writeBlocksPlaceFieldsByTheMap();
    void readBlocksTakeTheirFields();
    void programEntries();
    void clockBcd();
    void currentValueKeepsLowNibbles();
};

void TestRegisterCodec::numberImages()
{
    QCOMPARE(SingleBytes(0.1f), Bytes({0xCD, 0xCC, 0xCC, 0x3D}));
    QCOMPARE(SingleBytes(1.0f), Bytes({0x00, 0x00, 0x80, 0x3F}));
    QCOMPARE(Int16Bytes(999), Bytes({0xE7, 0x03}));
    QCOMPARE(Int16Bytes(-2), Bytes({0xFE, 0xFF}));

    const QByteArray data = Bytes({0x07, 0xCD, 0xCC, 0xCC, 0x3D, 0xE7, 0x03});
    QCOMPARE(DataByte(data, 1), quint8(7));
    QCOMPARE(DataSingle(data, 2), 0.1f);
    QCOMPARE(DataInt16(data, 6), qint16(999));
    QCOMPARE(DataInt16(Bytes({0xFE, 0xFF}), 1), qint16(-2));
}

void TestRegisterCodec::fieldsBeyondTheDataReadAsZero()
{
    const QByteArray data = Bytes({1, 2, 3});
    QCOMPARE(DataByte(data, 0), quint8(0));
    QCOMPARE(DataByte(data, 4), quint8(0));
    QCOMPARE(DataInt16(data, 3), qint16(0));
    QCOMPARE(DataSingle(data, 1), 0.0f);
    QCOMPARE(ReplyData(Bytes({1, 3})), QByteArray());
    QCOMPARE(ReplyData(Bytes({1, 3, 2, 0xAA, 0xBB})), Bytes({0xAA, 0xBB}));
}

void TestRegisterCodec::writeBlocksPlaceFieldsByTheMap()
{
    InstrumentSettings s = FactoryDefaults();
    s.PribType = 4;
    s.PribDiap = 7;
    s.PribTypeReg = 1;
    s.PribPeriod = 12;
    s.PribGist4 = 1.0f;
    s.PribUst1 = 50.0f;
    s.PribM = 0x13;
    s.PribSostRele = 0x8A;
    s.PribZap = 2;
    s.PribRegUpr = 0x80;
    s.PribRegRele = 0x04;

    QCOMPARE(EncodeSettingsRegisters(s, RegLink, 1), Bytes({2, 1}));
    QCOMPARE(EncodeSettingsRegisters(s, RegSensor, 3), Bytes({4, 7, 1, 0, 12, 0}));

    const QByteArray c = EncodeSettingsRegisters(s, RegSetpoints, 16);
    QCOMPARE(c.size(), 32);
    QCOMPARE(c.mid(12, 4), SingleBytes(50.0f)); // PribUst1 is the fourth single
    QCOMPARE(c.mid(16, 4), Bytes({0x00, 0x00, 0x80, 0x3F}));

    const QByteArray d = EncodeSettingsRegisters(s, RegCorrections, 12);
    QCOMPARE(d.size(), 24);
    QCOMPARE(d.mid(12, 4), SingleBytes(1.0f)); // PribM2
    QCOMPARE(d.mid(16), Bytes({0x13, 0, 0x8A, 0, 2, 0, 0xE7, 0x03}));

    const QByteArray e = EncodeSettingsRegisters(s, RegCoefficients, 18);
    QCOMPARE(e.size(), 36);
    QCOMPARE(e.left(4), Bytes({0xCD, 0xCC, 0xCC, 0x3D}));
    QCOMPARE(e.mid(20, 4), SingleBytes(0.01f)); // PribKo, the sixth single

    QCOMPARE(EncodeSettingsRegisters(s, RegControl, 1), Bytes({0x80, 0x04}));
    // A single that would be cut by the block's edge is left out, not half written.
    QCOMPARE(EncodeSettingsRegisters(s, 12, 1), Bytes({0, 0}));
}

void TestRegisterCodec::readBlocksTakeTheirFields()
{
    InstrumentSettings s;
    s.PribName = "keep";
    s.PribPort = 5;
    s.PribKp = 7;

    QByteArray block1(16, '\x55');
    block1[0] = 3;
    block1[1] = 9;
    block1[10] = 13;
    block1[11] = 2;
    block1[12] = 4;
    block1[14] = 6;
    DecodeSettingsRegisters(RegLink, block1, &s);
    QCOMPARE(s.PribBaud, quint8(3));
    QCOMPARE(s.PribAdr, quint8(9));
    QCOMPARE(s.PribType, quint8(13));
    QCOMPARE(s.PribDiap, quint8(2));
    QCOMPARE(s.PribTypeReg, quint8(4));
    QCOMPARE(s.PribPeriod, quint8(6));

    QByteArray block2(32, '\0');
    block2.replace(12, 4, Bytes({0x00, 0x00, 0x48, 0x42}));
    DecodeSettingsRegisters(RegSetpoints, block2, &s);
    QCOMPARE(s.PribUst1, 50.0f);

    // Block 5 runs on into the clock, which is not part of the record.
    InstrumentSettings written;
    written.PribKp = 0.1f;
    written.PribDlitImp = 14;
    QByteArray block5 = EncodeSettingsRegisters(written, RegCoefficients, 18);
    block5 += Bytes({0x30, 0x59, 0x23, 0x31, 0x12, 0x07});
    DecodeSettingsRegisters(RegCoefficients, block5, &s);
    QCOMPARE(s.PribKp, 0.1f);
    QCOMPARE(s.PribDlitImp, 14.0f);
    const InstrumentClock clock =
        DecodeClock(block5, RegisterOffset(RegCoefficients, RegClock) + 1);
    QCOMPARE(clock.Second, quint8(30));
    QCOMPARE(clock.Year, quint8(7));

    QCOMPARE(s.PribName, QStringLiteral("keep"));
    QCOMPARE(s.PribPort, quint8(5));
}

void TestRegisterCodec::programEntries()
{
    QCOMPARE(ProgramEntryRegister(1), quint16(65));
    QCOMPARE(ProgramEntryRegister(31), quint16(155));
    QCOMPARE(EncodeProgramEnd(), Bytes({0xFF, 0xFF, 0, 0, 0, 0}));

    const ProgramStep step{2, 30, 80.0f};
    const QByteArray data = EncodeProgramEntry(step);
    QCOMPARE(data, Bytes({2, 30}) + SingleBytes(80.0f));
    const ProgramStep back = DecodeProgramEntry(data);
    QCOMPARE(back.Hours, step.Hours);
    QCOMPARE(back.Minutes, step.Minutes);
    QCOMPARE(back.Value, step.Value);
}

void TestRegisterCodec::clockBcd()
{
    InstrumentClock clock;
    clock.Day = 5;
    clock.Month = 3;
    clock.Year = 24;
    clock.Hour = 14;
    clock.Minute = 7;
    clock.Second = 9;
    QCOMPARE(EncodeClock(clock), Bytes({0x09, 0x07, 0x14, 0x05, 0x03, 0x24}));

    const InstrumentClock read = DecodeClock(Bytes({0x30, 0x59, 0x23, 0x31, 0x12, 0x99}));
    QCOMPARE(read.Second, quint8(30));
    QCOMPARE(read.Minute, quint8(59));
    QCOMPARE(read.Hour, quint8(23));
    QCOMPARE(read.Day, quint8(31));
    QCOMPARE(read.Month, quint8(12));
    QCOMPARE(read.Year, quint8(99));

    // Nibbles are not checked: 0x3F is 3 tens and 15 units.
    QCOMPARE(FromBcd(0x3F), quint8(45));
    for (int v = 0; v <= 99; ++v)
        QCOMPARE(FromBcd(ToBcd(static_cast<quint8>(v))), quint8(v));
}

void TestRegisterCodec::currentValueKeepsLowNibbles()
{
    CurrentValue v = DecodeCurrentValue(Bytes({0x00, 0x00, 0xC8, 0x42, 0x05, 0x0A, 0x03, 0x00}));
    QCOMPARE(v.PribZnac, 100.0f);
    QCOMPARE(v.PribStat, quint8(5));
    QCOMPARE(v.PribRele, quint8(10));
    QCOMPARE(v.PribNomReg, quint8(3));

    v = DecodeCurrentValue(Bytes({0x00, 0x00, 0xC8, 0x42, 0xF5, 0xFA, 0x13, 0xFF}));
    QCOMPARE(v.PribStat, quint8(5));
    QCOMPARE(v.PribRele, quint8(10));
    QCOMPARE(v.PribNomReg, quint8(3));

    // No number (NaN, the infinities) is no measurement: kept as the sensor break mark, with
    // the status bytes as sent. The largest single stays a number.
    for (const int high : {0x7F, 0xFF})
        for (const int exponentLow : {0x80, 0xC0}) {
            v = DecodeCurrentValue(Bytes({0x00, 0x00, exponentLow, high, 0x05, 0x0A, 0x03, 0}));
            QCOMPARE(v.PribZnac, 100000.0f);
            QCOMPARE(v.PribRele, quint8(10));
        }
    v = DecodeCurrentValue(Bytes({0xFF, 0xFF, 0x7F, 0x7F, 0, 0, 0, 0}));
    QCOMPARE(v.PribZnac, std::numeric_limits<float>::max());
}

QTEST_GUILESS_MAIN(TestRegisterCodec)
#include "test_register_codec.moc"
