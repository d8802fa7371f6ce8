// Publishing the polls to a real mosquitto broker: the states of measuring, broken and
// silent instruments, what the broker keeps, the last will, a broker that goes away and
// comes back, brokers that cannot be reached, and the settings read at start-up.

#include "acquisition/polling_cycle.h"
#include "acquisition/station.h"
#include "alarms/alarm_monitor.h"
#include "mqtt_broker.h"
#include "publish/outbound_queue.h"
#include "publish/station_publisher.h"
#include "sim_process.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <signal.h>

using namespace zeltar;
using test::MqttBroker;
using test::MqttSubscriber;
using test::SimProcess;
using test::WaitUntil;

namespace {

const QString Status = QStringLiteral("zeltar/test/status");
const QString NoBroker = QStringLiteral("Нет связи с брокером MQTT");
const QString Back = QStringLiteral("Связь с брокером MQTT восстановлена");

QString State(int n)
{
    return QStringLiteral("zeltar/test/%1/state").arg(n);
}

// Zeltar.ini polling at TimeOpr 1 the devices given as
// "name,port,address[,type[,polled[,alarm key]]]", COMn being lines[n-1], with the [MQTT]
// keys given.
void WriteStation(const QString &dir, const QStringList &devices, const QStringList &lines,
                  const QString &mqtt)
{
    QString text = QStringLiteral("[MAIN]\nTimeOpr=1\nCountUstr=%1\n").arg(devices.size());
    for (int n = 1; n <= devices.size(); ++n) {
        const QStringList d = devices[n - 1].split(QLatin1Char(','));
        text += QStringLiteral("[ZELTAR%1]\nPribName=%2\nPribVkl=%6\nPribPort=%3\nPribBaud=2\n"
                               "PribAdr=%4\nPribType=%5\n%7\n")
                    .arg(n)
                    .arg(d[0], d[1], d[2], d.value(3, QStringLiteral("0")),
                         d.value(4, QStringLiteral("1")), d.value(5));
    }
    text += QStringLiteral("[PORTS]\n");
    for (int i = 0; i < lines.size(); ++i)
        text += QStringLiteral("COM%1=%2\n").arg(i + 1).arg(lines[i]);
    QFile file(dir + QStringLiteral("/Zeltar.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write((text + QStringLiteral("[MQTT]\n") + mqtt).toUtf8());
}

QString BrokerAt(int port, const QString &host = QStringLiteral("127.0.0.1"))
{
    return QStringLiteral("Enabled=1\nHost=%1\nPort=%2\nTopicPrefix=zeltar/test\n"
                          "ClientId=zeltar-test\n")
        .arg(host)
        .arg(port);
}

int CountLines(const QStringList &journal, const QString &text)
{
    return static_cast<int>(std::count_if(journal.begin(), journal.end(), [&](const QString &l) {
        return l.endsWith(QStringLiteral("- ") + text);
    }));
}

int CountLines(const QString &dir, const QString &text)
{
    Journal journal;
    journal.load(dir + QStringLiteral("/Zeltar.mes"));
    return CountLines(journal.lines(), text);
}

QJsonObject Json(const QByteArray &payload)
{
    return QJsonDocument::fromJson(payload).object();
}

QString Discovery(int n)
{
    return QStringLiteral("homeassistant/sensor/zeltar-test/device%1/config").arg(n);
}

const QString StationDiscovery =
    QStringLiteral("homeassistant/binary_sensor/zeltar-test/status/config");

QString Alarm(int n)
{
    return QStringLiteral("zeltar/test/%1/alarm").arg(n);
}

QString AlarmDiscovery(int n, const char *kind)
{
    return QStringLiteral("homeassistant/binary_sensor/zeltar-test/device%1_%2/config")
        .arg(n)
        .arg(QLatin1String(kind));
}

// `zeltarctl --dir DIR poll` as a child process with a lock folder of its own.
struct PollProcess
{
    PollProcess(const QString &dir, const QString &lockDir)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TMPDIR"), lockDir);
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(ZELTARCTL_PATH), {"--dir", dir, "poll"});
    }
    ~PollProcess()
    {
        process.kill();
        process.waitForFinished();
    }
    int ticks()
    {
        output += process.readAllStandardOutput();
        return static_cast<int>(output.count('\n'));
    }
    void signal(int number) { ::kill(static_cast<pid_t>(process.processId()), number); }

    QProcess process;
    QByteArray output;
};

} // namespace

class PublishingTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_lockDir;

private Q_SLOTS:
    // A measuring, a broken and a silent instrument polled by the headless station: each
    // poll reaches the subscriber as its device's state; the broker keeps each device's
    // latest state, its discovery message and, after an orderly stop, "offline". Each
    // instrument is a device of its own behind the station's, with a binary sensor for each
    // alarm that is on. The alarms raised reach their topics. The next run, with one device
    // taken out of polling, one removed and an alarm turned off, clears their discovery.
    void statesOfEveryKindOfPoll()
    {
        MqttBroker broker;
        SimProcess measuring({"--value", "25.3"}), broken({"--break"});
        QVERIFY(broker.start() && measuring.start() && broken.start());
        QTemporaryDir dir;
        const QStringList lines = {measuring.portPath(), broken.portPath()};
        const QString mqtt = BrokerAt(broker.port()) + QStringLiteral("Discovery=1");
        WriteStation(dir.path(),
                     {"Печь 1,1,1,3,1,AlarmHigh=20", "Печь 2,2,1", "Сушка,1,9,9,1,AlarmNoLink=1"},
                     lines, mqtt);
        MqttSubscriber live(broker.port(), QStringLiteral("zeltar/#"));
        PollProcess poll(dir.path(), m_lockDir.path());
        for (int n = 1; n <= 3; ++n)
            QVERIFY2(live.waitFor(State(n), 2), qPrintable(State(n)));
        QCOMPARE(live.payloads(Status).value(0), QByteArray("online"));
        QVERIFY(live.waitFor(Alarm(1), 1) && live.waitFor(Alarm(3), 1));

        const char *expected[] = {
            R"({"device":1,"name":"Печь 1","value":25.3,"nolink":false,"break":false,"step":0})",
            R"({"device":2,"name":"Печь 2","value":null,"nolink":false,"break":true,"relays":0})",
            R"({"device":3,"name":"Сушка","value":null,"nolink":true,"break":false,"status":0})"};
        static const QRegularExpression localTime(
            QStringLiteral(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d$)"));
        for (int n = 1; n <= 3; ++n) {
            const QJsonObject state = Json(live.payloads(State(n)).last());
            const QJsonObject want = Json(expected[n - 1]);
            for (const QString &key : want.keys())
                QVERIFY2(state.value(key) == want.value(key), qPrintable(State(n) + ' ' + key));
            QVERIFY(localTime.match(state.value(QStringLiteral("time")).toString()).hasMatch());
            for (const char *key : {"status", "relays", "step"})
                QVERIFY2(state.value(QLatin1String(key)).isDouble(), key);
        }
        const QJsonObject high = Json(live.payloads(Alarm(1)).value(0));
        QJsonObject wantHigh = Json(R"({"device":1,"name":"Печь 1","kind":"high",)"
                                    R"("state":"active","value":25.3,"limit":20,)"
                                    R"("alarms":{"high":"active"}})");
        wantHigh.insert("time", high.value("time"));
        QCOMPARE(high, wantHigh);
        QVERIFY(localTime.match(high.value(QStringLiteral("time")).toString()).hasMatch());
        const QJsonObject noLink = Json(live.payloads(Alarm(3)).value(0));
        QCOMPARE(noLink.value("kind").toString(), "nolink");
        QCOMPARE(noLink.value("value").toDouble(), 1.0);
        QCOMPARE(noLink.value("alarms").toObject(), Json(R"({"nolink":"active"})"));

        poll.signal(SIGTERM);
        QVERIFY(poll.process.waitForFinished(10000));
        QCOMPARE(poll.process.exitCode(), 0);
        QVERIFY(live.waitFor(Status, QByteArray("offline")));
        MqttSubscriber kept(broker.port(), QStringLiteral("#"), true);
        QCOMPARE(kept.payloads(Status), QList<QByteArray>{"offline"});
        const QJsonObject station = Json(kept.payloads(StationDiscovery).value(0));
        QCOMPARE(station.value(QStringLiteral("state_topic")).toString(), Status);
        const QJsonValue stationId = station.value(QStringLiteral("device"))
                                         .toObject()
                                         .value(QStringLiteral("identifiers"))[0];
        const char *names[] = {"Печь 1", "Печь 2", "Сушка"};
        for (int n = 1; n <= 3; ++n) {
            QCOMPARE(kept.payloads(State(n)), QList<QByteArray>{live.payloads(State(n)).last()});
            const QJsonObject discovery = Json(kept.payloads(Discovery(n)).value(0));
            QCOMPARE(discovery.value(QStringLiteral("state_topic")).toString(), State(n));
            QCOMPARE(discovery.value(QStringLiteral("availability_topic")).toString(), Status);
            const QJsonObject device = discovery.value(QStringLiteral("device")).toObject();
            QCOMPARE(device.value(QStringLiteral("name")).toString(),
                     QString::fromUtf8(names[n - 1]));
            QCOMPARE(device.value(QStringLiteral("model")).toString(), QStringLiteral("ЗЕЛТАР"));
            QCOMPARE(device.value(QStringLiteral("via_device")), stationId);
            QVERIFY(device.value(QStringLiteral("identifiers"))[0] != stationId);
            // The current input of device 2 has no unit the station knows.
            const bool temperature = n != 2;
            QCOMPARE(discovery.value(QStringLiteral("device_class")).toString(),
                     temperature ? QStringLiteral("temperature") : QString());
            QCOMPARE(discovery.value(QStringLiteral("unit_of_measurement")).toString(),
                     temperature ? QStringLiteral("°C") : QString());
        }
        QCOMPARE(kept.payloads(Alarm(1)), QList<QByteArray>{live.payloads(Alarm(1)).last()});
        const QJsonObject highSensor = Json(kept.payloads(AlarmDiscovery(1, "high")).value(0));
        QCOMPARE(highSensor.value("state_topic").toString(), Alarm(1));
        QVERIFY(highSensor.value("value_template").toString().contains("value_json.alarms.high"));
        QCOMPARE(highSensor.value("device").toObject().value("identifiers"),
                 Json(kept.payloads(Discovery(1)).value(0))
                     .value("device")
                     .toObject()
                     .value("identifiers"));
        QCOMPARE(kept.payloads(AlarmDiscovery(3, "nolink")).size(), 1);
        QVERIFY(kept.payloads(AlarmDiscovery(1, "low")).isEmpty());

        // One more run of the station: until its first poll of device 1 has arrived.
        auto runAgain = [&](const QStringList &devices, const QString &settings) {
            WriteStation(dir.path(), devices, lines, settings);
            MqttSubscriber next(broker.port(), State(1)); // the kept state, then a new one
            PollProcess again(dir.path(), m_lockDir.path());
            QVERIFY(next.waitFor(State(1), 2));
            again.signal(SIGTERM);
            QVERIFY(again.process.waitForFinished(10000));
        };
        runAgain({"Печь 1,1,1,3", "Печь 2,2,1,0,0"}, mqtt);
        MqttSubscriber keptNow(broker.port(), QStringLiteral("homeassistant/#"), true);
        QCOMPARE(keptNow.payloads(StationDiscovery).size(), 1);
        QCOMPARE(keptNow.payloads(Discovery(1)).size(), 1);
        QVERIFY(keptNow.payloads(Discovery(2)).isEmpty());
        QVERIFY(keptNow.payloads(Discovery(3)).isEmpty());
        QVERIFY(keptNow.payloads(AlarmDiscovery(1, "high")).isEmpty());
        QVERIFY(keptNow.payloads(AlarmDiscovery(3, "nolink")).isEmpty());

        // Discovery turned off withdraws the station and its instruments.
        runAgain({"Печь 1,1,1,3"}, BrokerAt(broker.port()));
        MqttSubscriber keptLast(broker.port(), QStringLiteral("homeassistant/#"), true);
        QVERIFY(keptLast.payloads(StationDiscovery).isEmpty());
        QVERIFY(keptLast.payloads(Discovery(1)).isEmpty());
    }

    // An alarm acknowledged in the station (in the window, say) reaches the broker too, and
    // the retained message then tells that it still holds.
    void alarmAcknowledgedInTheStation()
    {
        MqttBroker broker;
        SimProcess sim({"--value", "25.3"});
        QVERIFY(broker.start() && sim.start());
        QTemporaryDir dir;
        WriteStation(dir.path(), {"Печь,1,1,0,1,AlarmHigh=20"}, {sim.portPath()},
                     BrokerAt(broker.port()));
        Station station(dir.path());
        QVERIFY(station.loadConfiguration());
        PollingCycle cycle(station);
        StationPublisher publisher(station, cycle);
        AlarmMonitor alarms(station);
        alarms.load();
        publisher.watch(alarms);
        QVERIFY(publisher.start());
        connect(&cycle, &PollingCycle::devicePolled, &alarms, &AlarmMonitor::devicePolled);
        MqttSubscriber live(broker.port(), Alarm(1));
        cycle.btnStartClick();
        QVERIFY(live.waitFor(Alarm(1), 1));
        alarms.acknowledgeAll();
        QVERIFY(live.waitFor(Alarm(1), 2));
        cycle.btnStopClick();
        const QJsonObject acknowledged = Json(live.payloads(Alarm(1)).last());
        QCOMPARE(acknowledged.value("state").toString(), "acknowledged");
        QCOMPARE(acknowledged.value("alarms").toObject(), Json(R"({"high":"acknowledged"})"));
    }

    // The broker stops in the middle of the run: polling goes on, the journal says once that
    // the broker is away and once that it is back, and publishing resumes with "online". A
    // station killed outright leaves "offline" through its last will.
    void brokerGoneAndBackThenKilled()
    {
        MqttBroker broker;
        SimProcess sim;
        QVERIFY(broker.start() && sim.start());
        QTemporaryDir dir;
        WriteStation(dir.path(), {"Печь,1,1"}, {sim.portPath()}, BrokerAt(broker.port()));
        PollProcess poll(dir.path(), m_lockDir.path());
        QVERIFY(MqttSubscriber(broker.port(), State(1)).waitFor(State(1), 1));

        broker.stop();
        const int ticks = poll.ticks();
        QVERIFY(WaitUntil([&] { return poll.ticks() >= ticks + 3; }, 10000));
        QVERIFY(WaitUntil([&] { return CountLines(dir.path(), NoBroker) == 1; }, 5000));

        QVERIFY(broker.start());
        MqttSubscriber live(broker.port(), QStringLiteral("zeltar/#"));
        QVERIFY(live.waitFor(Status, QByteArray("online")));
        QVERIFY(live.waitFor(State(1), 2));
        QVERIFY(WaitUntil([&] { return CountLines(dir.path(), Back) == 1; }, 5000));
        QCOMPARE(CountLines(dir.path(), NoBroker), 1);

        poll.signal(SIGKILL);
        QVERIFY(live.waitFor(Status, QByteArray("offline")));
    }

    // Brokers that cannot be reached, or that turn the login down, hold up neither polling
    // nor the stop; the journal says once that there is no broker, and why when it knows.
    void unreachableBroker_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("broker"); // nothing, silent, or one wanting another login
        QTest::addColumn<QString>("refusal");
        QTest::newRow("nothing listening") << "127.0.0.1"
                                           << "nothing" << QString();
        QTest::newRow("never answers") << "127.0.0.1"
                                       << "silent" << QString();
        QTest::newRow("unknown host name") << "no-such-host.invalid"
                                           << "nothing" << QString();
        QTest::newRow("wrong password")
            << "127.0.0.1"
            << "login"
            << "Брокер MQTT отказал в подключении: не разрешено (проверьте Username и Password)";
    }
    void unreachableBroker()
    {
        QFETCH(QString, host);
        QFETCH(QString, broker);
        QFETCH(QString, refusal);
        QTemporaryDir dir;
        const QString passwords = dir.filePath(QStringLiteral("passwd"));
        MqttBroker login(QStringLiteral("allow_anonymous false\npassword_file ") + passwords);
        QTcpServer silent; // takes the connection and never says a word
        QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
        int port = test::FreeLoopbackPort();
        if (broker == QLatin1String("silent"))
            port = silent.serverPort();
        if (broker == QLatin1String("login")) {
            // A broker started as root reads its password file as user mosquitto.
            QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) |
                                                  QFileDevice::ReadOther | QFileDevice::ExeOther);
            QCOMPARE(QProcess::execute("mosquitto_passwd", {"-c", "-b", passwords, "op", "right"}),
                     0);
            QVERIFY(login.start());
            port = login.port();
        }
        SimProcess sim;
        QVERIFY(sim.start());
        WriteStation(dir.path(), {"Печь,1,1"}, {sim.portPath()},
                     BrokerAt(port, host) + QStringLiteral("Username=op\nPassword=wrong\n"));
        Station station(dir.path());
        station.journal.load(station.journalPath());
        QVERIFY(station.loadConfiguration());
        PollingCycle cycle(station);
        int polls = 0;
        connect(&cycle, &PollingCycle::devicePolled, this, [&polls] { ++polls; });
        {
            StationPublisher publisher(station, cycle);
            QVERIFY(publisher.start());
            cycle.btnStartClick();
            QVERIFY(WaitUntil(
                [&] { return polls >= 3 && CountLines(station.journal.lines(), NoBroker) > 0; },
                15000));
            QVERIFY(broker != QLatin1String("silent") || silent.hasPendingConnections());
        }
        cycle.btnStopClick();
        QCOMPARE(CountLines(station.journal.lines(), NoBroker), 1);
        QCOMPARE(CountLines(station.journal.lines(), Back), 0);
        if (!refusal.isEmpty())
            QCOMPARE(station.journal.lines().filter(refusal).size(), 1);
    }

    // What [MQTT] at start-up leads to: publishing or not, and the one journal line a wrong
    // or careless setting gives. The password itself never reaches the journal.
    void settingsAtStartUp_data()
    {
        QTest::addColumn<QString>("mqtt");
        QTest::addColumn<bool>("readableByAll"); // Zeltar.ini
        QTest::addColumn<bool>("publishes");
        QTest::addColumn<QString>("line"); // the journal line start-up adds, if any
        const QString wrong = QStringLiteral("Неверная настройка MQTT: %1. Публикация отключена");
        const QString login =
            BrokerAt(test::FreeLoopbackPort()) + QStringLiteral("Username=op\nPassword=s3cret");
        QTest::newRow("no section") << QString() << true << false << QString();
        QTest::newRow("disabled") << "Enabled=0" << true << false << QString();
        QTest::newRow("switch") << "Enabled=yes" << true << false << wrong.arg("Enabled");
        QTest::newRow("port") << "Enabled=1\nPort=70000" << true << false << wrong.arg("Port");
        QTest::newRow("qos") << "Enabled=1\nQoS=3" << true << false << wrong.arg("QoS");
        QTest::newRow("wildcard") << "Enabled=1\nTopicPrefix=a/#" << true << false
                                  << wrong.arg("TopicPrefix");
        QTest::newRow("no CA file")
            << "Enabled=1\nTLS=1\nCAFile=/nonexistent.crt" << true << false << wrong.arg("CAFile");
        QTest::newRow("password alone")
            << "Enabled=1\nPassword=s3cret" << true << false << wrong.arg("Password");
        QTest::newRow("readable by all")
            << login << true << true
            << "Файл Zeltar.ini с паролем MQTT доступен для чтения всем пользователям";
        QTest::newRow("owner only") << login << false << true << QString();
    }
    void settingsAtStartUp()
    {
        QFETCH(QString, mqtt);
        QFETCH(bool, readableByAll);
        QFETCH(bool, publishes);
        QFETCH(QString, line);
        QTemporaryDir dir;
        WriteStation(dir.path(), {}, {}, mqtt);
        QFileDevice::Permissions mode = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
        if (readableByAll)
            mode |= QFileDevice::ReadGroup | QFileDevice::ReadOther;
        QVERIFY(QFile::setPermissions(dir.filePath(QStringLiteral("Zeltar.ini")), mode));
        Station station(dir.path());
        station.journal.load(station.journalPath());
        QVERIFY(station.loadConfiguration());
        PollingCycle cycle(station);
        StationPublisher publisher(station, cycle);

        QCOMPARE(publisher.start(), publishes);
        const QStringList journal = station.journal.lines();
        QCOMPARE(journal.size(), line.isEmpty() ? 0 : 1);
        QVERIFY(line.isEmpty() || journal.first().endsWith(QStringLiteral("- ") + line));
        QVERIFY(!journal.join('\n').contains(QStringLiteral("s3cret")));
    }

    // While the broker is away the queue keeps the newest messages, and every retained topic
    // still ends with its latest message, even one that was pushed out.
    void queueKeepsNewestAndEveryLatestState()
    {
        OutboundQueue queue(3);
        auto drain = [&queue] {
            QByteArrayList taken;
            while (std::optional<OutboundMessage> message = queue.take())
                taken << message->payload;
            return taken;
        };
        for (const char *payload : {"a1", "b1", "a2"})
            queue.push(QString(QLatin1Char(payload[0])), payload, true);
        for (const char *payload : {"n1", "n2", "n3"})
            queue.push(QStringLiteral("n"), payload, false);
        QCOMPARE(queue.dropped(), quint64(3));
        const QByteArrayList taken = drain();
        QCOMPARE(taken.mid(0, 3), (QByteArrayList{"n1", "n2", "n3"}));
        QCOMPARE(QSet<QByteArray>(taken.begin() + 3, taken.end()), (QSet<QByteArray>{"a2", "b1"}));

        // A newer message of a pushed-out topic takes its place; one handed back goes first.
        for (const char *payload : {"b2", "b3", "b4"})
            queue.push(QStringLiteral("b"), payload, true);
        queue.push(QStringLiteral("n"), "n4", false);
        queue.putBack(*queue.take());
        QCOMPARE(drain(), (QByteArrayList{"b3", "b4", "n4"}));
        QVERIFY(queue.isEmpty());

        // After a reconnect each retained topic's latest comes once more, after what waits.
        queue.push(QStringLiteral("b"), "b5", true);
        queue.push(QStringLiteral("n"), "n5", false);
        queue.repeatLatest();
        const QByteArrayList again = drain();
        QCOMPARE(again.mid(0, 2), (QByteArrayList{"b5", "n5"}));
        QCOMPARE(QSet<QByteArray>(again.begin() + 2, again.end()), (QSet<QByteArray>{"a2"}));
    }
};

QTEST_GUILESS_MAIN(PublishingTest)
#include "test_publishing.moc"
