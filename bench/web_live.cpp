// Measures the live overview's cost to the station: the station polls 16 simulated
// instruments (two lines of eight, TimeOpr 1) with its web view on, first with no browser
// watching, then with 50 clients following its server-sent events (a child process of this
// program, so that their work is not counted). For each phase it prints each device's
// poll-to-poll time (what the lines' exchanges allow, so its lateness is what it gains over
// the quiet phase), the station's CPU as a share of one core, and the events the clients
// received.
// Goals: lateness unchanged by the clients, CPU under 5 % of a core. Asserts nothing.
//   bench_web_live [SECONDS_PER_PHASE] [CLIENTS]
#include "acquisition/polling_cycle.h"
#include "acquisition/station.h"
#include "bench_tables.h"
#include "mqtt_broker.h"
#include "sim_process.h"
#include "web/web_server.h"
#include "web/web_view.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace zeltar;

namespace {

// The child: count clients following the events for seconds, then print the events seen.
int RunClients(quint16 port, int count, int seconds)
{
    std::vector<std::unique_ptr<QTcpSocket>> sockets;
    qint64 events = 0;
    for (int i = 0; i < count; ++i) {
        auto socket = std::make_unique<QTcpSocket>();
        QTcpSocket *s = socket.get();
        QObject::connect(s, &QTcpSocket::connected, s, [s] {
            s->write("GET /api/v1/events HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n");
        });
        QObject::connect(s, &QTcpSocket::readyRead, s,
                         [s, &events] { events += s->readAll().count("event: device"); });
        s->connectToHost(QHostAddress::LocalHost, port);
        sockets.push_back(std::move(socket));
    }
    QTimer::singleShot(seconds * 1000, &QCoreApplication::quit);
    QCoreApplication::exec();
    const auto open = std::count_if(sockets.begin(), sockets.end(), [](const auto &s) {
        return s->state() == QAbstractSocket::ConnectedState;
    });
    std::printf("%lld %lld\n", qint64(events), qint64(open));
    return 0;
}

struct Phase
{
    std::vector<double> gaps; // ms from a device's poll to its next
    double cpuMs = 0;
    double wallMs = 0;
};

double Mean(const Phase &phase)
{
    double sum = 0;
    for (double g : phase.gaps)
        sum += g;
    return phase.gaps.empty() ? 0 : sum / double(phase.gaps.size());
}

void Report(const char *name, Phase &phase)
{
    std::sort(phase.gaps.begin(), phase.gaps.end());
    const auto at = [&](double share) {
        return phase.gaps.empty() ? 0.0 : phase.gaps.at(size_t(share * (phase.gaps.size() - 1)));
    };
    std::printf("%s: %zu polls, poll-to-poll mean %.1f ms, median %.1f ms, 99th %.1f ms, "
                "worst %.1f ms; station CPU %.2f%% of one core\n",
                name, phase.gaps.size(), Mean(phase), at(0.5), at(0.99), at(1.0),
                100.0 * phase.cpuMs / phase.wallMs);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 5 && args.at(1) == QLatin1String("--clients"))
        return RunClients(quint16(args.at(2).toInt()), args.at(3).toInt(), args.at(4).toInt());
    const int seconds = args.size() > 1 ? std::max(5, args.at(1).toInt()) : 20;
    const int clients = args.size() > 2 ? std::max(1, args.at(2).toInt()) : 50;

    QStringList addresses;
    for (int a = 1; a <= 8; ++a)
        addresses << QStringLiteral("--addr") << QString::number(a);
    test::SimProcess line1(addresses), line2(addresses);
    if (!line1.start() || !line2.start())
        return 1;
    QTemporaryDir dir;
    const auto port = quint16(test::FreeLoopbackPort());
    const QString text = bench::SixteenInstrumentsIni({line1.portPath(), line2.portPath()}) +
                         QStringLiteral("[WEB]\nEnabled=1\nPort=%1\nAnonymous=1\n").arg(port);
    QFile ini(dir.filePath("Zeltar.ini"));
    ini.open(QIODevice::WriteOnly);
    ini.write(text.toUtf8());
    ini.close();

    Station station(dir.path());
    station.journal.load(station.journalPath());
    station.loadConfiguration();
    PollingCycle cycle(station);
    WebView web(station, cycle, nullptr);
    if (!web.start())
        return 1;
    std::array<qint64, 16> last{};
    Phase *current = nullptr;
    QElapsedTimer clock;
    clock.start();
    QObject::connect(&cycle, &PollingCycle::devicePolled, [&](int n) {
        const qint64 now = clock.nsecsElapsed();
        qint64 &before = last.at(size_t(n - 1));
        if (current && before > 0)
            current->gaps.push_back((now - before) / 1e6);
        before = now;
    });
    cycle.btnStartClick();
    test::WaitUntil([] { return false; }, 3000); // the rounds settle

    const auto measure = [&](Phase &phase) {
        current = &phase;
        const std::clock_t cpu = std::clock();
        QElapsedTimer wall;
        wall.start();
        test::WaitUntil([] { return false; }, seconds * 1000);
        phase.cpuMs = double(std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC;
        phase.wallMs = double(wall.elapsed());
        current = nullptr;
    };
    Phase quiet, watched;
    measure(quiet);
    Report("no clients", quiet);

    QProcess children;
    children.start(QCoreApplication::applicationFilePath(),
                   {"--clients", QString::number(port), QString::number(clients),
                    QString::number(seconds + 2)});
    test::WaitUntil([&] { return web.server()->feed().clients() == clients; }, 5000);
    std::printf("clients following the events: %d\n", web.server()->feed().clients());
    measure(watched);
    Report(qPrintable(QStringLiteral("%1 clients").arg(clients)), watched);
    std::printf(
        "lateness the clients add: mean %+.1f ms, worst %+.1f ms\n", Mean(watched) - Mean(quiet),
        watched.gaps.empty() || quiet.gaps.empty() ? 0.0 : watched.gaps.back() - quiet.gaps.back());
    children.waitForFinished(10000);
    const QList<QByteArray> seen = children.readAllStandardOutput().trimmed().split(' ');
    std::printf("events received by the clients: %s (%s connections open to the end)\n",
                seen.value(0).constData(), seen.value(1).constData());
    cycle.btnStopClick();
    test::WaitUntil([&] { return !cycle.isBusy(); }, 5000);
    cycle.shutdown();
    station.lines.stop();
    return 0;
}
