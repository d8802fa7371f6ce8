#include "acquisition/archive_layout.h"
#include "acquisition/archive_table.h"
#include "ui/archive_table_model.h"
#include "ui/chart_fill.h"
#include "ui/chart_settings.h"
#include "ui/current_view.h"

#include <QLocale>
#include <QTemporaryDir>
#include <QtTest>

#include "../history/history_tables.h"

using namespace zeltar;

namespace {

const QLocale PointLocale = QLocale::c();
const QLocale CommaLocale(QLocale::Russian, QLocale::Russia);

const QColor Red(Qt::red);
const QColor Black(Qt::black);

// One member of every point, in order.
template <typename T> QVector<T> Field(const QVector<ChartPoint> &points, T ChartPoint::*member)
{
    QVector<T> values;
    for (const ChartPoint &point : points)
        values.append(point.*member);
    return values;
}

QVector<double> Xs(const QVector<ChartPoint> &points)
{
    return Field(points, &ChartPoint::x);
}

QVector<double> Ys(const QVector<ChartPoint> &points)
{
    return Field(points, &ChartPoint::y);
}

QVector<QColor> Colors(const QVector<ChartPoint> &points)
{
    return Field(points, &ChartPoint::color);
}

QVector<double> Range(int first, int last)
{
    QVector<double> values;
    for (int i = first; i <= last; ++i)
        values.append(i);
    return values;
}

// Records with these values, timed by their number.
QVector<ChartRecord> Records(const QVector<double> &values)
{
    QVector<ChartRecord> records;
    for (int i = 0; i < values.size(); ++i)
        records.append({values.at(i), QStringLiteral("12:00:%1").arg(i, 2, 10, QLatin1Char('0'))});
    return records;
}

QVector<ChartPoint> PollingChart(const QVector<double> &values, int grafN, double grafMax = 500)
{
    const QVector<ChartRecord> records = Records(values);
    int reads = 0;
    const auto read = [&](int record) {
        ++reads;
        return records.at(record);
    };
    const QVector<ChartPoint> points = ArchiveChartPoints(records.size(), read, grafN, grafMax);
    // Only the records drawn are read.
    return reads == points.size() ? points : QVector<ChartPoint>();
}

InstrumentSettings Device()
{
    InstrumentSettings device;
    device.PribName = QStringLiteral("Печь 1");
    device.PribVkl = 1;
    device.PribUst1 = 100.0f;
    device.PribUst2 = 250.5f;
    device.PribUst3 = -12.25f;
    device.PribUst4 = 0.0f;
    return device;
}

DevicePollState Poll(float znac, quint8 rele, quint8 step = 2, quint8 noLink = 0)
{
    DevicePollState poll;
    poll.PribZnac = znac;
    poll.PribRele = rele;
    poll.PribNomReg = step;
    poll.PribNoLink = noLink;
    return poll;
}

using Reds = std::array<bool, 4>;

} // namespace

class TestViewRules : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(PointLocale); }

    void chartTakesNewestRecordsOldestFirst();
    void chartDrawsMarksAtUpperValueAndTheRecordAfterInBlack();
    void chartReadsOpenTable();
    void downloadedChartKeepsValuesAndColoursAroundMarks();
    void downloadedRangeSkipsFirstRecordAndMarks();

    void workingDeviceShowsValueAndActiveSetpoints();
    void sensorBreakIsExactlyHundredThousand();
    void silentOrStoppedDeviceShowsNoValues();

    void chartSettingsChecksInOrder_data();
    void chartSettingsChecksInOrder();
    void chartSettingsTakeEitherSeparator();
    void generalNumberText();
};

void TestViewRules::chartTakesNewestRecordsOldestFirst()
{
    QVector<ChartPoint> points = PollingChart(Range(1, 60), 50);
    QCOMPARE(Xs(points), Range(11, 60));
    QCOMPARE(Ys(points), Range(11, 60));
    QCOMPARE(points.first().label, QStringLiteral("12:00:10"));
    QCOMPARE(points.last().label, QStringLiteral("12:00:59"));

    QCOMPARE(Xs(PollingChart(Range(1, 30), 50)), Range(1, 30));
    QCOMPARE(Xs(PollingChart(Range(1, 50), 50)), Range(1, 50));
    QCOMPARE(Xs(PollingChart(Range(1, 51), 50)), Range(2, 51));
    QCOMPARE(Xs(PollingChart(Range(1, 10), 5)), Range(6, 10));
    QVERIFY(PollingChart({}, 50).isEmpty());
}

