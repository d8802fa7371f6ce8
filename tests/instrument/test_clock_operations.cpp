// The instrument clock: the checks of the date and time entries, the texts of the clock
// fields, and reading and writing the clock of zeltar-sim on a pseudo-terminal.
#include "core/clock.h"
#include "instrument/clock_operations.h"
#include "link/serial_session.h"
#include "sim_process.h"

#include <QtTest>

using namespace zeltar;
using zeltar::test::SimProcess;

namespace {

constexpr int SimPort = 4;

InstrumentSettings SimRecord()
{
    InstrumentSettings record;
    record.PribPort = SimPort;
    record.PribBaud = 2;
    record.PribAdr = 1;
    return record;
}

InstrumentClock MakeClock(int day, int month, int year, int hour, int minute, int second)
{
    InstrumentClock clock;
    clock.Day = quint8(day);
    clock.Month = quint8(month);
    clock.Year = quint8(year);
    clock.Hour = quint8(hour);
    clock.Minute = quint8(minute);
    clock.Second = quint8(second);
    return clock;
}

} // namespace

class TestClockOperations : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void cleanup()
    {
        Clock::reset();
        QLocale::setDefault(QLocale::c());
    }

    void entryChecks_data();
    void entryChecks();
    void acceptedEntriesGiveTheSixValues();
    void fieldTexts();
    void calendarCheckOfReadBytes();
    void writtenClockReadsBackRunningOn();
    void silentInstrument();
    void portThatCannotBeOpened();
};

void TestClockOperations::entryChecks_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("message");

    const QString time = QStringLiteral("12:00:00");
    const QString date = QStringLiteral("15.06.2024");
    QTest::newRow("day not a number") << "x5.06.2024" << time << "Неверный день в дате";
    QTest::newRow("day blank") << "  .06.2024" << time << "Неверный день в дате";
    QTest::newRow("day 32") << "32.06.2024" << time << "Значение номера дня должно быть от 0 до 31";
    QTest::newRow("day negative") << "-1.06.2024" << time
                                  << "Значение номера дня должно быть от 0 до 31";
    QTest::newRow("month not a number") << "15.0x.2024" << time << "Неверный месяц в дате";
    QTest::newRow("month 0") << "15.00.2024" << time
                             << "Значение номера месяца должно быть от 0 до 12";
    QTest::newRow("month 13") << "15.13.2024" << time
                              << "Значение номера месяца должно быть от 0 до 12";
    QTest::newRow("year cut short") << "15.06.20" << time << "Неверный год в дате";
    QTest::newRow("year trailing blank") << "15.06.202 " << time << "Неверный год в дате";
    QTest::newRow("time blank") << date << "  :  :  "
                                << "Неверное значение час";
    QTest::newRow("hour 24") << date << "24:00:00"
                             << "Значение номера часа должно быть от 0 до 23";
    QTest::newRow("minute not a number") << date << "12:m0:00"
                                         << "Неверное значение минут";
    QTest::newRow("minute 75") << date << "12:75:00"
                               << "Значение минут должно быть от 0 до 59";
    QTest::newRow("second blank") << date << "12:00:  "
                                  << "Неверное значение секунд";
    QTest::newRow("second 75") << date << "12:00:75"
                               << "Значение секунд должно быть от 0 до 59";
    // The first failing field in the order day, month, year, hour, minute, second wins.
    QTest::newRow("month before hour") << "15.13.2024"
                                       << "99:99:99"
                                       << "Значение номера месяца должно быть от 0 до 12";
    QTest::newRow("all fine") << date << time << "";
}

void TestClockOperations::entryChecks()
{
    QFETCH(QString, date);
    QFETCH(QString, time);
    QFETCH(QString, message);
    QCOMPARE(CheckClockEntries(date, time).message, message);
}

void TestClockOperations::acceptedEntriesGiveTheSixValues()
{
    const ClockEntries entries =
        CheckClockEntries(QStringLiteral("05.03.2024"), QStringLiteral("14:07:09"));
    QVERIFY(entries.ok());
    QCOMPARE(EncodeClock(entries.clock), QByteArray::fromHex("090714050324"));

    // Bounds that pass: day 0 (not checked against the month), year 65 of 2065, a leading
    // blank, 23:59:59.
    const ClockEntries edges =
        CheckClockEntries(QStringLiteral("00.12.2065"), QStringLiteral(" 0:59:59"));
    QVERIFY(edges.ok());
    QCOMPARE(EncodeClock(edges.clock), QByteArray::fromHex("595900001265"));
    QVERIFY(CheckClockEntries(QStringLiteral("31.02.2099"), QStringLiteral("23:00:00")).ok());
}

