// The archive's history: the index of a folder of tables, ranges joined across periods,
// the chart's decimation, and the CSV export read back by Python's csv module.
#include "acquisition/archive_keeper.h"
#include "acquisition/archive_names.h"
#include "acquisition/polling_state.h"
#include "core/clock.h"
#include "history/archive_index.h"
#include "history/csv_export.h"
#include "history/history_series.h"
#include "history_tables.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>
#include <QtTest>

using namespace zeltar;

namespace {

const QString Oven = QStringLiteral("Печь 1");

QDateTime At(const QString &text)
{
    return QDateTime::fromString(text, QStringLiteral("dd.MM.yyyy HH:mm:ss"));
}

// The rows of a CSV file as Python's csv module reads them.
QJsonArray PythonCsvRows(const QString &path, const QString &encoding, const QString &delimiter)
{
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import csv, json, sys\n"
                                 "with open(sys.argv[1], newline='', encoding=sys.argv[2]) as f:\n"
                                 "    print(json.dumps(list(csv.reader(f, delimiter=sys.argv[3], "
                                 "strict=True))))"),
                  path, encoding, delimiter});
    if (!python.waitForFinished(20000) || python.exitCode() != 0)
        return {};
    return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
}

} // namespace

class HistoryTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString folder() const { return m_dir.path(); }

    // Three hourly periods of the oven, one record a minute, with an hour's gap after the
    // second: 07:00 - 07:59, 08:00 - 08:59, 10:00 - 10:59.
    void writeOvenPeriods()
    {
        for (const QString &start :
             {QStringLiteral("09.12.2026 07:00:00"), QStringLiteral("09.12.2026 08:00:00"),
              QStringLiteral("09.12.2026 10:00:00")}) {
            QVERIFY(WritePeriod(folder(), Oven, At(start), 60, 60,
                                [](int i) { return 20.0f + float(i) / 10.0f; }));
        }
    }

