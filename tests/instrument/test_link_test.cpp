// The link test against zeltar-sim over a pseudo-terminal: the count of valid replies
// and its quality word, the fields taken from the first valid reply, the progress
// captions, a silent instrument and a port that does not open; zeltarctl's test command.
#include "instrument/link_test.h"
#include "link/port_names.h"
#include "link/serial_session.h"
#include "sim_process.h"

#include <QProcess>
#include <QtTest>

using namespace zeltar;
using zeltar::test::SimProcess;

namespace {

constexpr int kComPort = 3;
constexpr int kBaud9600 = 2;

InstrumentSettings deviceAt(int address)
{
    InstrumentSettings device;
    device.PribPort = kComPort;
    device.PribBaud = kBaud9600;
    device.PribAdr = quint8(address);
    return device;
}

struct Run
{
    LinkTestResult result;
    QStringList captions;
    bool closedAfter = false;
};

Run testLink(const QString &portPath, const InstrumentSettings &device)
{
    SerialSession session;
    session.setPortNames(PortNames({{kComPort, portPath}}));
    Run run;
    run.result = RunLinkTest(session, device, [&](const QString &caption, int attempt) {
        QCOMPARE(attempt, run.captions.size() + 1);
        run.captions << caption;
    });
    run.closedAfter = !session.isOpen();
    return run;
}

} // namespace

class LinkTestTest : public QObject
{
    Q_OBJECT

private slots:
    void answeringInstrument();
    void qualityCountsValidReplies_data();
    void qualityCountsValidReplies();
    void versionText_data();
    void versionText();
    void silentInstrument();
    void portThatDoesNotOpen();
    void commandLine();
};

void LinkTestTest::answeringInstrument()
{
    SimProcess sim({"--addr", "7"});
    QVERIFY(sim.start());
    const Run run = testLink(sim.portPath(), deviceAt(7));
    const LinkTestResult &r = run.result;
    QVERIFY(r.portOpened);
    QVERIFY(run.closedAfter);
    QCOMPARE(r.validReplies, 10);
    QCOMPARE(r.caption(), QStringLiteral("Найден прибор"));
    QCOMPARE(r.quality(), QStringLiteral("Хорошее (10/10)"));
    QCOMPARE(r.port, QStringLiteral("COM3"));
    QCOMPARE(r.baud, QStringLiteral("9600 б/с"));
    QCOMPARE(r.address, QStringLiteral("7"));
    QCOMPARE(r.type, QStringLiteral("ЗЕЛТАР"));
    QCOMPARE(r.version, QStringLiteral("1.5"));

    QCOMPARE(run.captions.size(), 10);
    QCOMPARE(run.captions.first(), QStringLiteral("Идет поиск устройства... Выполнено:10%"));
    QCOMPARE(run.captions.at(2), QStringLiteral("Идет поиск устройства... Выполнено:30%"));
    QCOMPARE(run.captions.last(), QStringLiteral("Идет поиск устройства... Выполнено:100%"));
}

void LinkTestTest::qualityCountsValidReplies_data()
{
    // A spoilt reply hits requests 1, 1 + K, 1 + 2K, ...; a dropped one costs a timeout.
    QTest::addColumn<QStringList>("faults");
    QTest::addColumn<QString>("quality");
    QTest::newRow("one spoilt") << QStringList{"--fault", "short", "--fault-every", "10"}
                                << "Хорошее (9/10)";
    QTest::newRow("two spoilt") << QStringList{"--fault", "no-lf", "--fault-every", "5"}
                                << "Плохое (8/10)";
    QTest::newRow("every other spoilt")
        << QStringList{"--bad-lrc", "--fault-every", "2"} << "Плохое (5/10)";
    QTest::newRow("all spoilt") << QStringList{"--fault", "odd", "--fault-every", "1"} << "";
    QTest::newRow("half dropped") << QStringList{"--drop", "0.5", "--seed", "3"} << "Плохое";
}