void TestClockOperations::fieldTexts()
{
    const QDateTime moment(QDate(2008, 5, 3), QTime(4, 5, 9));
    QCOMPARE(SysDateText(moment), QStringLiteral("03:05:08"));
    QCOMPARE(SysTimeText(moment), QStringLiteral("04:05:09"));

    Clock::setNow(moment);
    const InstrumentClock pc = PcClock();
    QCOMPARE(ClockDateText(pc, CurrentCentury()), QStringLiteral("03.05.2008"));
    QCOMPARE(ClockTimeText(pc), QStringLiteral("04:05:09"));

    // A read clock takes the PC's century; the settings read shows the century 2000.
    const InstrumentClock read = DecodeClock(QByteArray::fromHex("305923311299"));
    Clock::setNow(QDateTime(QDate(2124, 1, 1), QTime(0, 0)));
    QCOMPARE(ClockDateText(read, CurrentCentury()), QStringLiteral("31.12.2199"));
    QCOMPARE(ClockDateText(read, 2000), QStringLiteral("31.12.2099"));
    QCOMPARE(ClockTimeText(read), QStringLiteral("23:59:30"));
}

void TestClockOperations::calendarCheckOfReadBytes()
{
    QVERIFY(IsCalendarClock(MakeClock(29, 2, 24, 23, 59, 59), 2000));
    QVERIFY(!IsCalendarClock(MakeClock(29, 2, 23, 12, 0, 0), 2000));
    QVERIFY(!IsCalendarClock(MakeClock(0, 5, 24, 12, 0, 0), 2000));
    QVERIFY(!IsCalendarClock(MakeClock(1, 0, 24, 12, 0, 0), 2000));
    QVERIFY(!IsCalendarClock(MakeClock(1, 13, 24, 12, 0, 0), 2000));
    QVERIFY(!IsCalendarClock(MakeClock(1, 1, 24, 24, 0, 0), 2000));
    // A low nibble above 9 still counts as units: 0x3A is day 40.
    QVERIFY(!IsCalendarClock(DecodeClock(QByteArray::fromHex("0000003A0124")), 2000));

    const QString text =
        ClockReadMessage(ClockReadResult::NotADate, MakeClock(0, 13, 24, 25, 1, 2));
    QVERIFY(text.endsWith(QStringLiteral("00.13.24 25:01:02")));
}

void TestClockOperations::writtenClockReadsBackRunningOn()
{
    SimProcess sim;
    QVERIFY(sim.start());
    SerialSession port;
    port.setPortNames(PortNames({{SimPort, sim.portPath()}}));
    const InstrumentSettings record = SimRecord();

    const ClockEntries entries =
        CheckClockEntries(QStringLiteral("05.03.2024"), QStringLiteral("14:07:09"));
    QVERIFY(entries.ok());
    QCOMPARE(WriteInstrumentClock(port, record, entries.clock), ClockWriteResult::Ok);
    QVERIFY(!port.isOpen());

    InstrumentClock read;
    QCOMPARE(ReadInstrumentClock(port, record, &read), ClockReadResult::Ok);
    QVERIFY(!port.isOpen());
    QCOMPARE(ClockDateText(read, CurrentCentury()),
             QStringLiteral("05.03.%1").arg(CurrentCentury() + 24));
    const int elapsed = QTime(14, 7, 9).secsTo(QTime(read.Hour, read.Minute, read.Second));
    QVERIFY2(elapsed >= 0 && elapsed <= 10, qPrintable(ClockTimeText(read)));
    QCOMPARE(ClockReadMessage(ClockReadResult::Ok, read),
             QStringLiteral("Чтение даты и времени завершено успешно"));
    QCOMPARE(ClockWriteMessage(ClockWriteResult::Ok), QStringLiteral("Дата и время установлены"));
}

void TestClockOperations::silentInstrument()
{
    SimProcess sim({"--silent"});
    QVERIFY(sim.start());
    SerialSession port;
    port.setPortNames(PortNames({{SimPort, sim.portPath()}}));
    InstrumentClock clock = MakeClock(1, 2, 3, 4, 5, 6);

    QCOMPARE(ReadInstrumentClock(port, SimRecord(), &clock), ClockReadResult::NoLink);
    QCOMPARE(ClockTimeText(clock), QStringLiteral("04:05:06")); // untouched
    QCOMPARE(WriteInstrumentClock(port, SimRecord(), clock), ClockWriteResult::WriteFailed);
    QVERIFY(!port.isOpen());
    QCOMPARE(ClockReadMessage(ClockReadResult::NoLink, clock),
             QStringLiteral("Нет связи с прибором"));
    QCOMPARE(ClockWriteMessage(ClockWriteResult::WriteFailed),
             QStringLiteral("Ошибка записи времени в прибор"));
}

void TestClockOperations::portThatCannotBeOpened()
{
    SerialSession port;
    port.setPortNames(PortNames({{SimPort, QStringLiteral("/nonexistent/ttyZ")}}));
    InstrumentClock clock;
    QCOMPARE(ReadInstrumentClock(port, SimRecord(), &clock), ClockReadResult::NoPort);
    QCOMPARE(ClockReadMessage(ClockReadResult::NoPort, clock),
             QStringLiteral("Нет связи с прибором"));
    QCOMPARE(WriteInstrumentClock(port, SimRecord(), clock), ClockWriteResult::NoPort);
    QCOMPARE(ClockWriteMessage(ClockWriteResult::NoPort), QStringLiteral("Ошибка открытия порта"));
}

QTEST_GUILESS_MAIN(TestClockOperations)
#include "test_clock_operations.moc"
