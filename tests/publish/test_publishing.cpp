// Publishing the polls to a real mosquitto broker: the states of live, silent and broken
// instruments, what the broker keeps, the last will, a broker that goes away and comes
// back, brokers that cannot be reached, and the settings read at start-up.

#include "acquisition/polling_cycle.h"
#include "acquisition/station.h"
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

const QString Prefix = QStringLiteral("zeltar/test");
const QString Status = Prefix + QStringLiteral("/status");

QString StateTopicOf(int n)
{
    return QStringLiteral("%1/%2/state").arg(Prefix).arg(n);
}

// One device of a station folder: name, port number, address.
struct Device
{
    QString name;
    int port;
    int address;
};

// Zeltar.ini with the devices polled at TimeOpr 1, COMn mapped to lines[n-1] and the given
// [MQTT] lines (none: no section).
void WriteStation(const QString &dir, const QList<Device> &devices, const QStringList &lines,
                  const QString &mqtt)
{
    QString text =
        QStringLiteral("[MAIN]\nTimeOpr=1\nTimeArh=1\nCountUstr=%1\n").arg(devices.size());
    for (int i = 0; i < devices.size(); ++i)
        text += QStringLiteral("[ZELTAR%1]\nPribName=%2\nPribVkl=1\nPribPort=%3\nPribBaud=2\n"
                               "PribAdr=%4\n")
                    .arg(i + 1)
                    .arg(devices[i].name)
                    .arg(devices[i].port)
                    .arg(devices[i].address);
    text += QStringLiteral("[PORTS]\n");
    for (int i = 0; i < lines.size(); ++i)
        text += QStringLiteral("COM%1=%2\n").arg(i + 1).arg(lines[i]);
    if (!mqtt.isEmpty())
        text += QStringLiteral("[MQTT]\n") + mqtt + QLatin1Char('\n');
    QFile file(dir + QStringLiteral("/Zeltar.ini"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8());
}

QString BrokerSettings(int port, const QString &host = QStringLiteral("127.0.0.1"))
{
    return QStringLiteral("Enabled=1\nHost=%1\nPort=%2\nTopicPrefix=%3\nClientId=zeltar-test")
        .arg(host)
        .arg(port)
        .arg(Prefix);
}

QStringList JournalLines(const QString &dir)
{
    QFile file(dir + QStringLiteral("/Zeltar.mes"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
}

int CountLines(const QStringList &journal, const QString &text)
{
    return static_cast<int>(std::count_if(journal.begin(), journal.end(), [&](const QString &line) {
        return line.trimmed().endsWith(QStringLiteral("- ") + text);
    }));
}

QJsonObject Json(const QByteArray &payload)
{
    return QJsonDocument::fromJson(payload).object();
}

// `zeltarctl --dir DIR poll` as a child process with a lock folder of its own.
class PollProcess
{
public:
    PollProcess(const QString &dir, const QString &lockDir)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TMPDIR"), lockDir);
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(ZELTARCTL_PATH),
                      {QStringLiteral("--dir"), dir, QStringLiteral("poll")});
        process.waitForStarted();
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

const QString NoBrokerLine = QStringLiteral("Нет связи с брокером MQTT");
const QString BackLine = QStringLiteral("Связь с брокером MQTT восстановлена");

} // namespace

class PublishingTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_lockDir;

private Q_SLOTS:
    // A measuring, a broken and a silent instrument polled by the headless station: every
    // poll reaches the subscriber as the device's state, the broker keeps the latest state
    // of each device, the discovery messages and, after an orderly stop, "offline".
    void statesOfEveryKindOfPoll()
    {
        MqttBroker broker;
        QVERIFY(broker.start());
        SimProcess measuring({QStringLiteral("--value"), QStringLiteral("25.3")});
        SimProcess broken({QStringLiteral("--break")});
        QVERIFY(measuring.start());
        QVERIFY(broken.start());
        QTemporaryDir dir;
        WriteStation(dir.path(),
                     {{QStringLiteral("Печь 1"), 1, 1},
                      {QStringLiteral("Печь 2"), 2, 1},
                      {QStringLiteral("Сушка"), 1, 9}},
                     {measuring.portPath(), broken.portPath()},
                     BrokerSettings(broker.port()) + QStringLiteral("\nDiscovery=1"));

        MqttSubscriber live(broker.port(), QStringLiteral("zeltar/#"));
        PollProcess poll(dir.path(), m_lockDir.path());
        for (int n = 1; n <= 3; ++n)
            QVERIFY2(live.waitFor(StateTopicOf(n), 2, 20000), qPrintable(StateTopicOf(n)));
        QCOMPARE(live.payloads(Status).value(0), QByteArray("online"));

        struct Expected
        {
            QJsonValue value;
            bool nolink;
            bool sensorBreak;
            QString name;
        };
        const Expected expected[] = {{25.3, false, false, QStringLiteral("Печь 1")},
                                     {QJsonValue(), false, true, QStringLiteral("Печь 2")},
                                     {QJsonValue(), true, false, QStringLiteral("Сушка")}};
        static const QRegularExpression localTime(
            QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d[+-]\\d\\d:\\d\\d$"));
        for (int n = 1; n <= 3; ++n) {
            const QJsonObject state = Json(live.payloads(StateTopicOf(n)).last());
            const Expected &e = expected[n - 1];
            QCOMPARE(state.value(QStringLiteral("device")).toInt(), n);
            QCOMPARE(state.value(QStringLiteral("name")).toString(), e.name);
            QCOMPARE(state.value(QStringLiteral("value")), e.value);
            QCOMPARE(state.value(QStringLiteral("nolink")).toBool(), e.nolink);
            QCOMPARE(state.value(QStringLiteral("break")).toBool(), e.sensorBreak);
            QVERIFY(localTime.match(state.value(QStringLiteral("time")).toString()).hasMatch());
            for (const char *key : {"status", "relays", "step"})
                QVERIFY2(state.value(QLatin1String(key)).isDouble(), key);
        }
        // The measuring instrument's status says "measuring"; its relays follow its setpoints.
        QCOMPARE(
            Json(live.payloads(StateTopicOf(1)).last()).value(QStringLiteral("status")).toInt() & 1,
            1);
        QCOMPARE(
            Json(live.payloads(StateTopicOf(3)).last()).value(QStringLiteral("status")).toInt(), 0);

        poll.signal(SIGTERM);
        QVERIFY(poll.process.waitForFinished(10000));
        QCOMPARE(poll.process.exitCode(), 0);
        QVERIFY(live.waitFor(Status, QByteArray("offline"), 5000));

        MqttSubscriber kept(broker.port(), QStringLiteral("#"), true);
        QVERIFY(kept.waitFinished(10000));
        QCOMPARE(kept.payloads(Status), QList<QByteArray>{"offline"});
        for (int n = 1; n <= 3; ++n) {
            QCOMPARE(kept.payloads(StateTopicOf(n)),
                     QList<QByteArray>{live.payloads(StateTopicOf(n)).last()});
            const QJsonObject discovery = Json(
                kept.payloads(
                        QStringLiteral("homeassistant/sensor/zeltar-test/device%1/config").arg(n))
                    .value(0));
            QCOMPARE(discovery.value(QStringLiteral("state_topic")).toString(), StateTopicOf(n));
            QCOMPARE(discovery.value(QStringLiteral("availability_topic")).toString(), Status);
            QCOMPARE(discovery.value(QStringLiteral("name")).toString(), expected[n - 1].name);
        }
    }

    // The broker stops in the middle of the run: polling goes on, the journal says once that
    // the broker is away and once that it is back, publishing resumes with "online" again.
    // A station killed outright leaves "offline" through its last will.
    void brokerGoneAndBackThenKilled()
    {
        MqttBroker broker;
        QVERIFY(broker.start());
        SimProcess sim;
        QVERIFY(sim.start());
        QTemporaryDir dir;
        WriteStation(dir.path(), {{QStringLiteral("Печь"), 1, 1}}, {sim.portPath()},
                     BrokerSettings(broker.port()));
        PollProcess poll(dir.path(), m_lockDir.path());
        {
            MqttSubscriber live(broker.port(), QStringLiteral("zeltar/#"));
            QVERIFY(live.waitFor(StateTopicOf(1), 1, 15000));
        }

        broker.stop();
        const int ticksBefore = poll.ticks();
        QVERIFY(WaitUntil([&] { return poll.ticks() >= ticksBefore + 3; }, 10000));
        QVERIFY(WaitUntil([&] { return CountLines(JournalLines(dir.path()), NoBrokerLine) == 1; },
                          5000));

        QVERIFY(broker.start());
        MqttSubscriber live(broker.port(), QStringLiteral("zeltar/#"));
        QVERIFY(live.waitFor(Status, QByteArray("online"), 15000));
        QVERIFY(live.waitFor(StateTopicOf(1), 2, 10000));
        QVERIFY(
            WaitUntil([&] { return CountLines(JournalLines(dir.path()), BackLine) == 1; }, 5000));
        QCOMPARE(CountLines(JournalLines(dir.path()), NoBrokerLine), 1);

        poll.signal(SIGKILL);
        QVERIFY(live.waitFor(Status, QByteArray("offline"), 10000));
    }

    // Brokers that cannot be reached neither hold up polling nor the stop; the journal
    // says once that there is no broker.
    void unreachableBroker_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("hanging");
        QTest::newRow("nothing listening") << QStringLiteral("127.0.0.1") << false;
        QTest::newRow("never answers") << QStringLiteral("127.0.0.1") << true;
        QTest::newRow("unknown host name") << QStringLiteral("no-such-host.invalid") << false;
    }
    void unreachableBroker()
    {
        QFETCH(QString, host);
        QFETCH(bool, hanging);
        QTcpServer silent; // takes the connection and never says a word
        int port = test::FreeLoopbackPort();
        if (hanging) {
            QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
            port = silent.serverPort();
        }
        SimProcess sim;
        QVERIFY(sim.start());
        QTemporaryDir dir;
        WriteStation(dir.path(), {{QStringLiteral("Печь"), 1, 1}}, {sim.portPath()},
                     BrokerSettings(port, host));

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
                [&] {
                    return polls >= 3 && station.journal.lines().join('\n').contains(NoBrokerLine);
                },
                15000));
            QVERIFY(!hanging || silent.hasPendingConnections());
        }
        cycle.btnStopClick();
        QCOMPARE(CountLines(station.journal.lines(), NoBrokerLine), 1);
        QCOMPARE(CountLines(station.journal.lines(), BackLine), 0);
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
        const QString exposed =
            QStringLiteral("Файл Zeltar.ini с паролем MQTT доступен для чтения всем пользователям");
        const QString user = QStringLiteral("\nUsername=operator\nPassword=s3cret");
        const QString to = QStringLiteral("Port=%1\n").arg(test::FreeLoopbackPort());
        QTest::newRow("no section") << QString() << true << false << QString();
        QTest::newRow("disabled") << QStringLiteral("Enabled=0") << true << false << QString();
        QTest::newRow("switch") << QStringLiteral("Enabled=yes") << true << false
                                << wrong.arg("Enabled");
        QTest::newRow("port") << QStringLiteral("Enabled=1\nPort=70000") << true << false
                              << wrong.arg("Port");
        QTest::newRow("qos") << QStringLiteral("Enabled=1\nQoS=3") << true << false
                             << wrong.arg("QoS");
        QTest::newRow("wildcard") << QStringLiteral("Enabled=1\nTopicPrefix=plant/#") << true
                                  << false << wrong.arg("TopicPrefix");
        QTest::newRow("no CA file")
            << QStringLiteral("Enabled=1\nTLS=1\nCAFile=/nonexistent/ca.crt") << true << false
            << wrong.arg("CAFile");
        QTest::newRow("password alone") << QStringLiteral("Enabled=1\nPassword=s3cret") << true
                                        << false << wrong.arg("Password");
        QTest::newRow("readable by all")
            << to + QStringLiteral("Enabled=1") + user << true << true << exposed;
        QTest::newRow("owner only")
            << to + QStringLiteral("Enabled=1") + user << false << true << QString();
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
        const int before = static_cast<int>(station.journal.lines().size());

        QCOMPARE(publisher.start(), publishes);
        const QStringList added =
            station.journal.lines().mid(0, station.journal.lines().size() - before);
        QCOMPARE(added.size(), line.isEmpty() ? 0 : 1);
        if (!line.isEmpty())
            QVERIFY2(added.first().endsWith(QStringLiteral("- ") + line),
                     qPrintable(added.first()));
        QVERIFY(!station.journal.lines().join('\n').contains(QStringLiteral("s3cret")));
    }

    // While the broker is away the queue keeps the newest messages, and every retained topic
    // still ends with its latest message, even one that was pushed out.
    void queueKeepsNewestAndEveryLatestState()
    {
        OutboundQueue queue(3);
        queue.push(QStringLiteral("a"), "a1", true);
        queue.push(QStringLiteral("b"), "b1", true);
        queue.push(QStringLiteral("a"), "a2", true);
        for (const char *payload : {"n1", "n2", "n3"})
            queue.push(QStringLiteral("n"), payload, false);
        QCOMPARE(queue.dropped(), quint64(3));

        QByteArrayList taken;
        while (std::optional<OutboundMessage> message = queue.take())
            taken << message->payload;
        QCOMPARE(taken.mid(0, 3), (QByteArrayList{"n1", "n2", "n3"}));
        QCOMPARE(QSet<QByteArray>(taken.begin() + 3, taken.end()), (QSet<QByteArray>{"a2", "b1"}));
        QVERIFY(queue.isEmpty());

        // A newer message of a pushed-out topic replaces it; a message handed back goes first.
        queue.push(QStringLiteral("b"), "b2", true);
        queue.push(QStringLiteral("b"), "b3", true);
        queue.push(QStringLiteral("b"), "b4", true);
        queue.push(QStringLiteral("n"), "n4", false);
        std::optional<OutboundMessage> first = queue.take();
        QCOMPARE(first->payload, QByteArray("b3"));
        queue.putBack(*first);
        taken.clear();
        while (std::optional<OutboundMessage> message = queue.take())
            taken << message->payload;
        QCOMPARE(taken, (QByteArrayList{"b3", "b4", "n4"}));
    }
};

QTEST_GUILESS_MAIN(PublishingTest)
#include "test_publishing.moc"
