#include "sim_process.h"

#include <QFileInfo>
#include <QSerialPort>
#include <QtTest>

using zeltar::test::SimProcess;
using zeltar::test::WaitUntil;

namespace {

// Read of holding registers 0 to 7 at address 1, and what the default instrument answers:
// version 105, baud index 2, address 1.
const QByteArray Identify = ":010300000008F4\r\n";
const QByteArray IdentifyReply = ":0103106900000000000201000000000000000080\r\n";

constexpr int ReplyWaitMs = 2000;
constexpr int SilenceMs = 300; // a reply would be there long before

// Sends a frame and collects what comes back until a whole line or the time is up.
QByteArray Exchange(QSerialPort &port, const QByteArray &frame, int waitMs)
{
    port.readAll();
    port.write(frame);
    QByteArray reply;
    WaitUntil(
        [&] {
            reply += port.readAll();
            return reply.endsWith('\n');
        },
        waitMs);
    return reply;
}

bool OpenAt(QSerialPort &port, const QString &path, int baudRate)
{
    port.setPortName(path);
    port.setBaudRate(baudRate);
    return port.open(QIODevice::ReadWrite);
}

} // namespace

class TestSimPty : public QObject
{
    Q_OBJECT

private slots:
    void answersOverPseudoTerminal();
    void faultEveryTwoAlternates();
    void requestAtAnotherBaudRateIsNotHeard();
    void replyToClosedPortIsLost();
};

void TestSimPty::answersOverPseudoTerminal()
{
    SimProcess sim({"--pace"});
    QVERIFY(sim.start());
    QVERIFY(QFileInfo(sim.portPath()).isSymLink());

    QSerialPort port;
    QVERIFY2(OpenAt(port, sim.portPath(), 9600), qPrintable(port.errorString()));
    QCOMPARE(Exchange(port, Identify, ReplyWaitMs), IdentifyReply);
    port.close();

    // The line outlives the station's port: a second open is answered as well.
    QVERIFY(OpenAt(port, sim.portPath(), 9600));
    QCOMPARE(Exchange(port, Identify, ReplyWaitMs), IdentifyReply);
    QCOMPARE(sim.lineCount("overlaps"), 0);

    // Two requests in one write: the second comes while the first is still being taken.
    port.write(Identify + Identify);
    QVERIFY(WaitUntil([&] { return sim.lineCount("overlaps") == 1; }, ReplyWaitMs));
    QCOMPARE(sim.lineCount("requests"), 4);
    port.close();

    sim.stop();
    QVERIFY(!QFileInfo(sim.portPath()).isSymLink());
}

void TestSimPty::faultEveryTwoAlternates()
{
    SimProcess sim({"--silent", "--fault-every", "2"});
    QVERIFY(sim.start());
    QSerialPort port;
    QVERIFY(OpenAt(port, sim.portPath(), 9600));
    QCOMPARE(Exchange(port, Identify, SilenceMs), QByteArray());
    QCOMPARE(Exchange(port, Identify, ReplyWaitMs), IdentifyReply);
    QCOMPARE(Exchange(port, Identify, SilenceMs), QByteArray());
    QCOMPARE(Exchange(port, Identify, ReplyWaitMs), IdentifyReply);
}

void TestSimPty::requestAtAnotherBaudRateIsNotHeard()
{
    SimProcess sim({"--verbose", "--baud", "19200"});
    QVERIFY(sim.start());
    QSerialPort port;
    QVERIFY(OpenAt(port, sim.portPath(), 9600));
    QCOMPARE(Exchange(port, Identify, SilenceMs), QByteArray());
    port.close();

    QVERIFY(OpenAt(port, sim.portPath(), 19200));
    const QByteArray reply = Exchange(port, Identify, ReplyWaitMs);
    QVERIFY2(reply.startsWith(":01031069"), reply.constData());
    QVERIFY(WaitUntil([&] { return sim.stderrText().contains("tx :01031069"); }, ReplyWaitMs));
    QVERIFY(sim.stderrText().contains("not heard"));
}

// As on a serial line, a reply that arrives after the port was closed is not found by the
// next open.
void TestSimPty::replyToClosedPortIsLost()
{
    SimProcess sim({"--late", "100", "--verbose"});
    QVERIFY(sim.start());
    QSerialPort port;
    QVERIFY(OpenAt(port, sim.portPath(), 9600));
    port.write(Identify);
    QVERIFY(port.waitForBytesWritten(ReplyWaitMs));
    port.close();
    QVERIFY(WaitUntil([&] { return sim.stderrText().contains("lost"); }, ReplyWaitMs));

    QVERIFY(OpenAt(port, sim.portPath(), 9600));
    QCOMPARE(Exchange(port, Identify, ReplyWaitMs), IdentifyReply);
}

QTEST_GUILESS_MAIN(TestSimPty)
#include "test_pty.moc"
