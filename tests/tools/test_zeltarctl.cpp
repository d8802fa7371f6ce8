// zeltarctl as a shell user runs it, against zeltar-sim: raw transactions and their exit
// codes, settings written from a file, a device reached through a station folder, the
// loaded configuration as JSON, and headless polling ended by time and by SIGTERM.
#include "acquisition/archive_table.h"
#include "core/single_instance.h"
#include "sim_process.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <QtTest>

#include <csignal>

using zeltar::test::SimProcess;

namespace {

struct Run
{
    int exitCode = -1;
    QString out;
    QString err;
};

} // namespace

class ZeltarctlTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_lockDir; // the single-instance lock of these runs lives here

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TMPDIR"), m_lockDir.path());
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        return env;
    }

    Run run(const QStringList &args, int timeoutMs = 20000, const QString &workingDir = {})
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.setWorkingDirectory(workingDir);
        process.start(QStringLiteral(ZELTARCTL_PATH), args);
        Run result;
        if (!process.waitForFinished(timeoutMs))
            return result;
        result.exitCode = process.exitCode();
        result.out = QString::fromUtf8(process.readAllStandardOutput());
        result.err = QString::fromUtf8(process.readAllStandardError());
        return result;
    }

    // A station folder with two devices on COM2 = the simulator's line.
    QString stationFolder(const QTemporaryDir &dir, const QString &line)
    {
        QFile ini(dir.filePath(QStringLiteral("Zeltar.ini")));
        if (!ini.open(QIODevice::WriteOnly))
            return {};
        ini.write(QStringLiteral("[MAIN]\nTimeOpr=1\nTimeArh=1\nCountUstr=2\n"
                                 "[ZELTAR1]\nPribName=Печь 1\nPribVkl=1\nPribPort=2\n"
                                 "PribBaud=2\nPribAdr=1\n"
                                 "[ZELTAR2]\nPribName=Котёл\nPribVkl=1\nPribPort=2\n"
                                 "PribBaud=3\nPribAdr=7\n"
                                 "[PORTS]\nCOM2=%1\n")
                      .arg(line)
                      .toUtf8());
        return dir.path();
    }

