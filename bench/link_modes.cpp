// The standard and the fast link mode side by side, in one run, against zeltar-sim taking
// requests and sending replies at 9600 baud with an instrument turnaround of 10 ms: an
// instrument archive download, a polling round of 16 instruments on one line and on four,
// the station's CPU in each and the longest stall of the thread that runs the windows. The
// fast mode uses the station's default turnaround (5 ms). "x line time" compares with the
// line's own time: request, the instrument's turnaround and reply. Prints its figures;
// asserts nothing. Run it with nice: it takes minutes.
#include "acquisition/archive_download.h"
#include "acquisition/line_worker.h"
#include "acquisition/polling_cycle.h"
#include "acquisition/station.h"
#include "link/modbus_frame.h"
#include "link/serial_session.h"
#include "link/timing.h"
#include "sim_process.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>

using namespace zeltar;

namespace {

constexpr int Baud9600 = 2;
constexpr int LineRate = 9600;
constexpr int BitsPerCharacter = 10;
constexpr int TurnaroundMs = LinkMode::DefaultTurnaroundMs; // the station's, in fast mode
constexpr int InstrumentTurnaroundMs = 10; // the simulator's, from request to reply
constexpr int Instruments = 16;
constexpr int Rounds = 3; // measured polling rounds, after one that opens the port

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

LinkMode modeOf(bool fast)
{
    LinkMode mode;
    mode.fast = fast;
    mode.TurnaroundMs = TurnaroundMs;
    return mode;
}

const char *nameOf(bool fast)
{
    return fast ? "fast" : "standard";
}

// Milliseconds the line itself needs for one exchange: request, the instrument's
// turnaround and reply.
double lineMs(int requestChars, int replyChars)
{
    return 1000.0 * (requestChars + replyChars) * BitsPerCharacter / LineRate +
           InstrumentTurnaroundMs;
}

// How late a 5 ms timer of the thread that runs the windows comes at worst: the longest
// time that thread could not serve the operator.
class StallMeter
{
public:
    StallMeter()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(IntervalMs);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            const qint64 now = m_clock.nsecsElapsed();
            if (m_last > 0)
                m_worstMs = qMax(m_worstMs, (now - m_last) / 1e6 - IntervalMs);
            m_last = now;
        });
        m_clock.start();
        m_timer.start();
    }
    double worstMs() const { return m_worstMs; }

private:
    static constexpr int IntervalMs = 5;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    double m_worstMs = 0;
};

struct ArchiveRun
{
    ArchiveDownload download;
    int reads = 0;
    double seconds = 0;
    double cpu = 0;
    double stallMs = 0;
};

// The download as the window runs it: a job of the line's worker, the window's thread
// free meanwhile.
ArchiveRun downloadArchive(const QString &line, bool fast)
{
    LineWorker worker(line);
    worker.setLinkMode(modeOf(fast));
    worker.setPortNames(PortNames({{1, line}}));
    InstrumentSettings device;
    device.PribPort = 1;
    device.PribBaud = Baud9600;
    device.PribAdr = 1;

    ArchiveRun run;
    auto reads = std::make_shared<int>(1); // the first read has no progress call
    auto download = std::make_shared<ArchiveDownload>();
    const double cpu = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    StallMeter stall;
    QEventLoop loop;
    worker.post(
        [device, reads, download](SerialSession &port) {
            *download = DownloadArchive(port, device, [reads](const QString &, int) { ++*reads; });
        },
        [&loop] { loop.quit(); });
    loop.exec();
    run.seconds = wall.elapsed() / 1000.0;
    run.cpu = cpuSeconds() - cpu;
    run.stallMs = stall.worstMs();
    run.download = *download;
    run.reads = *reads;
    return run;
}

bool sameRecords(const QVector<DownloadedRecord> &a, const QVector<DownloadedRecord> &b)
{
    if (a.size() != b.size())
        return false;
    for (int i = 0; i < a.size(); ++i)
        if (a[i].data != b[i].data || a[i].time != b[i].time || a[i].znac != b[i].znac)
            return false;
    return true;
}

struct PollRun
{
    double roundSeconds = 0;  // from a round's first request to its last reply (mean)
    double periodSeconds = 0; // from one round's start to the next (mean)
    double cpuShare = 0;      // of one core, while polling
    double stallMs = 0;
    int failed = 0;
};

