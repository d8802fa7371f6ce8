#include "config/config_json.h"
#include "config/device_list.h"

#include "config_test_files.h"

#include <QTemporaryDir>
#include <QTest>

using namespace zeltar;

class TestDeviceList : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
    IniFile m_ini;
    ProgramSettings m_settings;
    DeviceTable m_table;
    DeviceList *m_list = nullptr;

    void addNamed(const QStringList &names)
    {
        for (const QString &name : names) {
            const int n = m_list->Add().device;
            m_table.device(n).PribName = name;
            WriteDevice(m_ini, m_table, n);
        }
    }
    QStringList namesInFile()
    {
        ProgramSettings settings;
        DeviceTable table;
        LoadProgramSettings(IniFile(m_path), m_dir->path(), settings, table, false);
        QStringList names;
        for (int n = 1; n <= settings.CountUstr; ++n)
            names << table.device(n).PribName;
        return names;
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_path = ConfigFilePath(m_dir->path());
        m_ini.load(m_path);
        m_settings = ProgramSettings();
        m_table = DeviceTable();
        m_list = new DeviceList(m_ini, m_settings, m_table);
    }
    void cleanup() { delete m_list; }

    void defaultNames_data()
    {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QString>("expected");
        const QString base = "Новое устройство";
        QTest::newRow("empty list") << QStringList() << base;
        QTest::newRow("base") << QStringList({base}) << base + " 1";
        QTest::newRow("base and 1") << QStringList({base, base + " 1"}) << base + " 2";
        QTest::newRow("3 and other") << QStringList({base + " 3", "Печь"}) << base + " 4";
        QTest::newRow("base and other") << QStringList({base, "Печь"}) << base + " 1";
        QTest::newRow("others") << QStringList({"Печь", "Котёл"}) << base;
        QTest::newRow("not a number") << QStringList({base + " X"}) << base;
        QTest::newRow("trailing blank") << QStringList({base + " 5 "}) << base;
        QTest::newRow("leading blanks") << QStringList({base + "   7", base + " 2"}) << base + " 8";
        QTest::newRow("inside a name") << QStringList({"Печь " + base + " 9"}) << base;
    }
    void defaultNames()
    {
        QFETCH(QStringList, names);
        QFETCH(QString, expected);
        addNamed(names);
        QCOMPARE(NextDefaultName(m_table, m_settings.CountUstr), expected);
    }

    void addWritesANewDisabledDevice()
    {
        const DeviceList::AddResult added = m_list->Add();
        QCOMPARE(added.device, 1);
        QVERIFY(added.refusal.isEmpty());
        QCOMPARE(m_list->Add().device, 2);
        QCOMPARE(namesInFile(), QStringList({"Новое устройство", "Новое устройство 1"}));

        // The file holds the new-device settings (the end marker aside, which it never holds).
        ProgramSettings settings;
        DeviceTable table;
        LoadProgramSettings(IniFile(m_path), m_dir->path(), settings, table, false);
        const QJsonObject device = ConfigJson(settings, table)["Devices"][1].toObject();
        DeviceTable expected;
        expected.device(2) = NewDeviceSettings("Новое устройство 1");
        QCOMPARE(device, ConfigJson(settings, expected)["Devices"][1].toObject());
        QCOMPARE(device["PribVkl"].toInt(), 0);
        QCOMPARE(device["PribPeriodArh"].toInt(), 999);
        QCOMPARE(m_table.device(2).Program[0].Hours, quint8(ProgramEndHours));
    }

    void addStopsAtSixteen()
    {
        for (int i = 0; i < MaxDevices; ++i)
            m_list->Add();
        const QByteArray before = ReadBytes(m_path);
        const DeviceList::AddResult refused = m_list->Add();
        QCOMPARE(refused.device, 0);
        QCOMPARE(refused.refusal, QString("Максимальное количество устройств в сети =16"));
        QCOMPARE(m_settings.CountUstr, MaxDevices);
        QCOMPARE(ReadBytes(m_path), before);
    }

    void deleteMovesLaterDevicesDown()
    {
        addNamed({"A", "B", "C", "D"});
        // The station's own keys of a device (its alarms) move down with it.
        m_ini.writeString("ZELTAR2", "AlarmHigh", "1000");
        m_ini.writeString("ZELTAR3", "AlarmHigh", "500,5");
        m_ini.writeString("ZELTAR4", "AlarmNoLink", "3");
        QCOMPARE(m_list->Delete(2), 2);
        QCOMPARE(m_settings.CountUstr, 3);
        QCOMPARE(namesInFile(), QStringList({"A", "C", "D"}));
        const IniFile ini(m_path);
        QCOMPARE(ini.readString("ZELTAR4", "PribName", ""), QString("D")); // stays, unread
        QCOMPARE(ini.readInteger("MAIN", "CountUstr", 0), 3);
        QCOMPARE(ini.value("ZELTAR1", "AlarmHigh"), std::nullopt);
        QCOMPARE(ini.value("ZELTAR2", "AlarmHigh"), QString("500,5"));
        QCOMPARE(ini.value("ZELTAR3", "AlarmHigh"), QString(""));
        QCOMPARE(ini.value("ZELTAR3", "AlarmNoLink"), QString("3"));
        // A device added where D's section still lies starts without them.
        QCOMPARE(m_list->Add().device, 4);
        QCOMPARE(IniFile(m_path).value("ZELTAR4", "AlarmNoLink"), QString(""));
        QCOMPARE(m_list->Delete(4), 3);

        QCOMPARE(m_list->Delete(3), 2); // the last: the one before is selected
        QCOMPARE(m_list->Delete(0), 0); // the root: nothing happens
        QCOMPARE(m_list->Delete(9), 2); // beyond the list: nothing happens
        QCOMPARE(m_list->Delete(1), 1);
        QCOMPARE(m_list->Delete(1), 0); // the only one: the root is selected
        QCOMPARE(namesInFile(), QStringList());
    }

    void treesShowTheDevices()
    {
        using Nodes = QList<std::pair<QString, int>>;
        auto nodes = [](const QList<TreeNode> &tree) {
            Nodes list;
            for (const TreeNode &node : tree)
                list.append({node.text, node.image});
            return list;
        };
        addNamed({"Печь", "Котёл", "Сушилка"});
        m_table.device(1).PribVkl = 1;
        m_table.device(3).PribVkl = 1;
        int countVkl = -1;
        QCOMPARE(nodes(m_list->MainTree(&countVkl)),
                 Nodes({{"Программа", 0}, {"Печь", 7}, {"Котёл", 13}, {"Сушилка", 7}}));
        QCOMPARE(countVkl, 2);
        QCOMPARE(nodes(m_list->SettingsTree()),
                 Nodes({{"Программа", 3}, {"Печь", 7}, {"Котёл", 7}, {"Сушилка", 7}}));
    }
};

QTEST_GUILESS_MAIN(TestDeviceList)
#include "test_device_list.moc"
