// The link layer over a real pseudo-terminal against zeltar-sim: every error code
// provoked by the matching fault, and what happens to bytes that come too late.
#include "link/link_result.h"
#include "link/modbus_master.h"
#include "link/serial_session.h"
#include "link/timing.h"
#include "sim_process.h"

#include <QtTest>

using namespace zeltar;
using zeltar::test::SimProcess;

namespace {

constexpr int kBaud9600 = 2;

QByteArray read04(SerialSession &session, quint8 address = 1, int baud = kBaud9600)
{
    ModbusMaster master(session);
    return master.ModBusRead04(address, 0, 4, SetTiming(TimingPoll04, baud, 4));
}

QByteArray read03(SerialSession &session, quint16 start, quint16 count)
{
    ModbusMaster master(session);
    return master.ModBusRead03(1, start, count, SetTiming(TimingRead03, kBaud9600, count));
}

// A line fault and the code the transaction gives for it.
struct FaultCase
{
    const char *name = "";
    QStringList options; // of zeltar-sim
    bool write = false;  // a write of the clock, else a read of the current values
    int expected = 0;
    int baud = kBaud9600;
};

QVector<FaultCase> faultCases()
{
    QVector<FaultCase> cases = {
        {"answers", {}, false, 0},
        {"write answers", {}, true, 0},
        {"silent", {"--silent"}, false, 2},
        {"starts after first wait", {"--late", "160"}, false, 2},
        {"garbage first", {"--garbage"}, false, 4},
        {"short", {"--fault", "short"}, false, 5},
        {"no lf", {"--fault", "no-lf"}, false, 6},
        {"no cr", {"--fault", "no-cr"}, false, 7},
        {"odd", {"--fault", "odd"}, false, 8},
        {"lrc", {"--bad-lrc"}, false, 9},
        {"other address", {"--wrong-addr"}, false, 21},
        {"exception", {"--exception"}, false, 22},
        {"write exception", {"--exception"}, true, 22},
        {"function", {"--fault", "wrong-function"}, false, 23},
        {"byte count", {"--fault", "bad-count"}, false, 24},
        {"surplus byte", {"--fault", "extra-byte"}, false, 25},
        {"write length", {"--fault", "write-length"}, true, 26},
    };
    // A USB adapter hands the reply over in bursts: its second half comes 16 ms after the
    // first, longer than the quiet interval from 19200 baud up.
    for (const auto &[name, baud] :
         {std::pair{"bursty at 19200", 3}, std::pair{"bursty at 38400", 4},
          std::pair{"bursty at 115200", 6}})
        cases.append(
            {name, {"--baud", BaudText(baud), "--late", "45", "--burst", "16"}, false, 0, baud});
    return cases;
}

} // namespace

Q_DECLARE_METATYPE(FaultCase)

class LinkAgainstSimTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void errorCodeOfEachFault_data()
    {
        QTest::addColumn<FaultCase>("fault");
        for (const FaultCase &fault : faultCases())
            QTest::newRow(fault.name) << fault;
    }

    void errorCodeOfEachFault()
    {
        QFETCH(FaultCase, fault);
        SimProcess sim(fault.options);
        QVERIFY(sim.start());
        SerialSession session;
        QCOMPARE(session.OpenDevice(sim.portPath(), fault.baud), 0);
        QByteArray result;
        if (fault.write) {
            ModbusMaster master(session);
            const QByteArray clock = QByteArray::fromHex("090714050324");
            result = master.ModBusWrite16(1, 57, 3, clock, SetTiming(TimingWrite16, kBaud9600, 6));
        } else {
            result = read04(session, 1, fault.baud);
        }
        QCOMPARE(LinkErrorCode(result), fault.expected);
        if (fault.expected == 0)
            QCOMPARE(result.size(), fault.write ? 6 : 11);
        session.ClosePort();
    }

    void replyStillGrowingAtTheTimeout()
    {
        // 50 registers: 211 characters, one every 5 ms, always within the quiet interval of
        // 20 ms, so the reply never looks complete and is still growing when time runs out.
        SimProcess sim({"--dribble", "5"});
        QVERIFY(sim.start());
        SerialSession session;
        QCOMPARE(session.OpenDevice(sim.portPath(), kBaud9600), 0);
        QCOMPARE(LinkErrorCode(read03(session, 0, 50)), 2);
    }

    void noRetryInsideATransaction()
    {
        // Every other request goes unanswered: a transaction that retried by itself would
        // hide the first failure.
        SimProcess sim({"--silent", "--fault-every", "2"});
        QVERIFY(sim.start());
        SerialSession session;
        QCOMPARE(session.OpenDevice(sim.portPath(), kBaud9600), 0);
        QCOMPARE(LinkErrorCode(read04(session)), 2);
        QCOMPARE(read04(session).size(), 11);
        QCOMPARE(LinkErrorCode(read04(session)), 2);
    }

    void lateBytesStartTheNextReply()
    {
        // The reply starts long after the transaction gave up. It stays in the input queue
        // and is taken as the reply of the next request on the same open session.
        SimProcess sim({"--late", "300"});
        QVERIFY(sim.start());
        SerialSession session;
        QCOMPARE(session.OpenDevice(sim.portPath(), kBaud9600), 0);
        QCOMPARE(LinkErrorCode(read03(session, 3, 1)), 2); // register 3: baud index, address
        session.Pause(350);
        QVERIFY(session.bytesWaiting() > 0);
        const QByteArray stale = read03(session, 8, 1); // register 8 would be type, range
        QCOMPARE(stale.size(), 5);
        QCOMPARE(stale.mid(3).toHex(), QByteArray("0201"));

        // Closing the port discards whatever is still on its way in.
        session.Pause(400);
        QVERIFY(session.bytesWaiting() > 0);
        QCOMPARE(session.ClosePort(), 0);
        QCOMPARE(session.OpenDevice(sim.portPath(), kBaud9600), 0);
        QCOMPARE(session.bytesWaiting(), qint64(0));
    }

    void missingOrClosedPort()
    {
        SerialSession session;
        // Nothing opened: the request goes nowhere and nothing comes back.
        QCOMPARE(LinkErrorCode(read04(session)), 2);

        QCOMPARE(session.OpenDevice(QStringLiteral("/nonexistent/zeltar-line"), kBaud9600), 1);
        QVERIFY(!session.isOpen());
        QCOMPARE(LinkErrorCode(read04(session)), 2);

        // A port number with no device behind it.
        session.setPortNames(PortNames({{3, QStringLiteral("/nonexistent/com3")}}));
        QCOMPARE(session.OpenPort(3, kBaud9600), 1);
        QCOMPARE(session.deviceName(), QStringLiteral("/nonexistent/com3"));
        QCOMPARE(LinkErrorCode(read04(session)), 2);
    }

    void portNamesFromMapping()
    {
        SimProcess sim;
        QVERIFY(sim.start());
        SerialSession session;
        session.setPortNames(PortNames({{5, sim.portPath()}}));
        QCOMPARE(session.OpenPort(5, kBaud9600), 0);
        QCOMPARE(session.portNumber(), 5);
        QCOMPARE(read04(session).size(), 11);
        // Opening an open port closes it first.
        QCOMPARE(session.OpenPort(5, 3), 0);
        QCOMPARE(session.baudRate(), 19200);
        // An index outside 0 to 6 keeps the rate of the previous open.
        QCOMPARE(session.OpenPort(5, 9), 0);
        QCOMPARE(session.baudRate(), 19200);
        // A relative path is a file, not a name under /dev.
        const QString current = QDir::currentPath();
        QVERIFY(QDir::setCurrent(QFileInfo(sim.portPath()).path()));
        const int relativeOpen =
            session.OpenDevice(QFileInfo(sim.portPath()).fileName(), kBaud9600);
        QDir::setCurrent(current);
        QCOMPARE(relativeOpen, 0);
        QCOMPARE(read04(session).size(), 11);
        QCOMPARE(PortNames().deviceName(1), QStringLiteral("/dev/ttyS0"));
        QCOMPARE(PortNames::portNumberOf(QStringLiteral("com8")), 8);
        QCOMPARE(PortNames::portNumberOf(QStringLiteral("COM9")), 0);
    }

    void lineThatGoesAwayIsASessionError()
    {
        SimProcess sim;
        QVERIFY(sim.start());
        SerialSession session;
        QCOMPARE(session.OpenDevice(sim.portPath(), kBaud9600), 0);
        QCOMPARE(read04(session).size(), 11);
        sim.stop(); // the adapter is pulled out
        QCOMPARE(LinkErrorCode(read04(session)), 1);
        // The station recovers by itself once the line is back.
        QVERIFY(sim.start());
        QCOMPARE(session.OpenDevice(sim.portPath(), kBaud9600), 0);
        QCOMPARE(read04(session).size(), 11);
    }
};

QTEST_GUILESS_MAIN(LinkAgainstSimTest)
#include "test_link_against_sim.moc"
