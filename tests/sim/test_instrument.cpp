#include "sim_instrument.h"
#include "sim_line.h"
#include "sim_options.h"

#include "instrument/register_codec.h"
#include "link/modbus_frame.h"

#include <QtEndian>
#include <QtTest>

#include <cstring>

using namespace zeltar;
using namespace zeltar::sim;

namespace {

const QDateTime Now(QDate(2024, 3, 5), QTime(14, 7, 9), Qt::UTC);

float SingleAt(const QByteArray &bytes, int at)
{
    const auto bits = qFromLittleEndian<quint32>(bytes.constData() + at);
    float value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

QByteArray Data(const QByteArray &reply)
{
    return reply.mid(3);
}

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (int v : values)
        bytes.append(static_cast<char>(v));
    return bytes;
}

quint8 RelayBits(SimInstrument &instrument, float value)
{
    instrument.setFixedValue(value);
    const QByteArray reply = instrument.reply(ReadRequest(1, 0x04, 0, 4), Now);
    return static_cast<quint8>(reply.at(3 + 5));
}

} // namespace

class TestSimInstrument : public QObject
{
    Q_OBJECT

private slots:
    void identificationAndDefaults();
    void relayBits_data();
    void relayBits();
    void sensorBreak();
    void clockRunsOnFromWrittenTime();
    void clockReadAtPcTime();
    void writeReadsBack();
    void linkChangeAfterReply();
    void archiveCursorAndEnd();
    void emptyArchive();
    void exceptions_data();
    void exceptions();
};

void TestSimInstrument::identificationAndDefaults()
{
    InstrumentOptions options;
    options.address = 12;
    options.baudIndex = 4;
    options.version = 110;
    SimInstrument instrument(options, Now);

    const QByteArray ident = instrument.reply(ReadRequest(12, 0x03, 0, 8), Now);
    QCOMPARE(ident.left(3), Bytes({12, 0x03, 16}));
    QCOMPARE(ident.size(), 3 + 16);
    QCOMPARE(static_cast<quint8>(ident.at(3)), quint8(110));    // version, data byte 1
    QCOMPARE(static_cast<quint8>(ident.at(3 + 6)), quint8(4));  // baud index, data byte 7
    QCOMPARE(static_cast<quint8>(ident.at(3 + 7)), quint8(12)); // address, data byte 8

    // Block 3 of the settings read: M2 = 1.0, PeriodArh = 999 least significant first.
    const QByteArray block3 = Data(instrument.reply(ReadRequest(12, 0x03, 27, 12), Now));
    QCOMPARE(block3.mid(12, 4), Bytes({0x00, 0x00, 0x80, 0x3F}));
    QCOMPARE(block3.mid(22, 2), Bytes({0xE7, 0x03}));
    // Block 5: Kp = 0.1.
    const QByteArray block5 = Data(instrument.reply(ReadRequest(12, 0x03, 39, 21), Now));
    QCOMPARE(block5.left(4), Bytes({0xCD, 0xCC, 0xCC, 0x3D}));
    // Empty program: the end marker in entry 1.
    const QByteArray entry1 = Data(instrument.reply(ReadRequest(12, 0x03, 65, 3), Now));
    QCOMPARE(static_cast<quint8>(entry1.at(0)), quint8(255));
}

// Each row: setpoint registers written, then values fed in order, with the relay nibble
// expected after each (bit 3 setpoint 1 ... bit 0 setpoint 4).
void TestSimInstrument::relayBits_data()
{
    QTest::addColumn<float>("setpoint");
    QTest::addColumn<float>("zone");
    QTest::addColumn<int>("which"); // setpoint 1 to 4
    QTest::addColumn<bool>("above");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<QList<float>>("values");
    QTest::addColumn<QList<int>>("bits");

    QTest::newRow("setpoint 1 above, return zone 5")
        << 50.0f << 5.0f << 1 << true << true << QList<float>{40, 50, 52, 47, 44.9f, 48, 51}
        << QList<int>{0, 0, 8, 8, 0, 0, 8};
    QTest::newRow("setpoint 4 below, return zone 2")
        << 10.0f << 2.0f << 4 << false << true << QList<float>{20, 9, 11, 12, 12.5f, 10}
        << QList<int>{0, 1, 1, 1, 0, 0};
    QTest::newRow("setpoint 2 below, no zone")
        << -5.0f << 0.0f << 2 << false << true << QList<float>{0, -6, -5, -4}
        << QList<int>{0, 4, 4, 0};
    QTest::newRow("setpoint 3 disabled")
        << 50.0f << 1.0f << 3 << true << false << QList<float>{40, 60, 70} << QList<int>{0, 0, 0};
}

