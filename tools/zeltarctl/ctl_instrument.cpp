#include "ctl_instrument.h"
#include "ctl_settings_file.h"
#include "ctl_transactions.h"

#include "config/config_json.h"
#include "config/configuration.h"
#include "instrument/clock_operations.h"
#include "instrument/settings_read.h"
#include "instrument/settings_write.h"
#include "link/port_names.h"
#include "link/serial_session.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

namespace zeltar::ctl {

namespace {

constexpr int Device = 1; // the command line's instrument in a table of its own

// A table whose device 1 is the command line's instrument; a port given as a path is
// reached as COM1 mapped to that path.
DeviceTable tableOf(const LinkOptions &link, SerialSession &session)
{
    DeviceTable table;
    table.device(Device) = LinkDevice(link, session);
    return table;
}

QString clockText(const InstrumentClock &clock, int century)
{
    return ClockDateText(clock, century) + QLatin1Char(' ') + ClockTimeText(clock);
}

// The device's JSON as the configuration printout has it, without the station's own fields
// (the read does not touch them) and with the clock read beside the settings.
QJsonObject deviceJson(const DeviceTable &table, const InstrumentClock &clock)
{
    ProgramSettings settings;
    settings.CountUstr = Device;
    QJsonObject device =
        ConfigJson(settings, table).value(QStringLiteral("Devices")).toArray().at(0).toObject();
    for (const char *key : {"Number", "PribName", "PribVkl", "PribPort"})
        device.remove(QLatin1String(key));
    device.insert(QStringLiteral("Clock"), IsCalendarClock(clock, 2000)
                                               ? clockText(clock, 2000)
                                               : QStringLiteral("invalid"));
    return device;
}

int readClock(SerialSession &session, const InstrumentSettings &device, QTextStream &out,
              QTextStream &err)
{
    InstrumentClock clock;
    const ClockReadResult result = ReadInstrumentClock(session, device, &clock);
    if (result != ClockReadResult::Ok) {
        err << ClockReadMessage(result, clock) << Qt::endl;
        return result == ClockReadResult::NoPort ? ExitNoPort : ExitFailed;
    }
    out << clockText(clock, CurrentCentury()) << Qt::endl;
    return ExitOk;
}

int writeClock(SerialSession &session, const InstrumentSettings &device, const QStringList &values,
               QTextStream &out, QTextStream &err)
{
    InstrumentClock clock;
    if (values == QStringList{QStringLiteral("now")}) {
        clock = PcClock();
    } else if (values.size() == 2) {
        const ClockEntries entries = CheckClockEntries(values.at(0), values.at(1));
        if (!entries.ok()) {
            err << entries.message << Qt::endl;
            return ExitUsage;
        }
        clock = entries.clock;
    } else {
        err << UsageText();
        return ExitUsage;
    }
    const ClockWriteResult result = WriteInstrumentClock(session, device, clock);
    if (result != ClockWriteResult::Ok) {
        err << ClockWriteMessage(result) << Qt::endl;
        return result == ClockWriteResult::NoPort ? ExitNoPort : ExitFailed;
    }
    out << ClockWriteMessage(result) << ": " << clockText(clock, CurrentCentury()) << Qt::endl;
    return ExitOk;
}

// The record as the configuration printout has it.
QJsonObject recordJson(const InstrumentSettings &record)
{
    DeviceTable table;
    table.device(Device) = record;
    return deviceJson(table, InstrumentClock{});
}

// The first value that the settings window's checks would send otherwise than the record
// holds it (they bring an address into 0 to 99 and drop flag bits that have no box), as a
// refusal; empty when every value goes out as it is, or when the checks refuse anyway.
QString alteredValue(const InstrumentSettings &record, const SettingsEntries &entries)
{
    InstrumentSettings checked = record;
    if (!ParseSettings(entries, &checked).isEmpty())
        return {};
    const QJsonObject before = recordJson(record);
    const QJsonObject after = recordJson(checked);
    for (auto it = before.begin(); it != before.end(); ++it) {
        if (after.value(it.key()) != it.value())
            return QStringLiteral("%1: %2 cannot be written as it is (it would become %3)")
                .arg(it.key())
                .arg(it.value().toVariant().toString(),
                     after.value(it.key()).toVariant().toString());
    }
    return {};
}

bool readSettingsFile(const QString &path, QJsonObject *object, QTextStream &err)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        err << "cannot read " << path << ": " << file.errorString() << Qt::endl;
        return false;
    }
    QJsonParseError parsed;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parsed);
    if (!document.isObject()) {
        err << path << ": "
            << (document.isNull() ? parsed.errorString() : QStringLiteral("not a JSON object"))
            << Qt::endl;
        return false;
    }
    *object = document.object();
    return true;
}

