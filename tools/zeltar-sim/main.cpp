// zeltar-sim: measuring regulators answering Modbus ASCII on a pseudo-terminal.

#include "core/termination_signals.h"
#include "core/version.h"
#include "link/timing.h"
#include "pseudo_terminal.h"
#include "sim_line.h"
#include "sim_options.h"

#include <QCoreApplication>
#include <QFile>
#include <QTime>

#include <cstdio>

using namespace zeltar;
using namespace zeltar::sim;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();

    SimConfig config;
    QString error;
    if (!ParseCommandLine(arguments, &config, &error)) {
        std::fprintf(stderr, "zeltar-sim: %s\nTry zeltar-sim --help.\n", qUtf8Printable(error));
        return 2;
    }
    if (config.help) {
        std::fputs(qUtf8Printable(HelpText()), stdout);
        return 0;
    }
    if (config.version) {
        std::printf("zeltar-sim %s\n", BuildVersion);
        return 0;
    }

    zeltar::OnTerminationSignals([] { QCoreApplication::quit(); });

    PseudoTerminal terminal;
    const int lineRate = BaudRate(config.instruments.front().baudIndex);
    if (!terminal.open(config.linkPath, lineRate, &error)) {
        std::fprintf(stderr, "zeltar-sim: %s\n", qUtf8Printable(error));
        return 1;
    }

    const auto log = [&config](const QString &text) {
        if (config.verbose)
            std::fprintf(stderr, "%s %s\n",
                         qUtf8Printable(QTime::currentTime().toString("HH:mm:ss.zzz")),
                         qUtf8Printable(text));
    };
    SimLine line(config.instruments, [&terminal, &log](const QByteArray &bytes) {
        if (!terminal.inUse())
            log(QStringLiteral("   the port is closed: %1 lost").arg(Printable(bytes)));
        terminal.write(bytes);
    });
    if (config.checkBaud)
        line.setLineBaudRate([&terminal] { return terminal.baudRate(); });
    line.setLog(log);
    if (config.seed)
        line.setRandomSeed(*config.seed);
    terminal.setReceiver([&line](const QByteArray &bytes) { line.receive(bytes); });
    if (!config.statsPath.isEmpty()) {
        // Replaced whole by a rename, so that a reader never finds it half written. Not
        // synced to disk: that could hold a reply back by milliseconds.
        const auto writeStats = [path =
                                     QFile::encodeName(config.statsPath)](const LineStats &stats) {
            const QByteArray temporary = path + ".new";
            QFile file(QFile::decodeName(temporary));
            const bool written = file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
                                 file.write(StatsText(stats)) >= 0 && file.flush();
            file.close();
            if (!written || std::rename(temporary.constData(), path.constData()) != 0)
                std::fprintf(stderr, "zeltar-sim: cannot write %s\n", path.constData());
        };
        writeStats(line.stats());
        line.setStatsListener(writeStats);
    }

    std::printf("ready %s\n", qUtf8Printable(config.linkPath));
    std::fflush(stdout);

    const int status = QCoreApplication::exec();
    terminal.close();
    return status;
}
