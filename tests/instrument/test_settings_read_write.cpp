// Reading and writing an instrument's settings against zeltar-sim on a pseudo-terminal:
// what the record holds after every outcome, and which step each failure code names.
#include "instrument/factory_defaults.h"
#include "instrument/settings_read.h"
#include "instrument/settings_write.h"
#include "link/modbus_master.h"
#include "link/serial_session.h"
#include "link/timing.h"
#include "sim_process.h"

#include <QtTest>

using namespace zeltar;
using zeltar::test::SimProcess;
using zeltar::test::WaitUntil;

namespace {

constexpr int SimPort = 2;
constexpr int Baud9600 = 2;
constexpr int Baud19200 = 3;
constexpr int Baud115200 = 6; // the shortest waits, for tests of many transactions

// A station session whose COM2 is the simulator's line.
struct Station
{
    SerialSession port;
    DeviceTable table;

    explicit Station(const SimProcess &sim, int baud = Baud9600, int k = 1)
    {
        port.setPortNames(PortNames({{SimPort, sim.portPath()}}));
        InstrumentSettings &record = table.device(k);
        record.PribName = QStringLiteral("Печь 1");
        record.PribVkl = 1;
        record.PribPort = SimPort;
        record.PribBaud = static_cast<quint8>(baud);
        record.PribAdr = 1;
    }

    // One request that only moves the simulator's request count on (its faults hit
    // requests 1, 1 + K, ...): the operation's own requests then start at number 2.
    void spendFirstRequest()
    {
        const int baud = table.device(1).PribBaud;
        QCOMPARE(port.OpenPort(SimPort, baud), 0);
        ModbusMaster(port).ModBusRead03(1, RegLink, 1, SetTiming(TimingRead03, baud, 1));
        port.ClosePort();
    }

    // Puts a whole program with its end marker into the instrument in one transaction.
    void putProgram(const InstrumentSettings &settings)
    {
        const int baud = table.device(1).PribBaud;
        QByteArray data;
        for (int i = 0; i < settings.PribPoint; ++i)
            data += EncodeProgramEntry(settings.Program[size_t(i)]);
        data += EncodeProgramEnd();
        const auto count = quint16(data.size() / 2);
        QCOMPARE(port.OpenPort(SimPort, baud), 0);
        const QByteArray reply = ModbusMaster(port).ModBusWrite16(
            1, RegProgram, count, data, SetTiming(TimingWrite16, baud, int(data.size())));
        port.ClosePort();
        QCOMPARE(reply.size(), 6);
    }
};

// Requests the simulator has logged (it runs with --verbose).
int RequestCount(const SimProcess &sim)
{
    return int(sim.stderrText().count("request "));
}

int WaitForRequests(const SimProcess &sim, int expected)
{
    WaitUntil([&] { return RequestCount(sim) >= expected; }, 2000);
    return RequestCount(sim);
}

// A record unlike the simulator's factory settings in every instrument field.
InstrumentSettings EditedSettings(int steps)
{
    InstrumentSettings s = FactoryDefaults();
    s.PribType = 4;
    s.PribDiap = 7;
    s.PribTypeReg = 2;
    s.PribPeriod = 11;
    s.PribUst1 = 12.5f;
    s.PribUst2 = -3.25f;
    s.PribUst3 = 1000.0f;
    s.PribUst4 = 0.1f;
    s.PribGist1 = 1.5f;
    s.PribGist2 = 2.5f;
    s.PribGist3 = 3.5f;
    s.PribGist4 = 4.5f;
    s.PribPoprDat = -0.5f;
    s.PribPoprXC = 0.75f;
    s.PribM1 = 4.0f;
    s.PribM2 = 20.0f;
    s.PribM = 0x13;
    s.PribSostRele = 0x8A;
    s.PribZap = 2;
    s.PribPeriodArh = 600;
    s.PribKp = 0.2f;
    s.PribKi = 0.01f;
    s.PribKd = 3.0f;
    s.PribRegZnac = 150.0f;
    s.PribPerZap = 10.0f;
    s.PribKo = 0.5f;
    s.PribTrZap = 7.0f;
    s.PribTimePer = 1.25f;
    s.PribDlitImp = 2.75f;
    s.PribRegUpr = 0xC9;
    s.PribRegRele = 0x05;
    s.PribPoint = static_cast<quint8>(steps);
    for (int i = 0; i < steps; ++i)
        s.Program[size_t(i)] = {quint8(i), quint8(i * 2 % 60), 100.0f + float(i) / 4};
    return s;
}

// The instrument fields (as their register image, 0 to 427) and the program steps of two
// records.
void CompareInstrumentFields(const InstrumentSettings &a, const InstrumentSettings &b)
{
    QCOMPARE(EncodeSettingsRegisters(a, 0, RegControl + 1),
             EncodeSettingsRegisters(b, 0, RegControl + 1));
    QCOMPARE(a.PribPoint, b.PribPoint);
    for (int i = 0; i < a.PribPoint; ++i) {
        const size_t n = size_t(i);
        QCOMPARE(EncodeProgramEntry(a.Program[n]), EncodeProgramEntry(b.Program[n]));
    }
}

} // namespace

