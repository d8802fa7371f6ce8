// Measures publishing against a real mosquitto broker with 16 simulated instruments
// (two lines of eight) polled at TimeOpr 1: the delay from the end of a device's poll to
// a subscriber's receipt of its state, how late the polling timer's ticks come with the
// broker up, stopped or hanging (and without publishing, for comparison), the same with
// alarms on every device mailed to a mail server that hangs, and the CPU of the station's
// process. Prints its figures; asserts nothing.
// Usage: bench_publish [SECONDS per condition, default 20]
#include "acquisition/polling_cycle.h"
#include "acquisition/station.h"
#include "alarms/alarm_monitor.h"
#include "alarms/mail/alarm_mailer.h"
#include "bench_tables.h"
#include "config/ini_file.h"
#include "mqtt_broker.h"
#include "publish/station_publisher.h"
#include "sim_process.h"

#include <mosquitto.h>

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <vector>

using namespace zeltar;
using Clock = std::chrono::steady_clock;

namespace {

const QString Prefix = QStringLiteral("zeltar/bench");

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval &t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// Median, 95th percentile and maximum of the samples.
QString Spread(std::vector<double> samples)
{
    if (samples.empty())
        return QStringLiteral("no samples");
    std::sort(samples.begin(), samples.end());
    auto at = [&](double share) {
        return samples[static_cast<size_t>(share * (samples.size() - 1))];
    };
    return QStringLiteral("median %1 ms, p95 %2 ms, max %3 ms (%4 samples)")
        .arg(at(0.5), 0, 'f', 2)
        .arg(at(0.95), 0, 'f', 2)
        .arg(samples.back(), 0, 'f', 2)
        .arg(samples.size());
}

// A libmosquitto subscriber on the state topics that notes when each device's states come.
class Receiver
{
public:
    explicit Receiver(int port)
    {
        m_client = mosquitto_new(nullptr, true, this);
        mosquitto_message_callback_set(
            m_client, [](mosquitto *, void *self, const mosquitto_message *m) {
                auto *receiver = static_cast<Receiver *>(self);
                const int n = QJsonDocument::fromJson(
                                  QByteArray(static_cast<const char *>(m->payload), m->payloadlen))
                                  .object()
                                  .value(QStringLiteral("device"))
                                  .toInt();
                std::lock_guard<std::mutex> lock(receiver->m_mutex);
                receiver->m_received[n].push_back(Clock::now());
            });
        mosquitto_connect(m_client, "127.0.0.1", port, 60);
        mosquitto_subscribe(m_client, nullptr, (Prefix + QStringLiteral("/+/state")).toUtf8(), 1);
        mosquitto_loop_start(m_client);
    }
    ~Receiver()
    {
        mosquitto_disconnect(m_client);
        mosquitto_loop_stop(m_client, false);
        mosquitto_destroy(m_client);
    }
    std::map<int, std::vector<Clock::time_point>> received()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_received;
    }

private:
    mosquitto *m_client;
    std::mutex m_mutex;
    std::map<int, std::vector<Clock::time_point>> m_received;
};

struct Run
{
    std::map<int, std::vector<Clock::time_point>> pollEnds;
    std::vector<double> timerLateness;
    double cpuShare = 0;
    int polls = 0;
};

void WriteStation(const QString &dir, const QStringList &lines, const QString &mqtt)
{
    QString text = bench::SixteenInstrumentsIni(lines);
    if (!mqtt.isEmpty())
        text += QStringLiteral("[MQTT]\nEnabled=1\nHost=127.0.0.1\nPort=%1\nTopicPrefix=%2\n")
                    .arg(mqtt, Prefix);
    QFile file(dir + QStringLiteral("/Zeltar.ini"));
    file.open(QIODevice::WriteOnly);
    file.write(text.toUtf8());
}

// Every alarm on for the 16 instruments (the high one raised at their first poll), mailed
// to a server on mailPort.
void WriteAlarms(const QString &dir, const QString &mailPort)
{
    IniFile ini(dir + QStringLiteral("/Zeltar.ini"));
    DeviceAlarmSettings all;
    all.AlarmHigh = 0;
    all.AlarmLow = -100;
    all.AlarmNoLink = 3;
    all.AlarmBreak = true;
    for (int n = 1; n <= 16; ++n)
        WriteDeviceAlarms(ini, n, all);
    ini.writeString(QStringLiteral("ALARMS"), QStringLiteral("SmtpHost"),
                    QStringLiteral("127.0.0.1"));
    ini.writeString(QStringLiteral("ALARMS"), QStringLiteral("SmtpPort"), mailPort);
    ini.writeString(QStringLiteral("ALARMS"), QStringLiteral("MailTo"),
                    QStringLiteral("shift@example.org"));
}

