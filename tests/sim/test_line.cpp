#include "sim_instrument.h"
#include "sim_line.h"
#include "sim_options.h"

#include "link/link_result.h"
#include "link/modbus_frame.h"
#include "sim_process.h"

#include <QtTest>

using namespace zeltar;
using namespace zeltar::sim;
using zeltar::test::WaitUntil;

namespace {

const QDateTime Now(QDate(2024, 3, 5), QTime(14, 7, 9), Qt::UTC);

// What the station's master makes of a reply text to a request: 0 or its error code.
int MasterVerdict(const QByteArray &text, const QByteArray &request)
{
    QByteArray reply;
    if (text.isEmpty())
        return LinkNoReply;
    if (const int code = DecodeFrame(text, &reply))
        return code;
    const auto function = static_cast<quint8>(request.at(1));
    if (reply.at(0) != request.at(0))
        return LinkWrongAddress;
    if (static_cast<quint8>(reply.at(1)) == (function | 0x80))
        return LinkException;
    if (static_cast<quint8>(reply.at(1)) != function)
        return LinkWrongFunction;
    if (function == 0x10)
        return reply.size() == 6 ? 0 : LinkWrongWriteLength;
    const int count = static_cast<quint8>(request.at(5));
    if (static_cast<quint8>(reply.at(2)) != 2 * count)
        return LinkWrongByteCount;
    return reply.size() == 2 * count + 3 ? 0 : LinkWrongLength;
}

// A line with its output collected.
struct LineUnderTest
{
    explicit LineUnderTest(const std::vector<InstrumentOptions> &instruments)
        : line(
              instruments,
              [this](const QByteArray &bytes) {
                  if (written.isEmpty())
                      firstWriteMs = sinceRequest.nsecsElapsed() / 1e6;
                  written.append(bytes);
              },
              [] { return Now; })
    {}

    QByteArray transact(const QByteArray &request)
    {
        written.clear();
        sinceRequest.start();
        line.receive(ModBusFrame(request));
        WaitUntil([this] { return !line.busy(); }, 5000);
        return written.join();
    }

    QByteArrayList written; // one entry per write to the line
    QElapsedTimer sinceRequest;
    double firstWriteMs = -1; // from the last transact() to the reply's first byte
    SimLine line;
};

InstrumentOptions WithFaults(const FaultOptions &faults)
{
    InstrumentOptions options;
    options.faults = faults;
    return options;
}

// The instruments that these options give, none when the options are refused (so that
// nothing answers).
std::vector<InstrumentOptions> FromCommandLine(const QStringList &options)
{
    SimConfig config;
    QString error;
    if (ParseCommandLine(QStringList{"--link", "x"} + options, &config, &error))
        return config.instruments;
    qWarning("%s", qPrintable(error));
    return {};
}

const QByteArray Read8 = ReadRequest(1, 0x03, 0, 8);
const QByteArray Write1 = WriteRequest(1, 8, 1, QByteArray(2, '\0'));

} // namespace

class TestSimLine : public QObject
{
    Q_OBJECT

private slots:
    void framing();
    void twoInstrumentsOnOneLine();
    void faults_data();
    void faults();
    void faultEveryPicksRequests();
    void unansweredRequestIsNotCarriedOut();
    void delaysUseTimers();
    void pacedRequestAndTurnaround_data();
    void pacedRequestAndTurnaround();
    void overlapsAreCounted();
    void lineBaudRateAndLinkChange();
    void commandLine();
};

void TestSimLine::framing()
{
    LineUnderTest t({InstrumentOptions()});
    const QByteArray frame = ModBusFrame(Read8);

    // Noise before ':' is skipped, a frame arriving in pieces is put together.
    t.line.receive("\x00\x7Fzz");
    t.line.receive(frame.left(5));
    QVERIFY(t.written.isEmpty());
    t.line.receive(frame.mid(5));
    QVERIFY(WaitUntil([&] { return !t.line.busy(); }, 5000));
    QCOMPARE(MasterVerdict(t.written.join(), Read8), 0);

    // A ':' in the middle starts over; the broken beginning is forgotten.
    t.written.clear();
    t.line.receive(":0103" + frame);
    WaitUntil([&] { return !t.line.busy(); }, 5000);
    QCOMPARE(MasterVerdict(t.written.join(), Read8), 0);

    // Bad check byte, lower-case hex and another address: silence, as from a real slave.
    QByteArray badLrc = frame;
    badLrc[badLrc.size() - 3] = badLrc.at(badLrc.size() - 3) == '0' ? '1' : '0';
    t.written.clear();
    t.line.receive(badLrc);
    t.line.receive(frame.toLower());
    t.line.receive(":0103\r\n");
    QVERIFY(!t.line.busy());
    QVERIFY(t.written.isEmpty());
    QVERIFY(t.transact(ReadRequest(2, 0x03, 0, 8)).isEmpty());

    // Without pacing a request takes no time: a broken start is no overlap.
    QCOMPARE(StatsText(t.line.stats()), QByteArray("requests 7\noverlaps 0\n"));
}