// Writes the record that was just read, changed by the file, as the settings window's
// write does: the program straight into the record, everything else through the window's
// entries and checks.
int writeSettings(SerialSession &session, DeviceTable &table, const QJsonObject &file,
                  QTextStream &out, QTextStream &err)
{
    InstrumentSettings &record = table.device(Device);
    InstrumentSettings edited = record;
    const QString fault = ApplySettingsFile(file, &edited);
    if (!fault.isEmpty()) {
        err << fault << Qt::endl;
        return ExitUsage;
    }
    const SettingsEntries entries = EntriesFromSettings(edited, EntryNumbers::Exact);
    const QString altered = alteredValue(edited, entries);
    if (!altered.isEmpty()) {
        err << altered << Qt::endl;
        return ExitUsage;
    }
    record.PribPoint = edited.PribPoint;
    record.Program = edited.Program;
    const EnteredSettingsWrite write = WriteEnteredSettings(session, table, Device, entries);
    if (write.ok()) {
        out << write.message() << Qt::endl;
        return ExitOk;
    }
    err << write.message() << Qt::endl;
    if (write.refused())
        return ExitUsage;
    return write.code == SettingsWriteNoPort ? ExitNoPort : ExitFailed;
}

} // namespace

int RunSettingsCommand(const Invocation &invocation, QTextStream &out, QTextStream &err)
{
    const QStringList &args = invocation.arguments;
    const bool write = !args.isEmpty() && args.at(0) == QLatin1String("write");
    if (args.size() != (write ? 2 : 0)) {
        err << UsageText();
        return ExitUsage;
    }
    if (!HasPort(invocation.link, err))
        return ExitUsage;
    QJsonObject file;
    if (write && !readSettingsFile(args.at(1), &file, err))
        return ExitUsage;

    SerialSession session;
    DeviceTable table = tableOf(invocation.link, session);
    InstrumentClock clock;
    const int code = ReadInstrumentSettings(session, table, Device, invocation.link.baudIndex,
                                            invocation.link.address, &clock);
    if (code != SettingsReadOk) {
        err << SettingsReadFailureText(code) << Qt::endl;
        return code == SettingsReadNoPort ? ExitNoPort : ExitFailed;
    }
    if (write)
        return writeSettings(session, table, file, out, err);
    out << QJsonDocument(deviceJson(table, clock)).toJson(QJsonDocument::Indented);
    return ExitOk;
}

int RunClockCommand(const Invocation &invocation, QTextStream &out, QTextStream &err)
{
    const QStringList &args = invocation.arguments;
    const bool set = !args.isEmpty() && args.at(0) == QLatin1String("set");
    if (!args.isEmpty() && !set) {
        err << UsageText();
        return ExitUsage;
    }
    if (!HasPort(invocation.link, err))
        return ExitUsage;
    SerialSession session;
    const DeviceTable table = tableOf(invocation.link, session);
    if (set)
        return writeClock(session, table.device(Device), args.mid(1), out, err);
    return readClock(session, table.device(Device), out, err);
}

} // namespace zeltar::ctl