class TestSettingsReadWrite : public QObject
{
    Q_OBJECT

private slots:
    void readTakesTheWholeConfiguration();
    void readAtTheWindowsLinkSettings();
    void failedBlockKeepsTheRecordButItsLink();
    void failedProgramEntryDoesNotStopTheProgram();
    void unreachableInstrumentFailsAtTheFirstBlock();
    void writeThenReadBackGivesTheSameRecord();
    void fullProgramHasItsMarkerInTheLastEntry();
    void writeMovesTheInstrumentToItsNewLink();
    void writeFailureNamesTheBlock_data();
    void writeFailureNamesTheBlock();
    void unacknowledgedLinkStepKeepsTheOldLink();
    void portThatCannotBeOpened();
    void messageTexts();
};

void TestSettingsReadWrite::readTakesTheWholeConfiguration()
{
    SimProcess sim({"--verbose"});
    QVERIFY(sim.start());
    Station station(sim);
    InstrumentClock clock;
    const QDateTime before = QDateTime::currentDateTime();

    QCOMPARE(ReadInstrumentSettings(station.port, station.table, 1, Baud9600, 1, &clock),
             int(SettingsReadOk));
    QVERIFY(!station.port.isOpen());

    // The simulator's factory settings with setpoints 1 to 3 set, no program (the marker
    // stands in entry 1): five blocks and one program entry.
    InstrumentSettings expected = FactoryDefaults();
    expected.PribUst1 = 70;
    expected.PribGist1 = 1;
    expected.PribUst2 = 30;
    expected.PribGist2 = 1;
    expected.PribUst3 = 50;
    expected.PribGist3 = 2;
    expected.PribSostRele = 0xA0;
    expected.PribRegUpr = 0x8E;
    const InstrumentSettings &record = station.table.device(1);
    CompareInstrumentFields(record, expected);
    QCOMPARE(record.PribName, QStringLiteral("Печь 1"));
    QCOMPARE(record.PribVkl, quint8(1));
    QCOMPARE(record.PribPort, quint8(SimPort));
    QCOMPARE(WaitForRequests(sim, 6), 6);

    // The clock of block 5 is the simulator's, which runs with the PC's.
    const QDateTime read(QDate(2000 + clock.Year, clock.Month, clock.Day),
                         QTime(clock.Hour, clock.Minute, clock.Second));
    QVERIFY(read.isValid());
    QVERIFY(qAbs(before.secsTo(read)) <= 5);
}

