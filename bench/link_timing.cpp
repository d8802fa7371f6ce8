// Measures the link layer against zeltar-sim: the CPU that the station's process uses
// while it waits for instruments, and how late Pause and WaitReply end against their
// nominal ends. Prints its figures; asserts nothing.
#include "link/link_result.h"
#include "link/modbus_master.h"
#include "link/serial_session.h"
#include "link/timing.h"
#include "sim_process.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace zeltar;

namespace {

// Passes everything to the session and notes how long each reply wait took.
class TimedTransport : public LinkTransport
{
public:
    explicit TimedTransport(SerialSession &session) : m_session(session) {}

    struct Sample
    {
        int result;
        double elapsedMs;
        double nominalMs;
    };
    std::vector<Sample> samples;

    bool write(const QByteArray &bytes) override { return m_session.write(bytes); }
    bool readAll(QByteArray *bytes) override { return m_session.readAll(bytes); }
    bool hasFailed() const override { return m_session.hasFailed(); }
    void exchangeEnded(bool succeeded) override { m_session.exchangeEnded(succeeded); }
    int WaitReply(int replyTimeout, int firstWait, int quietInterval) override
    {
        const auto start = std::chrono::steady_clock::now();
        const int result = m_session.WaitReply(replyTimeout, firstWait, quietInterval);
        const std::chrono::duration<double, std::milli> elapsed =
            std::chrono::steady_clock::now() - start;
        // A reply that is in before the first wait ends is complete at the first check,
        // strictly more than one quiet interval later; nothing at all ends at FirstWait.
        const double nominal = result == WaitNothing    ? firstWait
                               : result == WaitComplete ? firstWait + quietInterval + 1
                                                        : firstWait + replyTimeout;
        samples.push_back({result, elapsed.count(), nominal});
        return result;
    }

private:
    SerialSession &m_session;
};

double cpuSeconds()
{
    return static_cast<double>(std::clock()) / CLOCKS_PER_SEC;
}

void printLateness(const char *what, std::vector<double> lateness)
{
    if (lateness.empty())
        return;
    std::sort(lateness.begin(), lateness.end());
    const auto at = [&](double q) {
        return lateness[std::min(lateness.size() - 1, static_cast<size_t>(q * lateness.size()))];
    };
    std::printf("%-34s n=%-4zu median %.2f ms  p99 %.2f ms  max %.2f ms\n", what, lateness.size(),
                at(0.5), at(0.99), lateness.back());
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int transactions = argc > 1 ? std::atoi(argv[1]) : 200;

    test::SimProcess sim({QStringLiteral("--addr"), QStringLiteral("1")});
    if (!sim.start()) {
        std::fprintf(stderr, "zeltar-sim did not start\n");
        return 1;
    }

    SerialSession session;
    if (session.OpenDevice(sim.portPath(), 2) != 0) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(sim.portPath()));
        return 1;
    }
    TimedTransport timed(session);
    ModbusMaster master(timed);

    // 1. CPU share over function 04 transactions at 9600 baud, one after the other.
    const double cpuStart = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    int failures = 0;
    for (int i = 0; i < transactions; ++i) {
        const QByteArray result = master.ModBusRead04(1, 0, 4, SetTiming(TimingPoll04, 2, 4));
        if (IsLinkError(result))
            ++failures;
    }
    const double wallSeconds = wall.elapsed() / 1000.0;
    const double cpu = cpuSeconds() - cpuStart;
    std::printf("function 04 transactions: %d in %.2f s (%d failed)\n", transactions, wallSeconds,
                failures);
    std::printf("station CPU while waiting: %.3f s = %.2f%% of wall time (goal <= 2%%)\n", cpu,
                100.0 * cpu / wallSeconds);

    // 2. Silent instrument: every wait ends at FirstWait with nothing received.
    for (int i = 0; i < 50; ++i)
        master.ModBusRead04(9, 0, 4, SetTiming(TimingPoll04, 2, 4));

    std::vector<double> complete, nothing;
    for (const auto &s : timed.samples) {
        if (s.result == WaitComplete)
            complete.push_back(s.elapsedMs - s.nominalMs);
        else if (s.result == WaitNothing)
            nothing.push_back(s.elapsedMs - s.nominalMs);
    }

    // 3. Pauses of the lengths the station uses.
    std::vector<double> pauses;
    const int lengths[] = {10, 20, 50, 5, 120};
    for (int i = 0; i < 200; ++i) {
        const int ms = lengths[i % 5];
        const auto start = std::chrono::steady_clock::now();
        session.Pause(ms);
        const std::chrono::duration<double, std::milli> elapsed =
            std::chrono::steady_clock::now() - start;
        pauses.push_back(elapsed.count() - ms);
    }

    std::printf("lateness against the nominal end (goal: median <= 2 ms, p99 <= 10 ms)\n");
    printLateness("  Pause", pauses);
    printLateness("  WaitReply, reply complete", complete);
    printLateness("  WaitReply, nothing received", nothing);
    session.ClosePort();
    return 0;
}
