// The polling cycle against zeltar-sim over a pseudo-terminal: the round of enabled
// devices, link failures and the retry, archive periods at chosen dates, missing tables,
// and a broken archive folder, in both link modes where they differ. Ticks are driven by
// hand: TimeOpr 999 keeps timerSys quiet.
#include "acquisition/archive_download.h"
#include "acquisition/archive_table.h"
#include "acquisition/polling_cycle.h"
#include "acquisition/station.h"
#include "core/clock.h"
#include "instrument/settings_read.h"
#include "link/serial_session.h"
#include "link_mode_rows.h"
#include "message_recorder.h"
#include "sim_process.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <limits>

using namespace zeltar;
using zeltar::test::AddLinkModeRows;
using zeltar::test::SimProcess;

namespace {

struct DeviceLine
{
    QString name;
    int enabled;
    int address;
};

// Writes a station folder whose COM1 is the simulator's line.
void writeConfig(const QString &dir, const QString &line, const QList<DeviceLine> &devices,
                 const QString &mainExtra = QString())
{
    QFile file(dir + QStringLiteral("/Zeltar.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QString text = QStringLiteral("[MAIN]\nTimeOpr=999\nTimeArh=1\nCountUstr=%1\n%2")
                       .arg(devices.size())
                       .arg(mainExtra);
    for (int i = 0; i < devices.size(); ++i) {
        text += QStringLiteral("[ZELTAR%1]\nPribName=%2\nPribVkl=%3\nPribPort=1\nPribBaud=2\n"
                               "PribAdr=%4\n")
                    .arg(i + 1)
                    .arg(devices[i].name)
                    .arg(devices[i].enabled)
                    .arg(devices[i].address);
    }
    text += QStringLiteral("[PORTS]\nCOM1=%1\n").arg(line);
    file.write(text.toUtf8());
}

// A station on a folder, loaded as at start-up, with its polling cycle.
struct LoadedStation
{
    explicit LoadedStation(const QString &dir) : station(dir), cycle(station)
    {
        station.journal.load(station.journalPath());
        loaded = station.loadConfiguration();
    }
    Station station;
    PollingCycle cycle;
    bool loaded = false;
};

QByteArray FileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// The LINK section of a station in the given mode; the standard mode has none.
QString linkSection(bool fast)
{
    return fast ? QStringLiteral("[LINK]\nMode=fast\nTurnaroundMs=5\n") : QString();
}

// Ticks by hand, each taken to its end (in the fast mode a tick runs the line's round).
QList<int> polledDevices(PollingCycle &cycle, int ticks)
{
    QList<int> polled;
    auto connection =
        QObject::connect(&cycle, &PollingCycle::devicePolled, [&](int n) { polled.append(n); });
    for (int i = 0; i < ticks; ++i) {
        cycle.timerSysTimer();
        zeltar::test::WaitUntil([&cycle] { return !cycle.isBusy(); }, 10000);
    }
    QObject::disconnect(connection);
    return polled;
}

// What the line's session shows once the jobs queued before have run.
struct LineSession
{
    int opens = 0;
    bool open = false;
};

LineSession lineSession(Station &station)
{
    LineSession seen;
    station.lines.worker(1).runAndWait([&seen](SerialSession &session) {
        seen.opens = session.openCount();
        seen.open = session.isOpen();
    });
    return seen;
}

} // namespace

class PollingCycleTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir *m_dir = nullptr;
    MessageRecorder *m_messages = nullptr;

    QString dir() const { return m_dir->path(); }

private Q_SLOTS:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        Clock::setNow(QDateTime(QDate(2024, 3, 1), QTime(10, 15, 0)));
        m_dir = new QTemporaryDir;
        m_messages = new MessageRecorder;
    }

    void cleanup()
    {
        QVERIFY(m_messages->settled());
        delete m_messages;
        delete m_dir;
        Clock::reset();
    }