void LinkTestTest::qualityCountsValidReplies()
{
    QFETCH(QStringList, faults);
    QFETCH(QString, quality);
    SimProcess sim(QStringList{"--addr", "1"} + faults);
    QVERIFY(sim.start());
    const Run run = testLink(sim.portPath(), deviceAt(1));
    if (quality.isEmpty()) {
        QVERIFY(!run.result.found());
        return;
    }
    QVERIFY(run.result.quality().startsWith(quality));
    // A poor link still describes the instrument from its first valid reply.
    QCOMPARE(run.result.caption(), QStringLiteral("Найден прибор"));
    QCOMPARE(run.result.address, QStringLiteral("1"));
    QCOMPARE(run.result.version, QStringLiteral("1.5"));
    QVERIFY(run.closedAfter);
}

void LinkTestTest::versionText_data()
{
    QTest::addColumn<int>("versionByte");
    QTest::addColumn<QString>("text");
    QTest::newRow("105") << 105 << "1.5";
    QTest::newRow("110") << 110 << "1.10";
    QTest::newRow("99") << 99 << "0.99";
    QTest::newRow("200") << 200 << "2.0";
}

void LinkTestTest::versionText()
{
    QFETCH(int, versionByte);
    QFETCH(QString, text);
    QCOMPARE(VersionText(quint8(versionByte)), text);
    if (versionByte == 200)
        return;
    SimProcess sim({"--addr", "1", "--version", QString::number(versionByte)});
    QVERIFY(sim.start());
    QCOMPARE(testLink(sim.portPath(), deviceAt(1)).result.version, text);
}

void LinkTestTest::silentInstrument()
{
    // The instrument answers at another address than the record's.
    SimProcess sim({"--addr", "4"});
    QVERIFY(sim.start());
    const Run run = testLink(sim.portPath(), deviceAt(5));
    QVERIFY(run.result.portOpened);
    QVERIFY(!run.result.found());
    QCOMPARE(run.result.caption(), QStringLiteral("Устройство не найдено"));
    QCOMPARE(run.captions.size(), 10);
    QVERIFY(run.result.address.isEmpty());
    QVERIFY(run.closedAfter);
}

void LinkTestTest::portThatDoesNotOpen()
{
    QTemporaryDir dir;
    const Run run = testLink(dir.filePath(QStringLiteral("no-such-port")), deviceAt(1));
    QVERIFY(!run.result.portOpened);
    QVERIFY(!run.result.found());
    QVERIFY(run.captions.isEmpty());
    QVERIFY(run.closedAfter);
}

void LinkTestTest::commandLine()
{
    SimProcess sim({"--addr", "2", "--version", "110"});
    QVERIFY(sim.start());
    auto run = [](const QStringList &args, QString *out) {
        QProcess process;
        process.start(QStringLiteral(ZELTARCTL_PATH), args);
        if (!process.waitForFinished(30000))
            return -1;
        *out = QString::fromUtf8(process.readAllStandardOutput());
        return process.exitCode();
    };
    QString out;
    QCOMPARE(run({"--port", sim.portPath(), "--addr", "2", "test"}, &out), 0);
    QCOMPARE(out, QStringLiteral("Порт: %1\nСкорость: 9600 б/с\nАдрес: 2\nТип прибора: ЗЕЛТАР\n"
                                 "Версия ПО: 1.10\nКачество связи: Хорошее (10/10)\n")
                      .arg(sim.portPath()));
    QCOMPARE(run({"--port", sim.portPath(), "--addr", "3", "test"}, &out), 1);
    QCOMPARE(out, QStringLiteral("Устройство не найдено\n"));
    QTemporaryDir dir;
    QCOMPARE(run({"--port", dir.filePath("none"), "test"}, &out), 2);
}

QTEST_GUILESS_MAIN(LinkTestTest)
#include "test_link_test.moc"
