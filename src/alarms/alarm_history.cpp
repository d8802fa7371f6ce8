#include "alarms/alarm_history.h"

#include "acquisition/archive_names.h"
#include "acquisition/archive_table.h"
#include "acquisition/archive_template.h"
#include "core/date_time_text.h"
#include "core/file_sync.h"
#include "core/number_text.h"
#include "history/csv_export.h"

#include <QFileInfo>

namespace zeltar {

namespace {

enum AlarmHistoryPosition : int
{
    AlarmDataField,
    AlarmTimeField,
    AlarmDeviceField,
    AlarmNameField,
    AlarmKindField,
    AlarmStateField,
    AlarmValueField,
    AlarmLimitField,
    AlarmFieldCountField
};

QVariant Optional(const std::optional<double> &value)
{
    return value ? QVariant(*value) : QVariant();
}

// A number field; nullopt when blank.
std::optional<double> OptionalNumber(const ArchiveTable &table, int record, int position)
{
    if (table.readText(record, position).isEmpty())
        return std::nullopt;
    return table.readDouble(record, position);
}

// A number in its shortest form with a point; empty when there is none.
QByteArray NumberText(const std::optional<double> &value)
{
    return value ? MachineNumberText(*value).toLatin1() : QByteArray();
}

} // namespace

QString AlarmHistoryPath(const QString &pathArh)
{
    return FileInFolder(pathArh, AlarmHistoryName);
}

QVector<ArchiveField> AlarmHistoryLayout()
{
    return {
        {QStringLiteral("DATA"), 'C', 10, 0},  {QStringLiteral("TIME"), 'C', 8, 0},
        {QStringLiteral("DEVICE"), 'N', 2, 0}, {QStringLiteral("NAME"), 'C', 64, 0},
        {QStringLiteral("KIND"), 'C', 8, 0},   {QStringLiteral("STATE"), 'C', 12, 0},
        {QStringLiteral("VALUE"), 'N', 20, 4}, {QStringLiteral("LIMIT"), 'N', 20, 4},
    };
}

bool IsAlarmHistoryLayout(const QVector<ArchiveField> &fields)
{
    const QVector<ArchiveField> layout = AlarmHistoryLayout();
    if (fields.size() != layout.size())
        return false;
    for (int i = 0; i < layout.size(); ++i) {
        if (fields.at(i).type != layout.at(i).type ||
            fields.at(i).name.compare(layout.at(i).name, Qt::CaseInsensitive) != 0)
            return false;
    }
    return true;
}

bool AppendAlarmHistory(const QString &pathArh, const AlarmEvent &event, QString *error)
{
    const QString path = AlarmHistoryPath(pathArh);
    if (!QFileInfo::exists(path) && !MakeTable(path, AlarmHistoryLayout())) {
        *error = QStringLiteral("Не могу создать таблицу %1").arg(path);
        return false;
    }
    ArchiveTable table;
    if (!table.open(path, ArchiveTable::Mode::Append, IsAlarmHistoryLayout)) {
        *error = table.errorString();
        return false;
    }
    QVariantList values(AlarmFieldCountField);
    values[AlarmDataField] = ArchiveDateText(event.moment.date());
    values[AlarmTimeField] = ArchiveTimeText(event.moment.time());
    values[AlarmDeviceField] = event.device;
    values[AlarmNameField] = event.name;
    values[AlarmKindField] = AlarmKindWord(event.kind);
    values[AlarmStateField] = AlarmChangeWord(event.change);
    values[AlarmValueField] = Optional(event.value);
    values[AlarmLimitField] = Optional(event.limit);
    if (!table.appendValues(values)) {
        *error = table.errorString();
        return false;
    }
    return true;
}

bool ReadAlarmHistory(const QString &pathArh, WallSeconds from, WallSeconds to,
                      QVector<AlarmHistoryRecord> *records, QString *error)
{
    const QString path = AlarmHistoryPath(pathArh);
    if (!QFileInfo::exists(path))
        return true;
    ArchiveTable table;
    if (!table.open(path, ArchiveTable::Mode::Read)) {
        *error = table.errorString();
        return false;
    }
    RecordMomentReader moments;
    for (int i = 0; i < table.recordCount(); ++i) {
        AlarmHistoryRecord record;
        record.date = table.readText(i, AlarmDataField);
        record.time = table.readText(i, AlarmTimeField);
        const std::optional<WallSeconds> moment =
            moments.read(record.date.toLatin1(), record.time.toLatin1());
        if (!moment || *moment < from || *moment > to)
            continue;
        record.device = table.readInt(i, AlarmDeviceField);
        record.name = table.readText(i, AlarmNameField);
        record.kind = table.readText(i, AlarmKindField);
        record.state = table.readText(i, AlarmStateField);
        record.value = OptionalNumber(table, i, AlarmValueField);
        record.limit = OptionalNumber(table, i, AlarmLimitField);
        records->append(record);
    }
    return true;
}

qint64 WriteAlarmHistoryCsv(const QString &pathArh, WallSeconds from, WallSeconds to,
                            QIODevice &device, QString *error)
{
    QVector<AlarmHistoryRecord> records;
    if (!ReadAlarmHistory(pathArh, from, to, &records, error))
        return -1;
    QByteArray out = "date,time,device,name,kind,state,value,limit\r\n";
    for (const AlarmHistoryRecord &r : records) {
        out += r.date.toLatin1() + ',' + r.time.toLatin1() + ',' + QByteArray::number(r.device);
        for (const QString &text : {r.name, r.kind, r.state}) {
            out += ',';
            AppendCsvField(out, text.toUtf8(), ',');
        }
        out += ',' + NumberText(r.value) + ',' + NumberText(r.limit) + "\r\n";
    }
    if (device.write(out) != out.size()) {
        *error = QStringLiteral("Не могу записать файл: %1").arg(DeviceErrorText(device));
        return -1;
    }
    return records.size();
}

qint64 ExportAlarmHistoryCsv(const QString &pathArh, WallSeconds from, WallSeconds to,
                             const QString &path, QString *error)
{
    return WriteCsvFile(
        path,
        [&](QIODevice &device, QString *failure) {
            return WriteAlarmHistoryCsv(pathArh, from, to, device, failure);
        },
        error);
}

bool ReadAlarmRaises(const QString &pathArh, int device, WallSeconds from, WallSeconds to,
                     QVector<AlarmEvent> *raises, QString *error)
{
    raises->clear();
    QVector<AlarmHistoryRecord> records;
    if (!ReadAlarmHistory(pathArh, from, to, &records, error))
        return false;
    RecordMomentReader moments;
    const QString raised = AlarmChangeWord(AlarmChange::Raised);
    for (const AlarmHistoryRecord &record : records) {
        const std::optional<AlarmKind> kind = AlarmKindFromWord(record.kind);
        const std::optional<WallSeconds> moment =
            moments.read(record.date.toLatin1(), record.time.toLatin1());
        if (record.device != device || !kind || record.state != raised || !moment)
            continue;
        AlarmEvent event;
        event.moment = FromWallSeconds(*moment);
        event.device = device;
        event.name = record.name;
        event.kind = *kind;
        event.change = AlarmChange::Raised;
        event.value = record.value;
        event.limit = record.limit;
        raises->append(event);
    }
    return true;
}

} // namespace zeltar