void TestSimLine::twoInstrumentsOnOneLine()
{
    InstrumentOptions first;
    first.address = 3;
    first.version = 101;
    InstrumentOptions second;
    second.address = 4;
    second.faults.silent = true;
    LineUnderTest t({first, second});

    const QByteArray request = ReadRequest(3, 0x03, 0, 8);
    QByteArray reply;
    QCOMPARE(DecodeFrame(t.transact(request), &reply), 0);
    QCOMPARE(static_cast<quint8>(reply.at(3)), quint8(101));
    QVERIFY(t.transact(ReadRequest(4, 0x03, 0, 8)).isEmpty());
}

void TestSimLine::faults_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QStringList>("options"); // as on the command line
    QTest::addColumn<int>("verdict");

    QTest::newRow("none") << Read8 << QStringList() << 0;
    QTest::newRow("silent") << Read8 << QStringList{"--silent"} << int(LinkNoReply);
    QTest::newRow("drop all") << Read8 << QStringList{"--drop", "1"} << int(LinkNoReply);
    QTest::newRow("drop none") << Read8 << QStringList{"--drop", "0"} << 0;
    QTest::newRow("garbage") << Read8 << QStringList{"--garbage"} << int(LinkNoStart);
    QTest::newRow("short") << Read8 << QStringList{"--fault", "short"} << int(LinkTooShort);
    QTest::newRow("no-lf") << Read8 << QStringList{"--fault", "no-lf"} << int(LinkNoLf);
    QTest::newRow("no-cr") << Read8 << QStringList{"--fault", "no-cr"} << int(LinkNoCr);
    QTest::newRow("odd") << Read8 << QStringList{"--fault", "odd"} << int(LinkOddLength);
    QTest::newRow("bad-lrc") << Read8 << QStringList{"--bad-lrc"} << int(LinkBadLrc);
    QTest::newRow("wrong-addr") << Read8 << QStringList{"--wrong-addr"} << int(LinkWrongAddress);
    QTest::newRow("exception") << Read8 << QStringList{"--exception"} << int(LinkException);
    QTest::newRow("exception to 16") << Write1 << QStringList{"--exception"} << int(LinkException);
    QTest::newRow("wrong-function")
        << Read8 << QStringList{"--fault", "wrong-function"} << int(LinkWrongFunction);
    QTest::newRow("bad-count") << Read8 << QStringList{"--fault", "bad-count"}
                               << int(LinkWrongByteCount);
    QTest::newRow("extra-byte") << Read8 << QStringList{"--fault", "extra-byte"}
                                << int(LinkWrongLength);
    QTest::newRow("write-length") << Write1 << QStringList{"--fault", "write-length"}
                                  << int(LinkWrongWriteLength);
    QTest::newRow("write-length leaves reads alone")
        << Read8 << QStringList{"--fault", "write-length"} << 0;
    QTest::newRow("extra-byte leaves writes alone")
        << Write1 << QStringList{"--fault", "extra-byte"} << 0;
    QTest::newRow("late and dribbled, intact")
        << Read8 << QStringList{"--late", "30", "--dribble", "1", "--pace"} << 0;
    QTest::newRow("in two bursts, intact") << Read8 << QStringList{"--burst", "16"} << 0;
}

void TestSimLine::faults()
{
    QFETCH(QByteArray, request);
    QFETCH(QStringList, options);
    QFETCH(int, verdict);

    LineUnderTest t(FromCommandLine(options));
    QCOMPARE(MasterVerdict(t.transact(request), request), verdict);
}

void TestSimLine::faultEveryPicksRequests()
{
    FaultOptions faults;
    faults.silent = true;
    faults.every = 3;
    LineUnderTest t({WithFaults(faults)});
    QList<bool> answered;
    for (int i = 1; i <= 7; ++i)
        answered << !t.transact(Read8).isEmpty();
    QCOMPARE(answered, (QList<bool>{false, true, true, false, true, true, false}));

    faults = FaultOptions();
    faults.badLrc = true;
    faults.every = 2;
    LineUnderTest spoilt({WithFaults(faults)});
    QCOMPARE(MasterVerdict(spoilt.transact(Read8), Read8), int(LinkBadLrc));
    QCOMPARE(MasterVerdict(spoilt.transact(Read8), Read8), 0);
    QCOMPARE(MasterVerdict(spoilt.transact(Read8), Read8), int(LinkBadLrc));
}

