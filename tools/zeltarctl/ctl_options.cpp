#include "ctl_options.h"

#include "core/station_folder.h"
#include "link/timing.h"

#include <QCommandLineParser>

namespace zeltar::ctl {

namespace {

bool toInt(const QString &text, int low, int high, int *value)
{
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < low || v > high)
        return false;
    *value = v;
    return true;
}

} // namespace

bool ParseInvocation(const QStringList &args, Invocation *invocation, QString *error)
{
    // Options come before the command; what follows the command is its own.
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption port(QStringLiteral("port"), QString(), QStringLiteral("port"));
    const QCommandLineOption baud(QStringLiteral("baud"), QString(), QStringLiteral("rate"));
    const QCommandLineOption addr(QStringLiteral("addr"), QString(), QStringLiteral("n"));
    const QCommandLineOption device(QStringLiteral("device"), QString(), QStringLiteral("n"));
    const QCommandLineOption dir = StationFolderOption();
    const QCommandLineOption fast(QStringLiteral("fast"));
    const QCommandLineOption help(QStringLiteral("help"));
    const QCommandLineOption version(QStringLiteral("version"));
    parser.addOptions({port, baud, addr, device, dir, fast, help, version});
    if (!parser.parse(args)) {
        *error = parser.errorText();
        return false;
    }
    if (parser.isSet(help) || parser.isSet(version)) {
        invocation->command =
            parser.isSet(help) ? QStringLiteral("help") : QStringLiteral("version");
        return true;
    }

    LinkOptions &link = invocation->link;
    link.mode.fast = parser.isSet(fast);
    if (parser.isSet(port))
        link.port = parser.value(port);
    if (parser.isSet(baud)) {
        link.baudIndex = BaudIndexOf(parser.value(baud).toInt());
        if (link.baudIndex < 0) {
            *error = QStringLiteral("unknown baud rate %1 (2400, 4800, 9600, 19200, 38400, "
                                    "57600 or 115200)")
                         .arg(parser.value(baud));
            return false;
        }
    }
    if (parser.isSet(addr) && !toInt(parser.value(addr), 0, 255, &link.address)) {
        *error = QStringLiteral("address must be 0 to 255, not %1").arg(parser.value(addr));
        return false;
    }
    if (parser.isSet(device) && !toInt(parser.value(device), 1, 16, &link.device)) {
        *error = QStringLiteral("device must be 1 to 16, not %1").arg(parser.value(device));
        return false;
    }
    if (parser.isSet(dir))
        link.dir = parser.value(dir);
    invocation->stationDir = StationFolder(parser);

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        *error = QStringLiteral("no command given");
        return false;
    }
    invocation->command = positional.first();
    invocation->arguments = positional.mid(1);
    return true;
}

QString UsageText()
{
    return QStringLiteral(
        "Usage: zeltarctl [--fast] --port PORT [--baud RATE] [--addr N] read03 START COUNT\n"
        "   or: zeltarctl --port PORT [--baud RATE] [--addr N] read04 START COUNT\n"
        "   or: zeltarctl --port PORT [--baud RATE] [--addr N] write16 START COUNT HEXDATA\n"
        "   or: zeltarctl --dir DIR --device N read03|read04|write16 ...\n"
        "   or: zeltarctl --port PORT [--baud RATE] [--addr N] test\n"
        "   or: zeltarctl --port PORT [--baud RATE] [--addr N] archive FILE\n"
        "   or: zeltarctl --port PORT [--baud RATE] [--addr N] settings [write FILE]\n"
        "   or: zeltarctl --port PORT [--baud RATE] [--addr N] clock [set now|set DATE TIME]\n"
        "   or: zeltarctl [--dir DIR] config\n"
        "   or: zeltarctl [--dir DIR] poll [--for SECONDS]\n"
        "   or: zeltarctl [--dir DIR] tables [--device N]\n"
        "   or: zeltarctl [--dir DIR] --device N export [--from MOMENT] [--to MOMENT] [--output "
        "FILE]\n"
        "   or: zeltarctl [--dir DIR] --device N report [--from MOMENT] [--to MOMENT] --output "
        "FILE.pdf\n"
        "   or: zeltarctl [--dir DIR] alarms [--from MOMENT] [--to MOMENT]\n"
        "   or: zeltarctl --help | --version\n"
        "\n"
        "PORT is a device path or COM1 to COM8, RATE one of 2400, 4800, 9600 (default),\n"
        "19200, 38400, 57600, 115200, N the slave address (default 1), HEXDATA the data\n"
        "bytes as hex digits (two per byte, four per register). With --dir DIR --device N\n"
        "the port, baud rate and address are those of device N in DIR/Zeltar.ini (and its\n"
        "PORTS section), as the station reaches it. Options take their value after a\n"
        "blank or \"=\" (--dir=DIR). Without --dir, config, poll, tables, export, report and\n"
        "alarms use the station's folder as the window does: the program's folder when the\n"
        "user may write it, else ~/.local/share/zeltar. config prints, as JSON, what the\n"
        "station loads from DIR after every default and correction. poll runs the\n"
        "station's polling cycle on DIR without a window (archives, journal and all),\n"
        "one line per tick, until SECONDS pass or SIGINT/SIGTERM.\n"
        "tables lists the archive tables of DIR (of device N only with --device), one\n"
        "per line: file name, records, first and last record, separated by tabs.\n"
        "export writes device N's records from all its tables in time order as CSV\n"
        "(RFC 4180, header date,time,value,status,relays,step,nolink) to stdout or FILE;\n"
        "MOMENT is DD.MM.YYYY HH:MM:SS and both ends of the range are included.\n"
        "report writes device N's report over the range (title, chart, statistics, alarms\n"
        "raised, a table of hours or days, signature lines) as an A4 PDF to FILE; without\n"
        "--from or --to the range starts or ends with the records (exit 0 written, 1 failed).\n"
        "alarms writes DIR's alarm history (every raise, return and acknowledgement) as\n"
        "CSV (header date,time,device,name,kind,state,value,limit) to stdout.\n"
        "test sends the station's ten identification requests and prints what the\n"
        "instrument reports and the link quality (exit 0 found, 1 not found, 2 no port).\n"
        "archive downloads the instrument's own archive, progress on stderr, and saves it\n"
        "to FILE as an archive table (exit 0 saved, 1 failed).\n"
        "settings reads the instrument's settings, program and clock and prints them as\n"
        "JSON (exit 0; 1 with the read's message and failed step).\n"
        "settings write FILE reads them, takes the keys that FILE (JSON in the form\n"
        "settings prints) gives, and writes settings and program with the settings\n"
        "window's checks and steps (exit 0 written, 1 failed, 3 a file or value refused).\n"
        "clock prints the instrument's date and time; clock set writes the PC's clock\n"
        "(now) or DATE TIME given as DD.MM.YYYY HH:MM:SS (exit 0 set, 1 not\n"
        "acknowledged, 3 a date or time that fails its check).\n"
        "These four also take --dir DIR --device N in place of the port options.\n"
        "--fast exchanges in the fast mode (a reply ends with its frame, the port stays\n"
        "open between requests); with --dir the mode of DIR/Zeltar.ini applies too.\n"
        "\n"
        "A reply is printed as hex bytes on one line (exit 0); a failed transaction prints\n"
        "'error N' with the station's link error code (exit 1); a port that cannot be\n"
        "opened exits 2, a wrong command line 3.\n");
}

} // namespace zeltar::ctl