void TestSimInstrument::relayBits()
{
    QFETCH(float, setpoint);
    QFETCH(float, zone);
    QFETCH(int, which);
    QFETCH(bool, above);
    QFETCH(bool, enabled);
    QFETCH(QList<float>, values);
    QFETCH(QList<int>, bits);

    SimInstrument instrument(InstrumentOptions(), Now);
    // Setpoints 4..1 at 11..17, zones 4..1 at 19..25; only the one under test is set.
    QByteArray setpoints;
    for (int i = 4; i >= 1; --i)
        setpoints += SingleBytes(i == which ? setpoint : 1000.0f);
    for (int i = 4; i >= 1; --i)
        setpoints += SingleBytes(i == which ? zone : 0.0f);
    QCOMPARE(instrument.reply(WriteRequest(1, 11, 16, setpoints), Now).size(), 6);
    const int direction = (above ? 1 << (8 - which) : 0);
    instrument.reply(WriteRequest(1, 36, 1, Bytes({direction, 0})), Now);
    const int enable = (0x80 | (enabled ? 1 << (4 - which) : 0));
    instrument.reply(WriteRequest(1, 427, 1, Bytes({enable, 0})), Now);

    for (int i = 0; i < values.size(); ++i)
        QVERIFY2(RelayBits(instrument, values[i]) == bits[i],
                 qPrintable(QStringLiteral("after value %1").arg(values[i])));
}

void TestSimInstrument::sensorBreak()
{
    InstrumentOptions options;
    options.sensorBreak = true;
    SimInstrument instrument(options, Now);
    const QByteArray live = Data(instrument.reply(ReadRequest(1, 0x04, 0, 4), Now));
    QCOMPARE(SingleAt(live, 0), 100000.0f);
    QCOMPARE(static_cast<quint8>(live.at(5)), quint8(0)); // no relay acts on a break
    QVERIFY(live.at(4) & 0x02);

    // Without a break the default setpoints act on the wave: above 70 setpoint 1 and 3.
    SimInstrument normal(InstrumentOptions(), Now);
    QCOMPARE(RelayBits(normal, 75.0f), quint8(0x0A));
    QCOMPARE(RelayBits(normal, 25.0f), quint8(0x04));
}

void TestSimInstrument::clockRunsOnFromWrittenTime()
{
    SimInstrument instrument(InstrumentOptions(), Now);
    const QByteArray time = Bytes({0x09, 0x07, 0x14, 0x05, 0x03, 0x24}); // 05.03.24 14:07:09
    const QDateTime writtenAt = Now.addDays(-400).addSecs(1234);
    QCOMPARE(instrument.reply(WriteRequest(1, 57, 3, time), writtenAt),
             WriteRequest(1, 57, 3, time).left(6));

    const QByteArray later =
        Data(instrument.reply(ReadRequest(1, 0x03, 57, 3), writtenAt.addSecs(3661)));
    QCOMPARE(later, Bytes({0x10, 0x08, 0x15, 0x05, 0x03, 0x24})); // 15:08:10

    // A day 0 is taken as the first of the month; the clock rolls over months and years.
    instrument.reply(WriteRequest(1, 57, 3, Bytes({0x59, 0x59, 0x23, 0x00, 0x12, 0x99})), Now);
    QCOMPARE(Data(instrument.reply(ReadRequest(1, 0x03, 57, 3), Now.addSecs(1))),
             Bytes({0x00, 0x00, 0x00, 0x02, 0x12, 0x99}));

    // The clock registers also end block 5 of the settings read.
    const QByteArray block5 = Data(instrument.reply(ReadRequest(1, 0x03, 39, 21), Now.addSecs(1)));
    QCOMPARE(block5.mid(36, 6), Bytes({0x00, 0x00, 0x00, 0x02, 0x12, 0x99}));
}

void TestSimInstrument::clockReadAtPcTime()
{
    SimInstrument instrument(InstrumentOptions(), Now);
    QCOMPARE(Data(instrument.reply(ReadRequest(1, 0x03, 57, 3), Now)),
             Bytes({0x09, 0x07, 0x14, 0x05, 0x03, 0x24}));
}

void TestSimInstrument::writeReadsBack()
{
    SimInstrument instrument(InstrumentOptions(), Now);
    // A program of one step and its end marker, as a settings write sends them.
    const QByteArray step = Bytes({1, 30}) + SingleBytes(0.1f);
    const QByteArray marker = Bytes({255, 255, 0, 0, 0, 0});
    instrument.reply(WriteRequest(1, 65, 3, step), Now);
    instrument.reply(WriteRequest(1, 68, 3, marker), Now);
    QCOMPARE(Data(instrument.reply(ReadRequest(1, 0x03, 65, 6), Now)), step + marker);
    QCOMPARE(step.mid(2), Bytes({0xCD, 0xCC, 0xCC, 0x3D}));

    // The version byte is the instrument's own and stays.
    instrument.reply(WriteRequest(1, 0, 1, Bytes({7, 7})), Now);
    QCOMPARE(instrument.holdingRegister(0), quint16(105 << 8));
}

