// The station's alarms fed with poll results: the settings in the device sections, the
// limit rules with their delay and deadband, no link and sensor break, the states and their
// journal lines, the state kept across a restart, the history table read back as CSV, the
// operator's command with its environment and its time limit, and the mail of raises and
// returns to a real mail server, one that hangs and one that is not there.
#include "acquisition/polling_cycle.h"
#include "acquisition/station.h"
#include "alarms/alarm_command.h"
#include "alarms/alarm_entries.h"
#include "alarms/alarm_history.h"
#include "alarms/alarm_monitor.h"
#include "alarms/alarm_settings.h"
#include "alarms/mail/alarm_mailer.h"
#include "core/clock.h"
#include "core/date_time_text.h"
#include "mqtt_broker.h"
#include "sim_process.h"
#include "smtp_server.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

using namespace zeltar;

namespace {

const QDateTime Start(QDate(2026, 12, 9), QTime(14, 0, 0));

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

DevicePollState Measured(float value)
{
    DevicePollState poll;
    poll.PribZnac = value;
    return poll;
}

DevicePollState Silent()
{
    DevicePollState poll;
    poll.PribZnac = NoLinkValue;
    poll.PribNoLink = 1;
    return poll;
}

} // namespace

class TestAlarms : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;

    // A station of one furnace whose section ends with the alarm keys given.
    std::unique_ptr<Station> station(const QByteArray &alarmKeys, const QByteArray &extra = {},
                                     const QByteArray &mainKeys = {})
    {
        WriteFile(m_dir->filePath("Zeltar.ini"), "[MAIN]\nCountUstr=1\n" + mainKeys +
                                                     "[ZELTAR1]\nPribName=Печь 1\nPribVkl=1\n" +
                                                     alarmKeys + extra);
        auto s = std::make_unique<Station>(m_dir->path());
        s->journal.load(s->journalPath());
        s->loadConfiguration();
        return s;
    }

    // The journal lines that tell alarms, oldest first.
    static QStringList alarmLines(const Station &s)
    {
        QStringList lines;
        for (const QString &line : s.journal.lines()) {
            const QString text = line.section(QStringLiteral("]- "), 1);
            if (text.startsWith(QStringLiteral("Тревога")) ||
                text.startsWith(QStringLiteral("Норма")) ||
                text.startsWith(QStringLiteral("Квитирована")))
                lines.prepend(text);
        }
        return lines;
    }

    static QStringList historyCsv(const Station &s, WallSeconds from = 0,
                                  WallSeconds to = std::numeric_limits<WallSeconds>::max())
    {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QString error;
        if (WriteAlarmHistoryCsv(s.settings.PathArh, from, to, buffer, &error) < 0)
            return {error};
        return QString::fromUtf8(buffer.data()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Quick to give up and to try again, so that a test sees both within seconds.
        AlarmMailer::Options fast;
        fast.timeoutMs = 1000;
        fast.retryFirstMs = 300;
        fast.retryMaxMs = 600;
        InstallAlarmMail(fast);
    }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    }

    void cleanup()
    {
        Clock::reset();
        QLocale::setDefault(QLocale::c());
    }

    // The keys at the end of a device's section: either separator, absent or empty means
    // off, a wrong value is taken as absent and is named; writing them back appends only
    // what is set, so a file without alarms stays byte for byte what it was.
    void settingsInTheDeviceSection()
    {
        auto s = station("AlarmHigh=1043,5\nAlarmLow=-20.25\nAlarmDeadband=2\nAlarmDelay=10\n"
                         "AlarmNoLink=3\nAlarmBreak=1\n");
        DeviceAlarmSettings read = ReadDeviceAlarms(s->ini, 1);
        QCOMPARE(read.AlarmHigh, std::optional<double>(1043.5));
        QCOMPARE(read.AlarmLow, std::optional<double>(-20.25));
        QCOMPARE(read.AlarmDeadband, 2.0);
        QCOMPARE(read.AlarmDelay, 10);
        QCOMPARE(read.AlarmNoLink, 3);
        QVERIFY(read.AlarmBreak);

        s = station("AlarmHigh=\nAlarmLow=много\nAlarmDelay=-1\nAlarmBreak=2\n");
        QStringList errors;
        read = ReadDeviceAlarms(s->ini, 1, &errors);
        QVERIFY(!read.any());
        QCOMPARE(errors,
                 QStringList({"ZELTAR1/AlarmLow", "ZELTAR1/AlarmDelay", "ZELTAR1/AlarmBreak"}));
        AlarmMonitor monitor(*s);
        monitor.load();
        QVERIFY(s->journal.lines().first().endsWith(
            "Неверная настройка сигнализации: ZELTAR1/AlarmBreak. Значение не принято"));

        // A device written by the station, with no alarm: written again with its alarms off,
        // nothing changes.
        s = station({}, "[MQTT]\nEnabled=0\n");
        QVERIFY(WriteDevice(s->ini, s->table, 1));
        const QByteArray before = ReadFile(s->configPath());
        QVERIFY(WriteDevice(s->ini, s->table, 1));
        QVERIFY(WriteDeviceAlarms(s->ini, 1, DeviceAlarmSettings()));
        QCOMPARE(ReadFile(s->configPath()), before);

        // Set: new keys at the end of the section, read back the same; turned off: empty.
        DeviceAlarmSettings set;
        set.AlarmHigh = 1000.5;
        set.AlarmNoLink = 3;
        QVERIFY(WriteDeviceAlarms(s->ini, 1, set));
        const QByteArray written = ReadFile(s->configPath());
        QVERIFY(written.contains("AlarmHigh=1000.5\nAlarmNoLink=3\n[MQTT]"));
        QVERIFY(!written.contains("AlarmLow"));
        QCOMPARE(ReadDeviceAlarms(IniFile(s->configPath()), 1), set);
        QVERIFY(WriteDeviceAlarms(s->ini, 1, DeviceAlarmSettings()));
        QVERIFY(ReadFile(s->configPath()).contains("AlarmHigh=\nAlarmNoLink=0\n[MQTT]"));
        QVERIFY(!ReadDeviceAlarms(IniFile(s->configPath()), 1).any());
    }

    // The settings page's entries: either separator, an empty limit is none, what the page
    // shows reads back as the setting it came from, and a wrong entry is refused whole.
    void pageEntries_data()
    {
        QTest::addColumn<QStringList>("fields"); // high, low, deadband, delay, no link
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("taken"); // the file's keys written from what was taken
        QTest::newRow("separators") << QStringList{"1043,5", " -20.25 ", "0.5", "10", "3"} << ""
                                    << "AlarmHigh=1043.5;AlarmLow=-20.25;AlarmDeadband=0.5;"
                                       "AlarmDelay=10;AlarmNoLink=3";
        QTest::newRow("all empty") << QStringList{"", "", "", "", ""} << ""
                                   << "";
        QTest::newRow("equal limits") << QStringList{"20", "20", "0", "0", "0"} << ""
                                      << "AlarmHigh=20;AlarmLow=20";
        QTest::newRow("low alone") << QStringList{"", "1e3", "0", "0", "0"} << ""
                                   << "AlarmLow=1000";
        QTest::newRow("infinite") << QStringList{"inf", "", "0", "0", "0"}
                                  << "Неверное значение верхней границы сигнализации"
                                  << "";
        QTest::newRow("low not a number") << QStringList{"", "20;5", "0", "0", "0"}
                                          << "Неверное значение нижней границы сигнализации"
                                          << "";
        QTest::newRow("deadband") << QStringList{"", "", "x", "0", "0"}
                                  << "Неверное значение зоны возврата сигнализации"
                                  << "";
        QTest::newRow("delay fraction")
            << QStringList{"", "", "0", "1,5", "0"}
            << "Значение задержки сигнализации должно быть в диапазоне 0...86400 сек"
            << "";
        QTest::newRow("no link negative")
            << QStringList{"", "", "0", "0", "-3"}
            << "Число опросов без ответа должно быть в диапазоне 0...86400"
            << "";
    }

    void pageEntries()
    {
        QFETCH(QStringList, fields);
        QFETCH(QString, refusal);
        QFETCH(QString, taken);
        const AlarmEntries entries{fields[0], fields[1], fields[2], fields[3], fields[4], false};
        DeviceAlarmSettings settings;
        settings.AlarmBreak = true; // untouched by a refusal
        QCOMPARE(ParseAlarmEntries(entries, &settings), refusal);
        if (!refusal.isEmpty()) {
            QVERIFY(settings.AlarmBreak);
            return;
        }
        auto s = station({});
        QVERIFY(WriteDeviceAlarms(s->ini, 1, settings));
        QStringList keys;
        for (const QString &key : s->ini.keys(QStringLiteral("ZELTAR1")))
            if (key.startsWith(QStringLiteral("Alarm")))
                keys.append(key + '=' + s->ini.value(QStringLiteral("ZELTAR1"), key).value());
        QCOMPARE(keys.join(';'), taken);
        // Shown again, the page gives back the same settings.
        DeviceAlarmSettings again;
        QCOMPARE(ParseAlarmEntries(EntriesFromAlarms(settings), &again), QString());
        QCOMPARE(again, settings);
    }

    // High and low with delay and deadband through every state: a stray reading raises
    // nothing, a poll without a measurement neither raises nor returns, a return inside the
    // deadband is no return; acknowledged before or after the return.
    void limitsThroughTheirStates()
    {
        auto s = station("AlarmHigh=1000\nAlarmLow=20\nAlarmDeadband=5\nAlarmDelay=10\n");
        AlarmMonitor monitor(*s);
        monitor.load();
        QVector<AlarmEvent> events;
        connect(&monitor, &AlarmMonitor::alarmChanged,
                [&](const AlarmEvent &e) { events.append(e); });
        const auto high = [&] { return monitor.condition(1, AlarmKind::High).state; };
        auto poll = [&](int second, const DevicePollState &p) {
            Clock::setNow(Start.addSecs(second));
            monitor.takePoll(1, p, Start.addSecs(second));
        };

        poll(0, Measured(1043.2f));
        poll(5, Measured(999)); // back before the delay: starts afresh
        poll(6, Measured(1043.2f));
        poll(15, Measured(1043.2f));
        QCOMPARE(high(), AlarmState::Normal);
        poll(16, Measured(1043.2f));
        QCOMPARE(high(), AlarmState::Active);
        QVERIFY(monitor.anyActive(1));
        poll(17, Silent());
        poll(18, Measured(SensorBreakValue));
        poll(19, Measured(996)); // within the deadband
        QCOMPARE(high(), AlarmState::Active);
        poll(20, Measured(995));
        QCOMPARE(high(), AlarmState::Returned);
        QVERIFY(!monitor.anyActive(1));
        monitor.acknowledge(1, AlarmKind::High);
        QCOMPARE(high(), AlarmState::Normal);

        poll(21, Measured(10));
        poll(31, Measured(10));
        QCOMPARE(monitor.condition(1, AlarmKind::Low).state, AlarmState::Active);
        monitor.acknowledgeAll();
        QCOMPARE(monitor.condition(1, AlarmKind::Low).state, AlarmState::Acknowledged);
        monitor.acknowledgeAll(); // nothing waits for it: no change
        poll(32, Measured(25.5f));
        QCOMPARE(monitor.condition(1, AlarmKind::Low).state, AlarmState::Normal);

        QCOMPARE(alarmLines(*s), QStringList({
                                     "Тревога: Печь 1 — значение 1043,2 выше 1000",
                                     "Норма: Печь 1 — значение 995, верхняя граница 1000",
                                     "Квитирована: Печь 1 — значение выше 1000",
                                     "Тревога: Печь 1 — значение 10 ниже 20",
                                     "Квитирована: Печь 1 — значение ниже 20",
                                     "Норма: Печь 1 — значение 25,5, нижняя граница 20",
                                 }));
        QCOMPARE(events.size(), 6);
        QCOMPARE(events[0].moment, Start.addSecs(16));
        QCOMPARE(events[1].change, AlarmChange::Returned);
        QCOMPARE(events[2].change, AlarmChange::Acknowledged);

        // The history holds them all, in order, with their moments; a range takes a part.
        const QStringList csv = historyCsv(*s);
        QCOMPARE(csv.size(), 7);
        QCOMPARE(csv[0], "date,time,device,name,kind,state,value,limit");
        QCOMPARE(csv[1], "09.12.2026,14:00:16,1,Печь 1,high,active,1043.2,1000");
        QCOMPARE(csv[2], "09.12.2026,14:00:20,1,Печь 1,high,normal,995,1000");
        QCOMPARE(csv[3], "09.12.2026,14:00:20,1,Печь 1,high,acknowledged,995,1000");
        QCOMPARE(csv[6], "09.12.2026,14:00:32,1,Печь 1,low,normal,25.5,20");
        const WallSeconds from = ToWallSeconds(Start.addSecs(21));
        const WallSeconds to = ToWallSeconds(Start.addSecs(31));
        QCOMPARE(historyCsv(*s, from, to).mid(1),
                 QStringList({"09.12.2026,14:00:31,1,Печь 1,low,active,10,20",
                              "09.12.2026,14:00:31,1,Печь 1,low,acknowledged,10,20"}));
    }

    // No link after N failed polls in a row, returned by the first answer; a sensor break
    // raised by the instrument's mark. Neither mark raises a limit.
    void noLinkAndSensorBreak()
    {
        // Without rules nothing is told, and neither the history nor the state file is made.
        auto quiet = station({});
        AlarmMonitor idle(*quiet);
        idle.load();
        QVERIFY(!idle.configured());
        for (const DevicePollState &p : {Silent(), Silent(), Silent(), Measured(SensorBreakValue)})
            idle.takePoll(1, p, Start);
        QVERIFY(!QFile::exists(AlarmHistoryPath(quiet->settings.PathArh)));
        QVERIFY(!QFile::exists(m_dir->filePath("Alarms.json")));
        QVERIFY(alarmLines(*quiet).isEmpty());

        auto s = station("AlarmHigh=1000\nAlarmLow=-1000\nAlarmNoLink=3\nAlarmBreak=1\n");
        AlarmMonitor monitor(*s);
        monitor.load();
        QVERIFY(monitor.configured());
        for (int i = 0; i < 2; ++i)
            monitor.takePoll(1, Silent(), Start.addSecs(i));
        QCOMPARE(monitor.condition(1, AlarmKind::NoLink).state, AlarmState::Normal);
        monitor.takePoll(1, Silent(), Start.addSecs(2));
        monitor.takePoll(1, Silent(), Start.addSecs(3));
        QCOMPARE(monitor.condition(1, AlarmKind::NoLink).state, AlarmState::Active);
        monitor.takePoll(1, Measured(SensorBreakValue), Start.addSecs(4));
        QCOMPARE(monitor.condition(1, AlarmKind::NoLink).state, AlarmState::Returned);
        QCOMPARE(monitor.condition(1, AlarmKind::Break).state, AlarmState::Active);
        monitor.takePoll(1, Measured(50), Start.addSecs(5));
        QCOMPARE(monitor.condition(1, AlarmKind::Break).state, AlarmState::Returned);
        QCOMPARE(monitor.condition(1, AlarmKind::High).state, AlarmState::Normal);
        QCOMPARE(alarmLines(*s), QStringList({
                                     "Тревога: Печь 1 — нет связи, опросов без ответа: 3",
                                     "Норма: Печь 1 — связь восстановлена",
                                     "Тревога: Печь 1 — обрыв датчика",
                                     "Норма: Печь 1 — датчик исправен",
                                 }));
        QCOMPARE(historyCsv(*s).at(1), "09.12.2026,14:00:02,1,Печь 1,nolink,active,3,3");
        QCOMPARE(historyCsv(*s).at(3), "09.12.2026,14:00:04,1,Печь 1,break,active,100000,");
    }

    // An alarm active and unacknowledged when the station stops is so when it starts, and is
    // not told again; one of a device renamed meanwhile, or whose rule is off, is dropped.
    void stateAcrossARestart()
    {
        {
            auto s = station("AlarmHigh=1000\nAlarmBreak=1\n");
            AlarmMonitor monitor(*s);
            monitor.load();
            monitor.takePoll(1, Measured(1043.2f), Start);
            monitor.takePoll(1, Measured(SensorBreakValue), Start.addSecs(1));
            monitor.takePoll(1, Measured(1043.2f), Start.addSecs(2));
            monitor.acknowledge(1, AlarmKind::High);
            QCOMPARE(historyCsv(*s).size(), 5);
        }
        auto s = station("AlarmHigh=1000\nAlarmBreak=1\n");
        AlarmMonitor monitor(*s);
        monitor.load();
        QCOMPARE(monitor.condition(1, AlarmKind::High).state, AlarmState::Acknowledged);
        QCOMPARE(monitor.condition(1, AlarmKind::High).raised, Start);
        QCOMPARE(monitor.condition(1, AlarmKind::Break).state, AlarmState::Returned);
        monitor.takePoll(1, Measured(1043.2f), Start.addSecs(3));
        QCOMPARE(historyCsv(*s).size(), 5); // nothing told again
        monitor.takePoll(1, Measured(900), Start.addSecs(4));
        QCOMPARE(monitor.condition(1, AlarmKind::High).state, AlarmState::Normal);
        QCOMPARE(historyCsv(*s).size(), 6);

        auto renamed = station("AlarmHigh=1000\nAlarmBreak=1\n");
        renamed->table.device(1).PribName = QStringLiteral("Печь 2");
        AlarmMonitor other(*renamed);
        other.load();
        QCOMPARE(other.condition(1, AlarmKind::Break).state, AlarmState::Normal);
        auto noBreak = station("AlarmHigh=1000\n");
        AlarmMonitor third(*noBreak);
        third.load();
        QCOMPARE(third.condition(1, AlarmKind::Break).state, AlarmState::Normal);
    }

    // The operator's command: its environment, arguments split without a shell (a name that
    // looks like a command stays a name), a run that hangs is killed at the time limit, and
    // starting one never waits.
    void operatorsCommand()
    {
        const QString script = m_dir->filePath("notify.sh");
        WriteFile(script, "#!/bin/sh\n{ echo \"args=$#:$1\"; env | grep '^ZELTAR_' | sort; "
                          "echo ---; } >> \"$0.out\"\nexec sleep \"$2\"\n");
        QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        auto s =
            station("AlarmHigh=1000\n",
                    QStringLiteral("[ALARMS]\nCommand=%1 \"в цех 3\" 0\n").arg(script).toUtf8());
        WriteFile(
            s->configPath(),
            ReadFile(s->configPath()).replace("PribName=Печь 1", "PribName=$(touch x); Печь"));
        s->loadConfiguration();
        AlarmMonitor monitor(*s);
        monitor.load();
        QVERIFY(monitor.command());
        monitor.takePoll(1, Measured(1043.25f), Start);
        QVERIFY(test::WaitUntil([&] { return monitor.command()->running() == 0; }, 10000));
        const QString out = QString::fromUtf8(ReadFile(script + ".out"));
        QCOMPARE(out, QStringLiteral("args=2:в цех 3\nZELTAR_DEVICE=1\nZELTAR_KIND=high\n"
                                     "ZELTAR_LIMIT=1000\nZELTAR_NAME=$(touch x); Печь\n"
                                     "ZELTAR_STATE=active\nZELTAR_TIME=%1\n"
                                     "ZELTAR_VALUE=1043.25\n---\n")
                          .arg(IsoTimeWithOffset(Start)));
        QVERIFY(
            IsoTimeWithOffset(Start).contains(QRegularExpression("T14:00:00[+-]\\d\\d:\\d\\d$")));
        QVERIFY(!QFile::exists(m_dir->filePath("x")));

        // A run that hangs when the settings are taken again: nothing waits for it, and it
        // still ends at its limit.
        s->ini.writeString("ALARMS", "Command", script + " x 60");
        s->ini.writeString("ALARMS", "CommandTimeout", "1");
        monitor.load();
        monitor.takePoll(1, Measured(500), Start.addSecs(1));
        const QPointer<AlarmCommand> old = monitor.command();
        QCOMPARE(old->running(), 1);
        QElapsedTimer reload;
        reload.start();
        monitor.load();
        QVERIFY(reload.elapsed() < 500);
        QVERIFY(test::WaitUntil([&] { return old.isNull(); }, 5000));
        QVERIFY(s->journal.lines().first().endsWith(
            "Команда оповещения не завершилась за 1 с и остановлена"));

        // A command that hangs: started at once, killed after its second, told once.
        AlarmCommand hanging(script + " x 60", 1);
        QSignalSpy failed(&hanging, &AlarmCommand::failed);
        QElapsedTimer started;
        started.start();
        hanging.run(AlarmEvent());
        QVERIFY(started.elapsed() < 500);
        QCOMPARE(hanging.running(), 1);
        QVERIFY(test::WaitUntil([&] { return hanging.running() == 0; }, 5000));
        QVERIFY(started.elapsed() >= 1000);
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed[0][0].toString(), "Команда оповещения не завершилась за 1 с и остановлена");

        AlarmCommand missing(m_dir->filePath("no-such-program"), 1);
        QSignalSpy missed(&missing, &AlarmCommand::failed);
        missing.run(AlarmEvent());
        QVERIFY(test::WaitUntil([&] { return missing.running() == 0; }, 5000));
        QCOMPARE(missed.size(), 1);
        QCOMPARE(missed[0][0].toString(), "Команда оповещения не запустилась: программа " +
                                              m_dir->filePath("no-such-program") +
                                              " не найдена или не запускается");
    }

    // [ALARMS] mail keys: mail is on only with a server and an address; a wrong key is one
    // journal line naming it, and a wrong one that could send in the clear or from a wrong
    // sender turns mail off. The password never reaches the journal.
    void mailSettings_data()
    {
        QTest::addColumn<QByteArray>("keys");
        QTest::addColumn<bool>("mails");
        QTest::addColumn<int>("port");
        QTest::addColumn<QStringList>("to");
        QTest::addColumn<QStringList>("wrong");
        const QByteArray server = "SmtpHost=mail.example.org\n";
        const QStringList shift = {"shift@example.org"};
        QTest::newRow("none") << QByteArray() << false << 25 << QStringList() << QStringList();
        QTest::newRow("no address") << server << false << 25 << QStringList() << QStringList();
        QTest::newRow("two addresses")
            << server + "MailTo= shift@example.org ,chief@example.org,\n"
            << true << 25 << QStringList({"shift@example.org", "chief@example.org"})
            << QStringList();
        QTest::newRow("STARTTLS port") << server + "SmtpTls=1\nMailTo=shift@example.org\n"
                                       << true << 587 << shift << QStringList();
        QTest::newRow("TLS, own port")
            << server + "SmtpTls=2\nSmtpPort=2465\nMailTo=shift@example.org\n"
            << true << 2465 << shift << QStringList();
        QTest::newRow("wrong address left out")
            << server + "MailTo=shift@example.org,Иван <ivan@example.org>\n"
            << true << 25 << shift << QStringList({"ALARMS/MailTo"});
        QTest::newRow("wrong port") << server + "SmtpPort=0\nMailTo=shift@example.org\n"
                                    << true << 25 << shift << QStringList({"ALARMS/SmtpPort"});
        QTest::newRow("wrong TLS") << server + "SmtpTls=да\nMailTo=shift@example.org\n"
                                   << false << 25 << shift << QStringList({"ALARMS/SmtpTls"});
        QTest::newRow("wrong sender") << server + "MailFrom=zeltar\nMailTo=shift@example.org\n"
                                      << false << 25 << shift << QStringList({"ALARMS/MailFrom"});
        QTest::newRow("login, file readable by all")
            << server + "SmtpUser=op\nSmtpPassword=s3cret\nMailTo=shift@example.org\n"
            << true << 25 << shift << QStringList();
        QTest::newRow("password alone")
            << server + "SmtpPassword=s3cret\nMailTo=shift@example.org\n"
            << false << 25 << shift << QStringList({"ALARMS/SmtpPassword"});
    }
    void mailSettings()
    {
        QFETCH(QByteArray, keys);
        QFETCH(bool, mails);
        QFETCH(int, port);
        QFETCH(QStringList, to);
        QFETCH(QStringList, wrong);
        auto s = station("AlarmHigh=1000\n", "[ALARMS]\n" + keys);
        QStringList errors;
        const AlarmNotifySettings read = AlarmNotifySettings::read(s->ini, &errors);
        QCOMPARE(read.mailWanted(), mails);
        QCOMPARE(read.SmtpPort, port);
        QCOMPARE(read.MailTo, to);
        QCOMPARE(errors, wrong);
        AlarmMonitor monitor(*s);
        monitor.load();
        QCOMPARE(monitor.mailer() != nullptr, mails);
        const QStringList journal = s->journal.lines();
        QCOMPARE(journal.filter("Неверная настройка сигнализации").size(), wrong.size());
        QCOMPARE(journal.filter("Файл Zeltar.ini с паролем почты доступен").size(),
                 mails && keys.contains("SmtpPassword") ? 1 : 0);
        QVERIFY(!journal.join('\n').contains("s3cret"));
    }

    // A raise and a return each reach every recipient as one mail, an acknowledgement none:
    // a Russian subject (the journal line) and body that a mail reader decodes, with a date
    // and a message id.
    void mailOfRaiseAndReturn()
    {
        test::SmtpServer server;
        QVERIFY(server.start());
        auto s = station("AlarmHigh=1000\nAlarmDeadband=5\n",
                         QStringLiteral("[ALARMS]\nSmtpHost=127.0.0.1\nSmtpPort=%1\n"
                                        "MailFrom=zeltar@example.org\n"
                                        "MailTo=shift@example.org, nobody@example.org, "
                                        "chief@example.org\n")
                             .arg(server.port())
                             .toUtf8());
        AlarmMonitor monitor(*s);
        monitor.load();
        QVERIFY(monitor.mailer());
        monitor.takePoll(1, Measured(1043.2f), Start);
        monitor.takePoll(1, Measured(995), Start.addSecs(1));
        monitor.acknowledgeAll();
        monitor.takePoll(1, Measured(1001), Start.addSecs(2));
        QVERIFY(test::WaitUntil([&] { return server.mails().size() >= 3; }, 10000));
        const QList<QJsonObject> mails = server.mails();
        QCOMPARE(mails.size(), 3);
        QCOMPARE(mails[0]["subject"].toString(), "Тревога: Печь 1 — значение 1043,2 выше 1000");
        QCOMPARE(mails[1]["subject"].toString(),
                 "Норма: Печь 1 — значение 995, верхняя граница 1000");
        QCOMPARE(mails[2]["subject"].toString(), "Тревога: Печь 1 — значение 1001 выше 1000");
        const QJsonObject &raise = mails[0];
        QCOMPARE(raise["from"].toString(), "zeltar@example.org");
        QCOMPARE(raise["to"].toVariant().toStringList(),
                 QStringList({"shift@example.org", "chief@example.org"}));
        QCOMPARE(raise["header_to"].toString(),
                 "shift@example.org, nobody@example.org, chief@example.org");
        QCOMPARE(raise["charset"].toString(), "utf-8");
        QCOMPARE(raise["auto_submitted"].toString(), "auto-generated");
        QCOMPARE(raise["defects"].toInt(), 0);
        QVERIFY(raise["date"].toString().startsWith("2026-12-09T14:00:00"));
        QVERIFY(raise["message_id"].toString().endsWith("@example.org>"));
        QVERIFY(mails[1]["message_id"] != raise["message_id"]);
        const QStringList body = raise["body"].toString().split("\r\n");
        for (const char *line :
             {"Прибор: 1, Печь 1", "Тревога: выше верхней границы", "Состояние: тревога",
              "Значение: 1043,2", "Граница: 1000", "Время: 09.12.2026 14:00:00"})
            QVERIFY2(body.contains(QString::fromUtf8(line)), line);
        QVERIFY(mails[1]["body"].toString().contains("Состояние: норма"));

        QCOMPARE(s->journal.lines().filter("письм", Qt::CaseInsensitive).size(), 0);

        // STARTTLS asked for and not offered (this server has no certificate): nothing goes
        // out in the clear. Every address refused: the server does not take the mail.
        auto firstLine = [&](const std::function<void(AlarmNotifySettings &)> &change) {
            AlarmNotifySettings settings = AlarmNotifySettings::read(s->ini);
            change(settings);
            AlarmMailer mailer(settings, AlarmMailer::Options());
            QSignalSpy journal(&mailer, &AlarmNotifier::journalLine);
            mailer.notify(AlarmEvent());
            return journal.wait(5000) ? journal[0][0].toString() : QString();
        };
        QVERIFY(firstLine([](AlarmNotifySettings &settings) {
                    settings.SmtpTls = 1;
                }).startsWith("Письмо о тревоге не отправлено: "));
        QVERIFY(firstLine([](AlarmNotifySettings &settings) {
                    settings.MailTo = QStringList{"nobody@example.org"};
                }).startsWith("Сервер почты не принял письмо о тревоге: "));
        QCOMPARE(server.mails().size(), 3);
    }

    // A mail server that hangs, or none at all: polling goes on at its pace, the journal
    // says once that mail fails, the settings taken again keep what waits; once a server
    // takes mail, what waited goes out and the journal says so once.
    void mailServerHangsOrRefuses_data()
    {
        QTest::addColumn<bool>("hangs");
        QTest::newRow("hangs") << true;
        QTest::newRow("refuses") << false;
    }
    void mailServerHangsOrRefuses()
    {
        QFETCH(bool, hangs);
        QTcpServer silent; // takes the connection and never says a word
        QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
        const int port = hangs ? silent.serverPort() : test::FreeLoopbackPort();
        if (!hangs)
            silent.close();
        test::SimProcess sim({"--value", "1043.2"});
        QVERIFY(sim.start());
        auto s = station("PribPort=1\nPribBaud=2\nPribAdr=1\nAlarmHigh=1000\n",
                         QStringLiteral("[PORTS]\nCOM1=%1\n[ALARMS]\nSmtpHost=127.0.0.1\n"
                                        "SmtpPort=%2\nMailTo=shift@example.org\n")
                             .arg(sim.portPath())
                             .arg(port)
                             .toUtf8(),
                         "TimeOpr=1\n");
        AlarmMonitor monitor(*s);
        monitor.load();
        PollingCycle cycle(*s);
        int polls = 0;
        connect(&cycle, &PollingCycle::devicePolled, &monitor, &AlarmMonitor::devicePolled);
        connect(&cycle, &PollingCycle::devicePolled, this, [&polls] { ++polls; });
        const QString failed = QStringLiteral("Письмо о тревоге не отправлено: ");
        const QString works = QStringLiteral("Письма о тревогах снова отправляются");
        auto count = [&](const QString &start) {
            return s->journal.lines().filter("]- " + start).size();
        };
        cycle.btnStartClick();
        QVERIFY(test::WaitUntil([&] { return count(failed) > 0 && polls >= 4; }, 15000));
        QVERIFY(!hangs || silent.hasPendingConnections());
        AlarmNotifier *mailer = monitor.mailer();
        monitor.load(); // the same settings taken again: the mail waiting stays
        QCOMPARE(monitor.mailer(), mailer);

        silent.close();
        test::SmtpServer server(port);
        QVERIFY(server.start());
        QVERIFY(test::WaitUntil([&] { return count(works) > 0; }, 10000));
        cycle.btnStopClick();
        QCOMPARE(server.mails().size(), 1);
        QCOMPARE(count(failed), 1);
        QCOMPARE(count(works), 1);
        // Why, in the operator's words rather than the mail library's.
        const QString why = s->journal.lines().filter("]- " + failed).first();
        QVERIFY2(why.contains(hangs ? "сервер почты не ответил вовремя"
                                    : "сервер почты не принимает соединение"),
                 qPrintable(why));
    }

    // While the server is away a full queue pushes out its oldest mails: the one on its way
    // and the newest go out, in order, and the journal's line on the recovery counts the lost.
    void mailQueueOverflow()
    {
        const int port = test::FreeLoopbackPort();
        AlarmNotifySettings settings;
        settings.SmtpHost = QStringLiteral("127.0.0.1");
        settings.SmtpPort = port;
        settings.MailFrom = QStringLiteral("zeltar@example.org");
        settings.MailTo = QStringList{QStringLiteral("shift@example.org")};
        AlarmMailer::Options options;
        options.retryFirstMs = options.retryMaxMs = 200;
        options.queueLimit = 2;
        AlarmMailer mailer(settings, options);
        QSignalSpy journal(&mailer, &AlarmNotifier::journalLine);
        auto notify = [&](int n) {
            AlarmEvent event;
            event.moment = Start;
            event.name = QStringLiteral("Печь %1").arg(n);
            mailer.notify(event);
        };
        notify(1);
        QVERIFY(journal.wait(5000)); // the first has failed and waits to be tried again
        for (int n = 2; n <= 5; ++n)
            notify(n);
        test::SmtpServer server(port);
        QVERIFY(server.start());
        QVERIFY(test::WaitUntil([&] { return server.mails().size() >= 3; }, 10000));
        QStringList subjects;
        for (const QJsonObject &mail : server.mails())
            subjects << mail["subject"].toString().section(QStringLiteral(" — "), 0, 0);
        QCOMPARE(subjects, QStringList({"Тревога: Печь 1", "Тревога: Печь 4", "Тревога: Печь 5"}));
        QCOMPARE(mailer.dropped(), quint64(2));
        QCOMPARE(journal.size(), 2);
        QCOMPARE(journal[1][0].toString(), "Письма о тревогах снова отправляются; не отправлено "
                                           "из-за переполнения очереди: 2");
    }
};

QTEST_GUILESS_MAIN(TestAlarms)
#include "test_alarms.moc"
