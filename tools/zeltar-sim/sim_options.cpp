#include "sim_options.h"

#include "link/timing.h"

#include <QHash>

#include <limits>
#include <set>
#include <type_traits>
#include <utility>

namespace zeltar::sim {

namespace {

const QHash<QString, unsigned> &FrameFaultNames()
{
    static const QHash<QString, unsigned> names = {{"short", FaultShort},
                                                   {"no-lf", FaultNoLf},
                                                   {"no-cr", FaultNoCr},
                                                   {"odd", FaultOdd},
                                                   {"wrong-function", FaultWrongFunction},
                                                   {"bad-count", FaultBadCount},
                                                   {"extra-byte", FaultExtraByte},
                                                   {"write-length", FaultWriteLength}};
    return names;
}

// Walks the argument list; values are taken with next().
class ArgumentReader
{
public:
    ArgumentReader(const QStringList &arguments, QString *error)
        : arguments_(arguments), error_(error)
    {}

    bool atEnd() const { return position_ >= arguments_.size(); }
    // True when the next argument is a value rather than the next option.
    bool valueFollows() const { return !atEnd() && !arguments_.at(position_).startsWith("--"); }
    QString take() { return arguments_.at(position_++); }

    bool next(const QString &option, QString *value)
    {
        if (atEnd())
            return fail(QStringLiteral("%1 needs a value").arg(option));
        *value = take();
        return true;
    }

    template <typename Number>
    bool nextNumber(const QString &option, Number low, Number high, Number *value)
    {
        QString text;
        if (!next(option, &text))
            return false;
        bool ok = false;
        Number number{};
        if constexpr (std::is_integral_v<Number>)
            number = text.toInt(&ok);
        else
            number = text.toDouble(&ok);
        if (!ok || number < low || number > high)
            return fail(QStringLiteral("%1 takes a number from %2 to %3, not '%4'")
                            .arg(option)
                            .arg(low)
                            .arg(high)
                            .arg(text));
        *value = number;
        return true;
    }

