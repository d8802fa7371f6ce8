// Downloading an instrument's own archive from zeltar-sim over a pseudo-terminal: the end
// at a repeated reply (also for archives of no and of one record), the failures, the
// progress, and the saved table read back; zeltarctl's archive command.
#include "acquisition/archive_download.h"
#include "acquisition/archive_layout.h"
#include "acquisition/archive_table.h"
#include "link/port_names.h"
#include "link/serial_session.h"
#include "sim_process.h"

#include <QProcess>
#include <QtTest>

using namespace zeltar;
using zeltar::test::SimProcess;

namespace {

constexpr int kComPort = 2;

InstrumentSettings device()
{
    InstrumentSettings d;
    d.PribPort = kComPort;
    d.PribBaud = 2; // 9600
    d.PribAdr = 1;
    return d;
}

struct Run
{
    ArchiveDownload download;
    QList<int> percents;
    bool closedAfter = false;
};

Run download(const QString &portPath, const std::function<void(int)> &onProgress = {})
{
    SerialSession session;
    session.setPortNames(PortNames({{kComPort, portPath}}));
    Run run;
    run.download = DownloadArchive(session, device(), [&](const QString &status, int percent) {
        QCOMPARE(status, DownloadProgressText(percent));
        run.percents << percent;
        if (onProgress)
            onProgress(run.percents.size());
    });
    run.closedAfter = !session.isOpen();
    return run;
}

QDateTime stamp(const DownloadedRecord &r)
{
    return QDateTime::fromString(r.data + QLatin1Char(' ') + r.time,
                                 QStringLiteral("dd.MM.yy HH:mm:ss"));
}

} // namespace

class ArchiveDownloadTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString progDir() const { return m_dir.path() + QLatin1Char('/'); }

private slots:
    void recordBytes();
    void progressPercent();
    void downloadEndsAtTheRepeatedReply_data();
    void downloadEndsAtTheRepeatedReply();
    void firstReadIsTriedTwice();
    void unreachableInstrument();
    void failureAfterSomeRecords();
    void savedTableHoldsTheRecords();
    void saveFailures();
    void commandLine();
};

void ArchiveDownloadTest::recordBytes()
{
    const DownloadedRecord r = DecodeArchiveRecord(QByteArray::fromHex("0E0500070318 0000CC41"));
    QCOMPARE(r.data, QStringLiteral("07.03.24"));
    QCOMPARE(r.time, QStringLiteral("14:05:00"));
    QCOMPARE(r.znac, 25.5f);
    // Plain binary, not BCD: 0x17 is 23.
    const DownloadedRecord late = DecodeArchiveRecord(QByteArray::fromHex("173B3B1F0C63"));
    QCOMPARE(late.data, QStringLiteral("31.12.99"));
    QCOMPARE(late.time, QStringLiteral("23:59:59"));
}

void ArchiveDownloadTest::progressPercent()
{
    QCOMPARE(DownloadPercent(2), 0);
    QCOMPARE(DownloadPercent(15), 1); // 0.505 rounds up
    QCOMPARE(DownloadPercent(1486), 50);
    QCOMPARE(DownloadPercent(2971), 100);
    QCOMPARE(DownloadPercent(DownloadMaxRecords), 100);
    QCOMPARE(DownloadProgressText(37), QStringLiteral("Считывание архива: 37%"));
}

void ArchiveDownloadTest::downloadEndsAtTheRepeatedReply_data()
{
    QTest::addColumn<int>("records");
    QTest::newRow("five") << 5;
    QTest::newRow("one") << 1;
    QTest::newRow("none") << 0;
}

void ArchiveDownloadTest::downloadEndsAtTheRepeatedReply()
{
    QFETCH(int, records);
    SimProcess sim({"--addr", "1", "--archive", QString::number(records)});
    QVERIFY(sim.start());
    const Run run = download(sim.portPath());
    QVERIFY(run.download.complete());
    QVERIFY(run.download.message().isEmpty());
    QVERIFY(run.closedAfter);
    QCOMPARE(run.download.records.size(), records);
    QCOMPARE(run.download.firstRecordKept, records > 0);
    // One read of the next record per record after the first, and the one that repeats.
    QCOMPARE(run.percents, QList<int>(qMax(records, 1), 0));

    // The instrument keeps one record per archive period (999 s), oldest first.
    for (int i = 1; i < records; ++i) {
        const QDateTime before = stamp(run.download.records.at(i - 1));
        QVERIFY2(before.isValid(), qPrintable(run.download.records.at(i - 1).data));
        QCOMPARE(before.secsTo(stamp(run.download.records.at(i))), 999);
    }
    for (const DownloadedRecord &r : run.download.records)
        QVERIFY(r.znac >= 20 && r.znac <= 80);
}

void ArchiveDownloadTest::firstReadIsTriedTwice()
{
    SimProcess sim({"--addr", "1", "--archive", "3", "--fault", "short", "--fault-every", "1000"});
    QVERIFY(sim.start());
    const Run run = download(sim.portPath());
    QVERIFY(run.download.complete());
    QCOMPARE(run.download.records.size(), 3);
}

