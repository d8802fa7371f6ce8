// The standard and the fast link mode side by side, in one run, against zeltar-sim taking
// requests and sending replies at 9600 baud with an instrument turnaround of 10 ms: an
// instrument archive download, a polling round of 16 instruments on one line, and the
// station's CPU in each. The fast mode uses a turnaround of 10 ms as well. Prints its
// figures; asserts nothing. Run it with nice: it takes minutes.
#include "acquisition/archive_download.h"
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

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>

using namespace zeltar;

namespace {

constexpr int Baud9600 = 2;
constexpr int LineRate = 9600;
constexpr int BitsPerCharacter = 10;
constexpr int TurnaroundMs = 10;           // the station's, in fast mode
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

struct ArchiveRun
{
    ArchiveDownload download;
    int reads = 0;
    double seconds = 0;
    double cpu = 0;
};

ArchiveRun downloadArchive(const QString &line, bool fast)
{
    SerialSession session;
    session.setLinkMode(modeOf(fast));
    session.setPortNames(PortNames({{1, line}}));
    InstrumentSettings device;
    device.PribPort = 1;
    device.PribBaud = Baud9600;
    device.PribAdr = 1;

    ArchiveRun run;
    run.reads = 1; // the first read has no progress call
    const double cpu = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    run.download = DownloadArchive(session, device, [&](const QString &, int) { ++run.reads; });
    run.seconds = wall.elapsed() / 1000.0;
    run.cpu = cpuSeconds() - cpu;
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
    double roundSeconds = 0; // mean of the measured rounds
    double cpuPerRound = 0;
    int failed = 0;
    int opens = 0;
};

PollRun pollRounds(const QString &line, bool fast)
{
    QTemporaryDir dir;
    QFile ini(dir.filePath(QStringLiteral("Zeltar.ini")));
    if (!ini.open(QIODevice::WriteOnly))
        return {};
    QString text = QStringLiteral("[MAIN]\nTimeOpr=1\nTimeArh=24\nCountUstr=%1\n").arg(Instruments);
    for (int n = 1; n <= Instruments; ++n)
        text += QStringLiteral("[ZELTAR%1]\nPribName=Прибор %1\nPribVkl=1\nPribPort=1\n"
                               "PribBaud=%2\nPribAdr=%1\n")
                    .arg(n)
                    .arg(Baud9600);
    text += QStringLiteral("[PORTS]\nCOM1=%1\n").arg(line);
    if (fast)
        text += QStringLiteral("[LINK]\nMode=fast\nTurnaroundMs=%1\n").arg(TurnaroundMs);
    ini.write(text.toUtf8());
    ini.close();

    Station station(dir.path());
    station.journal.load(station.journalPath());
    station.loadConfiguration();
    PollingCycle cycle(station);

    PollRun run;
    QEventLoop loop;
    QElapsedTimer wall;
    double cpuStart = 0;
    int rounds = 0;
    QObject::connect(&cycle, &PollingCycle::devicePolled, [&](int n) {
        if (station.state.device(n).PribNoLink != 0 && rounds > 0)
            ++run.failed;
        if (n != Instruments)
            return;
        if (rounds == 0) { // the first round opens the port
            wall.start();
            cpuStart = cpuSeconds();
        }
        if (++rounds > Rounds)
            loop.quit();
    });
    cycle.btnStartClick();
    loop.exec();
    run.roundSeconds = wall.elapsed() / 1000.0 / Rounds;
    run.cpuPerRound = (cpuSeconds() - cpuStart) / Rounds;
    cycle.btnStopClick();
    station.lines.worker(1).runAndWait(
        [&run](SerialSession &session) { run.opens = session.openCount(); });
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
    if (!archiveSim.start() || !pollSim.start()) {
        std::fprintf(stderr, "zeltar-sim did not start\n");
        return 1;
    }

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
    std::printf("  %-9s %9s %11s %9s %9s %12s\n", "mode", "time s", "ms/record", "CPU s", "CPU %",
                "x line time");
    ArchiveRun runs[2];
    for (const bool fast : {false, true}) {
        ArchiveRun &run = runs[fast ? 1 : 0];
        run = downloadArchive(archiveSim.portPath(), fast);
        const double line = run.reads * lineMs(request, reply) / 1000.0;
        std::printf("  %-9s %9.1f %11.1f %9.2f %9.2f %12.2f%s\n", nameOf(fast), run.seconds,
                    1000.0 * run.seconds / qMax(1, run.reads), run.cpu,
                    100.0 * run.cpu / run.seconds, run.seconds / line,
                    run.download.complete() ? "" : "  (failed)");
    }
    const double line = runs[1].reads * lineMs(request, reply) / 1000.0;
    std::printf("  line's own time: %.1f s for %d reads (%d + %d characters + %d ms each)\n", line,
                runs[1].reads, request, reply, InstrumentTurnaroundMs);
    std::printf("  fast / standard: %.2f; records identical in both modes: %s (%d records)\n\n",
                runs[1].seconds / runs[0].seconds,
                sameRecords(runs[0].download.records, runs[1].download.records) ? "yes" : "NO",
                static_cast<int>(runs[1].download.records.size()));

    std::printf("Polling round of %d instruments on one line, TimeOpr 1 s (mean of %d rounds)\n",
                Instruments, Rounds);
    std::printf("  %-9s %9s %14s %9s %12s\n", "mode", "round s", "CPU s/round", "no link",
                "port opens");
    for (const bool fast : {false, true}) {
        const PollRun run = pollRounds(pollSim.portPath(), fast);
        std::printf("  %-9s %9.2f %14.3f %9d %12d\n", nameOf(fast), run.roundSeconds,
                    run.cpuPerRound, run.failed, run.opens);
    }
    std::printf("  line's own time of a round: %.2f s\n",
                Instruments * lineMs(pollRequest, pollReply) / 1000.0);
    std::printf("\nRequests that overlapped an earlier exchange on the line: %d of %d (archive), "
                "%d of %d (polling)\n",
                archiveSim.lineCount("overlaps"), archiveSim.lineCount("requests"),
                pollSim.lineCount("overlaps"), pollSim.lineCount("requests"));
    return 0;
}
