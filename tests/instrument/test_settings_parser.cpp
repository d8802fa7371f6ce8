#include "instrument/factory_defaults.h"
#include "instrument/settings_parser.h"
#include "instrument/value_tables.h"

#include <QLocale>
#include <QtTest>

using namespace zeltar;

namespace {

constexpr int Closed = 0;
constexpr int Open = 1;
constexpr int Above = 0;
constexpr int Below = 1;

// Entries of a valid page: every number field holds a number.
SettingsEntries ValidEntries()
{
    return EntriesFromSettings(FactoryDefaults());
}

} // namespace

class TestSettingsParser : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia)); }
    void cleanupTestCase() { QLocale::setDefault(QLocale::c()); }

    void firstFailedCheckWins_data();
    void firstFailedCheckWins();
    void bothSeparatorsAccepted_data();
    void bothSeparatorsAccepted();
    void rangeBoundsAccepted_data();
    void rangeBoundsAccepted();
    void selectionsAndPositions();
    void flagBytes();
    void relayContactRule_data();
    void relayContactRule();
    void failureLeavesStagingAlone();
    void entriesShowTheRecord();
};

void TestSettingsParser::firstFailedCheckWins_data()
{
    QTest::addColumn<QStringList>("broken"); // names of fields holding "x"
    QTest::addColumn<QString>("message");

    QTest::newRow("setpoint 1") << QStringList{"ust1"} << "Неверное значение уставки 1";
    QTest::newRow("setpoint 2 before Kp")
        << QStringList{"kp", "ust2"} << "Неверное значение уставки 2";
    QTest::newRow("setpoint 4 before zone 1")
        << QStringList{"gist1", "ust4"} << "Неверное значение уставки 4";
    QTest::newRow("zone 1") << QStringList{"gist1"}
                            << "Неверное значение зоны возврата 1ой уставки";
    QTest::newRow("zone 4") << QStringList{"gist4", "poprdat"}
                            << "Неверное значение зоны возврата 4ой уставки";
    QTest::newRow("sensor correction") << QStringList{"poprdat", "poprxc"}
                                       << "Неверное значение поправки к показаниям термодатчика";
    QTest::newRow("cold junction")
        << QStringList{"poprxc", "m1"}
        << "Неверное значение поправки к измерению температуры холодного спая";
    QTest::newRow("scale start") << QStringList{"m1", "m2"}
                                 << "Неверное значение начала диапазона масшабирования";
    QTest::newRow("scale end") << QStringList{"m2", "kp"}
                               << "Неверное значение конца диапазона масшабирования";
    QTest::newRow("Kp") << QStringList{"kp", "ki"} << "Неверное значение коэффициента Kп";
    QTest::newRow("Ki") << QStringList{"ki", "kd"} << "Неверное значение коэффициента Kи";
    QTest::newRow("Kd") << QStringList{"kd", "regznac"} << "Неверное значение коэффициента Kд";
    QTest::newRow("value") << QStringList{"regznac", "perzap"} << "Неверное значение регулирования";
    QTest::newRow("T0") << QStringList{"perzap", "ko"}
                        << "Неверное значение переходного запаздывания То";
    QTest::newRow("K0") << QStringList{"ko", "trzap"}
                        << "Неверное значение коэффициента эффективности Ко";
    QTest::newRow("Tz") << QStringList{"trzap", "timeper"}
                        << "Неверное значение коэффициента транспортного запаздывания Tz";
    QTest::newRow("Tiu") << QStringList{"timeper", "dlitimp"}
                         << "Неверное значение коэффициента Tиу/Yн";
    QTest::newRow("Tim") << QStringList{"dlitimp"} << "Неверное значение коэффициента Tим/Yн";
    QTest::newRow("two separators") << QStringList{"12,5,0"} << "Неверное значение уставки 1";
    QTest::newRow("empty setpoint") << QStringList{"empty"} << "Неверное значение уставки 1";
    QTest::newRow("out of range after a bad Kp")
        << QStringList{"kp", "ko-range"} << "Неверное значение коэффициента Kп";
    QTest::newRow("range before a later bad field")
        << QStringList{"ko-range", "dlitimp"}
        << "Значение коэффициента эффективности должно быть в диапазоне 0<Ко<1";
}

