#include "ctl_history.h"

#include "alarms/alarm_history.h"
#include "config/configuration.h"
#include "core/clock.h"
#include "history/archive_index.h"
#include "history/csv_export.h"
#include "report/report_document.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <limits>

namespace zeltar::ctl {

namespace {

// The station's archive folder and device names, as DIR's configuration gives them.
struct StationArchive
{
    QString folder;
    DeviceTable devices;
    int count = 0;
};

bool LoadStationArchive(const QString &dir, StationArchive *archive, QTextStream &err)
{
    const QString progDir = QDir(dir).absolutePath();
    const QString path = ConfigFilePath(progDir);
    if (!QFileInfo::exists(path)) {
        err << "no configuration file " << path << Qt::endl;
        return false;
    }
    ProgramSettings settings;
    LoadProgramSettings(IniFile(path), progDir, settings, archive->devices, false);
    archive->folder = settings.PathArh;
    archive->count = settings.CountUstr;
    return true;
}

// The name part of device n; empty (with a message) when it is not configured.
QString DeviceTablesName(const StationArchive &archive, int n, QTextStream &err)
{
    if (n < 1 || n > archive.count) {
        err << "device " << n << " is not configured (CountUstr=" << archive.count << ")"
            << Qt::endl;
        return {};
    }
    return DeviceNamePart(archive.devices.device(n).PribName);
}

QString MomentText(const std::optional<WallSeconds> &moment)
{
    return moment ? WallText(*moment) : QString();
}

// Options after the command: --device N, --from, --to, --output.
struct HistoryOptions
{
    int device = 0;
    WallSeconds from = std::numeric_limits<WallSeconds>::min();
    WallSeconds to = std::numeric_limits<WallSeconds>::max();
    QString output;
};

bool ParseHistoryOptions(const Invocation &invocation, const QStringList &allowed,
                         HistoryOptions *options, QTextStream &err)
{
    options->device = invocation.link.device;
    const QStringList &args = invocation.arguments;
    for (int i = 0; i < args.size(); ++i) {
        const QString &option = args.at(i);
        if (!allowed.contains(option) || i + 1 >= args.size()) {
            err << "zeltarctl: " << invocation.command << ": unexpected " << option << Qt::endl;
            return false;
        }
        const QString value = args.at(++i);
        if (option == QLatin1String("--device")) {
            bool ok = false;
            options->device = value.toInt(&ok);
            if (!ok || options->device < 1 || options->device > 16) {
                err << "device must be 1 to 16, not " << value << Qt::endl;
                return false;
            }
        } else if (option == QLatin1String("--output")) {
            options->output = value;
        } else {
            const std::optional<WallSeconds> moment = ParseWallText(value);
            if (!moment) {
                err << "zeltarctl: " << option << " needs DD.MM.YYYY HH:MM:SS, not " << value
                    << Qt::endl;
                return false;
            }
            (option == QLatin1String("--from") ? options->from : options->to) = *moment;
        }
    }
    return true;
}

// The records of the device the options name within their range; ExitOk, or the exit code
// of what failed with its message written.
int DeviceRange(const Invocation &invocation, const HistoryOptions &options,
                const StationArchive &archive, HistoryRange *range, QTextStream &err)
{
    if (options.device == 0) {
        err << invocation.command << " needs --device N" << Qt::endl;
        return ExitUsage;
    }
    const QString name = DeviceTablesName(archive, options.device, err);
    if (name.isEmpty())
        return ExitUsage;
    ArchiveIndex index(archive.folder);
    index.refresh();
    *range = RangeOfTables(index.tablesOf(name), options.from, options.to);
    // An export or report that lacked records without a word would pass for a complete one.
    if (range->unreadable > 0) {
        err << "zeltarctl: " << range->unreadable
            << " record(s) in the range have a date or time that cannot be read (first in "
            << QFileInfo(range->unreadableTable).fileName() << "); nothing written" << Qt::endl;
        return ExitFailed;
    }
    return ExitOk;
}

const QStringList RangeOptions = {QStringLiteral("--device"), QStringLiteral("--from"),
                                  QStringLiteral("--to"), QStringLiteral("--output")};

} // namespace

int RunTablesCommand(const Invocation &invocation, QTextStream &out, QTextStream &err)
{
    HistoryOptions options;
    StationArchive archive;
    if (!ParseHistoryOptions(invocation, {QStringLiteral("--device")}, &options, err) ||
        !LoadStationArchive(invocation.stationDir, &archive, err))
        return ExitUsage;
    ArchiveIndex index(archive.folder);
    index.refresh();
    QVector<ArchiveTableEntry> tables = index.tables();
    if (options.device != 0) {
        const QString name = DeviceTablesName(archive, options.device, err);
        if (name.isEmpty())
            return ExitUsage;
        tables = index.tablesOf(name);
    }
    for (const ArchiveTableEntry &table : tables) {
        out << table.fileName << '\t' << table.records << '\t' << MomentText(table.first) << '\t'
            << MomentText(table.last) << '\n';
    }
    out.flush();
    return ExitOk;
}

int RunExportCommand(const Invocation &invocation, QTextStream &out, QTextStream &err)
{
    HistoryOptions options;
    StationArchive archive;
    if (!ParseHistoryOptions(invocation, RangeOptions, &options, err) ||
        !LoadStationArchive(invocation.stationDir, &archive, err))
        return ExitUsage;
    HistoryRange range;
    if (const int failed = DeviceRange(invocation, options, archive, &range, err))
        return failed;

    QString error;
    qint64 written = 0;
    if (options.output.isEmpty()) {
        out.flush();
        QFile stdoutFile;
        if (!stdoutFile.open(stdout, QIODevice::WriteOnly))
            return ExitFailed;
        written = WriteCsv(range, CsvForm::Machine, stdoutFile, &error);
    } else {
        written = ExportCsvFile(range, CsvForm::Machine, options.output, &error);
    }
    if (written < 0) {
        err << "zeltarctl: " << error << Qt::endl;
        return ExitFailed;
    }
    return ExitOk;
}

int RunReportCommand(const Invocation &invocation, QTextStream &err)
{
    HistoryOptions options;
    StationArchive archive;
    if (!ParseHistoryOptions(invocation, RangeOptions, &options, err) ||
        !LoadStationArchive(invocation.stationDir, &archive, err))
        return ExitUsage;
    if (options.output.isEmpty()) {
        err << "report needs --output FILE.pdf" << Qt::endl;
        return ExitUsage;
    }
    ReportSource source;
    if (const int failed = DeviceRange(invocation, options, archive, &source.range, err))
        return failed;
    source.deviceName = archive.devices.device(options.device).PribName;
    source.device = options.device;
    source.stationDir = invocation.stationDir;
    source.archiveDir = archive.folder;
    source.from = options.from;
    source.to = options.to;
    ReportData data;
    QString error;
    if (!LoadReportData(source, Clock::now(), &data, &error) ||
        !WriteReportPdf(data, options.output, &error)) {
        err << "zeltarctl: " << error << Qt::endl;
        return ExitFailed;
    }
    return ExitOk;
}

int RunAlarmsCommand(const Invocation &invocation, QTextStream &out, QTextStream &err)
{
    HistoryOptions options;
    StationArchive archive;
    const QStringList allowed = {QStringLiteral("--from"), QStringLiteral("--to")};
    if (!ParseHistoryOptions(invocation, allowed, &options, err) ||
        !LoadStationArchive(invocation.stationDir, &archive, err))
        return ExitUsage;
    out.flush();
    QFile stdoutFile;
    if (!stdoutFile.open(stdout, QIODevice::WriteOnly))
        return ExitFailed;
    QString error;
    if (WriteAlarmHistoryCsv(archive.folder, options.from, options.to, stdoutFile, &error) < 0) {
        err << "zeltarctl: " << error << Qt::endl;
        return ExitFailed;
    }
    return ExitOk;
}

} // namespace zeltar::ctl
