#include "instrument/factory_defaults.h"
#include "instrument/value_tables.h"

#include <QtTest>

using namespace zeltar;

class TestValueTables : public QObject
{
    Q_OBJECT

private slots:
    void rangeListsBelongToTheTypeIndex();
    void unitLettersAreAsPrinted();
    void factoryDefaults();
};

void TestValueTables::rangeListsBelongToTheTypeIndex()
{
    QCOMPARE(SensorTypeNames().size(), SensorTypeCount);
    const int sizes[SensorTypeCount] = {2, 3, 3, 11, 10, 4, 1, 11, 1, 9, 9, 4, 9, 4, 1, 1, 1};
    for (int type = 0; type < SensorTypeCount; ++type)
        QVERIFY2(SensorRanges(type).size() == sizes[type], qPrintable(QString::number(type)));
    QVERIFY(SensorRanges(-1).isEmpty());
    QVERIFY(SensorRanges(17).isEmpty());

    QCOMPARE(SensorTypeNames().at(8), QStringLiteral("Термопара J"));
    QCOMPARE(SensorRanges(8), QStringList{"(0...2200) C"});
    QCOMPARE(SensorRanges(6), QStringList{"(-100...1000) C"});
    QCOMPARE(SensorRanges(3), SensorRanges(7));
    QCOMPARE(SensorRanges(9), SensorRanges(12));
    QCOMPARE(SensorRanges(11), SensorRanges(13));
    QCOMPARE(SensorRanges(4).last(), QStringLiteral("(200...800) C"));
    QCOMPARE(SensorRanges(16), QStringList{"(900...2000) C"});
}

void TestValueTables::unitLettersAreAsPrinted()
{
    // "мА" is Cyrillic; the volt "B" and the Celsius "C" are Latin.
    QCOMPARE(SensorRanges(0).at(1), QStringLiteral("(4...20) м\u0410"));
    QCOMPARE(SensorRanges(1).at(0), QStringLiteral("(0...10) \u043CB"));
    QCOMPARE(SensorRanges(1).at(2), QStringLiteral("(0...1) B"));
    for (int type = 2; type < SensorTypeCount; ++type) {
        for (const QString &range : SensorRanges(type))
            QVERIFY2(range.endsWith(QLatin1String(") C")), qPrintable(range));
    }
    QCOMPARE(RegulationLawTexts().at(2), QStringLiteral("ПИД-S"));
}

void TestValueTables::factoryDefaults()
{
    InstrumentSettings s;
    s.PribName = "Сушка";
    s.PribVkl = 1;
    s.PribPort = 7;
    s.PribUst3 = 55;
    s.PribM = 0xFF;
    s.PribRegRele = 3;
    s.PribPoint = 4;
    s.Program[0] = {1, 2, 3.0f};
    s.Program[4].Hours = 255;
    ApplyFactoryDefaults(s);

    QCOMPARE(s.PribName, QStringLiteral("Сушка"));
    QCOMPARE(s.PribVkl, quint8(1));
    QCOMPARE(SensorTypeNames().at(s.PribType), QStringLiteral("Ток"));
    QCOMPARE(SensorRanges(s.PribType).at(s.PribDiap), QStringLiteral("(4...20) мА"));
    QCOMPARE(PortTexts().at(s.PribPort - 1), QStringLiteral("COM2"));
    QCOMPARE(BaudTexts().at(s.PribBaud), QStringLiteral("9600"));
    QCOMPARE(s.PribAdr, quint8(1));
    QCOMPARE(PeriodTexts().at(s.PribPeriod), QStringLiteral("8 ч"));
    QCOMPARE(s.PribPeriodArh, qint16(999));
    QCOMPARE(s.PribKp, 0.1f);
    QCOMPARE(s.PribKi, 0.005f);
    QCOMPARE(s.PribKd, 2.0f);
    QCOMPARE(s.PribPerZap, 4.0f);
    QCOMPARE(s.PribKo, 0.01f);
    QCOMPARE(s.PribM2, 1.0f);
    for (const float zero : {s.PribUst1, s.PribUst2, s.PribUst3, s.PribUst4, s.PribGist1,
                             s.PribGist2, s.PribGist3, s.PribGist4, s.PribPoprDat, s.PribPoprXC,
                             s.PribM1, s.PribRegZnac, s.PribTrZap, s.PribTimePer, s.PribDlitImp})
        QCOMPARE(zero, 0.0f);
    for (const quint8 flags :
         {s.PribM, s.PribSostRele, s.PribRegUpr, s.PribRegRele, s.PribZap, s.PribTypeReg})
        QCOMPARE(flags, quint8(0));
    QCOMPARE(s.PribPoint, quint8(0));
    QCOMPARE(s.Program[0].Hours, quint8(255));
    QCOMPARE(s.Program[0].Value, 0.0f);
}

QTEST_GUILESS_MAIN(TestValueTables)
#include "test_value_tables.moc"
