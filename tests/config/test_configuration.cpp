#include "config/config_json.h"
#include "config/configuration.h"
#include "config/link_settings.h"
#include "core/number_text.h"

#include "config_test_files.h"

#include <QDir>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>

using namespace zeltar;

class TestConfiguration : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_progDir;
    QString m_path;

    // The settings and devices loaded from a file holding text.
    const QJsonObject load(const QByteArray &text)
    {
        WriteBytes(m_path, text);
        return LoadConfigJson(m_progDir);
    }
    QJsonObject loadDevice(const QByteArray &section)
    {
        return load("[MAIN]\nCountUstr=1\n[ZELTAR1]\n" + section)["Devices"][0].toObject();
    }
    QVariantList values(const QJsonObject &device, const QString &field)
    {
        QVariantList list;
        for (int i = 1; i <= 4; ++i)
            list << device[field + QString::number(i)].toDouble();
        return list;
    }
    DeviceTable sampleTable()
    {
        DeviceTable table;
        InstrumentSettings &d = table.device(1);
        d.PribName = "Печь 1";
        d.PribVkl = 1, d.PribPort = 3, d.PribBaud = 4, d.PribAdr = 17, d.PribType = 9;
        d.PribDiap = 2, d.PribTypeReg = 1, d.PribPeriod = 5, d.PribM = 0x13, d.PribZap = 2;
        d.PribSostRele = 0x8A, d.PribPeriodArh = 60, d.PribRegUpr = 0xC8, d.PribRegRele = 4;
        d.PribUst1 = 100, d.PribUst2 = 150.5f, d.PribUst3 = -50, d.PribUst4 = 1234567.5f;
        d.PribGist1 = 0.25f, d.PribGist2 = -12345.5f, d.PribGist3 = 2, d.PribGist4 = 0;
        d.PribPoprDat = -1.5f, d.PribPoprXC = 0.1f, d.PribM1 = 4, d.PribM2 = 20;
        d.PribKp = 0.1f, d.PribKi = 0.005f, d.PribKd = 2, d.PribRegZnac = 999999;
        d.PribPerZap = 4, d.PribKo = 0.01f, d.PribTrZap = 1000, d.PribTimePer = 3;
        d.PribDlitImp = 7.125f, d.PribPoint = 2;
        d.Program[0] = {2, 30, 12.5f};
        d.Program[1] = {254, 59, -800.25f};
        table.device(2).PribName = "Котёл";
        table.device(2).PribPeriodArh = 1;
        return table;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_progDir = m_dir->path() + "/";
        m_path = ConfigFilePath(m_progDir);
        QLocale::setDefault(CommaLocale());
    }
    void cleanup() { QLocale::setDefault(PointLocale()); }

    void emptyFileGivesTheDefaults()
    {
        const QJsonObject main = load("")["ProgramSettings"].toObject();
        QCOMPARE(main["AutoStart"].toBool(), false);
        QCOMPARE(main["PathArh"].toString(), m_progDir + "Data/");
        QCOMPARE(main["TimeOpr"].toInt(), 1);
        QCOMPARE(main["TimeArh"].toInt(), 12);
        QCOMPARE(main["TimeLastArh"].toInt(), 0);
        QCOMPARE(main["TimeLastArh1"].toString(), QString("SSS"));
        QCOMPARE(main["CountUstr"].toInt(), 0);

        // The station itself creates the default archive folder.
        ProgramSettings settings;
        DeviceTable table;
        LoadProgramSettings(IniFile(m_path), m_progDir, settings, table);
        QVERIFY(QDir(m_progDir + "Data").exists());
    }

    // Every key read from a file holding it alone, with its correction.
    void keysAreCorrected_data()
    {
        QTest::addColumn<QByteArray>("mainLine");
        QTest::addColumn<QByteArray>("deviceLine");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QVariant>("expected");
        // clang-format off
        const QList<std::tuple<const char *, const char *, QVariant>> main = {
            {"TimeOpr=0", "TimeOpr", 0},           {"TimeOpr=999", "TimeOpr", 999},
            {"TimeOpr=-5", "TimeOpr", 1},          {"TimeOpr=x", "TimeOpr", 1},
            {"TimeArh=0", "TimeArh", 0},           {"TimeArh=24", "TimeArh", 24},
            {"TimeArh=25", "TimeArh", 12},         {"TimeArh=-1", "TimeArh", 12},
            {"AutoStart=5", "AutoStart", true},    {"TimeLastArh=abc", "TimeLastArh", 0},
            {"TimeLastArh=17613456", "TimeLastArh", 17613456}, {"CountUstr=-3", "CountUstr", 0},
            {"CountUstr=999", "CountUstr", 16},
            {"CountUstr=2147483648", "CountUstr", 16},
            {"CountUstr=99999999999999999999", "CountUstr", 16},
        };
        const QList<std::tuple<const char *, const char *, QVariant>> device = {
            {"PribVkl=256", "PribVkl", 0},         {"PribVkl=2", "PribVkl", 0},
            {"PribVkl=0x1", "PribVkl", 1},         {"", "PribVkl", 0},
            {"PribPort=0", "PribPort", 1},         {"PribPort=9", "PribPort", 1},
            {"PribPort=8", "PribPort", 8},         {"PribBaud=7", "PribBaud", 6},
            {"", "PribBaud", 6},                   {"PribAdr=100", "PribAdr", 1},
            {"PribType=17", "PribType", 0},        {"PribDiap=11", "PribDiap", 0},
            {"PribTypeReg=5", "PribTypeReg", 0},   {"PribPeriod=13", "PribPeriod", 0},
            {"PribZap=5", "PribZap", 0},           {"PribM=300", "PribM", 44},
            {"PribRegRele=-1", "PribRegRele", 255}, {"PribPoint=31", "PribPoint", 0},
            {"", "PribPeriodArh", 999},            {"PribPeriodArh=0", "PribPeriodArh", 999},
            {"PribPeriodArh=1000", "PribPeriodArh", 999},
            {"PribPeriodArh=65537", "PribPeriodArh", 1},
            {"PribPeriodArh=500", "PribPeriodArh", 500}, {"", "PribName", ""},
            {"PribName=999999", "PribName", "999999"}, {"PribKp=abc", "PribKp", 0.0},
            {"", "PribKp", 0.0},                   {"PribKp=999999", "PribKp", 999999.0},
            {"PribKp=0.5", "PribKp", 0.5},         {"PribKp=1e300", "PribKp", "inf"},         {"PribKo=0,01", "PribKo", 0.01},
        };
        // clang-format on
        for (const auto &[line, field, expected] : main)
            QTest::newRow(line) << QByteArray(line) << QByteArray() << QString(field) << expected;
        for (const auto &[line, field, expected] : device)
            QTest::newRow(*line ? line : field)
                << QByteArray() << QByteArray(line) << QString(field) << expected;
    }
    void keysAreCorrected()
    {
        QFETCH(QByteArray, mainLine);
        QFETCH(QByteArray, deviceLine);
        QFETCH(QString, field);
        QFETCH(QVariant, expected);
        // The first CountUstr counts, so a row of its own overrides the one device.
        const QJsonObject config =
            load("[MAIN]\n" + mainLine + "\nCountUstr=1\n[ZELTAR1]\n" + deviceLine + "\n");
        const QJsonObject main = config["ProgramSettings"].toObject();
        QCOMPARE(config["Devices"].toArray().size(), main["CountUstr"].toInt());
        if (deviceLine.isEmpty() && main.contains(field))
            QCOMPARE(main[field].toVariant(), expected);
        else
            QCOMPARE(config["Devices"][0][field].toVariant(), expected);
    }

    void archiveFolderFollowsTheFolderRule()
    {
        QDir(m_progDir).mkpath("arh");
        const QString arh = m_progDir + "arh";
        auto pathArh = [&](const QByteArray &value) {
            return load("[MAIN]\nPathArh=" + value + "\n")["ProgramSettings"]["PathArh"].toString();
        };
        QCOMPARE(pathArh(arh.toUtf8()), arh + "/");
        QCOMPARE(pathArh(arh.toUtf8() + "/"), arh + "/");
        QCOMPARE(pathArh("arh"), arh + "/"); // relative to the program folder
        QCOMPARE(pathArh("C:\\Data\\"), m_progDir + "Data/");
        QCOMPARE(pathArh(""), m_progDir + "Data/");
        QCOMPARE(WithTrailingSeparator("D:\\Arh\\"), QString("D:\\Arh\\"));

        // The stored text goes back as it is while the folder stays; another folder takes
        // the text as typed, relative or not.
        WriteBytes(m_path, "[MAIN]\nPathArh=arh\n");
        IniFile ini(m_path);
        ProgramSettings settings;
        DeviceTable table;
        LoadProgramSettings(ini, m_progDir, settings, table);
        QVERIFY(
            AcceptProgramSettings({false, arh + "/", "1", "12"}, m_progDir, settings).isEmpty());
        QVERIFY(WriteProgramSettings(ini, settings));
        QCOMPARE(IniFile(m_path).readString("MAIN", "PathArh", {}), QString("arh"));
        QDir(m_progDir).mkpath("arh2");
        QVERIFY(AcceptProgramSettings({false, "arh2", "1", "12"}, m_progDir, settings).isEmpty());
        QCOMPARE(settings.PathArh, m_progDir + "arh2/");
        QVERIFY(WriteProgramSettings(ini, settings));
        QCOMPARE(IniFile(m_path).readString("MAIN", "PathArh", {}), QString("arh2/"));

        // A relative "Data" that is not made yet names the folder made for it, and keeps
        // its text.
        QVERIFY(!QFileInfo::exists(m_progDir + "Data"));
        WriteBytes(m_path, "[MAIN]\nPathArh=Data\n");
        LoadProgramSettings(IniFile(m_path), m_progDir, settings, table, true);
        QCOMPARE(settings.PathArh, m_progDir + "Data/");
        QCOMPARE(settings.PathArhText, QString("Data"));
    }

    void setpointSlotsAreRead()
    {
        for (const QLocale &locale : {CommaLocale(), PointLocale()}) {
            QLocale::setDefault(locale);
            QCOMPARE(
                values(loadDevice("PribUst=00000100;000150,5;00000000;00000000;\n"), "PribUst"),
                QVariantList({100.0, 150.5, 0.0, 0.0}));
            QCOMPARE(values(loadDevice("PribGist=-0000050;1234567.5;x;;\n"), "PribGist"),
                     QVariantList({-50.0, 1234567.5, 0.0, 0.0}));
            QCOMPARE(values(loadDevice("PribUst=abc\n"), "PribUst"), QVariantList(4, 0.0));
            QCOMPARE(values(loadDevice(""), "PribUst"), QVariantList(4, 0.0));
        }
    }

    void slotsAreWrittenSoThatTheyReadBack()
    {
        QCOMPARE(SlotText(100) + SlotText(150.5f) + SlotText(0),
                 QString("00000100000150,500000000"));
        QCOMPARE(SlotText(-50), QString("-0000050"));
        QCOMPARE(SlotText(-12.5f), QString("-00012,5"));
        QCOMPARE(SlotText(-1234567), QString("-1234567"));
        QCOMPARE(SlotText(-12345678), QString("-12345678"));
        QCOMPARE(SlotText(1234567.5f), QString("1234567,5"));
        QLocale::setDefault(PointLocale());
        QCOMPARE(SlotText(150.5f), QString("000150.5"));
    }

    void programStepsAreRead()
    {
        for (const QLocale &locale : {CommaLocale(), PointLocale()}) {
            QLocale::setDefault(locale);
            for (const QByteArray value : {"000012.5", "000012,5"}) {
                const QJsonObject step =
                    loadDevice("PribPoint=1\nPoint1=01;002:30;" + value + ";\n")["Program"][0]
                        .toObject();
                QCOMPARE(step["Hours"].toInt(), 2);
                QCOMPARE(step["Minutes"].toInt(), 30);
                QCOMPARE(step["Value"].toDouble(), 12.5);
            }
        }
        // A missing step ends the program: PribPoint becomes 0.
        const QJsonObject device =
            loadDevice("PribPoint=3\nPoint1=01;001:00;00000050;\nPoint3=03;003:00;00000010;\n");
        QCOMPARE(device["PribPoint"].toInt(), 0);
        QCOMPARE(device["Program"].toArray().size(), 0);
        DeviceTable table;
        LoadDevice(IniFile(m_path), table, 1);
        QCOMPARE(table.device(1).Program[0].Value, 50.0f);
        QCOMPARE(table.device(1).Program[1].Value, 0.0f);
    }

    void deviceRoundTripsThroughTheFile()
    {
        for (const QLocale &locale : {CommaLocale(), PointLocale()}) {
            QLocale::setDefault(locale);
            QFile::remove(m_path);
            IniFile ini(m_path);
            ProgramSettings settings;
            settings.CountUstr = 2;
            const DeviceTable table = sampleTable();
            QVERIFY(WriteDeviceCount(ini, 2));
            QVERIFY(WriteDevice(ini, table, 1));
            QVERIFY(WriteDevice(ini, table, 2));
            QCOMPARE(ini.value("ZELTAR1", "Point2").value_or(""),
                     locale == CommaLocale() ? QString("02;254:59;-0800,25;")
                                             : QString("02;254:59;-0800.25;"));
            QCOMPARE(ini.keys("ZELTAR2").first(), QString("PribName"));
            QCOMPARE(ini.keys("ZELTAR2").last(), QString("PribPoint"));

            ProgramSettings loaded;
            DeviceTable reloaded;
            LoadProgramSettings(IniFile(m_path), m_progDir, loaded, reloaded, false);
            QCOMPARE(ConfigJson(loaded, reloaded)["Devices"],
                     ConfigJson(settings, table)["Devices"]);

            // Written back, the file stays as it was.
            const QByteArray before = ReadBytes(m_path);
            QVERIFY(WriteDevice(ini, reloaded, 1));
            QCOMPARE(ReadBytes(m_path), before);
        }
    }

    void cp1251FileKeepsItsEncodingAndEverythingUnknown()
    {
        const QString original =
            "; Настройки станции\r\n[MAIN]\r\nCountUstr=2\r\nUser=Иванов\r\n\r\n"
            "[ZELTAR1]\r\nPribName=Печь\r\n[ZELTAR2]\r\nPribName=Котёл №2\r\n"
            "[Прочее]\r\nКлюч=значение\r\n";
        WriteBytes(m_path, EncodeText(original, TextEncoding::Windows1251));
        IniFile ini(m_path);
        ProgramSettings settings;
        DeviceTable table;
        LoadProgramSettings(ini, m_progDir, settings, table, false);
        QCOMPARE(table.device(1).PribName, QString("Печь"));
        QCOMPARE(table.device(2).PribName, QString("Котёл №2"));

        table.device(2).PribName = "Сушилка";
        QVERIFY(WriteDevice(ini, table, 2));
        TextEncoding encoding;
        const QString written = DecodeText(ReadBytes(m_path), &encoding);
        QCOMPARE(encoding, TextEncoding::Windows1251);
        QVERIFY(written.startsWith(original.left(original.indexOf("[ZELTAR2]"))));
        QVERIFY(written.contains("[ZELTAR2]\r\nPribName=Сушилка\r\nPribVkl=0\r\n"));
        QVERIFY(written.endsWith("[Прочее]\r\nКлюч=значение\r\n"));
        QCOMPARE(written.count('\n'), written.count("\r\n"));
    }

    void programSettingsAreWrittenInTheirOrder()
    {
        IniFile ini(m_path);
        ProgramSettings settings;
        settings.PathArh = m_progDir;
        settings.TimeOpr = 999;
        settings.TimeLastArh = 17613456;
        settings.TimeLastArh1 = "25_05_13_14";
        QVERIFY(WriteProgramSettings(ini, settings));
        QVERIFY(WriteDeviceCount(ini, 0));
        QVERIFY(WriteArchivePeriod(ini, settings));
        QCOMPARE(ini.keys("MAIN"), QStringList({"AutoStart", "PathArh", "TimeOpr", "TimeArh",
                                                "CountUstr", "TimeLastArh", "TimeLastArh1"}));
        ProgramSettings loaded;
        DeviceTable table;
        LoadProgramSettings(IniFile(m_path), m_progDir, loaded, table);
        QCOMPARE(ConfigJson(loaded, table), ConfigJson(settings, table));
    }

    void acceptingProgramSettingsChecksInOrder()
    {
        ProgramSettings settings;
        const ProgramSettings before = settings;
        const QString folder = m_dir->path();
        auto accept = [&](const QString &dir, const QString &poll, const QString &arh) {
            return AcceptProgramSettings({true, dir, poll, arh}, m_progDir, settings);
        };
        const QString pollRange = "Период опроса должнен изменяться от 1 до 999 сек";
        const QString arhRange = "Период архивирования должнен изменяться от 1ч до 24ч";
        QCOMPARE(accept(folder + "/nope", "0", "0"), "Папка:" + folder + "/nope\rНе существует\r");
        QCOMPARE(accept("", "5", "5"), QString("Папка:\rНе существует\r"));
        QCOMPARE(accept(folder, "0", "0"), pollRange);
        QCOMPARE(accept(folder, "1000", "5"), pollRange);
        QCOMPARE(accept(folder, "1,5", "5"), pollRange);
        QCOMPARE(accept(folder, "999", "0"), arhRange);
        QCOMPARE(accept(folder, "999", "25"), arhRange);
        QCOMPARE(ConfigJson(settings, {}), ConfigJson(before, {}));

        QCOMPARE(accept(folder, "999", "24"), QString());
        QCOMPARE(settings.AutoStart, true);
        QCOMPARE(settings.PathArh, folder + "/");
        QCOMPARE(settings.TimeOpr, 999);
        QCOMPARE(settings.TimeArh, 24);
    }

    void portNamesAreReadFromPorts()
    {
        WriteBytes(m_path, "[PORTS]\nCOM3=/dev/ttyUSB0\ncom1 = /dev/serial/by-id/usb-1\nCOM9=x\n");
        const PortNames names = LoadPortNames(IniFile(m_path));
        QCOMPARE(names.mapping().keys(), QList<int>({1, 3}));
        QCOMPARE(names.deviceName(1), QString("/dev/serial/by-id/usb-1"));
        QCOMPARE(names.deviceName(3), QString("/dev/ttyUSB0"));
    }

    void linkModeIsReadFromItsOwnSection_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("fast");
        QTest::addColumn<int>("turnaround");
        QTest::newRow("absent") << QByteArray("[MAIN]\nCountUstr=0\n") << false << 5;
        QTest::newRow("standard") << QByteArray("[LINK]\nMode=standard\n") << false << 5;
        QTest::newRow("fast") << QByteArray("[link]\nmode = FAST\nTurnaroundMs=12\n") << true << 12;
        QTest::newRow("unknown mode, bad turnaround")
            << QByteArray("[LINK]\nMode=quick\nTurnaroundMs=-3\n") << false << 5;
        QTest::newRow("turnaround too long")
            << QByteArray("[LINK]\nMode=fast\nTurnaroundMs=5000\n") << true << 5;
    }

    void linkModeIsReadFromItsOwnSection()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, fast);
        QFETCH(int, turnaround);
        WriteBytes(m_path, text);
        const LinkMode mode = LinkSettings::load(IniFile(m_path));
        QCOMPARE(mode.fast, fast);
        QCOMPARE(mode.TurnaroundMs, turnaround);
    }

    void linkModeIsWrittenOnlyWhenItChanges()
    {
        const QByteArray old = "[MAIN]\nCountUstr=0\n";
        WriteBytes(m_path, old);
        IniFile ini(m_path);
        QVERIFY(LinkSettings::write(ini, LinkMode()));
        QCOMPARE(ReadBytes(m_path), old); // a file of the old station stays as it was

        LinkMode fast;
        fast.fast = true;
        QVERIFY(LinkSettings::write(ini, fast));
        QCOMPARE(ReadBytes(m_path), old + "\n[LINK]\nMode=fast\nTurnaroundMs=5\n");

        WriteBytes(m_path, "[LINK]\nMode=Fast\nTurnaroundMs=20\n");
        ini.load(m_path);
        QVERIFY(LinkSettings::write(ini, LinkSettings::load(ini)));
        QCOMPARE(ReadBytes(m_path), QByteArray("[LINK]\nMode=Fast\nTurnaroundMs=20\n"));
        QVERIFY(LinkSettings::write(ini, LinkMode()));
        QCOMPARE(ReadBytes(m_path), QByteArray("[LINK]\nMode=standard\nTurnaroundMs=20\n"));
    }
};

QTEST_GUILESS_MAIN(TestConfiguration)
#include "test_configuration.moc"