private Q_SLOTS:
    void rawTransactions()
    {
        SimProcess sim({"--addr", "1", "--value", "100"});
        QVERIFY(sim.start());
        const QString port = sim.portPath();

        Run r = run({"--port", port, "read04", "0", "4"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.startsWith(QStringLiteral("01 04 08 00 00 C8 42 ")), qPrintable(r.out));
        QCOMPARE(r.out.trimmed().split(' ').size(), 11);

        r = run({"--port", port, "--baud", "9600", "--addr", "1", "read03", "3", "1"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out.trimmed(), QStringLiteral("01 03 02 02 01"));

        r = run({"--port", port, "write16", "57", "3", "090714050324"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out.trimmed(), QStringLiteral("01 10 00 39 00 03"));

        // A port given relative to the working folder.
        const QFileInfo link(port);
        r = run({"--port", link.fileName(), "read03", "3", "1"}, 20000, link.path());
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out.trimmed(), QStringLiteral("01 03 02 02 01"));

        // No instrument at that address: the link error code.
        r = run({"--port", port, "--addr", "9", "read04", "0", "4"});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.out.trimmed(), QStringLiteral("error 2"));
    }

    void instrumentOperations_data()
    {
        QTest::addColumn<QStringList>("mode");
        QTest::newRow("standard") << QStringList{};
        QTest::newRow("fast") << QStringList{"--fast"};
    }

    void instrumentOperations()
    {
        QFETCH(QStringList, mode);
        SimProcess sim({"--addr", "1", "--archive", "3"});
        QVERIFY(sim.start());
        const QStringList port = mode + QStringList{"--port", sim.portPath()};

        Run r = run(port + QStringList{"settings"});
        QCOMPARE(r.exitCode, 0);
        const QJsonObject settings = QJsonDocument::fromJson(r.out.toUtf8()).object();
        QCOMPARE(settings.value("PribUst1").toDouble(), 70.0);
        QCOMPARE(settings.value("PribAdr").toInt(), 1);

        r = run(port + QStringList{"clock", "set", "05.03.2024", "14:07:09"});
        QCOMPARE(r.exitCode, 0);
        r = run(port + QStringList{"clock"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.startsWith(QStringLiteral("05.03.2024 14:07:")), qPrintable(r.out));
        r = run(port + QStringList{"clock", "set", "15.00.2024", "10:00:00"});
        QCOMPARE(r.exitCode, 3);
        QVERIFY(r.err.contains(QStringLiteral("Значение номера месяца должно быть от 0 до 12")));

        r = run(port + QStringList{"test"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(r.out.contains(QStringLiteral("Хорошее (10/10)")));

        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("arh.dbf"));
        r = run(port + QStringList{"archive", file});
        QCOMPARE(r.exitCode, 0);
        QVERIFY(QFile::exists(file));

        r = run(port + QStringList{"--addr", "5", "settings"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.err.contains(QStringLiteral("Ошибка связи с прибором: 2")));
    }

    // A settings file changes what it names, link and program included, and a read shows
    // it; a file the window's checks refuse sends nothing; a failed step gives its code.
    void settingsWrite()
    {
        SimProcess sim({"--addr", "1"});
        QVERIFY(sim.start());
        const QString port = sim.portPath();
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("settings.json"));
        const auto save = [&](const QByteArray &json) {
            QFile f(file);
            return f.open(QIODevice::WriteOnly) && f.write(json) == json.size();
        };
        const auto writeFile = [&](const QByteArray &json, const QStringList &link) {
            if (!save(json))
                return Run{};
            return run(QStringList{"--port", port} + link + QStringList{"settings", "write", file});
        };
        const auto read = [&](const QStringList &link) {
            const Run r = run(QStringList{"--port", port} + link + QStringList{"settings"});
            if (r.exitCode != 0)
                qWarning("settings read: %s", qPrintable(r.err));
            QJsonObject settings = QJsonDocument::fromJson(r.out.toUtf8()).object();
            settings.remove("Clock");
            return settings;
        };
        QJsonObject expected = read({});
        QVERIFY(!expected.isEmpty());

        const QJsonObject edit{
            {"PribBaud", 4},
            {"PribAdr", 7},
            {"PribUst1", 25.3},
            {"PribKo", 0.123456},
            {"PribM", 17},
            {"PribPoint", 2},
            {"Program", QJsonArray{QJsonObject{{"Hours", 1}, {"Minutes", 30}, {"Value", 100.5}},
                                   QJsonObject{{"Hours", 200}, {"Minutes", 0}, {"Value", -0.1}}}}};
        Run r = writeFile(QJsonDocument(edit).toJson(), {});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(r.out.trimmed(), QStringLiteral("Данные в прибор записаны успешно"));
        for (auto it = edit.begin(); it != edit.end(); ++it)
            expected.insert(it.key(), it.value());
        const QStringList newLink{"--baud", "38400", "--addr", "7"};
        QCOMPARE(read(newLink), expected);

        const std::pair<const char *, const char *> refused[] = {
            {R"({"PribKo": 1.5})", "Значение коэффициента эффективности должно быть"},
            {R"({"PribUst2": "x"})", "Неверное значение уставки 2"},
            {R"({"PribGist4": 1e39})", "Неверное значение зоны возврата 4ой уставки"},
            {R"({"PribAdr": 100})", "PribAdr: 100 is not a whole number from 0 to 99"},
            {R"({"PribM": 32})", "PribM: 32 cannot be written as it is (it would become 0)"},
            {R"({"Program": [{"Hours": 1, "Minutes": 60, "Value": 1}]})",
             "Program step 1: Значение минут должно быть в диапазоне от 0 до 59"},
            {R"({"PribPoint": 3})", "PribPoint: 3 is not the number of program steps (2)"},
            {R"({"PribUst": 1})", "PribUst: no such setting"},
            {R"([1])", "not a JSON object"},
        };
        for (const auto &[json, message] : refused) {
            r = writeFile(json, newLink);
            QVERIFY2(r.exitCode == 3, qPrintable(QString::number(r.exitCode) + r.err));
            QVERIFY2(r.err.contains(QString::fromUtf8(message)), qPrintable(r.err));
        }
        QCOMPARE(read(newLink), expected);

        // An address the write cannot send back (it would become 99), and a station
        // folder's device on an instrument that does not acknowledge writes.
        SimProcess deaf({"--addr", "150", "--addr", "1", "--fault", "write-length"});
        QVERIFY(deaf.start());
        QVERIFY(save(R"({"PribUst1": 5})"));
        r = run({"--port", deaf.portPath(), "--addr", "150", "settings", "write", file});
        QCOMPARE(r.exitCode, 3);
        QCOMPARE(r.err.trimmed(),
                 QStringLiteral("PribAdr: 150 cannot be written as it is (it would become 99)"));
        const QString folder = stationFolder(dir, deaf.portPath());
        r = run({"--dir", folder, "--device", "1", "settings", "write", file});
        QCOMPARE(r.exitCode, 1);
        QCOMPARE(r.err.trimmed(), QStringLiteral("Нет связи с прибором. Ошибка обмена:207"));
    }

    void refusedCommandLines()
    {
        // The port's failure in the operator's words, not the serial library's.
        const Run missing = run({"--port", "/nonexistent/line", "read04", "0", "4"});
        QCOMPARE(missing.exitCode, 2);
        QVERIFY2(missing.err.contains(QStringLiteral("порта нет в системе")),
                 qPrintable(missing.err));
        QCOMPARE(run({"--port", "x", "--baud", "1200", "read04", "0", "4"}).exitCode, 3);
        QCOMPARE(run({"--port", "x", "write16", "0", "1", "12G4"}).exitCode, 3);
        QCOMPARE(run({"--port", "x", "read04", "0"}).exitCode, 3);
        QCOMPARE(run({"--port", "x", "frobnicate"}).exitCode, 3);
        const Run help = run({"--help"});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.contains(QStringLiteral("read03 START COUNT")));
    }

    void deviceOfAStationFolder()
    {
        SimProcess sim({"--addr", "7", "--baud", "19200", "--value", "-2.5"});
        QVERIFY(sim.start());
        QTemporaryDir dir;
        const QString folder = stationFolder(dir, sim.portPath());

        Run r = run({"--dir", folder, "--device", "2", "read04", "0", "4"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.startsWith(QStringLiteral("07 04 08 00 00 20 C0")), qPrintable(r.out));

        r = run({"--dir", folder, "--device", "3", "read04", "0", "4"});
        QCOMPARE(r.exitCode, 3);

        r = run({"--dir=" + folder, "config"});
        QCOMPARE(r.exitCode, 0);
        const QJsonObject config = QJsonDocument::fromJson(r.out.toUtf8()).object();
        const QJsonArray devices = config.value("Devices").toArray();
        QCOMPARE(devices.size(), 2);
        QCOMPARE(devices.at(1).toObject().value("PribName").toString(), QStringLiteral("Котёл"));
        QCOMPARE(devices.at(1).toObject().value("PribAdr").toInt(), 7);
        QCOMPARE(devices.at(1).toObject().value("PribPeriodArh").toInt(), 999);
        QCOMPARE(config.value("ProgramSettings").toObject().value("CountUstr").toInt(), 2);

        // Without --dir: the station folder the window would take, here the program's own.
        r = run({"config"});
        QCOMPARE(r.exitCode, 0);
        QCOMPARE(QJsonDocument::fromJson(r.out.toUtf8())["ProgramSettings"]["PathArh"].toString(),
                 QFileInfo(QStringLiteral(ZELTARCTL_PATH)).absolutePath() + "/Data/");
    }

    void headlessPolling()
    {
        SimProcess sim({"--addr", "1", "--value", "12.5"});
        QVERIFY(sim.start());
        QTemporaryDir dir;
        const QString folder = stationFolder(dir, sim.portPath());

        Run r = run({"--dir", folder, "poll", "--for", "2"});
        QCOMPARE(r.exitCode, 0);
        const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
        QVERIFY(lines.size() >= 2);
        QVERIFY(lines.contains(QStringLiteral("1\tПечь 1\t12.5")));
        QVERIFY(lines.contains(QStringLiteral("2\tКотёл\tНет связи")));

        // No record could be written (a file stands where the archive folder should): the
        // run has failed and its last line says how many polls were lost.
        QTemporaryDir blocked;
        const QString blockedFolder = stationFolder(blocked, sim.portPath());
        QFile blocker(blocked.filePath(QStringLiteral("Data")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const Run lost = run({"--dir", blockedFolder, "poll", "--for", "1"});
        QCOMPARE(lost.exitCode, 1);
        QVERIFY2(lost.err.trimmed().section('\n', -1).startsWith(
                     QStringLiteral("Не записано в архив опросов: ")),
                 qPrintable(lost.err));

        // Ended by SIGTERM as a service manager does: stopped as the stop button does. A
        // time beyond the timer's range (2^31 ms) is waited for in steps, without a warning.
        QProcess poll;
        poll.setProcessEnvironment(environment());
        poll.start(QStringLiteral(ZELTARCTL_PATH), {"--dir", folder, "poll", "--for", "2147484"});
        QVERIFY(poll.waitForStarted());
        QVERIFY(zeltar::test::WaitUntil([&] { return poll.canReadLine(); }, 10000));
        ::kill(static_cast<pid_t>(poll.processId()), SIGTERM);
        QVERIFY(poll.waitForFinished(10000));
        QCOMPARE(poll.exitStatus(), QProcess::NormalExit);
        QCOMPARE(poll.exitCode(), 0);
        QCOMPARE(poll.readAllStandardError(), QByteArray());

        QFile journal(dir.filePath(QStringLiteral("Zeltar.mes")));
        QVERIFY(journal.open(QIODevice::ReadOnly));
        const QStringList entries =
            QString::fromUtf8(journal.readAll()).split(QStringLiteral("\r\n"));
        QVERIFY(entries.at(0).endsWith(QStringLiteral("]- Закрытие программы")));
        QVERIFY(entries.at(1).endsWith(
            QStringLiteral("]- Остановлена система сбора и анализа данных")));
    }

    // One station per folder and one master per line, whatever temporary folder each runs
    // with: a second poller of the folder is refused and writes nothing; a station of
    // another folder on the same line is told who holds it and never reaches the line. The
    // first station loses nothing: a record for every poll it reported, each with its value.
    void oneMasterPerFolderAndLine()
    {
        SimProcess sim({"--addr", "1", "--value", "12.5", "--addr", "7", "--value", "3"});
        QVERIFY(sim.start());
        QTemporaryDir dir;
        QTemporaryDir otherDir;
        const QString folder = stationFolder(dir, sim.portPath());
        const QString otherFolder = stationFolder(otherDir, sim.portPath());
        QTemporaryDir ownTemp;
        QProcessEnvironment env = environment();
        env.insert(QStringLiteral("TMPDIR"), ownTemp.path());
        QProcess first;
        first.setProcessEnvironment(env);
        first.start(QStringLiteral(ZELTARCTL_PATH), {"--dir", folder, "poll", "--for", "4"});
        QVERIFY(first.waitForStarted());
        QVERIFY(zeltar::test::WaitUntil([&] { return first.canReadLine(); }, 10000));

        Run second = run({"--dir", folder, "poll", "--for", "1"});
        QCOMPARE(second.exitCode, 1);
        QCOMPARE(second.err.trimmed(),
                 QStringLiteral("Папка станции %1 занята другой программой (процесс %2)")
                     .arg(QDir(folder).absolutePath())
                     .arg(first.processId()));

        Run other = run({"--dir", otherFolder, "poll", "--for", "2"});
        QCOMPARE(other.exitCode, 0);
        QVERIFY2(other.err.contains(QStringLiteral("занят (процесс %1").arg(first.processId())),
                 qPrintable(other.err));
        QVERIFY(!other.out.contains(QStringLiteral("12.5")));

        QVERIFY(first.waitForFinished(20000));
        QCOMPARE(first.exitCode(), 0);
        const QStringList polls =
            QString::fromUtf8(first.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        QVERIFY(polls.size() >= 4);
        // The furnace answers every poll (the boiler's rate does not match the line's).
        const QStringList furnace = polls.filter(QStringLiteral("Печь 1"));
        QCOMPARE(furnace, QStringList(furnace.size(), QStringLiteral("1\tПечь 1\t12.5")));
        int records = 0;
        const QDir data(dir.filePath(QStringLiteral("Data")));
        for (const QString &name : data.entryList({"*.dbf"}, QDir::Files)) {
            zeltar::ArchiveTable table;
            QVERIFY(table.open(data.filePath(name), zeltar::ArchiveTable::Mode::Read));
            for (int i = 0; i < table.recordCount() && name.startsWith(QStringLiteral("Печь")); ++i)
                QCOMPARE(table.readDouble(i, QStringLiteral("ZNAC")), 12.5);
            records += table.recordCount();
        }
        QCOMPARE(records, polls.size());
        // The refused poller never opened the journal: one opening, the first's.
        QFile journal(dir.filePath(QStringLiteral("Zeltar.mes")));
        QVERIFY(journal.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(journal.readAll()).count(QStringLiteral("Открытие программы")),
                 1);
    }

    // The headless poller raises and tells alarms: the journal, the operator's command (which
    // hangs here: killed at its time limit while the polls go on on time), the state kept
    // across a restart (nothing told again, the return told), and `alarms` read back with
    // Python's csv module.
    void alarmsFromHeadlessPolling()
    {
        SimProcess sim({"--addr", "1", "--value", "1043.2"});
        QVERIFY(sim.start());
        QTemporaryDir dir;
        const QString folder = stationFolder(dir, sim.portPath());
        const QString script = dir.filePath(QStringLiteral("notify.sh"));
        QFile file(script);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("#!/bin/sh\n{ env | grep -E '^ZELTAR_(NAME|KIND|STATE)=' | sort | tr '\\n' ' '; "
                   "echo; } >> \"$0.out\"\nexec sleep \"$1\"\n");
        file.close();
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile ini(dir.filePath(QStringLiteral("Zeltar.ini")));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QByteArray text = ini.readAll();
        ini.close();
        text.replace("PribAdr=1\n", "PribAdr=1\nAlarmHigh=1000\n");
        text.replace("PribAdr=7\n", "PribAdr=7\nAlarmNoLink=2\n");
        text += "[ALARMS]\nCommand=" + script.toUtf8() + " 60\nCommandTimeout=1\n";
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(text);
        ini.close();

        Run r = run({"--dir", folder, "poll", "--for", "4"});
        QCOMPARE(r.exitCode, 0);
        QVERIFY2(r.out.count(QStringLiteral("Печь 1")) >= 3, qPrintable(r.out));
        QFile journal(dir.filePath(QStringLiteral("Zeltar.mes")));
        QVERIFY(journal.open(QIODevice::ReadOnly));
        const QString lines = QString::fromUtf8(journal.readAll());
        journal.close();
        QVERIFY(lines.contains(QStringLiteral("]- Тревога: Печь 1 — значение 1043.2 выше 1000")));
        QVERIFY(
            lines.contains(QStringLiteral("]- Тревога: Котёл — нет связи, опросов без ответа: 2")));
        QVERIFY(lines.contains(
            QStringLiteral("]- Команда оповещения не завершилась за 1 с и остановлена")));

        text.replace("AlarmHigh=1000", "AlarmHigh=2000");
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(text);
        ini.close();
        r = run({"--dir", folder, "poll", "--for", "2"});
        QCOMPARE(r.exitCode, 0);
        QFile told(script + ".out");
        QVERIFY(told.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(told.readAll()),
                 QStringLiteral("ZELTAR_KIND=high ZELTAR_NAME=Печь 1 ZELTAR_STATE=active \n"
                                "ZELTAR_KIND=nolink ZELTAR_NAME=Котёл ZELTAR_STATE=active \n"
                                "ZELTAR_KIND=high ZELTAR_NAME=Печь 1 ZELTAR_STATE=normal \n"));

        r = run({"--dir", folder, "alarms"});
        QCOMPARE(r.exitCode, 0);
        QProcess python;
        python.start(QStringLiteral("python3"),
                     {"-c", "import csv, sys\n"
                            "for row in csv.DictReader(sys.stdin):\n"
                            "    print('|'.join([row['device'], row['name'], row['kind'],"
                            " row['state'], row['value'], row['limit'], str(len(row))]))\n"});
        python.write(r.out.toUtf8());
        python.closeWriteChannel();
        QVERIFY(python.waitForFinished(10000));
        QCOMPARE(QString::fromUtf8(python.readAllStandardOutput()),
                 QStringLiteral("1|Печь 1|high|active|1043.2|1000|8\n"
                                "2|Котёл|nolink|active|2|2|8\n"
                                "1|Печь 1|high|normal|1043.2|2000|8\n"));
        r = run({"--dir", folder, "alarms", "--from", "01.01.2100 00:00:00"});
        QCOMPARE(r.out, QStringLiteral("date,time,device,name,kind,state,value,limit\r\n"));
    }

    void onlyOneStationAtATime()
    {
        QTemporaryDir dir;
        const QString folder = stationFolder(dir, QStringLiteral("/nonexistent"));
        const QByteArray oldTemp = qgetenv("TMPDIR");
        qputenv("TMPDIR", m_lockDir.path().toLocal8Bit());
        zeltar::SingleInstance first;
        const bool held = first.tryAcquire();
        qputenv("TMPDIR", oldTemp);
        QVERIFY(held);
        const Run r = run({"--dir", folder, "poll", "--for", "1"});
        QCOMPARE(r.exitCode, 1);
        QVERIFY(r.err.contains(QStringLiteral("Программа уже запущена")));
    }
};

QTEST_GUILESS_MAIN(ZeltarctlTest)
#include "test_zeltarctl.moc"