void TestSettingsReadWrite::readAtTheWindowsLinkSettings()
{
    // The record says 9600 baud, address 1; the window 19200 and 5, where the instrument
    // is. Afterwards the record holds what the instrument reports.
    SimProcess sim({"--addr", "5", "--baud", "19200"});
    QVERIFY(sim.start());
    Station station(sim);
    QCOMPARE(ReadInstrumentSettings(station.port, station.table, 1, Baud19200, 5, nullptr),
             int(SettingsReadOk));
    QCOMPARE(station.table.device(1).PribBaud, quint8(Baud19200));
    QCOMPARE(station.table.device(1).PribAdr, quint8(5));
}

void TestSettingsReadWrite::failedBlockKeepsTheRecordButItsLink()
{
    // Blocks 1 and 2 answer, block 3 gets an exception reply.
    SimProcess sim({"--exception", "--fault-every", "3"});
    QVERIFY(sim.start());
    Station station(sim);
    station.spendFirstRequest();
    InstrumentSettings &record = station.table.device(1);
    record.PribBaud = Baud19200; // the window says 9600 and 1
    record.PribAdr = 9;
    record.PribUst1 = 123.0f;
    record.PribType = 9;
    const InstrumentSettings before = record;
    InstrumentClock clock;
    clock.Day = 17;

    QCOMPARE(ReadInstrumentSettings(station.port, station.table, 1, Baud9600, 1, &clock),
             int(SettingsReadCorrections));
    QVERIFY(!station.port.isOpen());
    QCOMPARE(record.PribBaud, quint8(Baud9600));
    QCOMPARE(record.PribAdr, quint8(1));
    QCOMPARE(record.PribUst1, before.PribUst1); // block 2 arrived but is discarded
    QCOMPARE(record.PribType, before.PribType);
    QCOMPARE(clock.Day, quint8(17)); // block 5 was never read
}

void TestSettingsReadWrite::failedProgramEntryDoesNotStopTheProgram()
{
    // Requests 2 to 6 are the five blocks; request 7, program entry 1 with the end marker,
    // gets an exception. The read goes on through the other 30 entries, none of which
    // carries the marker, and fails with code 7 leaving the record as it was.
    SimProcess sim({"--verbose", "--baud", "115200", "--exception", "--fault-every", "6"});
    QVERIFY(sim.start());
    Station station(sim, Baud115200);
    station.spendFirstRequest();
    station.table.device(1).PribUst1 = 5.0f;
    QCOMPARE(ReadInstrumentSettings(station.port, station.table, 1, Baud115200, 1, nullptr),
             int(SettingsReadProgram));
    QCOMPARE(station.table.device(1).PribUst1, 5.0f);
    QCOMPARE(WaitForRequests(sim, 1 + 5 + 31), 1 + 5 + 31);
}

void TestSettingsReadWrite::unreachableInstrumentFailsAtTheFirstBlock()
{
    SimProcess sim({"--verbose", "--silent"});
    QVERIFY(sim.start());
    Station station(sim);
    QCOMPARE(ReadInstrumentSettings(station.port, station.table, 1, Baud9600, 1, nullptr),
             int(SettingsReadLink));
    QVERIFY(!station.port.isOpen());
    QTest::qWait(100);
    QCOMPARE(RequestCount(sim), 1);
}