// Polls `perLine` instruments on each of the lines for Rounds rounds after a first one.
// The stall is measured in a run of its own: its timer would count in the CPU.
PollRun pollRounds(const QStringList &lines, int perLine, bool fast, bool measureStall)
{
    QTemporaryDir dir;
    QFile ini(dir.filePath(QStringLiteral("Zeltar.ini")));
    if (!ini.open(QIODevice::WriteOnly))
        return {};
    const int count = perLine * static_cast<int>(lines.size());
    QString text = QStringLiteral("[MAIN]\nTimeOpr=1\nTimeArh=24\nCountUstr=%1\n").arg(count);
    QString ports = QStringLiteral("[PORTS]\n");
    for (int line = 1; line <= lines.size(); ++line) {
        ports += QStringLiteral("COM%1=%2\n").arg(line).arg(lines.at(line - 1));
        for (int address = 1; address <= perLine; ++address)
            text += QStringLiteral("[ZELTAR%1]\nPribName=%1\nPribVkl=1\nPribPort=%2\n"
                                   "PribBaud=%3\nPribAdr=%4\n")
                        .arg((line - 1) * perLine + address)
                        .arg(line)
                        .arg(Baud9600)
                        .arg(address);
    }
    if (fast)
        text += QStringLiteral("[LINK]\nMode=fast\nTurnaroundMs=%1\n").arg(TurnaroundMs);
    ini.write((text + ports).toUtf8());
    ini.close();

    Station station(dir.path());
    station.journal.load(station.journalPath());
    station.loadConfiguration();
    PollingCycle cycle(station);

    // Per device, when each of its ticks began and when its poll came back.
    QVector<QVector<qint64>> began(count + 1);
    QVector<QVector<qint64>> ended(count + 1);
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    PollRun run;
    QObject::connect(&cycle, &PollingCycle::currentDeviceChanged, [&](const QString &name) {
        if (!name.isEmpty())
            began[name.toInt()].append(clock.nsecsElapsed());
    });
    QObject::connect(&cycle, &PollingCycle::devicePolled, [&](int n) {
        ended[n].append(clock.nsecsElapsed());
        if (station.state.device(n).PribNoLink != 0)
            ++run.failed;
        for (int k = 1; k <= count; ++k)
            if (ended[k].size() < Rounds + 1)
                return;
        loop.quit();
    });
    double cpuStart = 0;
    qint64 wallStart = 0;
    std::unique_ptr<StallMeter> stall;
    // The first round opens the ports; measuring starts with the second.
    QObject::connect(&cycle, &PollingCycle::devicePolled, [&](int) {
        if (wallStart > 0 || ended[count].isEmpty())
            return;
        cpuStart = cpuSeconds();
        wallStart = clock.nsecsElapsed();
        if (measureStall)
            stall = std::make_unique<StallMeter>();
    });
    cycle.btnStartClick();
    loop.exec();
    const double wall = (clock.nsecsElapsed() - wallStart) / 1e9;
    run.cpuShare = (cpuSeconds() - cpuStart) / wall;
    run.stallMs = stall ? stall->worstMs() : 0;
    cycle.btnStopClick();
    for (int k = 1; k <= Rounds; ++k) {
        qint64 first = std::numeric_limits<qint64>::max();
        qint64 last = 0;
        for (int n = 1; n <= count; ++n) {
            first = qMin(first, began[n].value(k));
            last = qMax(last, ended[n].value(k));
        }
        run.roundSeconds += (last - first) / 1e9 / Rounds;
    }
    run.periodSeconds = (began[1].value(Rounds) - began[1].value(1)) / 1e9 / (Rounds - 1);
    QEventLoop settle;
    QObject::connect(&cycle, &PollingCycle::pollingEnded, &settle, &QEventLoop::quit);
    if (cycle.isBusy())
        settle.exec();
    return run;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int records = argc > 1 ? std::atoi(argv[1]) : DownloadMaxRecords;

    const QStringList paced{"--pace", "--turnaround", QString::number(InstrumentTurnaroundMs)};
    test::SimProcess archiveSim(paced + QStringList{"--archive", QString::number(records)});
    QStringList lineOptions = paced;
    for (int n = 1; n <= Instruments; ++n)
        lineOptions << QStringLiteral("--addr") << QString::number(n);
    test::SimProcess pollSim(lineOptions);
    test::SimProcess pollSim2(lineOptions);
    test::SimProcess pollSim3(lineOptions);
    test::SimProcess pollSim4(lineOptions);
    if (!archiveSim.start() || !pollSim.start() || !pollSim2.start() || !pollSim3.start() ||
        !pollSim4.start()) {
        std::fprintf(stderr, "zeltar-sim did not start\n");
        return 1;
    }

    const QStringList pollLines{pollSim.portPath(), pollSim2.portPath(), pollSim3.portPath(),
                                pollSim4.portPath()};

    // The line's own time of a download: every read's request, turnaround and reply.
    const int request = static_cast<int>(
        ModBusFrame(ReadRequest(1, 0x04, ArchiveNextRegister, ArchiveRecordRegisters)).size());
    const int reply = 1 + 2 * (3 + 2 * ArchiveRecordRegisters + 1) + 2;
    const int pollRequest = static_cast<int>(ModBusFrame(ReadRequest(1, 0x04, 0, 4)).size());
    const int pollReply = 1 + 2 * (3 + 2 * 4 + 1) + 2;

    std::printf("zeltar-sim --pace at 9600 baud, instrument turnaround %d ms; fast mode with a "
                "turnaround of %d ms\n\n",
                InstrumentTurnaroundMs, TurnaroundMs);
    std::printf("Instrument archive download, %d records\n", records);
    std::printf("  %-9s %9s %11s %9s %9s %12s %13s\n", "mode", "time s", "ms/record", "CPU s",
                "CPU %", "x line time", "worst stall");
    ArchiveRun runs[2];
    for (const bool fast : {false, true}) {
        ArchiveRun &run = runs[fast ? 1 : 0];
        run = downloadArchive(archiveSim.portPath(), fast);
        const double line = run.reads * lineMs(request, reply) / 1000.0;
        std::printf("  %-9s %9.1f %11.1f %9.2f %9.2f %12.2f %10.1f ms%s\n", nameOf(fast),
                    run.seconds, 1000.0 * run.seconds / qMax(1, run.reads), run.cpu,
                    100.0 * run.cpu / run.seconds, run.seconds / line, run.stallMs,
                    run.download.complete() ? "" : "  (failed)");
    }
    const double line = runs[1].reads * lineMs(request, reply) / 1000.0;
    std::printf("  line's own time: %.1f s for %d reads (%d + %d characters + %d ms each)\n", line,
                runs[1].reads, request, reply, InstrumentTurnaroundMs);
    std::printf("  fast / standard: %.2f; records identical in both modes: %s (%d records)\n\n",
                runs[1].seconds / runs[0].seconds,
                sameRecords(runs[0].download.records, runs[1].download.records) ? "yes" : "NO",
                static_cast<int>(runs[1].download.records.size()));

    const double roundLine = Instruments * lineMs(pollRequest, pollReply) / 1000.0;
    std::printf("Polling %d instruments, TimeOpr 1 s (mean of %d rounds after the first)\n",
                Instruments, Rounds);
    std::printf("  %-22s %9s %10s %12s %9s %12s %13s %8s\n", "lines x instruments", "round s",
                "period s", "x line time", "CPU %", "CPU s/round", "worst stall", "no link");
    for (const int lineCount : {1, 4}) {
        for (const bool fast : {false, true}) {
            const QStringList lines = pollLines.mid(0, lineCount == 1 ? 1 : 4);
            const int perLine = Instruments / lineCount;
            PollRun run = pollRounds(lines, perLine, fast, false);
            run.stallMs = pollRounds(lines, perLine, fast, true).stallMs;
            const double busiest = perLine * lineMs(pollRequest, pollReply) / 1000.0;
            std::printf("  %d x %-2d %-15s %9.2f %10.2f %12.2f %9.2f %12.3f %10.1f ms %8d\n",
                        lineCount, perLine, nameOf(fast), run.roundSeconds, run.periodSeconds,
                        run.roundSeconds / busiest, 100.0 * run.cpuShare,
                        run.cpuShare * run.periodSeconds, run.stallMs, run.failed);
        }
    }
    std::printf("  line's own time of a round of %d: %.2f s; of 4: %.2f s\n", Instruments,
                roundLine, roundLine / 4);
    std::printf("\nRequests that overlapped an earlier exchange on the line: %d of %d (archive), "
                "%d of %d (polling)\n",
                archiveSim.lineCount("overlaps"), archiveSim.lineCount("requests"),
                pollSim.lineCount("overlaps"), pollSim.lineCount("requests"));
    return 0;
}