// A request the instrument did not answer was not heard: a retry of an archive read gets
// the record the lost request asked for, and a lost write changes nothing.
void TestSimLine::unansweredRequestIsNotCarriedOut()
{
    FaultOptions faults;
    faults.silent = true;
    faults.every = 2;
    InstrumentOptions options = WithFaults(faults);
    options.archiveCount = 5;
    LineUnderTest t({options});

    const QByteArray first = ReadRequest(1, 0x04, 22, 5);
    const QByteArray next = ReadRequest(1, 0x04, 34, 5);
    QVERIFY(t.transact(first).isEmpty());
    const QByteArray record1 = t.transact(first);
    QVERIFY(t.transact(next).isEmpty());
    const QByteArray record2 = t.transact(next);
    QCOMPARE(MasterVerdict(record2, next), 0);
    QVERIFY(record2 != record1);

    QVERIFY(t.transact(WriteRequest(1, 3, 1, QByteArray("\x02\x09", 2))).isEmpty());
    QVERIFY(!t.transact(Read8).isEmpty());
    QCOMPARE(t.line.instrument(1)->address(), quint8(1));
}

// Late, dribbled and paced replies come from timers: nothing leaves at once, and the
// bytes leave in several writes. (Lower bounds only; no timing is measured.)
void TestSimLine::delaysUseTimers()
{
    FaultOptions faults;
    faults.lateMs = 50;
    LineUnderTest late({WithFaults(faults)});
    late.line.receive(ModBusFrame(Read8));
    QVERIFY(late.written.isEmpty());
    QVERIFY(late.line.busy());
    QVERIFY(WaitUntil([&] { return !late.line.busy(); }, 5000));
    QCOMPARE(MasterVerdict(late.written.join(), Read8), 0);

    faults = FaultOptions();
    faults.dribbleMs = 1;
    LineUnderTest dribble({WithFaults(faults)});
    const QByteArray text = dribble.transact(Read8);
    QCOMPARE(dribble.written.size(), text.size()); // one byte a write

    faults = FaultOptions();
    faults.burstMs = 16;
    LineUnderTest bursts({WithFaults(faults)});
    const QByteArray halves = bursts.transact(Read8);
    QCOMPARE(bursts.written.size(), 2);
    QCOMPARE(bursts.written.first(), halves.left(halves.size() / 2));

    faults = FaultOptions();
    faults.pace = true;
    InstrumentOptions slow = WithFaults(faults);
    slow.baudIndex = 0; // 2400 baud: 4.2 ms a character
    LineUnderTest paced({slow});
    const QByteArray pacedText = paced.transact(Read8);
    QCOMPARE(MasterVerdict(pacedText, Read8), 0);
    QVERIFY(paced.written.size() > 1);
    QCOMPARE(paced.written.first().size(), 1);
}

// A paced request whose bytes come at once is taken in its line time, and the reply's first
// byte follows the turnaround. Without --pace the reply leaves at once, turnaround or not.
void TestSimLine::pacedRequestAndTurnaround_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("baudRate"); // 0: not paced
    QTest::addColumn<int>("turnaroundMs");

    QTest::newRow("2400 baud, default turnaround")
        << QStringList{"--pace", "--baud", "2400"} << 2400 << 10;
    QTest::newRow("9600 baud, 40 ms") << QStringList{"--pace", "--turnaround", "40"} << 9600 << 40;
    QTest::newRow("turnaround without pacing") << QStringList{"--turnaround", "40"} << 0 << 0;
}

void TestSimLine::pacedRequestAndTurnaround()
{
    QFETCH(QStringList, options);
    QFETCH(int, baudRate);
    QFETCH(int, turnaroundMs);

    LineUnderTest t(FromCommandLine(options));
    t.sinceRequest.start();
    t.line.receive(ModBusFrame(Read8));
    QCOMPARE(t.written.isEmpty(), baudRate != 0);
    QVERIFY(WaitUntil([&] { return !t.line.busy(); }, 5000));
    QCOMPARE(MasterVerdict(t.written.join(), Read8), 0);
    if (baudRate != 0) {
        const double lineMs = 1000.0 * ModBusFrame(Read8).size() * 10 / baudRate;
        QVERIFY2(t.firstWriteMs >= lineMs + turnaroundMs,
                 qPrintable(QStringLiteral("reply after %1 ms").arg(t.firstWriteMs)));
    }
}