void TestSettingsReadWrite::writeThenReadBackGivesTheSameRecord()
{
    SimProcess sim({"--verbose", "--baud", "115200"});
    QVERIFY(sim.start());
    Station station(sim, Baud115200);
    station.table.device(2) = station.table.device(1);

    // The program is edited in the record; everything else comes through the staging.
    InstrumentSettings edited = EditedSettings(3);
    edited.PribBaud = Baud115200;
    station.table.staging = edited;
    station.table.staging.PribName = QStringLiteral("Печь 2");
    station.table.staging.PribPoint = 0; // stale in the staging: the record's program counts
    station.table.device(1).PribPoint = edited.PribPoint;
    station.table.device(1).Program = edited.Program;
    QVERIFY(!WriteChangesLink(station.table.device(1), Baud115200, 1));

    QCOMPARE(WriteInstrumentSettings(station.port, station.table, 1), int(SettingsWriteOk));
    QVERIFY(!station.port.isOpen());
    CompareInstrumentFields(station.table.device(1), edited);
    QCOMPARE(station.table.device(1).PribName, QStringLiteral("Печь 2"));
    QCOMPARE(station.table.device(1).PribPort, quint8(SimPort));
    // Step A (sent although the link is unchanged), blocks B to E, three entries and the
    // marker, block G.
    QCOMPARE(WaitForRequests(sim, 1 + 4 + 4 + 1), 10);

    // Read into another record: three steps, the marker found in entry 4.
    QCOMPARE(ReadInstrumentSettings(station.port, station.table, 2, Baud115200, 1, nullptr),
             int(SettingsReadOk));
    CompareInstrumentFields(station.table.device(2), edited);
    QCOMPARE(WaitForRequests(sim, 10 + 5 + 4), 19);
}

void TestSettingsReadWrite::fullProgramHasItsMarkerInTheLastEntry()
{
    SimProcess sim({"--verbose", "--baud", "115200"});
    QVERIFY(sim.start());
    Station station(sim, Baud115200);
    const InstrumentSettings full = EditedSettings(MaxProgramSteps);
    station.putProgram(full);
    QCOMPARE(ReadInstrumentSettings(station.port, station.table, 1, Baud115200, 1, nullptr),
             int(SettingsReadOk));
    QCOMPARE(station.table.device(1).PribPoint, quint8(MaxProgramSteps));
    for (int i = 0; i < MaxProgramSteps; ++i)
        QCOMPARE(station.table.device(1).Program[size_t(i)].Value, full.Program[size_t(i)].Value);
    QCOMPARE(WaitForRequests(sim, 1 + 5 + 31), 37);
}

void TestSettingsReadWrite::writeMovesTheInstrumentToItsNewLink()
{
    // Address 1 to 7 and 9600 to 19200 baud: step A goes to slave 1 at 9600, the rest to
    // slave 7 at 19200 (the simulator does not hear a request at another rate).
    SimProcess sim({"--verbose"});
    QVERIFY(sim.start());
    Station station(sim);
    station.table.staging = EditedSettings(0);
    station.table.staging.PribBaud = Baud19200;
    station.table.staging.PribAdr = 7;
    QVERIFY(WriteChangesLink(station.table.device(1), Baud19200, 7));
    QVERIFY(WriteChangesLink(station.table.device(1), Baud9600, 7));
    QVERIFY(WriteChangesLink(station.table.device(1), Baud19200, 1));

    QCOMPARE(WriteInstrumentSettings(station.port, station.table, 1), int(SettingsWriteOk));
    QCOMPARE(station.table.device(1).PribBaud, quint8(Baud19200));
    QCOMPARE(station.table.device(1).PribAdr, quint8(7));
    WaitForRequests(sim, 7);
    const QByteArray log = sim.stderrText();
    QCOMPARE(log.count("(instrument 1, request"), 1);
    QCOMPARE(log.count("(instrument 7, request"), 6); // B to E, the marker, G

    QCOMPARE(ReadInstrumentSettings(station.port, station.table, 1, Baud19200, 7, nullptr),
             int(SettingsReadOk));
    QCOMPARE(station.table.device(1).PribAdr, quint8(7));
}

void TestSettingsReadWrite::writeFailureNamesTheBlock_data()
{
    // Request 1 is spent beforehand, step A is request 2: an exception every K requests
    // hits request K + 1 first. No program steps: block F is the end marker alone.
    QTest::addColumn<int>("every");
    QTest::addColumn<int>("code");
    QTest::newRow("B") << 2 << int(SettingsWriteSensor);
    QTest::newRow("D") << 4 << int(SettingsWriteCorrections);
    QTest::newRow("F") << 6 << int(SettingsWriteProgram);
    QTest::newRow("G") << 7 << int(SettingsWriteControl);
}