void TestSimInstrument::linkChangeAfterReply()
{
    SimInstrument instrument(InstrumentOptions(), Now);
    const QByteArray request = WriteRequest(1, 3, 1, Bytes({3, 7}));
    QCOMPARE(instrument.reply(request, Now), request.left(6));
    QCOMPARE(instrument.address(), quint8(1)); // still the old one until the reply has left
    QCOMPARE(instrument.baudIndex(), 2);
    instrument.applyLinkChange();
    QCOMPARE(instrument.address(), quint8(7));
    QCOMPARE(instrument.baudIndex(), 3);
    QCOMPARE(instrument.holdingRegister(3), quint16(0x0307));

    // A baud index the instrument does not have leaves its rate as it was.
    instrument.reply(WriteRequest(7, 3, 1, Bytes({9, 8})), Now);
    instrument.applyLinkChange();
    QCOMPARE(instrument.baudIndex(), 3);
    QCOMPARE(instrument.address(), quint8(8));
}

void TestSimInstrument::archiveCursorAndEnd()
{
    InstrumentOptions options;
    options.archiveCount = 3;
    options.fixedValue = 25.5f;
    SimInstrument instrument(options, Now);

    const QByteArray first = instrument.reply(ReadRequest(1, 0x04, 22, 5), Now);
    QCOMPARE(first.left(3), Bytes({1, 0x04, 10}));
    // Oldest first, stamped 999 s apart (the archive period), the newest now; plain binary.
    QCOMPARE(Data(first), Bytes({13, 33, 51, 5, 3, 24, 0x00, 0x00, 0xCC, 0x41}));
    const QByteArray second = instrument.reply(ReadRequest(1, 0x04, 34, 5), Now);
    QCOMPARE(Data(second).left(6), Bytes({13, 50, 30, 5, 3, 24}));
    const QByteArray third = instrument.reply(ReadRequest(1, 0x04, 34, 5), Now);
    QCOMPARE(Data(third).left(6), Bytes({14, 7, 9, 5, 3, 24}));
    QCOMPARE(instrument.reply(ReadRequest(1, 0x04, 34, 5), Now), third);
    QCOMPARE(instrument.reply(ReadRequest(1, 0x04, 34, 5), Now), third);

    // Reading the first record again starts over.
    QCOMPARE(instrument.reply(ReadRequest(1, 0x04, 22, 5), Now), first);
    QCOMPARE(instrument.reply(ReadRequest(1, 0x04, 34, 5), Now), second);
}

void TestSimInstrument::emptyArchive()
{
    InstrumentOptions options;
    options.archiveCount = 0;
    SimInstrument instrument(options, Now);
    const QByteArray first = instrument.reply(ReadRequest(1, 0x04, 22, 5), Now);
    QCOMPARE(first.size(), 13);
    QCOMPARE(instrument.reply(ReadRequest(1, 0x04, 34, 5), Now), first);
}

void TestSimInstrument::exceptions_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");

    QTest::newRow("03 no registers") << ReadRequest(1, 0x03, 0, 0) << Bytes({1, 0x83, 2});
    QTest::newRow("03 126 registers") << ReadRequest(1, 0x03, 0, 126) << Bytes({1, 0x83, 2});
    QTest::newRow("03 past 427") << ReadRequest(1, 0x03, 427, 2) << Bytes({1, 0x83, 2});
    QTest::newRow("04 past register 3") << ReadRequest(1, 0x04, 2, 3) << Bytes({1, 0x84, 2});
    QTest::newRow("04 archive, wrong count") << ReadRequest(1, 0x04, 22, 4) << Bytes({1, 0x84, 2});
    QTest::newRow("04 between archive blocks")
        << ReadRequest(1, 0x04, 28, 5) << Bytes({1, 0x84, 2});
    QTest::newRow("16 past 427") << WriteRequest(1, 427, 2, QByteArray(4, 0))
                                 << Bytes({1, 0x90, 2});
    QTest::newRow("16 byte count not 2 x count")
        << WriteRequest(1, 8, 3, QByteArray(4, 0)) << Bytes({1, 0x90, 3});
    QTest::newRow("function 05") << Bytes({1, 0x05, 0, 1, 0xFF, 0}) << Bytes({1, 0x85, 1});
    QTest::newRow("function 06") << Bytes({1, 0x06, 0, 8, 0, 1}) << Bytes({1, 0x86, 1});
}

void TestSimInstrument::exceptions()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    SimInstrument instrument(InstrumentOptions(), Now);
    QCOMPARE(instrument.reply(request, Now), reply);
    QCOMPARE(instrument.holdingRegister(8), quint16(0x0001)); // nothing written
}

QTEST_GUILESS_MAIN(TestSimInstrument)
#include "test_instrument.moc"