private Q_SLOTS:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        QDir(folder()).removeRecursively();
        QDir().mkpath(folder());
    }

    void tableNames_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<QString>("namePart");
        QTest::addColumn<QString>("periodStart");
        QTest::newRow("plain") << "Печь 1_26_12_09_07.dbf"
                               << "Печь 1"
                               << "09.12.2026 07:00:00";
        QTest::newRow("underscores in the name") << "Котёл_2_a_26_01_31_23.DBF"
                                                 << "Котёл_2_a"
                                                 << "31.01.2026 23:00:00";
        QTest::newRow("three-digit year") << "X_100_02_28_00.dbf"
                                          << "X"
                                          << "28.02.2100 00:00:00";
        QTest::newRow("template") << "Zeltar.dbf"
                                  << ""
                                  << "";
        QTest::newRow("no such month") << "X_26_13_01_00.dbf"
                                       << ""
                                       << "";
        QTest::newRow("no such hour") << "X_26_12_01_24.dbf"
                                      << ""
                                      << "";
        QTest::newRow("no name part") << "_26_12_01_07.dbf"
                                      << ""
                                      << "";
        QTest::newRow("another kind of file") << "X_26_12_01_07.csv"
                                              << ""
                                              << "";
    }

    void tableNames()
    {
        QFETCH(QString, fileName);
        QFETCH(QString, namePart);
        QFETCH(QString, periodStart);
        const std::optional<ArchiveTableName> name = ParseArchiveTableName(fileName);
        QCOMPARE(name.has_value(), !namePart.isEmpty());
        if (name) {
            QCOMPARE(name->namePart, namePart);
            QCOMPARE(name->periodStart, At(periodStart));
        }
    }

    // The index lists every table by its name part (a device renamed or deleted keeps its
    // tables listed), follows a table being appended to and forgets a removed one, and
    // reads again only what changed.
    void indexFollowsTheFolder()
    {
        writeOvenPeriods();
        QVERIFY(WritePeriod(folder(), QStringLiteral("Старое имя"), At("08.12.2026 22:00:00"), 5, 3,
                            [](int) { return 1.0f; }));
        QVERIFY(ArchiveTable::create(QDir(folder()).filePath("Печь 1_26_12_09_11.dbf"),
                                     ArchiveLayout()));
        QVERIFY(ArchiveTable::create(QDir(folder()).filePath("Zeltar.dbf"), ArchiveLayout()));

        ArchiveIndex index(folder());
        index.refresh();
        QCOMPARE(index.tablesRead(), 5);
        QCOMPARE(index.nameParts(), QStringList({Oven, QStringLiteral("Старое имя")}));
        QVector<ArchiveTableEntry> oven = index.tablesOf(Oven);
        QCOMPARE(oven.size(), 4);
        QCOMPARE(oven.at(0).fileName, QStringLiteral("Печь 1_26_12_09_07.dbf"));
        QCOMPARE(oven.at(1).records, 60);
        QCOMPARE(oven.at(1).first, Wall("09.12.2026 08:00:00"));
        QCOMPARE(oven.at(1).last, Wall("09.12.2026 08:59:00"));
        QCOMPARE(oven.at(3).records, 0);
        QVERIFY(!oven.at(3).first.has_value());
        QCOMPARE(index.tablesOf(QStringLiteral("Старое имя")).constFirst().last,
                 Wall("08.12.2026 22:00:12"));

        // Polling appends to the newest table; nothing else is read again.
        const QString newest = oven.at(3).path;
        QVERIFY(AppendRecords(newest, {PollAt(At("09.12.2026 11:00:01"), 5.0f),
                                       PollAt(At("09.12.2026 11:00:04"), 200000.0f, 1)}));
        index.refresh();
        QCOMPARE(index.tablesRead(), 1);
        oven = index.tablesOf(Oven);
        QCOMPARE(oven.at(3).records, 2);
        QCOMPARE(oven.at(3).first, Wall("09.12.2026 11:00:01"));
        QCOMPARE(oven.at(3).last, Wall("09.12.2026 11:00:04"));

        QVERIFY(QFile::remove(oven.at(0).path));
        index.refresh();
        QCOMPARE(index.tablesRead(), 0);
        QCOMPARE(index.tablesOf(Oven).size(), 3);
        QCOMPARE(index.tables().size(), 4);
    }

    void rangeJoinsPeriods_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("segments");
        QTest::newRow("everything") << "01.12.2026 00:00:00"
                                    << "31.12.2026 00:00:00" << 180 << 3;
        QTest::newRow("both ends included") << "09.12.2026 07:59:00"
                                            << "09.12.2026 08:01:00" << 3 << 2;
        QTest::newRow("within one period") << "09.12.2026 08:10:30"
                                           << "09.12.2026 08:20:30" << 10 << 1;
        QTest::newRow("across the gap") << "09.12.2026 08:58:00"
                                        << "09.12.2026 10:00:00" << 3 << 2;
        QTest::newRow("inside the gap") << "09.12.2026 09:00:00"
                                        << "09.12.2026 09:59:59" << 0 << 0;
        QTest::newRow("one moment") << "09.12.2026 10:30:00"
                                    << "09.12.2026 10:30:00" << 1 << 1;
        QTest::newRow("before everything") << "01.12.2026 00:00:00"
                                           << "09.12.2026 06:59:59" << 0 << 0;
    }

    void rangeJoinsPeriods()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(int, records);
        QFETCH(int, segments);
        writeOvenPeriods();
        ArchiveIndex index(folder());
        index.refresh();
        const HistoryRange range = RangeOfTables(index.tablesOf(Oven), Wall(from), Wall(to));
        QCOMPARE(range.records, records);
        QCOMPARE(range.segments.size(), segments);

        HistorySeries series;
        QVERIFY(LoadSeries(range, &series));
        QCOMPARE(series.size(), records);
        QVERIFY(std::is_sorted(series.offsets.cbegin(), series.offsets.cend()));
        if (records > 0) {
            QVERIFY(series.moment(0) >= Wall(from));
            QVERIFY(series.moment(series.size() - 1) <= Wall(to));
        }
    }

    void clockSetBack_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QStringList>("records");
        QTest::newRow("after the set-back's table begins")
            << "09.12.2026 10:00:00"
            << "09.12.2026 10:00:30" << QStringList{"10:00:20 4", "10:00:30 8"};
        QTest::newRow("the hour written twice, across two tables")
            << "09.12.2026 09:00:00"
            << "09.12.2026 09:01:00"
            << QStringList{"09:00:00 1", "09:00:30 5", "09:00:35 2", "09:00:35 6", "09:00:40 3"};
        QTest::newRow("everything, deleted records left out")
            << "01.12.2026 00:00:00"
            << "31.12.2026 00:00:00"
            << QStringList{"09:00:00 1", "09:00:30 5", "09:00:35 2",  "09:00:35 6", "09:00:40 3",
                           "10:00:20 4", "10:00:30 8", "11:00:00 10", "11:00:10 12"};
    }

    // After the clock was set back a table holds its records out of time order and tables
    // overlap in time: a range holds every record whose moment lies in it, wherever it is
    // stored, in time order (stored order for equal moments), for the chart and the export
    // alike. Records marked deleted by another dBase program are nowhere.
    void clockSetBack()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QStringList, records);
        const QString dir = folder();
        const QString day = QStringLiteral("09.12.2026 ");
        auto write = [&](const QString &name, const QStringList &times, float firstValue) {
            QVector<ArchiveRecord> polls;
            for (const QString &time : times)
                polls.append(PollAt(At(day + time), firstValue++));
            return AppendRecords(dir + "/" + name, polls);
        };
        QVERIFY(write("Печь 1_26_12_09_09.dbf", {"09:00:00", "09:00:35", "09:00:40"}, 1));
        QVERIFY(write("Печь 1_26_12_09_10.dbf",
                      {"10:00:20", "09:00:30", "09:00:35", "10:00:25", "10:00:30"}, 4));
        QVERIFY(write("Печь 1_26_12_09_11.dbf", {"11:00:00", "11:00:05", "11:00:10"}, 10));
        QVERIFY(MarkDeleted(dir + "/Печь 1_26_12_09_10.dbf", 3));
        QVERIFY(MarkDeleted(dir + "/Печь 1_26_12_09_11.dbf", 1));

        ArchiveIndex index(dir);
        index.refresh();
        const QVector<ArchiveTableEntry> tables = index.tablesOf(Oven);
        QCOMPARE(tables.size(), 3);
        const ArchiveTableEntry &setBack = tables.at(1);
        QCOMPARE(setBack.records, 4);
        QCOMPARE(setBack.deleted, 1);
        QVERIFY(!setBack.ordered);
        QCOMPARE(setBack.first, Wall(day + "10:00:20"));
        QCOMPARE(setBack.earliest, Wall(day + "09:00:30"));
        QCOMPARE(setBack.latest, Wall(day + "10:00:30"));
        QCOMPARE(tables.at(2).records, 2);

        const HistoryRange range = RangeOfTables(tables, Wall(from), Wall(to));
        QCOMPARE(range.records, records.size());
        QBuffer csv;
        QVERIFY(csv.open(QIODevice::WriteOnly));
        QCOMPARE(WriteCsv(range, CsvForm::Machine, csv), records.size());
        QStringList exported;
        for (const QByteArray &line : csv.data().split('\n').mid(1, records.size())) {
            const QList<QByteArray> fields = line.split(',');
            exported.append(fields.at(1) + ' ' + fields.at(2));
        }
        QCOMPARE(exported, records);

        HistorySeries series;
        QVERIFY(LoadSeries(range, &series));
        QCOMPARE(series.size(), records.size());
        for (int i = 0; i < series.size(); ++i)
            QCOMPARE(WallText(series.moment(i)).mid(11), records.at(i).section(' ', 0, 0));
    }

    // However the window is zoomed, every column keeps its lowest and highest measurement
    // and its marks, and nothing outside the window but its two neighbours is drawn.
    void decimationKeepsExtremes_data()
    {
        QTest::addColumn<int>("columns");
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::newRow("whole range, narrow") << 50 << 0.0 << 300000.0;
        QTest::newRow("whole range, wide") << 1000 << 0.0 << 300000.0;
        QTest::newRow("zoomed in") << 200 << 123456.0 << 140000.0;
        QTest::newRow("few records: all of them") << 500 << 1000.0 << 3000.0;
    }

    void decimationKeepsExtremes()
    {
        QFETCH(int, columns);
        QFETCH(double, from);
        QFETCH(double, to);
        HistorySeries series;
        QRandomGenerator random(7);
        for (int i = 0; i < 100000; ++i) {
            series.offsets.append(3 * i);
            const bool mark = i % 5000 >= 4990; // runs of ten marks
            series.values.append(mark ? 200000.0f : float(random.bounded(1000)) - 500.0f);
        }
        series.values[31234] = 900.0f; // lone spikes
        series.values[31240] = -900.0f;

        const QVector<int> chosen = DecimatedRecords(series, from, to, columns);
        QVERIFY(std::is_sorted(chosen.cbegin(), chosen.cend()));
        QVERIFY(std::adjacent_find(chosen.cbegin(), chosen.cend()) == chosen.cend());
        const int first = series.lowerBound(from);
        const int end = series.upperBound(to);
        QVERIFY(chosen.constFirst() >= first - 1 && chosen.constLast() <= end);
        if (end - first < 4 * columns)
            QCOMPARE(chosen.size(), qMin(end + 1, series.size()) - qMax(first - 1, 0));
        QVERIFY(chosen.size() <= 6 * (columns + 2));

        const double width = (to - from) / columns;
        for (int c = 0; c < columns; ++c) {
            const int cFirst = series.lowerBound(from + c * width);
            const int cEnd = series.lowerBound(from + (c + 1) * width);
            const ValueSpan span = MeasurementSpan(series, cFirst, cEnd);
            bool low = span.empty, high = span.empty, marked = true;
            for (int i = cFirst; i < cEnd; ++i)
                marked = marked && !series.isMark(i);
            for (int i : chosen) {
                if (i < cFirst || i >= cEnd)
                    continue;
                low = low || (!series.isMark(i) && series.values.at(i) == span.min);
                high = high || (!series.isMark(i) && series.values.at(i) == span.max);
                marked = marked || series.isMark(i);
            }
            QVERIFY2(low && high && marked, qPrintable(QString::number(c)));
        }
    }

    void csvForms_data()
    {
        QTest::addColumn<CsvForm>("form");
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QString>("delimiter");
        QTest::addColumn<QStringList>("header");
        QTest::addColumn<QStringList>("values");
        QTest::newRow("spreadsheet")
            << CsvForm::Spreadsheet << "utf-8-sig"
            << ";"
            << QStringList{"Дата", "Время", "Значение", "Состояние", "Реле", "Шаг", "Нет связи"}
            << QStringList{"25,3", "-0,5", "200000", "100000", "1234,25"};
        QTest::newRow("machine") << CsvForm::Machine << "utf-8"
                                 << "," << QStringList{"date",   "time", "value", "status",
                                                       "relays", "step", "nolink"}
                                 << QStringList{"25.3", "-0.5", "200000", "100000", "1234.25"};
    }

    // Both forms read back by an independent reader: byte-order mark only in the
    // spreadsheet form, dates and times as the tables hold them, values as stored with
    // their marks, in time order across two periods.
    void csvForms()
    {
        QFETCH(CsvForm, form);
        QFETCH(QString, encoding);
        QFETCH(QString, delimiter);
        QFETCH(QStringList, header);
        QFETCH(QStringList, values);
        const QString dir = folder();
        QVERIFY(AppendRecords(
            dir + "/Печь 1_26_12_08_23.dbf",
            {PollAt(At("08.12.2026 23:59:57"), 25.3f), PollAt(At("09.12.2026 00:00:00"), -0.5f)}));
        QVERIFY(AppendRecords(dir + "/Печь 1_26_12_09_00.dbf",
                              {PollAt(At("09.12.2026 00:00:03"), 200000.0f, 1),
                               PollAt(At("09.12.2026 00:00:06"), 100000.0f),
                               PollAt(At("09.12.2026 00:00:09"), 1234.25f)}));
        ArchiveIndex index(dir);
        index.refresh();
        const HistoryRange range = RangeOfTables(index.tablesOf(Oven), Wall("01.01.2026 00:00:00"),
                                                 Wall("31.12.2026 23:59:59"));
        const QString path = dir + "/export.csv";
        QString error;
        QCOMPARE(ExportCsvFile(range, form, path, &error), 5);

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(3) == "\xEF\xBB\xBF", form == CsvForm::Spreadsheet);
        const QJsonArray rows = PythonCsvRows(path, encoding, delimiter);
        QCOMPARE(rows.size(), 6);
        QCOMPARE(rows.at(0).toVariant().toStringList(), header);
        const QStringList first = rows.at(1).toVariant().toStringList();
        QCOMPARE(first, QStringList({"08.12.2026", "23:59:57", values.at(0), "3", "9", "2", "0"}));
        for (int i = 0; i < values.size(); ++i)
            QCOMPARE(rows.at(i + 1).toArray().at(2).toString(), values.at(i));
        QCOMPARE(rows.at(3).toArray().at(6).toString(), QStringLiteral("1"));
        QCOMPARE(rows.at(5).toArray().at(1).toString(), QStringLiteral("00:00:09"));
    }

    // The command-line client over a station folder: the table list and the export, as a
    // shell user of a Russian desktop sees them, over tables whose dates other locales
    // (and an instrument) wrote, a table with a date nobody can read and the tables of a long
    // device name.
    void commandLine()
    {
        writeOvenPeriods();
        const QString longName = QStringLiteral("Печь ") + QString(150, QChar(0x0416));
        QFile ini(folder() + "/Zeltar.ini");
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(QStringLiteral("[MAIN]\nPathArh=%1\nCountUstr=3\n[ZELTAR1]\nPribName=Котёл\n"
                                 "[ZELTAR2]\nPribName=Печь 1\n[ZELTAR3]\nPribName=%2\n")
                      .arg(folder(), longName)
                      .toUtf8());
        ini.close();
        // Written under the C locale of a service and an English desktop.
        ArchiveRecord c = PollAt(At("09.12.2026 07:00:05"), 1.5f);
        c.data = QStringLiteral("9 Dec 2026");
        ArchiveRecord english = PollAt(At("09.12.2026 07:00:10"), 2.5f);
        english.data = QStringLiteral("12/9/26");
        english.time = QStringLiteral("7:00:10 AM");
        ArchiveRecord instrument = PollAt(At("09.12.2026 07:00:15"), 3.0f);
        instrument.data = QStringLiteral("09.12.26"); // an instrument's archive read out
        QVERIFY(AppendRecords(folder() + "/Котёл_26_12_09_07.dbf", {c, english, instrument}));
        ArchiveRecord broken = PollAt(At("09.12.2026 08:00:00"), 3.5f);
        broken.data = QStringLiteral("31.02.2026");
        QVERIFY(AppendRecords(folder() + "/Котёл_26_12_09_08.dbf", {broken}));
        const QString longTable = ArchiveTablePath(folder(), longName, "26_12_09_12");
        QVERIFY(QFileInfo(longTable).fileName().toUtf8().size() <= MaxTableNameBytes);
        QVERIFY(AppendRecords(longTable, {PollAt(At("09.12.2026 12:00:01"), 4.5f)}));

        auto run = [&](const QStringList &args) {
            QProcess ctl;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("LC_ALL", "ru_RU.UTF-8");
            ctl.setProcessEnvironment(env);
            ctl.start(QStringLiteral(ZELTARCTL_PATH), QStringList{"--dir", folder()} + args);
            ctl.waitForFinished(20000);
            return qMakePair(ctl.exitCode(), QString::fromUtf8(ctl.readAllStandardOutput() +
                                                               ctl.readAllStandardError()));
        };

        auto [code, out] = run({"tables", "--device", "2"});
        QCOMPARE(code, 0);
        QStringList lines = out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines.at(1), QStringLiteral("Печь 1_26_12_09_08.dbf\t60\t09.12.2026 08:00:00\t"
                                             "09.12.2026 08:59:00"));
        QCOMPARE(run({"tables", "--device", "1"}).second,
                 QStringLiteral("Котёл_26_12_09_07.dbf\t3\t09.12.2026 07:00:05\t09.12.2026 "
                                "07:00:15\nКотёл_26_12_09_08.dbf\t1\t\t\n"));
        QCOMPARE(run({"tables", "--device", "3"}).second.count('\n'), 1);

        std::tie(code, out) = run({"--device", "2", "export", "--from", "09.12.2026 08:59:00",
                                   "--to", "09.12.2026 10:00:00"});
        QCOMPARE(code, 0);
        QCOMPARE(out, QStringLiteral("date,time,value,status,relays,step,nolink\r\n"
                                     "09.12.2026,08:59:00,25.9,3,9,2,0\r\n"
                                     "09.12.2026,10:00:00,20,3,4,2,0\r\n"));
        const QString output = folder() + "/all.csv";
        QCOMPARE(run({"--device", "2", "export", "--output", output}).first, 0);
        QCOMPARE(PythonCsvRows(output, "utf-8", ",").size(), 181);
        QCOMPARE(run({"--device", "2", "export", "--from", "9.12.2026"}).first, 3);
        QCOMPARE(run({"--device", "4", "export"}).first, 3);

        // The other locales' records are exported; the one that cannot be read is said so.
        std::tie(code, out) = run({"--device", "1", "export", "--to", "09.12.2026 07:30:00"});
        QCOMPARE(code, 0);
        QCOMPARE(out.count("\r\n"), 4);
        std::tie(code, out) = run({"--device", "1", "export"});
        QCOMPARE(code, 1);
        QVERIFY2(out.contains("Котёл_26_12_09_08.dbf"), qPrintable(out));
        QCOMPARE(run({"--device", "3", "export"}).second.count("\r\n"), 2);
    }

    // The station writes its dates and times in one form whatever the locale it runs in.
    void recordTextsWhateverTheLocale()
    {
        const QDateTime moment = At("09.12.2026 07:05:09");
        for (const QLocale &locale :
             {QLocale::c(), QLocale(QLocale::English, QLocale::UnitedStates),
              QLocale(QLocale::Russian, QLocale::Russia)}) {
            QLocale::setDefault(locale);
            const ArchiveRecord record = ArchiveKeeper::PollRecord(DevicePollState(), moment);
            QCOMPARE(record.data, QStringLiteral("09.12.2026"));
            QCOMPARE(record.time, QStringLiteral("07:05:09"));
        }
    }
};

QTEST_GUILESS_MAIN(HistoryTest)
#include "test_history.moc"
