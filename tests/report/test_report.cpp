// Reports: the statistics of a range (no link and sensor breaks apart from measurements,
// hours or days), and the PDF that zeltarctl writes, read back by pdftotext and checked
// against the tables as dbfread reads them.
#include "../history/history_tables.h"
#include "acquisition/polling_state.h"
#include "alarms/alarm_history.h"
#include "history/report_statistics.h"

#include <QtTest>

using namespace zeltar;

namespace {

const QString Oven = QStringLiteral("Печь 1");
const QString Day = QStringLiteral("09.12.2026 ");

QDateTime At(const QString &text)
{
    return QDateTime::fromString(text, QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

// A series from "HH:MM:SS value" texts of one day; L stands for no link, B for a break.
HistorySeries Series(const QStringList &records)
{
    HistorySeries series;
    series.origin = Wall(Day + "00:00:00");
    for (const QString &record : records) {
        const QStringList parts = record.split(' ');
        series.offsets.append(qint32(Wall(Day + parts.at(0)) - series.origin));
        const QString value = parts.at(1);
        series.values.append(value == "L"   ? NoLinkValue
                             : value == "B" ? 100000.0f
                                            : value.toFloat());
    }
    return series;
}

QString Summary(const ValueSummary &values)
{
    if (values.empty())
        return QStringLiteral("none");
    return QStringLiteral("%1@%2 %3@%4 mean %5")
        .arg(values.min)
        .arg(WallText(values.minAt).mid(11))
        .arg(values.max)
        .arg(WallText(values.maxAt).mid(11))
        .arg(values.mean());
}

struct Run
{
    int exitCode = -1;
    QString output;
};

Run Command(const QString &program, const QStringList &args)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(env);
    process.start(program, args);
    if (!process.waitForFinished(30000))
        return {};
    return {process.exitCode(),
            QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError())};
}

} // namespace

class ReportTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString folder() const { return m_dir.path(); }

    Run report(const QStringList &args)
    {
        return Command(QStringLiteral(ZELTARCTL_PATH), QStringList{"--dir", folder()} + args);
    }