// Polls for the given seconds with publishing to port (empty: no publishing) and alarms
// mailed to mailPort (empty: no alarms).
Run Poll(const QStringList &lines, const QString &port, int seconds,
         const QString &mailPort = QString())
{
    QTemporaryDir dir;
    WriteStation(dir.path(), lines, port);
    if (!mailPort.isEmpty())
        WriteAlarms(dir.path(), mailPort);
    Station station(dir.path());
    station.journal.load(station.journalPath());
    station.loadConfiguration();
    PollingCycle cycle(station);
    Run run;
    QObject::connect(&cycle, &PollingCycle::devicePolled,
                     [&](int n) { run.pollEnds[n].push_back(Clock::now()); });
    StationPublisher publisher(station, cycle);
    publisher.start();
    AlarmMonitor alarms(station);
    alarms.load();
    publisher.watch(alarms);
    QObject::connect(&cycle, &PollingCycle::devicePolled, &alarms, &AlarmMonitor::devicePolled);

    const double cpuStart = CpuSeconds();
    const Clock::time_point start = Clock::now();
    cycle.btnStartClick();
    // Each timeout of the first line's polling timer (made by the start): how late it comes
    // against the one before.
    QTimer &timer = cycle.timerSys();
    Clock::time_point lastTimeout;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        const Clock::time_point now = Clock::now();
        if (lastTimeout != Clock::time_point())
            run.timerLateness.push_back(Ms(now - lastTimeout) - timer.interval());
        lastTimeout = now;
    });
    test::WaitUntil([] { return false; }, seconds * 1000);
    cycle.btnStopClick();
    test::WaitUntil([&] { return !station.state.OprBusy; }, 5000);
    run.cpuShare = 100.0 * (CpuSeconds() - cpuStart) / (Ms(Clock::now() - start) / 1000.0);
    for (const auto &device : run.pollEnds)
        run.polls += static_cast<int>(device.second.size());
    return run;
}

void Report(const char *condition, const Run &run, int seconds)
{
    std::printf("%-28s %5.1f polls/s, CPU %.2f%% of one core, polling timer late by %s\n",
                condition, run.polls / static_cast<double>(seconds), run.cpuShare,
                qPrintable(Spread(run.timerLateness)));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const int seconds = argc > 1 ? qMax(1, QByteArray(argv[1]).toInt()) : 20;
    mosquitto_lib_init();

    QStringList addresses;
    for (int a = 1; a <= 8; ++a)
        addresses << QStringLiteral("--addr") << QString::number(a);
    test::SimProcess line1(addresses), line2(addresses);
    test::MqttBroker broker;
    if (!line1.start() || !line2.start() || !broker.start()) {
        std::fprintf(stderr, "simulators or broker did not start\n");
        return 1;
    }
    const QStringList lines{line1.portPath(), line2.portPath()};
    std::printf("16 instruments on two simulated lines at 9600 baud, TimeOpr 1, %d s each\n",
                seconds);

    Report("without publishing", Poll(lines, QString(), seconds), seconds);

    Run up;
    std::map<int, std::vector<Clock::time_point>> received;
    {
        Receiver receiver(broker.port());
        up = Poll(lines, QString::number(broker.port()), seconds);
        test::WaitUntil([] { return false; }, 500);
        received = receiver.received();
    }
    Report("broker up", up, seconds);
    std::vector<double> latency;
    for (const auto &[n, ends] : up.pollEnds) {
        const std::vector<Clock::time_point> &got = received[n];
        for (size_t k = 0; k < std::min(ends.size(), got.size()); ++k)
            latency.push_back(Ms(got[k] - ends[k]));
    }
    std::printf("publish latency, poll end to subscriber: %s (goal: median <= 20 ms)\n",
                qPrintable(Spread(latency)));

    const int stoppedPort = broker.port();
    broker.stop();
    Report("broker stopped", Poll(lines, QString::number(stoppedPort), seconds), seconds);

    QTcpServer hanging; // takes connections and never answers
    hanging.listen(QHostAddress::LocalHost, 0);
    Report("broker hanging", Poll(lines, QString::number(hanging.serverPort()), seconds), seconds);

    // Alarms raised on all 16 devices at their first poll: 16 mails that wait behind one the
    // server never answers (the mailer's own time limit is a minute).
    InstallAlarmMail();
    const QString mailPort = QString::number(hanging.serverPort());
    Report("no alarms", Poll(lines, QString(), seconds), seconds);
    Report("alarms, mail server hanging", Poll(lines, QString(), seconds, mailPort), seconds);
    return 0;
}