    void intervalFormula()
    {
        Station station(dir());
        PollingCycle cycle(station);
        station.settings.TimeOpr = 1;
        station.state.CountVkl = 3;
        QCOMPARE(cycle.interval(), 334);
        station.settings.TimeOpr = 999;
        station.state.CountVkl = 1;
        QCOMPARE(cycle.interval(), 999001);
        station.settings.TimeOpr = 10;
        station.state.CountVkl = 3;
        QCOMPARE(cycle.interval(), 3334);
        // Computed in 64 bits and held within what the timer takes.
        station.state.CountVkl = 1;
        for (const int timeOpr : {2147484, 4294968, std::numeric_limits<int>::max()}) {
            station.settings.TimeOpr = timeOpr;
            QCOMPARE(cycle.interval(), std::numeric_limits<int>::max());
        }
    }

    // Whatever lies where the current table or the template should be, the instrument is
    // read at every tick and recording resumes at once in a fresh table; what was there is
    // kept under a name that nothing reuses.
    void badTableIsSetAsideAndRecordingGoesOn_data()
    {
        QTest::addColumn<QString>("spoiled");    // "table" or "template"
        QTest::addColumn<QByteArray>("content"); // empty for a folder
        QTest::addColumn<QString>("journalLine");
        const QString table = QStringLiteral("Котёл_24_03_01_10.dbf");
        const QString tableLine =
            QStringLiteral("Архив %1 испорчен и сохранён как %1.bad2, начат новый");
        QTest::newRow("empty table") << "table" << QByteArray("") << tableLine.arg(table);
        QTest::newRow("junk table") << "table" << QByteArray(700, 'j') << tableLine.arg(table);
        QTest::newRow("folder") << "table" << QByteArray() << tableLine.arg(table);
        QTest::newRow("junk template")
            << "template" << QByteArray("junk")
            << QStringLiteral("Шаблон архива Zeltar.dbf испорчен и сохранён как Zeltar.dbf.bad2, "
                              "сделан новый");
    }
    void badTableIsSetAsideAndRecordingGoesOn()
    {
        QFETCH(QString, spoiled);
        QFETCH(QByteArray, content);
        QFETCH(QString, journalLine);
        SimProcess sim;
        QVERIFY(sim.start());
        // The template case rolls over to a new period, which copies the template.
        const bool table = spoiled == QLatin1String("table");
        writeConfig(dir(), sim.portPath(), {{"Котёл", 1, 1}},
                    table ? QStringLiteral("TimeLastArh=17743834\nTimeLastArh1=24_03_01_10\n")
                          : QString());
        const QString data = dir() + QStringLiteral("/Data/");
        const QString path = table ? data + QStringLiteral("Котёл_24_03_01_10.dbf")
                                   : dir() + QStringLiteral("/Zeltar.dbf");
        QVERIFY(QDir().mkpath(data));
        if (content.isNull()) {
            QVERIFY(QDir().mkpath(path));
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        // A name already taken by an earlier bad file is not overwritten.
        QFile earlier(path + QStringLiteral(".bad"));
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier");
        earlier.close();

        LoadedStation loaded(dir());
        QVERIFY(loaded.loaded);
        Station &station = loaded.station;
        QSignalSpy errors(&loaded.cycle, &PollingCycle::tableError);
        QSignalSpy images(&loaded.cycle, &PollingCycle::linkImageChanged);
        loaded.cycle.btnStartClick();
        QCOMPARE(polledDevices(loaded.cycle, 2), QList<int>({1, 1}));

        QCOMPARE(errors.count(), 0);
        QCOMPARE(images.count(), 2);
        QCOMPARE(station.state.device(1).PribNoLink, 0);
        QCOMPARE(station.journal.lines().filter(journalLine).size(), 1);
        QCOMPARE(FileBytes(path + QStringLiteral(".bad")), QByteArray("earlier"));
        if (content.isNull())
            QVERIFY(QFileInfo(path + QStringLiteral(".bad2")).isDir());
        else
            QCOMPARE(FileBytes(path + QStringLiteral(".bad2")), content);
        ArchiveTable current;
        QVERIFY(current.open(ArchiveKeeper(station).CurrentTableName(1), ArchiveTable::Mode::Read));
        QCOMPARE(current.recordCount(), 2);
    }

    // Four lines of four instruments, polled by the lines' own timers: the lines go side by
    // side (every device's first poll within the first period), each device once a period,
    // and every poll is a record.
    void linesPolledSideBySide()
    {
        Clock::reset();
        std::vector<std::unique_ptr<SimProcess>> lines;
        QString text = QStringLiteral("[MAIN]\nTimeOpr=2\nTimeArh=1\nCountUstr=16\n");
        QString ports = QStringLiteral("[PORTS]\n");
        for (int line = 1; line <= 4; ++line) {
            QStringList options;
            for (int address = 1; address <= 4; ++address)
                options << QStringLiteral("--addr") << QString::number(address);
            lines.push_back(std::make_unique<SimProcess>(options));
            QVERIFY(lines.back()->start());
            ports += QStringLiteral("COM%1=%2\n").arg(line).arg(lines.back()->portPath());
            for (int address = 1; address <= 4; ++address) {
                const int n = (line - 1) * 4 + address;
                text += QStringLiteral("[ZELTAR%1]\nPribName=П%1\nPribVkl=1\nPribPort=%2\n"
                                       "PribBaud=2\nPribAdr=%3\n")
                            .arg(n)
                            .arg(line)
                            .arg(address);
            }
        }
        QFile file(dir() + QStringLiteral("/Zeltar.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write((text + ports).toUtf8());
        file.close();
        LoadedStation loaded(dir());
        QVERIFY(loaded.loaded);
        Station &station = loaded.station;
        PollingCycle &cycle = loaded.cycle;

        QElapsedTimer clock;
        QMap<int, QList<qint64>> polls;
        connect(&cycle, &PollingCycle::devicePolled, this,
                [&](int n) { polls[n].append(clock.elapsed()); });
        clock.start();
        cycle.btnStartClick();
        QTest::qWait(6600);
        cycle.btnStopClick();
        QTRY_VERIFY_WITH_TIMEOUT(!cycle.isBusy(), 10000);

        QCOMPARE(polls.size(), 16);
        for (int n = 1; n <= 16; ++n) {
            const QList<qint64> &times = polls.value(n);
            QVERIFY2(times.size() >= 3 && times.size() <= 4,
                     qPrintable(QStringLiteral("device %1: %2 polls").arg(n).arg(times.size())));
            QVERIFY2(times.first() < 2600, qPrintable(QString::number(times.first())));
            QVERIFY2(station.state.device(n).PribNoLink == 0, qPrintable(QString::number(n)));
            ArchiveTable table;
            QVERIFY(
                table.open(ArchiveKeeper(station).CurrentTableName(n), ArchiveTable::Mode::Read));
            QCOMPARE(table.recordCount(), times.size());
        }
    }

    void oneExchangeAtATime_data() { AddLinkModeRows(); }

    // Never two exchanges at once on a line: a stop and a start inside a tick, and an
    // archive download and a settings read handed to the line while a tick is out, all wait
    // their turn. The simulator takes requests at the line's pace and counts any that
    // begins while an earlier exchange is still on the line.
    void oneExchangeAtATime()
    {
        QFETCH(bool, fast);
        SimProcess sim({"--pace", "--addr", "1", "--value", "5", "--archive", "30", "--addr", "2",
                        "--value", "6"});
        QVERIFY(sim.start());
        writeConfig(dir(), sim.portPath(), {{"A", 1, 1}, {"B", 1, 2}}, linkSection(fast));
        LoadedStation loaded(dir());
        QVERIFY(loaded.loaded);
        Station &station = loaded.station;
        PollingCycle &cycle = loaded.cycle;
        station.settings.TimeOpr = 1; // the lines' own timers tick
        auto download = std::make_shared<ArchiveDownload>();
        auto read = std::make_shared<int>(-1);
        bool handedOver = false;
        connect(&cycle, &PollingCycle::currentDeviceChanged, this, [&](const QString &name) {
            if (name.isEmpty() || handedOver)
                return;
            handedOver = true;
            cycle.btnStopClick();
            cycle.btnStartClick();
            const InstrumentSettings device = station.table.device(1);
            LineWorker &line = station.lines.worker(device.PribPort);
            line.post([device, download](SerialSession &port) {
                *download = DownloadArchive(port, device);
            });
            auto table = std::make_shared<DeviceTable>(station.table);
            line.post([table, read](SerialSession &port) {
                *read = ReadInstrumentSettings(port, *table, 1, 2, 1, nullptr);
            });
        });
        cycle.btnStartClick();
        QTRY_VERIFY_WITH_TIMEOUT(*read != -1, 30000);
        QTest::qWait(1500);
        cycle.btnStopClick();
        QTRY_VERIFY_WITH_TIMEOUT(!cycle.isBusy() && station.lines.idle(), 10000);

        QCOMPARE(download->records.size(), 30);
        QCOMPARE(*read, int(SettingsReadOk));
        QVERIFY(station.state.device(2).PribNoLink == 0);
        QVERIFY(sim.lineCount("requests") > 35); // the download's 31 reads among them
        QCOMPARE(sim.lineCount("overlaps"), 0);
    }

    void startWithoutEnabledDevices()
    {
        writeConfig(dir(), QStringLiteral("/nonexistent"), {{"A", 0, 1}, {"B", 0, 2}});
        LoadedStation loaded(dir());
        QVERIFY(loaded.loaded);
        Station &station = loaded.station;
        PollingCycle &cycle = loaded.cycle;
        QSignalSpy refused(&cycle, &PollingCycle::startRefused);
        cycle.btnStartClick();
        QCOMPARE(refused.count(), 1);
        QCOMPARE(m_messages->lastText(), QStringLiteral("Нет включенных приборов"));
        QCOMPARE(m_messages->messages().last().icon, MessageIcon::Warning);
        QVERIFY(!station.state.OprRun);
        QVERIFY(station.journal.lines().isEmpty());
    }

    void roundOfEnabledDevicesAndStop_data() { AddLinkModeRows(); }

    void roundOfEnabledDevicesAndStop()
    {
        QFETCH(bool, fast);
        SimProcess sim({"--addr", "2", "--value", "100", "--addr", "4", "--value", "-12.5"});
        QVERIFY(sim.start());
        writeConfig(dir(), sim.portPath(),
                    {{"Один", 0, 1}, {"Два", 1, 2}, {"Три", 0, 3}, {"Четыре", 1, 4}},
                    linkSection(fast));
        LoadedStation loaded(dir());
        QVERIFY(loaded.loaded);
        Station &station = loaded.station;
        PollingCycle &cycle = loaded.cycle;
        QSignalSpy started(&cycle, &PollingCycle::pollingStarted);
        QSignalSpy images(&cycle, &PollingCycle::linkImageChanged);
        cycle.btnStartClick();
        QCOMPARE(started.count(), 1);
        QCOMPARE(station.state.CountVkl, 2);
        QCOMPARE(station.state.PosOpr, 1);
        // The standard mode spreads the devices over the period, the fast mode runs a round.
        QCOMPARE(cycle.timerSys().interval(), fast ? 999 * 1000 + 1 : 999 * 1000 / 2 + 1);
        // A second start changes nothing.
        cycle.btnStartClick();
        QCOMPARE(started.count(), 1);

        // The standard mode polls one device a tick, the fast mode the line's round.
        QCOMPARE(polledDevices(cycle, fast ? 2 : 4), QList<int>({2, 4, 2, 4}));
        QCOMPARE(station.state.PosOpr, 1);
        QCOMPARE(station.state.device(2).PribZnac, 100.0f);
        QCOMPARE(station.state.device(4).PribZnac, -12.5f);
        QCOMPARE(station.state.device(4).PribNoLink, quint8(0));
        QCOMPARE(station.state.device(1).PribZnac, 0.0f); // never polled
        QCOMPARE(images.last(), QVariantList({4, 7}));
        // The fast mode keeps the port open across ticks and closes it when polling stops.
        QCOMPARE(lineSession(station).opens, fast ? 1 : 4);

        QSignalSpy ended(&cycle, &PollingCycle::pollingEnded);
        cycle.btnStopClick();
        QCOMPARE(ended.count(), 1);          // nothing was out: the line is free at once
        QVERIFY(!lineSession(station).open); // and let go
        QVERIFY(!station.state.OprRun);
        QCOMPARE(station.state.PosOpr, 0);
        QVERIFY(!cycle.timerSys().isActive());
        QCOMPARE(station.state.device(2).PribZnac, 100.0f); // kept after the stop
        QCOMPARE(station.journal.lines().first().section("]- ", 1),
                 QStringLiteral("Остановлена система сбора и анализа данных"));
        // A tick after the stop does nothing.
        QVERIFY(polledDevices(cycle, 1).isEmpty());
    }

    void silentDeviceAndRetry_data() { AddLinkModeRows(); }

    void silentDeviceAndRetry()
    {
        QFETCH(bool, fast);
        // Address 1 never answers; address 2 misses every first request of a pair, so
        // each tick's retry is the one that succeeds.
        SimProcess sim({"--addr", "1", "--silent", "--addr", "2", "--value", "33.25", "--silent",
                        "--fault-every", "2"});
        QVERIFY(sim.start());
        writeConfig(dir(), sim.portPath(), {{"Тихий", 1, 1}, {"Повтор", 1, 2}}, linkSection(fast));
        LoadedStation loaded(dir());
        QVERIFY(loaded.loaded);
        Station &station = loaded.station;
        PollingCycle &cycle = loaded.cycle;
        station.state.device(1).PribRele = 9; // left from an earlier poll
        QSignalSpy images(&cycle, &PollingCycle::linkImageChanged);
        cycle.btnStartClick();
        QCOMPARE(polledDevices(cycle, fast ? 1 : 2), QList<int>({1, 2}));

        const DevicePollState &silent = station.state.device(1);
        QCOMPARE(silent.PribZnac, NoLinkValue);
        QCOMPARE(silent.PribRele, quint8(0));
        QCOMPARE(silent.PribNoLink, quint8(1));
        QCOMPARE(images.at(0), QVariantList({1, 14}));
        const DevicePollState &retried = station.state.device(2);
        QCOMPARE(retried.PribZnac, 33.25f);
        QCOMPARE(retried.PribNoLink, quint8(0));
        QCOMPARE(images.at(1), QVariantList({2, 7}));

        // The no-link poll is archived too.
        ArchiveKeeper keeper(station);
        ArchiveTable table;
        QVERIFY(table.open(keeper.CurrentTableName(1), ArchiveTable::Mode::Read));
        QCOMPARE(table.recordCount(), 1);
        QCOMPARE(table.readDouble(0, QStringLiteral("ZNAC")), 200000.0);
        QCOMPARE(table.readInt(0, 7), 1);
        QCOMPARE(table.readText(0, QStringLiteral("data")), QStringLiteral("01.03.2024"));
        QCOMPARE(table.readText(0, QStringLiteral("Time")), QStringLiteral("10:15:00"));
    }

    void periodsAtChosenDates()
    {
        SimProcess sim({"--addr", "1", "--addr", "2"});
        QVERIFY(sim.start());
        writeConfig(dir(), sim.portPath(), {{"Печь 1", 1, 1}, {"Печь 2", 1, 2}});
        LoadedStation loaded(dir());
        QVERIFY(loaded.loaded);
        Station &station = loaded.station;
        PollingCycle &cycle = loaded.cycle;
        QSignalSpy rolled(&cycle, &PollingCycle::archivesRolledOver);
        cycle.btnStartClick();

        // No TimeLastArh in the file: the first tick begins a period at once.
        polledDevices(cycle, 1);
        QCOMPARE(rolled.count(), 1);
        const QString data = station.settings.PathArh;
        QVERIFY(QFile::exists(data + QStringLiteral("Печь 1_24_03_01_10.dbf")));
        QVERIFY(QFile::exists(data + QStringLiteral("Печь 2_24_03_01_10.dbf")));
        QCOMPARE(station.settings.TimeLastArh, qint64(17743824 + 10));
        IniFile written(station.configPath());
        QCOMPARE(written.readString("MAIN", "TimeLastArh1", "SSS"), QStringLiteral("24_03_01_10"));
        QCOMPARE(written.readInteger("MAIN", "TimeLastArh", 0), 17743834);
        QVERIFY(station.journal.lines().first().endsWith(
            QStringLiteral("]- Созданы новые архивы данных")));

        // Within the hour: same tables.
        Clock::setNow(QDateTime(QDate(2024, 3, 1), QTime(10, 59, 59)));
        polledDevices(cycle, 1);
        QCOMPARE(rolled.count(), 1);

        // The hour has run out: new tables for both, the old ones keep their records and
        // are left clean (a crash left part of a record in one of them). Zeltar.ini is
        // read-only now: the new period goes on in memory and the journal says so.
        const QString partial = data + QStringLiteral("Печь 1_24_03_01_10.dbf");
        const qint64 whole = QFileInfo(partial).size();
        {
            QFile file(partial);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.seek(whole - 1)); // over the end marker
            file.write(" 0000000002    01.03.2024");
        }
        QFile::setPermissions(station.configPath(), QFile::ReadOwner | QFile::ReadGroup);
        Clock::setNow(QDateTime(QDate(2024, 3, 1), QTime(11, 0, 1)));
        polledDevices(cycle, 1);
        QCOMPARE(rolled.count(), 2);
        QCOMPARE(QFileInfo(partial).size(), whole);
        QCOMPARE(station.settings.TimeLastArh1, QStringLiteral("24_03_01_11"));
        QCOMPARE(IniFile(station.configPath()).readString("MAIN", "TimeLastArh1", "SSS"),
                 QStringLiteral("24_03_01_10"));
        QVERIFY(station.journal.lines().at(1).contains(
            QStringLiteral("]- Период архива не сохранён. Ошибка записи файла ")));
        QVERIFY(station.journal.lines().at(1).endsWith(QStringLiteral(": файл защищён от записи")));
        QFile::setPermissions(station.configPath(), QFile::ReadOwner | QFile::WriteOwner);
        QVERIFY(QFile::exists(data + QStringLiteral("Печь 2_24_03_01_11.dbf")));
        ArchiveTable old;
        QVERIFY(
            old.open(data + QStringLiteral("Печь 1_24_03_01_10.dbf"), ArchiveTable::Mode::Read));
        QCOMPARE(old.recordCount(), 1);
        old.close();
        QVERIFY(
            old.open(data + QStringLiteral("Печь 2_24_03_01_10.dbf"), ArchiveTable::Mode::Read));
        QCOMPARE(old.recordCount(), 1);
        old.close();

        // The clock set back by more than a period to an hour whose tables exist: a new
        // period begins, and the existing table keeps its record; the new one is appended.
        Clock::setNow(QDateTime(QDate(2024, 3, 1), QTime(10, 30, 0)));
        station.settings.TimeLastArh = 17743834 + 5;
        QCOMPARE(polledDevices(cycle, 1), QList<int>({2}));
        QCOMPARE(rolled.count(), 3);
        QVERIFY(
            old.open(data + QStringLiteral("Печь 2_24_03_01_10.dbf"), ArchiveTable::Mode::Read));
        QCOMPARE(old.recordCount(), 2);
    }

    void missingTableIsMadeAgain()
    {
        SimProcess sim;
        QVERIFY(sim.start());
        writeConfig(dir(), sim.portPath(), {{"Котёл", 1, 1}},
                    QStringLiteral("TimeLastArh=17743834\nTimeLastArh1=24_03_01_10\n"));
        LoadedStation loaded(dir());
        QVERIFY(loaded.loaded);
        Station &station = loaded.station;
        PollingCycle &cycle = loaded.cycle;
        cycle.btnStartClick();
        polledDevices(cycle, 2);
        ArchiveKeeper keeper(station);
        const QString table = keeper.CurrentTableName(1);
        QVERIFY(table.endsWith(QStringLiteral("/Котёл_24_03_01_10.dbf")));
        QVERIFY(station.journal.lines().first().endsWith(
            QStringLiteral("]- Восстановлен архив Котёл_24_03_01_10.dbf")));
        QCOMPARE(station.journal.lines().size(), 2); // started, restored, nothing more

        // The whole archive folder removed while polling: made again at the next tick.
        QVERIFY(QDir(station.settings.PathArh).removeRecursively());
        polledDevices(cycle, 1);
        QVERIFY(station.journal.lines().first().endsWith(
            QStringLiteral("]- Восстановлен архив Котёл_24_03_01_10.dbf")));
        ArchiveTable reopened;
        QVERIFY(reopened.open(table, ArchiveTable::Mode::Read));
        QCOMPARE(reopened.recordCount(), 1);
        reopened.close();

        // A link that points out of the folder to nothing is set aside, never followed.
        const QString outside = dir() + QStringLiteral("/elsewhere.dbf");
        QVERIFY(QFile::remove(table));
        QVERIFY(QFile::link(outside, table));
        polledDevices(cycle, 1);
        QVERIFY(!QFileInfo::exists(outside));
        QVERIFY(QFileInfo(table + QStringLiteral(".bad")).isSymLink());
        QVERIFY(!QFileInfo(table).isSymLink());
        QVERIFY(reopened.open(table, ArchiveTable::Mode::Read));
        QCOMPARE(reopened.recordCount(), 1);
    }

    void brokenArchiveFolderReportedOnceAndPollingGoesOn()
    {
        SimProcess sim({"--addr", "1", "--addr", "2"});
        QVERIFY(sim.start());
        writeConfig(dir(), sim.portPath(), {{"Первый", 1, 1}, {"Второй", 1, 2}},
                    QStringLiteral("TimeLastArh=17743834\nTimeLastArh1=24_03_01_10\n"));
        LoadedStation loaded(dir());
        QVERIFY(loaded.loaded);
        Station &station = loaded.station;
        PollingCycle &cycle = loaded.cycle;
        // The archive folder is a plain file: no table can be made there.
        const QString folder = dir() + QStringLiteral("/blocked/");
        QFile blocker(dir() + QStringLiteral("/blocked"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        station.settings.PathArh = folder;

        QSignalSpy errors(&cycle, &PollingCycle::tableError);
        cycle.btnStartClick();
        polledDevices(cycle, 4);
        QCOMPARE(errors.count(), 1); // one message, not one per tick
        QVERIFY(!station.state.OprBusy);
        QCOMPARE(station.state.PosOpr, 1); // the round went on

        // The cause is gone: the station recovers by itself.
        QVERIFY(QFile::remove(dir() + QStringLiteral("/blocked")));
        QVERIFY(QDir().mkpath(folder));
        QCOMPARE(polledDevices(cycle, 2), QList<int>({1, 2}));
        QVERIFY(QFile::exists(folder + QStringLiteral("Первый_24_03_01_10.dbf")));
    }

    void tickDuringATickReturnsAtOnce()
    {
        SimProcess sim({"--addr", "1", "--addr", "2"});
        QVERIFY(sim.start());
        writeConfig(dir(), sim.portPath(), {{"A", 1, 1}, {"B", 1, 2}});
        LoadedStation loaded(dir());
        QVERIFY(loaded.loaded);
        Station &station = loaded.station;
        PollingCycle &cycle = loaded.cycle;
        cycle.btnStartClick();
        int nested = 0;
        // While the tick waits for its reply, more ticks and a start come in.
        connect(&cycle, &PollingCycle::currentDeviceChanged, this, [&](const QString &name) {
            if (name.isEmpty())
                return;
            ++nested;
            cycle.timerSysTimer();
            cycle.btnStartClick();
        });
        QCOMPARE(polledDevices(cycle, 1), QList<int>({1}));
        QCOMPARE(nested, 1);
        QCOMPARE(station.state.PosOpr, 2);
    }

    void stopDuringATickFinishesItsDevice_data() { AddLinkModeRows(); }

    void stopDuringATickFinishesItsDevice()
    {
        QFETCH(bool, fast);
        SimProcess sim({"--addr", "1", "--value", "7"});
        QVERIFY(sim.start());
        writeConfig(dir(), sim.portPath(), {{"A", 1, 1}}, linkSection(fast));
        LoadedStation loaded(dir());
        QVERIFY(loaded.loaded);
        Station &station = loaded.station;
        PollingCycle &cycle = loaded.cycle;
        cycle.btnStartClick();
        connect(&cycle, &PollingCycle::currentDeviceChanged, this, [&](const QString &name) {
            if (!name.isEmpty())
                cycle.btnStopClick();
        });
        QCOMPARE(polledDevices(cycle, 1), QList<int>({1}));
        QCOMPARE(station.state.device(1).PribZnac, 7.0f);
        QCOMPARE(station.state.PosOpr, 0);
        QVERIFY(!station.state.OprBusy);
        QVERIFY(!lineSession(station).open); // closed once the tick was over
    }

    void shutdownDuringAWaitTouchesNoTable()
    {
        SimProcess sim({"--addr", "1", "--late", "60"});
        QVERIFY(sim.start());
        writeConfig(dir(), sim.portPath(), {{"A", 1, 1}},
                    QStringLiteral("TimeLastArh=17743834\nTimeLastArh1=24_03_01_10\n"));
        LoadedStation loaded(dir());
        QVERIFY(loaded.loaded);
        Station &station = loaded.station;
        PollingCycle &cycle = loaded.cycle;
        cycle.btnStartClick();
        connect(&cycle, &PollingCycle::currentDeviceChanged, this, [&](const QString &name) {
            if (!name.isEmpty())
                QTimer::singleShot(20, &cycle, [&] { cycle.shutdown(); });
        });
        QVERIFY(polledDevices(cycle, 1).isEmpty());
        // The record is taken in only when the reply is: there is no table to touch yet.
        QVERIFY(!QFile::exists(ArchiveKeeper(station).CurrentTableName(1)));
        QVERIFY(!station.state.OprBusy);
    }
    void archiveReadByAnIndependentReader()
    {
        // What another dBase reader finds in the station's tables, field by field.
        QProcess probe;
        probe.start(QStringLiteral("/usr/bin/python3"), {"-c", "import dbfread"});
        if (!probe.waitForFinished(10000) || probe.exitCode() != 0)
            QSKIP("python3-dbfread is not installed");

        SimProcess sim({"--addr", "1", "--value", "42.5", "--addr", "2", "--silent"});
        QVERIFY(sim.start());
        writeConfig(dir(), sim.portPath(), {{"Печь №1", 1, 1}, {"Тихий", 1, 2}});
        LoadedStation loaded(dir());
        QVERIFY(loaded.loaded);
        Station &station = loaded.station;
        loaded.cycle.btnStartClick();
        polledDevices(loaded.cycle, 3);
        const DevicePollState answered = station.state.device(1);

        const QString script =
            QStringLiteral("import dbfread, json, sys\n"
                           "for r in dbfread.DBF(sys.argv[1], encoding='cp1251'):\n"
                           "    print(json.dumps(dict(r), ensure_ascii=False))\n");
        auto records = [&](int n) {
            QProcess reader;
            reader.start(QStringLiteral("/usr/bin/python3"),
                         {"-c", script, ArchiveKeeper(station).CurrentTableName(n)});
            reader.waitForFinished(10000);
            QList<QJsonObject> rows;
            for (const QByteArray &line : reader.readAllStandardOutput().split('\n'))
                if (!line.isEmpty())
                    rows.append(QJsonDocument::fromJson(line).object());
            return rows;
        };

        const QList<QJsonObject> first = records(1);
        QCOMPARE(first.size(), 2);
        for (const QJsonObject &row : first) {
            QCOMPARE(row.value("DATA").toString(), QStringLiteral("01.03.2024"));
            QCOMPARE(row.value("TIME").toString(), QStringLiteral("10:15:00"));
            QCOMPARE(row.value("ZNAC").toDouble(), 42.5);
            QCOMPARE(row.value("STAT").toInt(), int(answered.PribStat));
            QCOMPARE(row.value("RELE").toInt(), int(answered.PribRele));
            QCOMPARE(row.value("STEP").toInt(), int(answered.PribNomReg));
            QCOMPARE(row.value("NOLINK").toInt(), 0);
        }
        const QList<QJsonObject> second = records(2);
        QCOMPARE(second.size(), 1);
        QCOMPARE(second.at(0).value("ZNAC").toDouble(), 200000.0);
        QCOMPARE(second.at(0).value("RELE").toInt(), 0);
        QCOMPARE(second.at(0).value("NOLINK").toInt(), 1);
    }
};

QTEST_GUILESS_MAIN(PollingCycleTest)
#include "test_polling_cycle.moc"