// The line counts requests that begin while it is busy with an earlier one, so that a test
// can tell whether a master runs two exchanges at once.
void TestSimLine::overlapsAreCounted()
{
    FaultOptions faults;
    faults.pace = true;
    InstrumentOptions slow = WithFaults(faults);
    slow.baudIndex = 0; // 2400 baud: a request of 17 characters takes 71 ms
    LineUnderTest t({slow});
    const QByteArray frame = ModBusFrame(Read8);

    // An orderly master, also to an address nobody answers.
    const QByteArray reply = t.transact(Read8);
    QCOMPARE(MasterVerdict(reply, Read8), 0);
    QVERIFY(t.transact(ReadRequest(9, 0x03, 0, 8)).isEmpty());
    QCOMPARE(t.transact(Read8), reply);
    QCOMPARE(t.line.stats().overlaps, 0);

    // A request written in the middle of a reply; it is still answered afterwards.
    t.written.clear();
    t.line.receive(frame);
    QVERIFY(WaitUntil([&] { return !t.written.isEmpty(); }, 5000));
    t.line.receive(frame);
    QCOMPARE(t.line.stats().overlaps, 1);
    QVERIFY(WaitUntil([&] { return !t.line.busy(); }, 5000));
    QCOMPARE(t.written.join(), reply + reply);

    // Two requests written at once: the second begins while the first is being taken.
    t.written.clear();
    t.line.receive(frame + frame);
    QVERIFY(WaitUntil([&] { return !t.line.busy(); }, 5000));
    QCOMPARE(StatsText(t.line.stats()), QByteArray("requests 7\noverlaps 2\n"));
}

void TestSimLine::lineBaudRateAndLinkChange()
{
    LineUnderTest t({InstrumentOptions()});
    int lineRate = 9600;
    t.line.setLineBaudRate([&lineRate] { return lineRate; });

    // Address 1 -> 7 and 9600 -> 19200: the reply still comes from 1 at 9600.
    const QByteArray change = WriteRequest(1, 3, 1, QByteArray("\x03\x07", 2));
    QCOMPARE(MasterVerdict(t.transact(change), change), 0);
    QVERIFY(t.transact(Read8).isEmpty());
    const QByteArray at7 = ReadRequest(7, 0x03, 0, 8);
    QVERIFY(t.transact(at7).isEmpty()); // the line is still at 9600
    lineRate = 19200;
    QCOMPARE(MasterVerdict(t.transact(at7), at7), 0);
    lineRate = 0; // a line whose rate cannot be told is heard at any rate
    QCOMPARE(MasterVerdict(t.transact(at7), at7), 0);
}

void TestSimLine::commandLine()
{
    SimConfig config;
    QString error;
    QVERIFY(ParseCommandLine({"--link",   "/tmp/l",        "--late", "20",
                              "--baud",   "19200",         "--addr", "2",
                              "--silent", "--addr",        "5",      "--version",
                              "99",       "--fault",       "odd",    "--fault",
                              "no-cr",    "--fault-every", "2",      "--turnaround",
                              "3",        "--stats",       "/tmp/s"},
                             &config, &error));
    QCOMPARE(config.linkPath, QStringLiteral("/tmp/l"));
    QCOMPARE(config.statsPath, QStringLiteral("/tmp/s"));
    QCOMPARE(config.instruments.size(), size_t(2));
    const InstrumentOptions &two = config.instruments[0];
    const InstrumentOptions &five = config.instruments[1];
    QCOMPARE(two.address, 2);
    QCOMPARE(two.baudIndex, 3);
    QVERIFY(two.faults.silent);
    QCOMPARE(two.faults.lateMs, 20);
    QCOMPARE(five.faults.lateMs, 20);
    QVERIFY(!five.faults.silent);
    QCOMPARE(five.version, 99);
    QVERIFY(!config.version);
    QCOMPARE(five.faults.frame, unsigned(FaultOdd | FaultNoCr));
    QCOMPARE(five.faults.every, 2);
    QCOMPARE(five.faults.turnaroundMs, 3);
    QCOMPARE(two.faults.turnaroundMs, 10);

    QVERIFY(ParseCommandLine({"--link", "l"}, &config, &error));
    QCOMPARE(config.instruments.size(), size_t(1));
    QCOMPARE(config.instruments[0].address, 1);

    // --version without a value is the program's version, with one the instrument's.
    for (const QStringList &arguments : {QStringList{"--version"}, {"--version", "--verbose"}}) {
        QVERIFY(ParseCommandLine(arguments, &config, &error));
        QVERIFY(config.version);
    }

    const QList<QStringList> refused = {{"--addr", "1"},
                                        {"--link", "l", "--baud", "9601"},
                                        {"--link", "l", "--drop", "1.5"},
                                        {"--link", "l", "--fault", "sideways"},
                                        {"--link", "l", "--addr", "1", "--addr", "1"},
                                        {"--link", "l", "--late"},
                                        {"--link", "l", "--turnaround", "-1"},
                                        {"--link", "l", "--stats"},
                                        {"--link", "l", "--frobnicate"}};
    for (const QStringList &arguments : refused)
        QVERIFY2(!ParseCommandLine(arguments, &config, &error), qPrintable(arguments.join(' ')));
}

QTEST_GUILESS_MAIN(TestSimLine)
#include "test_line.moc"