void TestSettingsParser::firstFailedCheckWins()
{
    QFETCH(QStringList, broken);
    QFETCH(QString, message);

    SettingsEntries e = ValidEntries();
    const QHash<QString, QString *> fields{
        {"ust1", &e.editPribUst[0]},     {"ust2", &e.editPribUst[1]},
        {"ust4", &e.editPribUst[3]},     {"gist1", &e.editPribGist[0]},
        {"gist4", &e.editPribGist[3]},   {"poprdat", &e.editPribPoprDat},
        {"poprxc", &e.editPribPoprXC},   {"m1", &e.editPribM1},
        {"m2", &e.editPribM2},           {"kp", &e.editPribKp},
        {"ki", &e.editPribKi},           {"kd", &e.editPribKd},
        {"regznac", &e.editPribRegZnac}, {"perzap", &e.editPribPerZap},
        {"ko", &e.editPribKo},           {"trzap", &e.editPribTrZap},
        {"timeper", &e.editPribTimePer}, {"dlitimp", &e.editPribDlitImp},
    };
    for (const QString &name : broken) {
        if (name == "12,5,0" || name == "empty")
            e.editPribUst[0] = name == "empty" ? QString() : name;
        else if (name == "ko-range")
            e.editPribKo = "2";
        else
            *fields.value(name) = "x";
    }
    InstrumentSettings staging;
    QCOMPARE(ParseSettings(e, &staging), message);
}

void TestSettingsParser::bothSeparatorsAccepted_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::newRow("comma locale") << QLocale(QLocale::Russian, QLocale::Russia);
    QTest::newRow("point locale") << QLocale::c();
}

void TestSettingsParser::bothSeparatorsAccepted()
{
    QFETCH(QLocale, locale);
    QLocale::setDefault(locale);
    for (const QString &text : QStringList{"12,5", "12.5", " 12.5 ", "-0,25"}) {
        SettingsEntries e = ValidEntries();
        e.editPribUst[0] = text;
        e.editPribKp = text;
        InstrumentSettings staging;
        QCOMPARE(ParseSettings(e, &staging), QString());
        const float expected = text.contains('-') ? -0.25f : 12.5f;
        QCOMPARE(staging.PribUst1, expected);
        QCOMPARE(staging.PribKp, expected);
    }
    SettingsEntries e = ValidEntries();
    e.editPribUst[0] = "1 000";
    InstrumentSettings staging;
    QCOMPARE(ParseSettings(e, &staging), QStringLiteral("Неверное значение уставки 1"));
}

void TestSettingsParser::rangeBoundsAccepted_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message"); // empty: accepted

    const QString t0 = "Значение переходного запаздывания должно быть в диапазоне 0<То<1000";
    const QString k0 = "Значение коэффициента эффективности должно быть в диапазоне 0<Ко<1";
    const QString tz = "Значение транспортного запаздывания должно быть в диапазоне 0<Tz<1000";
    QTest::newRow("T0 0") << "perzap"
                          << "0" << QString();
    QTest::newRow("T0 1000") << "perzap"
                             << "1000" << QString();
    QTest::newRow("T0 1000,5") << "perzap"
                               << "1000,5" << t0;
    QTest::newRow("T0 -0.001") << "perzap"
                               << "-0.001" << t0;
    QTest::newRow("K0 1") << "ko"
                          << "1" << QString();
    QTest::newRow("K0 0") << "ko"
                          << "0,0" << QString();
    QTest::newRow("K0 1.01") << "ko"
                             << "1.01" << k0;
    // Rounded to a single first: 1 + 1e-9 is 1.0f and passes.
    QTest::newRow("K0 just above 1") << "ko"
                                     << "1.000000001" << QString();
    QTest::newRow("Tz -0,1") << "trzap"
                             << "-0,1" << tz;
    QTest::newRow("Tz 1000") << "trzap"
                             << "1000" << QString();
    QTest::newRow("Tz 1e39") << "trzap"
                             << "1e39"
                             << "Неверное значение коэффициента транспортного запаздывания Tz";
}