void TestViewRules::chartDrawsMarksAtUpperValueAndTheRecordAfterInBlack()
{
    // Fewer records than points drawn.
    QVector<ChartPoint> points = PollingChart({10, 100000, 20, 30}, 50, 750);
    QCOMPARE(Ys(points), (QVector<double>{10, 750, 20, 30}));
    QCOMPARE(Colors(points), (QVector<QColor>{Red, Black, Black, Red}));

    // A run of marks, and one at the end; the run state starts clear at every fill.
    points = PollingChart({200000, 200000, 5, 6, 100500, 7, 99999.5}, 50);
    QCOMPARE(Ys(points), (QVector<double>{500, 500, 5, 6, 500, 7, 500}));
    QCOMPARE(Colors(points), (QVector<QColor>{Black, Black, Black, Red, Black, Black, Black}));
    points = PollingChart({1, 2}, 50);
    QCOMPARE(Colors(points), (QVector<QColor>{Red, Red}));

    // A mark just before the newest records taken does not colour the first of them.
    points = PollingChart({200000, 1, 2}, 2);
    QCOMPARE(Colors(points), (QVector<QColor>{Red, Red}));
}

void TestViewRules::chartReadsOpenTable()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("A_09_07_03_07.dbf");
    QVERIFY(ArchiveTable::create(path, ArchiveLayout()));
    ArchiveTable writer;
    QVERIFY(writer.open(path, ArchiveTable::Mode::Append));
    writer.setSyncOnAppend(false);
    const auto append = [&](int i, float value) {
        ArchiveRecord record;
        record.time = QStringLiteral("07:40:%1").arg(i, 2, 10, QLatin1Char('0'));
        record.znac = value;
        return writer.appendRecord(record);
    };
    const QVector<float> values = {10, 100000, 20, 30, 40, 50};
    for (int i = 0; i < values.size(); ++i)
        QVERIFY(append(i, values.at(i)));

    ArchiveTableModel model;
    QVERIFY(model.setTable(path));
    QVector<ChartPoint> points = ArchiveChartPoints(model, 5, 300);
    QCOMPARE(Xs(points), Range(2, 6));
    QCOMPARE(Ys(points), (QVector<double>{300, 20, 30, 40, 50}));
    QCOMPARE(Colors(points), (QVector<QColor>{Black, Black, Red, Red, Red}));
    QCOMPARE(points.at(0).label, QStringLiteral("07:40:01"));
    QCOMPARE(points.at(4).label, QStringLiteral("07:40:05"));

    // A record that another dBase program marked deleted is on neither the grid nor the
    // chart, when the table is opened and when records come in after it.
    QVERIFY(MarkDeleted(path, 3));
    QVERIFY(model.setTable(path));
    QCOMPARE(model.recordCount(), 5);
    QCOMPARE(model.index(3, 2).data().toString(), QStringLiteral("40"));
    points = ArchiveChartPoints(model, 5, 300);
    QCOMPARE(Ys(points), (QVector<double>{10, 300, 20, 40, 50}));
    QCOMPARE(points.at(3).label, QStringLiteral("07:40:04"));
    QVERIFY(append(6, 60) && append(7, 70));
    QVERIFY(MarkDeleted(path, 6));
    QCOMPARE(model.refresh(), 6);
    QCOMPARE(model.index(5, 2).data().toString(), QStringLiteral("70"));
    QCOMPARE(Ys(ArchiveChartPoints(model, 2, 300)), (QVector<double>{50, 70}));
}

void TestViewRules::downloadedChartKeepsValuesAndColoursAroundMarks()
{
    const QVector<ChartPoint> points = DownloadedChartPoints(Records({200000, 5, 6, 100000, 7, 8}));
    QCOMPARE(Xs(points), Range(1, 6));
    QCOMPARE(Ys(points), (QVector<double>{200000, 5, 6, 100000, 7, 8}));
    QCOMPARE(Colors(points), (QVector<QColor>{Black, Black, Red, Black, Black, Red}));
    QCOMPARE(points.at(2).label, QStringLiteral("12:00:02"));
    QVERIFY(DownloadedChartPoints({}).isEmpty());
}

