// The link layer over a real pseudo-terminal against zeltar-sim: every error code
// provoked by the matching fault in both link modes, what happens to bytes that come too
// late, and how the fast mode keeps its port.
#include "link/link_result.h"
#include "link/modbus_master.h"
#include "link/serial_session.h"
#include "link/timing.h"
#include "link_mode_rows.h"
#include "sim_process.h"

#include <QtTest>

using namespace zeltar;
using zeltar::test::AddLinkModeRows;
using zeltar::test::SimProcess;

namespace {

constexpr int kBaud9600 = 2;

LinkMode modeOf(bool fast, int turnaroundMs = LinkMode::DefaultTurnaroundMs)
{
    LinkMode mode;
    mode.fast = fast;
    mode.TurnaroundMs = turnaroundMs;
    return mode;
}

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
        {"answers too late", {"--late", "300"}, false, 2},
        {"dropped", {"--drop", "1"}, false, 2},
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
        QTest::addColumn<bool>("fast");
        for (const bool fast : {false, true})
            for (const FaultCase &fault : faultCases())
                QTest::addRow("%s, %s", fault.name, fast ? "fast" : "standard") << fault << fast;
    }

    void errorCodeOfEachFault()
    {
        QFETCH(FaultCase, fault);
        QFETCH(bool, fast);
        SimProcess sim(fault.options);
        QVERIFY(sim.start());
        SerialSession session;
        session.setLinkMode(modeOf(fast));
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

    void replyStillGrowingAtTheTimeout_data() { AddLinkModeRows(); }

    void replyStillGrowingAtTheTimeout()
    {
        QFETCH(bool, fast);
        // 50 registers: 211 characters, one every 5 ms, always within the quiet interval of
        // 20 ms, so the reply never looks complete and is still growing when time runs out.
        SimProcess sim({"--dribble", "5"});
        QVERIFY(sim.start());
        SerialSession session;
        session.setLinkMode(modeOf(fast));
        QCOMPARE(session.OpenDevice(sim.portPath(), kBaud9600), 0);
        QCOMPARE(LinkErrorCode(read03(session, 0, 50)), 2);
    }

    void noRetryInsideATransaction_data() { AddLinkModeRows(); }

    void noRetryInsideATransaction()
    {
        QFETCH(bool, fast);
        // Every other request goes unanswered: a transaction that retried by itself would
        // hide the first failure.
        SimProcess sim({"--silent", "--fault-every", "2"});
        QVERIFY(sim.start());
        SerialSession session;
        session.setLinkMode(modeOf(fast));
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

    void missingOrClosedPort_data() { AddLinkModeRows(); }

    void missingOrClosedPort()
    {
        QFETCH(bool, fast);
        SerialSession session;
        session.setLinkMode(modeOf(fast));
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

    void lineThatGoesAwayIsASessionError_data() { AddLinkModeRows(); }

    void lineThatGoesAwayIsASessionError()
    {
        QFETCH(bool, fast);
        SimProcess sim;
        QVERIFY(sim.start());
        SerialSession session;
        session.setLinkMode(modeOf(fast));
        QCOMPARE(session.OpenDevice(sim.portPath(), kBaud9600), 0);
        QCOMPARE(read04(session).size(), 11);
        sim.stop(); // the adapter is pulled out
        QCOMPARE(LinkErrorCode(read04(session)), 1);
        QCOMPARE(LinkErrorCode(read04(session)), 1); // and stays away
        // The station recovers by itself once the line is back.
        QVERIFY(sim.start());
        QCOMPARE(session.OpenDevice(sim.portPath(), kBaud9600), 0);
        QCOMPARE(read04(session).size(), 11);
    }

    void fastModeKeepsItsPortAndTakesNothingStale()
    {
        SimProcess sim;
        QVERIFY(sim.start());
        SerialSession session;
        session.setLinkMode(modeOf(true, 100));
        QCOMPARE(session.OpenDevice(sim.portPath(), kBaud9600), 0);
        QCOMPARE(read04(session).size(), 11);
        // The same device at the same rate: the port stays open.
        QCOMPARE(session.OpenDevice(sim.portPath(), kBaud9600), 0);
        QCOMPARE(session.openCount(), 1);
        // The next request waits out the turnaround after the reply's end.
        QElapsedTimer exchange;
        exchange.start();
        QCOMPARE(read04(session).size(), 11);
        QVERIFY(exchange.elapsed() >= 100);
        // Another rate needs the port opened again.
        QCOMPARE(session.OpenDevice(sim.portPath(), 3), 0);
        QCOMPARE(session.OpenDevice(sim.portPath(), kBaud9600), 0);
        QCOMPARE(session.openCount(), 3);
        session.CloseKeptPort();
        QVERIFY(!session.isOpen());

        // A reply that starts after the first wait is still in time for the fast mode, which
        // gives up only where the standard timing would at the latest.
        SimProcess late({"--late", "160"});
        QVERIFY(late.start());
        for (const bool fast : {false, true}) {
            session.setLinkMode(modeOf(fast));
            QCOMPARE(session.OpenDevice(late.portPath(), kBaud9600), 0);
            QCOMPARE(LinkErrorCode(read04(session)), fast ? 0 : 2);
            session.ClosePort();
        }

        // A reply too late for any mode waits in the open port. The fast mode clears the
        // input before its request and reads that request's own reply.
        SimProcess stale({"--late", "300", "--fault-every", "2"});
        QVERIFY(stale.start());
        session.setLinkMode(modeOf(false));
        QCOMPARE(session.OpenDevice(stale.portPath(), kBaud9600), 0);
        session.CloseKeptPort(); // the standard mode keeps the port as it always has
        QVERIFY(session.isOpen());
        QCOMPARE(LinkErrorCode(read03(session, 3, 1)), 2); // register 3: baud index, address
        session.Pause(350);
        QVERIFY(session.bytesWaiting() > 0);
        session.setLinkMode(modeOf(true));
        const QByteArray own = read03(session, 8, 1); // register 8: type, range
        QCOMPARE(own.size(), 5);
        QVERIFY(own.mid(3).toHex() != QByteArray("0201"));
        // A failed exchange closes the port; the next request opens it again.
        QCOMPARE(LinkErrorCode(read03(session, 3, 1)), 2);
        QVERIFY(!session.isOpen());
        QCOMPARE(read03(session, 8, 1), own);
        QVERIFY(session.isOpen());
    }
};

QTEST_GUILESS_MAIN(LinkAgainstSimTest)
#include "test_link_against_sim.moc"
