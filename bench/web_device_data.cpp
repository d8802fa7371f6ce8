// Measures the web view's device page on a month of polling: 30 days of one-hour tables of
// one device with a record every 10 s (720 tables, 259,200 records). Prints the time of the
// page's request for the whole month's trend (the series cut to 2,000 points, over real HTTP
// on loopback) with the archive index cold and kept, a zoomed day, and a day's CSV. Goal:
// the month's trend under 300 ms. The figures assert nothing.
//   bench_web_device_data [FOLDER]   the month's tables in FOLDER, made there when missing
#include "acquisition/polling_cycle.h"
#include "acquisition/polling_state.h"
#include "acquisition/station.h"
#include "bench_tables.h"
#include "mqtt_broker.h"
#include "web/web_view.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

using namespace zeltar;

namespace {

const QString &Device = bench::MonthDevice;
const QDateTime &Start = bench::MonthStart;
constexpr int Days = bench::MonthDays;

struct Fetched
{
    double wallMs = 0;
    double cpuMs = 0; // the whole process: server and client
    QByteArray body;
};

Fetched Fetch(QNetworkAccessManager &network, const QString &url)
{
    QElapsedTimer wall;
    wall.start();
    const std::clock_t cpu = std::clock();
    QNetworkReply *reply = network.get(QNetworkRequest(QUrl(url)));
    while (!reply->isFinished())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    Fetched fetched{wall.nsecsElapsed() / 1e6, double(std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC,
                    reply->readAll()};
    reply->deleteLater();
    return fetched;
}

QString Iso(const QDateTime &moment)
{
    return moment.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QTemporaryDir dir;
    const QString month = argc > 1 ? QString::fromLocal8Bit(argv[1]) : dir.filePath("month");
    QDir().mkpath(month);
    if (QDir(month).entryList(QDir::Files).size() != Days * 24) {
        QElapsedTimer timer;
        timer.start();
        bench::WriteMonth(month, 10);
        std::printf("made 720 tables, 259200 records in %.0f ms\n", timer.elapsed() * 1.0);
    }

    const auto port = quint16(test::FreeLoopbackPort());
    QFile ini(dir.filePath("Zeltar.ini"));
    ini.open(QIODevice::WriteOnly);
    ini.write(QStringLiteral("[MAIN]\nPathArh=%1\nCountUstr=1\n[ZELTAR1]\nPribName=%2\nPribVkl=1\n"
                             "[WEB]\nEnabled=1\nPort=%3\nAnonymous=1\n")
                  .arg(month, Device)
                  .arg(port)
                  .toUtf8());
    ini.close();
    Station station(dir.path());
    station.loadConfiguration();
    PollingCycle cycle(station);
    WebView web(station, cycle, nullptr);
    if (!web.start()) {
        std::fprintf(stderr, "the web view did not start\n");
        return 1;
    }

    QNetworkAccessManager network;
    const QString base = QStringLiteral("http://127.0.0.1:%1/api/v1/devices/1/records").arg(port);
    const QString monthUrl =
        base +
        QStringLiteral("?from=%1&to=%2&points=2000").arg(Iso(Start), Iso(Start.addDays(Days)));
    const Fetched cold = Fetch(network, monthUrl);
    const QJsonObject answer = QJsonDocument::fromJson(cold.body).object();
    std::printf("month's trend, index cold: %.0f ms (cpu %.0f ms), %d records -> %d points, "
                "%lld bytes\n",
                cold.wallMs, cold.cpuMs, answer.value("records").toInt(),
                int(answer.value("points").toArray().size()), qint64(cold.body.size()));
    double best = 1e9, worst = 0, sum = 0;
    constexpr int Runs = 5;
    for (int i = 0; i < Runs; ++i) {
        const Fetched warm = Fetch(network, monthUrl);
        best = std::min(best, warm.wallMs);
        worst = std::max(worst, warm.wallMs);
        sum += warm.wallMs;
    }
    std::printf("month's trend, index kept: mean %.0f ms, best %.0f ms, worst %.0f ms over %d "
                "requests (goal < 300 ms)\n",
                sum / Runs, best, worst, Runs);
    const QDateTime day = Start.addDays(14);
    const Fetched zoom = Fetch(
        network,
        base + QStringLiteral("?from=%1&to=%2&points=2000").arg(Iso(day), Iso(day.addDays(1))));
    std::printf("a zoomed day's trend: %.0f ms\n", zoom.wallMs);
    const Fetched csv = Fetch(
        network,
        base + QStringLiteral("?from=%1&to=%2&format=csv").arg(Iso(day), Iso(day.addDays(1))));
    std::printf("a day's CSV: %.0f ms, %lld bytes\n", csv.wallMs, qint64(csv.body.size()));
    return 0;
}