void TestSettingsParser::rangeBoundsAccepted()
{
    QFETCH(QString, field);
    QFETCH(QString, text);
    QFETCH(QString, message);
    SettingsEntries e = ValidEntries();
    QString *entry = field == "perzap" ? &e.editPribPerZap
                     : field == "ko"   ? &e.editPribKo
                                       : &e.editPribTrZap;
    *entry = text;
    InstrumentSettings staging;
    QCOMPARE(ParseSettings(e, &staging), message);
}

void TestSettingsParser::selectionsAndPositions()
{
    SettingsEntries e = ValidEntries();
    e.editNamePrib = "Печь 3";
    e.cbVkl = true;
    e.cbPribPort = 7;
    e.cbPribBaud = 6;
    e.upPribAdr = 99;
    e.cbPribType = 8;
    e.cbPribDiap = 0;
    e.cbPribTypeReg = 4;
    e.cbPribPeriod = 12;
    e.cbPribZap = 3;
    e.upPribPeriodArh = 1000;
    InstrumentSettings staging;
    QCOMPARE(ParseSettings(e, &staging), QString());
    QCOMPARE(staging.PribName, QStringLiteral("Печь 3"));
    QCOMPARE(staging.PribVkl, quint8(1));
    QCOMPARE(staging.PribPort, quint8(8));
    QCOMPARE(staging.PribBaud, quint8(6));
    QCOMPARE(staging.PribAdr, quint8(99));
    QCOMPARE(staging.PribType, quint8(8));
    QCOMPARE(staging.PribDiap, quint8(0));
    QCOMPARE(staging.PribTypeReg, quint8(4));
    QCOMPARE(staging.PribPeriod, quint8(12));
    QCOMPARE(staging.PribZap, quint8(3));
    QCOMPARE(staging.PribPeriodArh, qint16(1000));
}

void TestSettingsParser::flagBytes()
{
    SettingsEntries e = ValidEntries();
    // Relays 1 and 3 closed initially, setpoint 1 acting above, 2 to 4 below.
    e.cbIshSostRele = {Closed, Open, Closed, Open};
    e.cbTypeUst = {Above, Below, Below, Below};
    e.cbPribRegRele = e.cbIshSostRele;
    InstrumentSettings staging;
    QCOMPARE(ParseSettings(e, &staging), QString());
    QCOMPARE(staging.PribSostRele, quint8(0x8A));
    QCOMPARE(staging.PribRegRele, quint8(0));
    QCOMPARE(staging.PribM, quint8(0));
    QCOMPARE(staging.PribRegUpr, quint8(0));

    e.checkSQR = true;
    e.checkReg = true;
    e.cbFlagPodkl = 0; // three-wire
    e.checkVklUst = {true, false, false, true};
    e.checkIvih = true;
    e.cbTypeReg = 1; // by program
    e.cbVklPrib = true;
    QCOMPARE(ParseSettings(e, &staging), QString());
    QCOMPARE(staging.PribM, quint8(0x01 | 0x08 | 0x10));
    QCOMPARE(staging.PribRegUpr, quint8(0x08 | 0x01 | 0x20 | 0x40 | 0x80));

    e = ValidEntries();
    e.checkM = true;
    e.checkDist = true;
    e.checkXC = true;
    e.cbTypeUst = {Below, Below, Below, Above};
    QCOMPARE(ParseSettings(e, &staging), QString());
    QCOMPARE(staging.PribM, quint8(0x06));
    QCOMPARE(staging.PribSostRele, quint8(0x10));
    QCOMPARE(staging.PribRegUpr, quint8(0x10));
}