    bool fail(const QString &message)
    {
        *error_ = message;
        return false;
    }

private:
    const QStringList &arguments_;
    QString *error_;
    int position_ = 0;
};

constexpr int MaxDelayMs = 60000;

// Applies one per-instrument option. Returns false when it failed; *known tells whether
// the option is one of this kind at all.
bool ApplyInstrumentOption(const QString &option, ArgumentReader &reader, InstrumentOptions *target,
                           bool *known)
{
    *known = true;
    FaultOptions &faults = target->faults;
    static const std::pair<const char *, bool FaultOptions::*> faultFlags[] = {
        {"--silent", &FaultOptions::silent},        {"--bad-lrc", &FaultOptions::badLrc},
        {"--garbage", &FaultOptions::garbage},      {"--exception", &FaultOptions::exception},
        {"--wrong-addr", &FaultOptions::wrongAddr}, {"--pace", &FaultOptions::pace}};
    for (const auto &[name, flag] : faultFlags) {
        if (option == QLatin1String(name)) {
            faults.*flag = true;
            return true;
        }
    }
    if (option == "--baud") {
        int rate = 0;
        if (!reader.nextNumber(option, 1, 1000000, &rate))
            return false;
        const int index = BaudIndexOf(rate);
        if (index < 0)
            return reader.fail(QStringLiteral("--baud: %1 is not one of 2400, 4800, 9600, "
                                              "19200, 38400, 57600, 115200")
                                   .arg(rate));
        target->baudIndex = index;
        return true;
    }
    if (option == "--version")
        return reader.nextNumber(option, 0, 255, &target->version);
    if (option == "--value") {
        double value = 0;
        if (!reader.nextNumber(option, -1e30, 1e30, &value))
            return false;
        target->fixedValue = static_cast<float>(value);
        return true;
    }
    if (option == "--break") {
        target->sensorBreak = true;
        return true;
    }
    if (option == "--archive")
        return reader.nextNumber(option, 0, 100000, &target->archiveCount);
    if (option == "--drop")
        return reader.nextNumber(option, 0.0, 1.0, &faults.drop);
    if (option == "--late")
        return reader.nextNumber(option, 0, MaxDelayMs, &faults.lateMs);
    if (option == "--dribble")
        return reader.nextNumber(option, 0, MaxDelayMs, &faults.dribbleMs);
    if (option == "--burst")
        return reader.nextNumber(option, 0, MaxDelayMs, &faults.burstMs);
    if (option == "--turnaround")
        return reader.nextNumber(option, 0, MaxDelayMs, &faults.turnaroundMs);
    if (option == "--fault") {
        QString kind;
        if (!reader.next(option, &kind))
            return false;
        const auto found = FrameFaultNames().constFind(kind);
        if (found == FrameFaultNames().constEnd())
            return reader.fail(QStringLiteral("--fault: unknown kind '%1'").arg(kind));
        faults.frame |= found.value();
        return true;
    }
    if (option == "--fault-every")
        return reader.nextNumber(option, 1, 1000000, &faults.every);
    *known = false;
    return false;
}

} // namespace

bool ParseCommandLine(const QStringList &arguments, SimConfig *config, QString *error)
{
    *config = SimConfig();
    ArgumentReader reader(arguments, error);
    InstrumentOptions common;
    std::set<int> addresses;

    while (!reader.atEnd()) {
        const QString option = reader.take();
        InstrumentOptions *target =
            config->instruments.empty() ? &common : &config->instruments.back();
        if (option == "--help" || option == "-h") {
            config->help = true;
        } else if (option == "--version" && !reader.valueFollows()) {
            // Without a value it asks for the program's version; --version V is the
            // instrument's software version.
            config->version = true;
        } else if (option == "--link") {
            if (!reader.next(option, &config->linkPath))
                return false;
        } else if (option == "--stats") {
            if (!reader.next(option, &config->statsPath))
                return false;
        } else if (option == "--verbose") {
            config->verbose = true;
        } else if (option == "--seed") {
            int seed = 0;
            if (!reader.nextNumber(option, 0, std::numeric_limits<int>::max(), &seed))
                return false;
            config->seed = static_cast<quint32>(seed);
        } else if (option == "--any-baud") {
            config->checkBaud = false;
        } else if (option == "--addr") {
            int address = 0;
            if (!reader.nextNumber(option, 0, 255, &address))
                return false;
            if (!addresses.insert(address).second)
                return reader.fail(QStringLiteral("--addr %1 is given twice").arg(address));
            InstrumentOptions instrument = common;
            instrument.address = address;
            config->instruments.push_back(instrument);
        } else {
            bool known = false;
            if (!ApplyInstrumentOption(option, reader, target, &known)) {
                if (!known)
                    return reader.fail(QStringLiteral("unknown option '%1'").arg(option));
                return false;
            }
        }
    }
    if (config->help || config->version)
        return true;
    if (config->linkPath.isEmpty())
        return reader.fail(QStringLiteral("--link PATH is required"));
    if (config->instruments.empty())
        config->instruments.push_back(common);
    return true;
}

QString HelpText()
{
    return QStringLiteral(
        "Usage: zeltar-sim --link PATH [options] [--addr N [options]]...\n"
        "\n"
        "Simulates measuring regulators answering Modbus ASCII (functions 03, 04, 16)\n"
        "on a pseudo-terminal whose slave end is linked to PATH. Prints 'ready PATH'\n"
        "when it serves the line; SIGINT or SIGTERM end it and remove the link.\n"
        "\n"
        "  --help             print this text and end\n"
        "  --version          print the program's version and end (--version V, with a\n"
        "                     value, is an instrument's software version, see below)\n"
        "\n"
        "Line:\n"
        "  --link PATH        symbolic link to create for the line (replaces a link)\n"
        "  --verbose          log every request and reply to stderr\n"
        "  --stats FILE       keep the line's counts in FILE, rewritten whenever they\n"
        "                     change: a line 'requests N' (requests begun, from their\n"
        "                     ':') and a line 'overlaps N' (requests that began while\n"
        "                     the line was still busy with an earlier one: taking it,\n"
        "                     waiting the turnaround or sending the reply). Use --pace\n"
        "                     with it: without pacing a request takes no time.\n"
        "  --seed N           seed of the random choices of --drop (default: random)\n"
        "  --any-baud         answer whatever baud rate the line is set to (by default a\n"
        "                     request sent at another rate than the instrument's is\n"
        "                     not heard)\n"
        "  --addr N           add an instrument at slave address N (repeatable; without\n"
        "                     it there is one instrument at address 1). Options after\n"
        "                     --addr apply to that instrument, options before the\n"
        "                     first --addr to all of them.\n"
        "\n"
        "Instrument:\n"
        "  --baud RATE        its baud rate (2400 ... 115200, default 9600)\n"
        "  --version V        software version byte, version x 100 (default 105)\n"
        "  --value X          fixed current value (default: a slow wave from 20 to 80,\n"
        "                     5 minutes long, crossing the setpoints)\n"
        "  --break            report a sensor break (value 100000)\n"
        "  --archive N        records in the instrument archive (default 50, 0 allowed)\n"
        "\n"
        "Faults (per instrument, or for all when given before the first --addr):\n"
        "  --silent           never answer\n"
        "  --drop SHARE       leave this share (0 to 1) of requests unanswered, at random\n"
        "  --bad-lrc          corrupt the check byte\n"
        "  --garbage          send stray bytes before ':'\n"
        "  --exception        answer every request with an exception (code 04)\n"
        "  --wrong-addr       answer with another slave address\n"
        "  --late MS          wait MS milliseconds more before the reply starts\n"
        "  --dribble MS       leave MS milliseconds between reply bytes\n"
        "  --burst MS         send the reply in two halves, MS milliseconds apart, as a\n"
        "                     USB adapter hands bytes over (16 ms is a common latency)\n"
        "  --fault KIND       spoil the reply (repeatable): short (under 11 characters),\n"
        "                     no-lf, no-cr, odd (odd character count), wrong-function,\n"
        "                     bad-count (03/04 byte count not 2 x count), extra-byte\n"
        "                     (03/04 one surplus data byte, byte count correct),\n"
        "                     write-length (16 reply not 6 bytes)\n"
        "  --fault-every K    faults hit only requests 1, 1+K, 1+2K, ... of the\n"
        "                     instrument (default 1: every request)\n"
        "  --pace             take request bytes and send reply bytes no faster than\n"
        "                     the baud rate allows (10 bits a character), and wait the\n"
        "                     turnaround between a request's end and the reply\n"
        "  --turnaround MS    with --pace, milliseconds from a request's last byte to\n"
        "                     the reply's first (default 10; without --pace none)\n"
        "\n"
        "An unanswered request (--silent, --drop) is not carried out: the instrument did\n"
        "not hear it. A spoilt reply belongs to a request that was carried out.\n");
}

} // namespace zeltar::sim