private Q_SLOTS:
    void statistics_data()
    {
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<QString>("values");
        QTest::addColumn<QString>("noLink");
        QTest::addColumn<QString>("sensorBreak");
        QTest::newRow("measurements, the first of equal extremes")
            << QStringList{"00:00:00 5", "00:10:00 3", "00:20:00 7", "00:30:00 3", "00:40:00 7"}
            << "3@00:10:00 7@00:20:00 mean 5"
            << "0 0"
            << "0 0";
        QTest::newRow("no link lasts to the next good record")
            << QStringList{"00:00:00 10", "00:01:00 L", "00:02:00 L", "00:05:00 20"}
            << "10@00:00:00 20@00:05:00 mean 15"
            << "240 1"
            << "0 0";
        QTest::newRow("a range that ends in a break")
            << QStringList{"00:00:00 -5.5", "00:01:00 B", "00:03:00 B"}
            << "-5.5@00:00:00 -5.5@00:00:00 mean -5.5"
            << "0 0"
            << "120 1";
        QTest::newRow("no link straight into a break, and a last lone mark")
            << QStringList{"00:00:00 1", "00:01:00 L", "00:02:00 B", "00:04:00 2", "00:05:00 L"}
            << "1@00:00:00 2@00:04:00 mean 1.5"
            << "60 2"
            << "120 1";
        QTest::newRow("marks only") << QStringList{"00:00:00 L", "00:00:03 L"} << "none"
                                    << "3 1"
                                    << "0 0";
    }

    // Marks count in neither extreme nor mean; a stretch of them is timed from its first
    // record to the next record of another kind, or to its last when the range ends in it.
    void statistics()
    {
        QFETCH(QStringList, records);
        QFETCH(QString, values);
        QFETCH(QString, noLink);
        QFETCH(QString, sensorBreak);
        const HistorySeries series = Series(records);
        const ReportStatistics statistics =
            ComputeReportStatistics(series, series.moment(0), series.moment(series.size() - 1));
        QCOMPARE(statistics.records, records.size());
        QCOMPARE(Summary(statistics.values), values);
        QCOMPARE(
            QStringLiteral("%1 %2").arg(statistics.noLink.seconds).arg(statistics.noLink.count),
            noLink);
        QCOMPARE(QStringLiteral("%1 %2")
                     .arg(statistics.sensorBreak.seconds)
                     .arg(statistics.sensorBreak.count),
                 sensorBreak);
    }

    // The table has hours up to two days and days beyond, from the first record's interval
    // to the last's, an interval without records among them.
    void intervals()
    {
        const HistorySeries series =
            Series({"00:10:00 1", "00:50:00 3", "00:55:00 L", "02:05:00 8"});
        const WallSeconds from = Wall(Day + "00:00:00");
        ReportStatistics statistics = ComputeReportStatistics(series, from, from + 2 * 86400);
        QCOMPARE(statistics.intervalSeconds, 3600);
        QCOMPARE(statistics.intervals.size(), 3);
        QCOMPARE(statistics.intervals.at(0).from, from);
        QCOMPARE(statistics.intervals.at(0).records, 3);
        QCOMPARE(Summary(statistics.intervals.at(0).values), "1@00:10:00 3@00:50:00 mean 2");
        QCOMPARE(statistics.intervals.at(1).records, 0);
        QCOMPARE(Summary(statistics.intervals.at(2).values), "8@02:05:00 8@02:05:00 mean 8");

        statistics = ComputeReportStatistics(series, from, from + 2 * 86400 + 1);
        QCOMPARE(statistics.intervalSeconds, 86400);
        QCOMPARE(statistics.intervals.size(), 1);
        QCOMPARE(statistics.intervals.at(0).records, 4);
        QCOMPARE(DurationText(2 * 86400 + 3661), QStringLiteral("49:01:01"));
    }

    void pdf_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<int>("alarms");
        QTest::newRow("across periods, with no link and breaks") << "08.12.2026 23:00:00"
                                                                 << "09.12.2026 00:59:59" << 1;
        QTest::newRow("the clock set back") << "09.12.2026 00:30:00"
                                            << "09.12.2026 01:05:00" << 1;
        QTest::newRow("the whole archive") << ""
                                           << "" << 2;
        QTest::newRow("no records") << "10.12.2026 00:00:00"
                                    << "10.12.2026 01:00:00" << 0;
    }

    // The report that zeltarctl writes holds, as an independent reader finds it, the device,
    // the station, the range, the statistics that dbfread works out from the tables and the
    // alarms raised; its fonts are embedded.
    void pdf()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(int, alarms);
        if (Command("/usr/bin/python3", {"-c", "import dbfread"}).exitCode != 0)
            QSKIP("python3-dbfread is not installed");
        if (!QFileInfo::exists("/usr/bin/pdftotext"))
            QSKIP("poppler-utils is not installed");

        const QString pdf = folder() + "/report.pdf";
        QStringList args = {"--device", "1", "report", "--output", pdf};
        if (!from.isEmpty())
            args << "--from" << from << "--to" << to;
        const Run made = report(args);
        QVERIFY2(made.exitCode == 0, qPrintable(made.output));
        const QString textPath = folder() + "/report.txt";
        QCOMPARE(Command("/usr/bin/pdftotext", {"-enc", "UTF-8", pdf, textPath}).exitCode, 0);
        QFile file(textPath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());

        QVERIFY2(text.contains("Отчёт по прибору Печь 1"), qPrintable(text));
        QVERIFY(text.contains("Станция: " + QDir(folder()).dirName()));
        if (!from.isEmpty())
            QVERIFY(text.contains(QStringLiteral("Период: с %1 по %2").arg(from, to)));
        QVERIFY(text.contains(QStringLiteral("Тревоги: %1\n").arg(alarms)));
        QVERIFY(text.contains("Страница 1 из "));
        QVERIFY(text.contains("Оператор:") && text.contains("Начальник смены:"));
        const Run checked = Command("/usr/bin/python3", {QStringLiteral(ZELTAR_SOURCE_DIR) +
                                                             "/tests/report/report_expected.py",
                                                         textPath, folder(), Oven, from, to});
        QVERIFY2(checked.exitCode == 0, qPrintable(checked.output + text));
        if (QTest::currentDataTag() == QLatin1String("no records"))
            QVERIFY(text.contains("Нет записей за выбранное время"));

        const Run fonts = Command("/usr/bin/pdffonts", {pdf});
        const QStringList rows = fonts.output.split('\n', Qt::SkipEmptyParts).mid(2);
        QVERIFY(!rows.isEmpty());
        for (const QString &row : rows)
            QVERIFY2(row.contains(QRegularExpression(" yes +(yes|no) +yes ")), qPrintable(row));
    }

    // Wrong command lines and an output that cannot be written.
    void refused()
    {
        QCOMPARE(report({"--device", "1", "report"}).exitCode, 3);
        QCOMPARE(report({"--device", "5", "report", "--output", folder() + "/x.pdf"}).exitCode, 3);
        QCOMPARE(report({"--device", "1", "report", "--from", "9.12.2026", "--output",
                         folder() + "/x.pdf"})
                     .exitCode,
                 3);
        QCOMPARE(
            report({"--device", "1", "report", "--output", folder() + "/no/such/x.pdf"}).exitCode,
            1);
    }

    // A station of two devices; the oven's tables: a period before midnight with runs of
    // no link and a sensor break, the next period with a record marked deleted, and one
    // written after the clock was set back into the hour before. Alarms of both devices.
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        QFile ini(folder() + "/Zeltar.ini");
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(QStringLiteral("[MAIN]\nPathArh=%1\nCountUstr=2\n[ZELTAR1]\nPribName=Печь 1\n"
                                 "[ZELTAR2]\nPribName=Котёл\n")
                      .arg(folder())
                      .toUtf8());
        ini.close();
        QVERIFY(WritePeriod(folder(), Oven, At("08.12.2026 23:00:00"), 60, 60, [](int i) {
            if (i >= 10 && i < 14)
                return NoLinkValue;
            if (i == 30 || i == 31 || i == 59)
                return 100000.0f;
            return 20.0f + float(i % 17) / 10.0f;
        }));
        QVERIFY(WritePeriod(folder(), Oven, At("09.12.2026 00:00:00"), 60, 60, [](int i) {
            return i == 40 ? NoLinkValue : 30.0f - float(i) / 10.0f;
        }));
        QVERIFY(MarkDeleted(folder() + "/Печь 1_26_12_09_00.dbf", 5));
        QVector<ArchiveRecord> setBack;
        for (const char *time : {"01:00:00", "01:00:30", "00:30:15", "00:30:45", "01:01:00"})
            setBack.append(PollAt(At(Day + time), 40.5f + float(setBack.size())));
        QVERIFY(AppendRecords(folder() + "/Печь 1_26_12_09_01.dbf", setBack));

        QString error;
        auto alarm = [&](const QString &at, int device, AlarmChange change) {
            AlarmEvent event{At(at), device, device == 1 ? Oven : "Котёл", AlarmKind::High, change,
                             25.5,   25.0};
            return AppendAlarmHistory(folder(), event, &error);
        };
        QVERIFY(alarm("08.12.2026 23:40:00", 1, AlarmChange::Raised));
        QVERIFY(alarm("08.12.2026 23:45:00", 1, AlarmChange::Returned));
        QVERIFY(alarm("08.12.2026 23:41:00", 2, AlarmChange::Raised));
        QVERIFY(alarm("09.12.2026 01:00:40", 1, AlarmChange::Raised));
    }
};

QTEST_GUILESS_MAIN(ReportTest)
#include "test_report.moc"
