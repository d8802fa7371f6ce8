// Editing a regulation program in the record: adding and deleting steps around the
// selected row, the step editor's checks, and the grid and chart texts.
#include "instrument/regulation_program.h"

#include <QtTest>

using namespace zeltar;

namespace {

struct Step
{
    int hours;
    int minutes;
    float value;
};

InstrumentSettings withSteps(std::initializer_list<Step> steps)
{
    InstrumentSettings settings;
    int i = 0;
    for (const Step &s : steps)
        settings.Program.at(size_t(i++)) = ProgramStep{quint8(s.hours), quint8(s.minutes), s.value};
    settings.PribPoint = quint8(i);
    settings.Program.at(size_t(i)) = ProgramStep{ProgramEndHours, ProgramEndHours, 0.0f};
    return settings;
}

// "01:00/50 01:00/0 02:00/100", the steps of a program as the grid reads them.
QString listing(InstrumentSettings settings)
{
    QStringList steps;
    for (const ProgramGridRow &row : RegulationProgram(const_cast<InstrumentSettings &>(settings))
                                         .gridRows(ProgramValueFormat::Fixed))
        steps << row.time + QLatin1Char('/') + row.value;
    return steps.join(QLatin1Char(' '));
}

} // namespace

Q_DECLARE_METATYPE(zeltar::InstrumentSettings)

class TestRegulationProgram : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English)); }
    void cleanup() { QLocale::setDefault(QLocale(QLocale::English)); }

    void addPlacesTheStepAfterTheSelectedRow_data();
    void addPlacesTheStepAfterTheSelectedRow();
    void addToAFullProgramIsRefused();
    void deleteMovesTheLaterStepsUp();
    void editorChecksInOrderAndStoresOnlyWhenAllPass_data();
    void editorChecksInOrderAndStoresOnlyWhenAllPass();
    void editorTexts();
    void gridValueFormats();
    void chartRunsAlongTheTimeAxis();
};

void TestRegulationProgram::addPlacesTheStepAfterTheSelectedRow_data()
{
    QTest::addColumn<InstrumentSettings>("settings");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("expected");
    const InstrumentSettings two = withSteps({{1, 0, 50}, {2, 0, 100}});
    QTest::newRow("empty program") << withSteps({}) << 1 << "00:00/0";
    QTest::newRow("nothing selected") << two << 0 << "01:00/50 02:00/100";
    QTest::newRow("first row") << two << 1 << "01:00/50 01:00/0 02:00/100";
    QTest::newRow("last row appends") << two << 2 << "01:00/50 02:00/100 02:00/0";
    QTest::newRow("row past the steps appends") << two << 5 << "01:00/50 02:00/100 02:00/0";
}

void TestRegulationProgram::addPlacesTheStepAfterTheSelectedRow()
{
    QFETCH(InstrumentSettings, settings);
    QFETCH(int, row);
    QFETCH(QString, expected);
    QCOMPARE(RegulationProgram(settings).addStep(row), QString());
    QCOMPARE(listing(settings), expected);
    QCOMPARE(int(settings.PribPoint), expected.count(QLatin1Char('/')));
}

void TestRegulationProgram::addToAFullProgramIsRefused()
{
    InstrumentSettings settings;
    for (int i = 0; i < MaxProgramSteps; ++i)
        settings.Program.at(size_t(i)) = ProgramStep{quint8(i), 0, float(i)};
    settings.PribPoint = MaxProgramSteps;
    const QString before = listing(settings);

    QCOMPARE(RegulationProgram(settings).addStep(3), ProgramFullMessage);
    QCOMPARE(int(settings.PribPoint), MaxProgramSteps);
    QCOMPARE(listing(settings), before);

    // One short of full: the 30th step still goes in, and the end marker's place remains.
    settings.PribPoint = MaxProgramSteps - 1;
    QCOMPARE(RegulationProgram(settings).addStep(MaxProgramSteps - 1), QString());
    QCOMPARE(int(settings.PribPoint), MaxProgramSteps);
}

void TestRegulationProgram::deleteMovesTheLaterStepsUp()
{
    InstrumentSettings settings = withSteps({{1, 0, 50}, {1, 30, 80}, {2, 0, 100}});
    RegulationProgram program(settings);
    QVERIFY(!program.deleteStep(0));
    QVERIFY(!program.deleteStep(4));
    QCOMPARE(listing(settings), QStringLiteral("01:00/50 01:30/80 02:00/100"));

    QVERIFY(program.deleteStep(2));
    QCOMPARE(listing(settings), QStringLiteral("01:00/50 02:00/100"));
    // The end marker moved up behind the last step.
    QCOMPARE(int(settings.Program.at(2).Hours), ProgramEndHours);

    QVERIFY(program.deleteStep(2));
    QVERIFY(program.deleteStep(1));
    QCOMPARE(program.stepCount(), 0);
    QCOMPARE(program.gridRows(ProgramValueFormat::General).size(), 1);
    QCOMPARE(program.gridRows(ProgramValueFormat::General).first().time, QString());
    QVERIFY(program.chartPoints().isEmpty());
    QVERIFY(!program.deleteStep(1));
}