void TestSettingsParser::relayContactRule_data()
{
    QTest::addColumn<int>("initial");
    QTest::addColumn<int>("current");
    QTest::addColumn<bool>("switched");
    QTest::newRow("closed, now open") << Closed << Open << true;
    QTest::newRow("open, still open") << Open << Open << false;
    QTest::newRow("closed, still closed") << Closed << Closed << false;
    QTest::newRow("open, now closed") << Open << Closed << true;
}

void TestSettingsParser::relayContactRule()
{
    QFETCH(int, initial);
    QFETCH(int, current);
    QFETCH(bool, switched);
    for (int relay = 0; relay < 4; ++relay) {
        SettingsEntries e = ValidEntries();
        e.cbIshSostRele[relay] = initial;
        e.cbPribRegRele[relay] = current;
        InstrumentSettings staging;
        QCOMPARE(ParseSettings(e, &staging), QString());
        const quint8 bit = static_cast<quint8>(1 << (3 - relay));
        QCOMPARE(staging.PribRegRele, switched ? bit : quint8(0));

        // Shown again, the record gives back the same current contact state.
        QCOMPARE(EntriesFromSettings(staging).cbPribRegRele[relay], current);
    }
}

void TestSettingsParser::failureLeavesStagingAlone()
{
    InstrumentSettings staging = FactoryDefaults();
    staging.PribName = "old";
    staging.PribPoint = 2;
    staging.Program[0] = {1, 30, 50.0f};

    SettingsEntries e = ValidEntries();
    e.editNamePrib = "new";
    e.editPribUst[0] = "77";
    e.editPribKo = "2";
    QVERIFY(!ParseSettings(e, &staging).isEmpty());
    QCOMPARE(staging.PribName, QStringLiteral("old"));
    QCOMPARE(staging.PribUst1, 0.0f);

    e.editPribKo = "0,5";
    QCOMPARE(ParseSettings(e, &staging), QString());
    QCOMPARE(staging.PribName, QStringLiteral("new"));
    QCOMPARE(staging.PribUst1, 77.0f);
    // The program has no entries on these pages and stays as it was.
    QCOMPARE(staging.PribPoint, quint8(2));
    QCOMPARE(staging.Program[0].Value, 50.0f);
}

void TestSettingsParser::entriesShowTheRecord()
{
    InstrumentSettings s = FactoryDefaults();
    s.PribPort = 3;
    s.PribUst2 = 12.5f;
    s.PribKp = 0.1f;
    s.PribM = 0x1F;
    s.PribSostRele = 0x8A;
    s.PribRegUpr = 0xFF;
    s.PribRegRele = 0x0F;
    const SettingsEntries e = EntriesFromSettings(s);
    QCOMPARE(e.cbPribPort, 2);
    QCOMPARE(e.editPribUst[1], QStringLiteral("12,5"));
    QCOMPARE(e.editPribKp, QStringLiteral("0,1"));
    QCOMPARE(ConnectionTexts().at(e.cbFlagPodkl), QStringLiteral("3х"));
    QCOMPARE(ContactStateTexts().at(e.cbIshSostRele[0]), QStringLiteral("Замкнуто"));
    QCOMPARE(SetpointTypeTexts().at(e.cbTypeUst[0]), QStringLiteral("Больше"));
    QCOMPARE(SetpointTypeTexts().at(e.cbTypeUst[1]), QStringLiteral("Меньше"));
    QCOMPARE(ContactStateTexts().at(e.cbPribRegRele[0]), QStringLiteral("Разомкнуто"));
    QCOMPARE(RegulationModeTexts().at(e.cbTypeReg), QStringLiteral("Программа"));

    InstrumentSettings back;
    QCOMPARE(ParseSettings(e, &back), QString());
    QCOMPARE(back.PribPort, s.PribPort);
    QCOMPARE(back.PribUst2, s.PribUst2);
    QCOMPARE(back.PribM, s.PribM);
    QCOMPARE(back.PribSostRele, s.PribSostRele);
    QCOMPARE(back.PribRegUpr, s.PribRegUpr);
    QCOMPARE(back.PribRegRele, s.PribRegRele);
}

QTEST_GUILESS_MAIN(TestSettingsParser)
#include "test_settings_parser.moc"