void ArchiveDownloadTest::unreachableInstrument()
{
    SimProcess sim({"--addr", "1", "--silent"});
    QVERIFY(sim.start());
    const Run run = download(sim.portPath());
    QCOMPARE(run.download.outcome, DownloadOutcome::NoLink);
    QCOMPARE(run.download.message(), QStringLiteral("Нет связи с прибором"));
    QVERIFY(run.percents.isEmpty());
    QVERIFY(run.closedAfter);

    // A port that does not open is an instrument that does not answer.
    QTemporaryDir dir;
    QCOMPARE(download(dir.filePath("none")).download.outcome, DownloadOutcome::NoLink);
}

void ArchiveDownloadTest::failureAfterSomeRecords()
{
    SimProcess sim({"--addr", "1", "--archive", "20"});
    QVERIFY(sim.start());
    const Run run = download(sim.portPath(), [&](int reads) {
        if (reads == 4)
            sim.stop();
    });
    QCOMPARE(run.download.outcome, DownloadOutcome::ReadFailed);
    QCOMPARE(run.download.message(), QStringLiteral("Ошибка считывания архива"));
    QVERIFY(run.download.records.isEmpty());
    QCOMPARE(run.percents.size(), 4);
    QVERIFY(run.closedAfter);
}

void ArchiveDownloadTest::savedTableHoldsTheRecords()
{
    const QVector<DownloadedRecord> records = {{"07.03.24", "14:05:00", 25.5f},
                                               {"07.03.24", "14:21:39", 200000.0f},
                                               {"07.03.24", "14:38:18", -3.25f}};
    const QString file = m_dir.filePath(QStringLiteral("Печь.dbf"));
    // A file of that name is replaced, not appended to.
    {
        ArchiveTable old;
        QVERIFY(ArchiveTable::create(file, ArchiveLayout()));
        QVERIFY(old.open(file, ArchiveTable::Mode::Append));
        QVERIFY(old.appendRecord(ArchiveRecord{"01.01.2020", "00:00:00", 1, 1, 1, 1, 1}));
    }
    const ArchiveSave save = SaveDownloadedArchive(records, progDir(), file);
    QVERIFY2(save.saved, qPrintable(save.message));

    ArchiveTable table;
    QVERIFY(table.open(file, ArchiveTable::Mode::Read));
    QCOMPARE(table.recordCount(), 3);
    for (int j = 0; j < records.size(); ++j) {
        QCOMPARE(table.readText(j, QStringLiteral("DATA")), records.at(j).data);
        QCOMPARE(table.readText(j, QStringLiteral("TIME")), records.at(j).time);
        QCOMPARE(table.readDouble(j, QStringLiteral("ZNAC")), double(records.at(j).znac));
        for (int position = ArchiveStat; position <= ArchiveNoLink; ++position)
            QCOMPARE(table.readText(j, position), QStringLiteral("0"));
        QCOMPARE(table.readText(j, ArchiveNum), QString());
    }

    // No records: an empty table from the template.
    QVERIFY(SaveDownloadedArchive({}, progDir(), file).saved);
    QVERIFY(table.open(file, ArchiveTable::Mode::Read));
    QCOMPARE(table.recordCount(), 0);
    QCOMPARE(table.fieldCount(), int(ArchiveFieldCount));
}

void ArchiveDownloadTest::saveFailures()
{
    const QString file = m_dir.filePath(QStringLiteral("no-folder/a.dbf"));
    const ArchiveSave save = SaveDownloadedArchive({{"07.03.24", "14:05:00", 1}}, progDir(), file);
    QVERIFY(!save.saved);
    QCOMPARE(save.message, QStringLiteral("Не могу сохранить файл (код 2). ") + progDir() +
                               QStringLiteral("Zeltar.dbf ") + file);
    QVERIFY(!QFile::exists(file));
}

void ArchiveDownloadTest::commandLine()
{
    SimProcess sim({"--addr", "1", "--archive", "4"});
    QVERIFY(sim.start());
    const QString file = m_dir.filePath(QStringLiteral("ctl.dbf"));
    QProcess ctl;
    ctl.start(QStringLiteral(ZELTARCTL_PATH), {"--port", sim.portPath(), "archive", file});
    QVERIFY(ctl.waitForFinished(30000));
    QCOMPARE(ctl.exitCode(), 0);
    QVERIFY(QString::fromUtf8(ctl.readAllStandardError()).contains("Считывание завершено"));
    ArchiveTable table;
    QVERIFY(table.open(file, ArchiveTable::Mode::Read));
    QCOMPARE(table.recordCount(), 4);

    sim.stop();
    ctl.start(QStringLiteral(ZELTARCTL_PATH), {"--port", sim.portPath(), "archive", file});
    QVERIFY(ctl.waitForFinished(30000));
    QCOMPARE(ctl.exitCode(), 1);
    QVERIFY(QString::fromUtf8(ctl.readAllStandardError()).contains("Нет связи с прибором"));
}

QTEST_GUILESS_MAIN(ArchiveDownloadTest)
#include "test_archive_download.moc"