void TestViewRules::downloadedRangeSkipsFirstRecordAndMarks()
{
    // A single widened exactly keeps its digits in the range.
    const double single = double(25.3f);
    DownloadedRange range =
        DownloadedChartRange(Records({-1000, single, 200000, -4.5, 99999.9}), true);
    QCOMPARE(range.lowest, -4.5);
    QCOMPARE(range.highest, 99999.9);
    QCOMPARE(range.axis().min, -4.5);

    range = DownloadedChartRange(Records({12, single}), true);
    QCOMPARE(range.lowest, single);
    QCOMPARE(range.highest, single);

    // The undated first record was left out of the download: nothing else is skipped.
    range = DownloadedChartRange(Records({2, 3}), false);
    QCOMPARE(range.lowest, 2.0);
    QCOMPARE(range.highest, 3.0);

    // Nothing but the first record and marks: the start values, swapped for the axis.
    range = DownloadedChartRange(Records({12, 100000, 200000}), true);
    QCOMPARE(range.lowest, 500000.0);
    QCOMPARE(range.highest, -500000.0);
    QCOMPARE(range.axis().min, -500000.0);
    QCOMPARE(range.axis().max, 500000.0);
}

void TestViewRules::workingDeviceShowsValueAndActiveSetpoints()
{
    QLocale::setDefault(CommaLocale);
    const CurrentView view = CurrentViewOf(Device(), Poll(23.45f, 10), true);
    QCOMPARE(view.stPribName, QStringLiteral("Печь 1"));
    QCOMPARE(view.stVkl, QStringLiteral("Состояние: Прибор работает"));
    QVERIFY(!view.vklRed);
    QCOMPARE(view.stPribZnac, QStringLiteral("23,45"));
    QVERIFY(!view.znacRed);
    QCOMPARE(view.stPribNomReg, QStringLiteral("2"));
    QCOMPARE(view.stUst, (std::array<QString, 4>{"100", "250,5", "-12,25", "0"}));
    QCOMPARE(view.ustRed, (Reds{true, false, true, false}));

    QCOMPARE(CurrentViewOf(Device(), Poll(1, 1), true).ustRed, (Reds{false, false, false, true}));
}

void TestViewRules::sensorBreakIsExactlyHundredThousand()
{
    CurrentView view = CurrentViewOf(Device(), Poll(100000.0f, 15), true);
    QCOMPARE(view.stPribZnac, QStringLiteral("Обрыв"));
    QVERIFY(view.znacRed);
    QCOMPARE(view.ustRed, (Reds{}));
    QCOMPARE(view.stVkl, QStringLiteral("Состояние: Прибор работает"));

    // The nearest singles on either side are numbers, with their setpoints.
    view = CurrentViewOf(Device(), Poll(std::nextafter(100000.0f, 200000.0f), 8), true);
    QCOMPARE(view.stPribZnac, QStringLiteral("100000.0078"));
    QVERIFY(!view.znacRed);
    QCOMPARE(view.ustRed, (Reds{true, false, false, false}));
    view = CurrentViewOf(Device(), Poll(std::nextafter(100000.0f, 0.0f), 0), true);
    QVERIFY(!view.znacRed);
}

void TestViewRules::silentOrStoppedDeviceShowsNoValues()
{
    CurrentView view = CurrentViewOf(Device(), Poll(200000.0f, 15, 3, 1), true);
    QCOMPARE(view.stVkl, QStringLiteral("Состояние: Нет связи"));
    QVERIFY(view.vklRed);
    QCOMPARE(view.stPribZnac, QStringLiteral("----"));
    QCOMPARE(view.stPribNomReg, QStringLiteral("----"));
    QVERIFY(!view.znacRed);
    QCOMPARE(view.ustRed, (Reds{}));
    QCOMPARE(view.stUst.at(1), QStringLiteral("250.5"));

    // Polling off or the device not enabled: whatever the last poll left.
    InstrumentSettings disabled = Device();
    disabled.PribVkl = 0;
    const QVector<CurrentView> stopped = {
        CurrentViewOf(Device(), Poll(23.45f, 10), false),
        CurrentViewOf(Device(), Poll(100000.0f, 0, 2, 1), false),
        CurrentViewOf(disabled, Poll(23.45f, 10), true),
    };
    for (const CurrentView &off : stopped) {
        QCOMPARE(off.stVkl, QStringLiteral("Состояние: Прибор отключен"));
        QCOMPARE(off.stPribZnac, QStringLiteral("----"));
        QCOMPARE(off.stPribNomReg, QStringLiteral("----"));
        QVERIFY(!off.vklRed && !off.znacRed);
        QCOMPARE(off.ustRed, (Reds{}));
        QCOMPARE(off.stPribName, QStringLiteral("Печь 1"));
        QCOMPARE(off.stUst.at(0), QStringLiteral("100"));
    }
}