void TestSettingsReadWrite::writeFailureNamesTheBlock()
{
    QFETCH(int, every);
    QFETCH(int, code);
    SimProcess sim(
        {"--verbose", "--baud", "115200", "--exception", "--fault-every", QString::number(every)});
    QVERIFY(sim.start());
    Station station(sim, Baud115200);
    station.spendFirstRequest();
    station.table.staging = EditedSettings(0);
    station.table.staging.PribAdr = 4;
    station.table.staging.PribBaud = Baud115200;

    QCOMPARE(WriteInstrumentSettings(station.port, station.table, 1), code);
    QVERIFY(!station.port.isOpen());
    // Step A went through: the record holds the new link and every entry of the window.
    CompareInstrumentFields(station.table.device(1), station.table.staging);
    // Nothing is sent after the failed block.
    QTest::qWait(100);
    QCOMPARE(RequestCount(sim), every + 1);
}

void TestSettingsReadWrite::unacknowledgedLinkStepKeepsTheOldLink()
{
    SimProcess sim({"--verbose", "--silent"});
    QVERIFY(sim.start());
    Station station(sim);
    station.table.staging = EditedSettings(0);
    station.table.staging.PribPort = 5; // a port changed in the window is not taken
    station.table.staging.PribBaud = Baud19200;
    station.table.staging.PribAdr = 7;

    QCOMPARE(WriteInstrumentSettings(station.port, station.table, 1), int(SettingsWriteLink));
    const InstrumentSettings &record = station.table.device(1);
    QCOMPARE(record.PribPort, quint8(SimPort));
    QCOMPARE(record.PribBaud, quint8(Baud9600));
    QCOMPARE(record.PribAdr, quint8(1));
    QCOMPARE(record.PribKp, 0.2f); // the window's entries are in the record all the same
    QVERIFY(!station.port.isOpen());
    QTest::qWait(100);
    QCOMPARE(RequestCount(sim), 1);
}

void TestSettingsReadWrite::portThatCannotBeOpened()
{
    DeviceTable table;
    SerialSession port;
    port.setPortNames(PortNames({{SimPort, QStringLiteral("/nonexistent/ttyZ")}}));
    InstrumentSettings &record = table.device(3);
    record.PribPort = SimPort;
    record.PribBaud = Baud19200;
    record.PribUst2 = 8.0f;
    table.staging = EditedSettings(0);

    QCOMPARE(ReadInstrumentSettings(port, table, 3, Baud9600, 4, nullptr), int(SettingsReadNoPort));
    QCOMPARE(record.PribBaud, quint8(Baud9600));
    QCOMPARE(record.PribAdr, quint8(4));
    QCOMPARE(record.PribUst2, 8.0f);

    QCOMPARE(WriteInstrumentSettings(port, table, 3), int(SettingsWriteNoPort));
    QCOMPARE(record.PribUst2, table.staging.PribUst2);
    QCOMPARE(record.PribAdr, quint8(4));

    // An instrument number outside the table touches nothing.
    QCOMPARE(ReadInstrumentSettings(port, table, 0, Baud9600, 4, nullptr), int(SettingsReadNoPort));
    QCOMPARE(WriteInstrumentSettings(port, table, MaxDevices + 1), int(SettingsWriteNoPort));
}

void TestSettingsReadWrite::messageTexts()
{
    QCOMPARE(SettingsReadFailureText(4), QStringLiteral("Ошибка связи с прибором: 4"));
    QCOMPARE(SettingsWriteFailureText(201),
             QStringLiteral("Нет связи с прибором. Ошибка обмена:201"));
    QVERIFY(LinkChangeQuestionText().startsWith(
        QStringLiteral("В процессе записи будет изменен адрес или скорость прибора")));
    QVERIFY(LinkChangeQuestionText().endsWith(QStringLiteral("Продолжить?")));
}

QTEST_GUILESS_MAIN(TestSettingsReadWrite)
#include "test_settings_read_write.moc"