void TestRegulationProgram::editorChecksInOrderAndStoresOnlyWhenAllPass_data()
{
    QTest::addColumn<QString>("time");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("stored"); // the step afterwards

    QTest::newRow("comma") << "12:30"
                           << "12,5" << QString() << "12:30/12.5";
    QTest::newRow("point") << "12:30"
                           << "12.5" << QString() << "12:30/12.5";
    QTest::newRow("blanks before the digits") << " 5: 7"
                                              << "-3" << QString() << "05:07/-3";
    QTest::newRow("hours up to 99") << "99:59"
                                    << "0" << QString() << "99:59/0";
    QTest::newRow("three places of hours") << "123:05"
                                           << "7" << QString() << "123:05/7";
    QTest::newRow("the end marker's hours") << "255:00"
                                            << "7" << StepHourMessage << "01:00/50";
    QTest::newRow("minutes out of range") << "12:75"
                                          << "12,5" << StepMinuteRangeMessage << "01:00/50";
    QTest::newRow("hour not digits") << "ab:30"
                                     << "x" << StepHourMessage << "01:00/50";
    QTest::newRow("hour empty") << "  :30"
                                << "1" << StepHourMessage << "01:00/50";
    QTest::newRow("hour with a sign") << "-1:30"
                                      << "1" << StepHourMessage << "01:00/50";
    QTest::newRow("minute blank after digit") << "12:3 "
                                              << "1" << StepMinuteMessage << "01:00/50";
    QTest::newRow("minute before value") << "12:x0"
                                         << "x" << StepMinuteMessage << "01:00/50";
    QTest::newRow("value not a number") << "12:30"
                                        << "12,5,0" << StepValueMessage << "01:00/50";
    QTest::newRow("value beyond a single") << "12:30"
                                           << "1e99" << StepValueMessage << "01:00/50";
}

void TestRegulationProgram::editorChecksInOrderAndStoresOnlyWhenAllPass()
{
    QFETCH(QString, time);
    QFETCH(QString, value);
    QFETCH(QString, message);
    QFETCH(QString, stored);
    InstrumentSettings settings = withSteps({{0, 0, 10}, {1, 0, 50}, {2, 0, 100}});
    QCOMPARE(RegulationProgram(settings).applyEdit(2, time, value), message);
    QCOMPARE(listing(settings), QStringLiteral("00:00/10 %1 02:00/100").arg(stored));
}

void TestRegulationProgram::editorTexts()
{
    QLocale::setDefault(QLocale(QLocale::Russian));
    InstrumentSettings settings = withSteps({{1, 0, 50}, {3, 5, 0.1f}});
    const StepEditorTexts texts = RegulationProgram(settings).editorTexts(2);
    QCOMPARE(texts.caption, QStringLiteral("Настройка шага 2 программы регулирования"));
    QCOMPARE(texts.time, QStringLiteral("03:05"));
    QCOMPARE(texts.value, QStringLiteral("0,1"));
    QCOMPARE(RegulationProgram(settings).editorTexts(3).caption, QString());

    // What the editor shows goes back unchanged through its OK.
    QCOMPARE(RegulationProgram(settings).applyEdit(2, texts.time, texts.value), QString());
    QCOMPARE(settings.Program.at(1).Value, 0.1f);
}

void TestRegulationProgram::gridValueFormats()
{
    QLocale::setDefault(QLocale(QLocale::Russian));
    InstrumentSettings settings = withSteps(
        {{0, 0, 0.1f}, {1, 0, 12.5f}, {123, 5, 123456.5f}, {124, 0, 25.3f}, {125, 0, 1.0f / 3}});
    RegulationProgram program(settings);

    const QVector<ProgramGridRow> fixed = program.gridRows(ProgramValueFormat::Fixed);
    QCOMPARE(fixed.size(), 5);
    QCOMPARE(fixed.at(0).number, QStringLiteral("1"));
    QCOMPARE(fixed.at(0).value, QStringLiteral("0,1"));
    QCOMPARE(fixed.at(1).value, QStringLiteral("12,5"));
    QCOMPARE(fixed.at(2).value, QStringLiteral("123456,5"));
    QCOMPARE(fixed.at(2).number, QStringLiteral("3"));
    QCOMPARE(fixed.at(2).time, QStringLiteral("123:05"));

    const QVector<ProgramGridRow> general = program.gridRows(ProgramValueFormat::General);
    // The fewest digits that give the same single back, as many as it takes.
    QCOMPARE(general.at(0).value, QStringLiteral("0,1"));
    QCOMPARE(general.at(1).value, QStringLiteral("12,5"));
    QCOMPARE(general.at(2).value, QStringLiteral("123456,5")); // no group separator
    QCOMPARE(general.at(3).value, QStringLiteral("25,3"));
    QCOMPARE(general.at(4).value, QStringLiteral("0,33333334"));
}

void TestRegulationProgram::chartRunsAlongTheTimeAxis()
{
    InstrumentSettings settings = withSteps({{2, 30, 80}, {1, 0, 50}, {2, 30, 90}, {0, 15, 5}});
    RegulationProgram program(settings);
    const QVector<ProgramChartPoint> points = program.chartPoints();
    QCOMPARE(points.size(), 4);
    QCOMPARE(points.at(0).x, 15.0);
    QCOMPARE(points.at(1).label, QStringLiteral("01:00"));
    // Steps of equal time keep their order.
    QCOMPARE(points.at(2).x, 150.0);
    QCOMPARE(points.at(2).y, 80.0);
    QCOMPARE(points.at(2).label, QStringLiteral("02:30"));
    QCOMPARE(points.at(3).y, 90.0);
    // The grid keeps the steps in the order they are sent.
    QCOMPARE(listing(settings), QStringLiteral("02:30/80 01:00/50 02:30/90 00:15/5"));
}

QTEST_GUILESS_MAIN(TestRegulationProgram)
#include "test_regulation_program.moc"