void TestViewRules::chartSettingsChecksInOrder_data()
{
    QTest::addColumn<QString>("points");
    QTest::addColumn<QString>("maximum");
    QTest::addColumn<QString>("minimum");
    QTest::addColumn<QString>("message");

    const QString count = QStringLiteral("Неверное количество точек");
    const QString range = QStringLiteral("Число точек должно быть в диапазоне от 5 до 500");
    const QString max = QStringLiteral("Неверное максимальное значение");
    const QString min = QStringLiteral("Неверное минимальное значение");
    const QString order = QStringLiteral("Максимальное значение должно быть больше минимального");
    QTest::newRow("text as count") << "abc"
                                   << "x"
                                   << "x" << count;
    QTest::newRow("fraction as count") << "5.5"
                                       << "500"
                                       << "0" << count;
    QTest::newRow("empty count") << ""
                                 << "500"
                                 << "0" << count;
    QTest::newRow("count beyond 32 bits") << "4294967301"
                                          << "500"
                                          << "0" << count;
    QTest::newRow("4") << "4"
                       << "x"
                       << "x" << range;
    QTest::newRow("501") << "501"
                         << "500"
                         << "0" << range;
    QTest::newRow("-5") << "-5"
                        << "500"
                        << "0" << range;
    QTest::newRow("bad maximum") << "50"
                                 << "abc"
                                 << "x" << max;
    QTest::newRow("empty maximum") << "50"
                                   << ""
                                   << "0" << max;
    QTest::newRow("bad minimum") << "50"
                                 << "500"
                                 << "1,2,3" << min;
    QTest::newRow("min equals max") << "50"
                                    << "2,5"
                                    << "2.5" << order;
    QTest::newRow("min above max") << "50"
                                   << "0"
                                   << "500" << order;
    QTest::newRow("5") << "5"
                       << "500"
                       << "0" << QString();
    QTest::newRow("500") << "500"
                         << "500"
                         << "0" << QString();
}

void TestViewRules::chartSettingsChecksInOrder()
{
    QFETCH(QString, points);
    QFETCH(QString, maximum);
    QFETCH(QString, minimum);
    QFETCH(QString, message);
    const ChartSettingsCheck check = CheckChartSettings(points, maximum, minimum);
    QCOMPARE(check.message, message);
    QCOMPARE(check.accepted, message.isEmpty());
    if (check.accepted)
        QCOMPARE(check.settings.GrafN, points.toInt());
}

void TestViewRules::chartSettingsTakeEitherSeparator()
{
    for (const QLocale &locale : {PointLocale, CommaLocale}) {
        QLocale::setDefault(locale);
        const ChartSettingsCheck check = CheckChartSettings("120", "2.5", "1,5");
        QVERIFY2(check.accepted, qPrintable(locale.name() + ": " + check.message));
        QCOMPARE(check.settings.GrafN, 120);
        QCOMPARE(check.settings.GrafMax, 2.5);
        QCOMPARE(check.settings.GrafMin, 1.5);
    }
}

void TestViewRules::generalNumberText()
{
    QCOMPARE(GeneralNumberText(500.0), QStringLiteral("500"));
    QCOMPARE(GeneralNumberText(0.0), QStringLiteral("0"));
    QCOMPARE(GeneralNumberText(-500000.0), QStringLiteral("-500000"));
    QCOMPARE(GeneralNumberText(1234567.0), QStringLiteral("1234567"));
    QCOMPARE(GeneralNumberText(double(25.3f)), QStringLiteral("25.2999992370605"));
    QLocale::setDefault(CommaLocale);
    QCOMPARE(GeneralNumberText(double(25.3f)), QStringLiteral("25,2999992370605"));
    QCOMPARE(GeneralNumberText(-0.125), QStringLiteral("-0,125"));
    // What the fields show is taken back by the checks unchanged.
    const ChartSettingsCheck check =
        CheckChartSettings("50", GeneralNumberText(1234567.125), GeneralNumberText(-0.001));
    QVERIFY(check.accepted);
    QCOMPARE(check.settings.GrafMax, 1234567.125);
    QCOMPARE(check.settings.GrafMin, -0.001);
}

QTEST_MAIN(TestViewRules)
#include "test_view_rules.moc"
