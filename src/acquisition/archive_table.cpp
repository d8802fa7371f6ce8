#include "acquisition/archive_table.h"

#include "acquisition/dbf_field_text.h"
#include "acquisition/dbf_file_hooks.h"
#include "acquisition/dbf_table_file.h"
#include "core/clock.h"

#include <QFile>

#include <shapefil.h>

namespace zeltar {

namespace {

// The language driver byte that marks a table's text as Windows-1251.
constexpr char Cp1251CodePage[] = "LDID/201";

} // namespace

struct ArchiveTable::Private
{
    DBFHandle handle = nullptr;
    Mode mode = Mode::Read;
    QString path;
    QString error;
    bool notATable = false;
    QVector<ArchiveField> fields;

    bool fail(const QString &message)
    {
        error = message;
        return false;
    }

    void readFields()
    {
        fields.clear();
        const int count = DBFGetFieldCount(handle);
        for (int i = 0; i < count; ++i) {
            char name[XBASE_FLDNAME_LEN_READ + 1] = {};
            int width = 0;
            int decimals = 0;
            DBFGetFieldInfo(handle, i, name, &width, &decimals);
            fields.append({QString::fromLatin1(name).trimmed(), DBFGetNativeFieldType(handle, i),
                           width, decimals});
        }
    }

    // Puts the table back as it was before a failed append: a part of the record on the
    // disk (a full disk, an error half way) would otherwise stay behind the counted records
    // without an end marker, and a reader going by the marker would show it as a record.
    void cutBack(int records)
    {
        handle->nRecords = records;
        handle->bCurrentRecordModified = 0;
        handle->nCurrentRecord = -1;
        QFile *file = DbfHookFile(handle->fp);
        const std::optional<DbfGeometry> geometry = ReadDbfGeometry(*file);
        if (geometry)
            EndDbfFile(*file, *geometry, records);
    }

    bool validField(int record, int position) const
    {
        return handle && record >= 0 && record < handle->nRecords && position >= 0 &&
               position < fields.size();
    }
};

ArchiveTable::ArchiveTable() : d(std::make_unique<Private>()) {}

ArchiveTable::~ArchiveTable()
{
    close();
}

bool ArchiveTable::create(const QString &path, const QVector<ArchiveField> &fields, QString *error)
{
    auto report = [&](const QString &message) {
        if (error)
            *error = message;
        return false;
    };
    ClearDbfError();
    const DbfFileTarget target(path);
    SAHooks hooks = DbfFileHooks();
    DBFHandle handle = DBFCreateLL(path.toUtf8().constData(), Cp1251CodePage, &hooks);
    if (!handle)
        return report(QStringLiteral("Не могу создать таблицу %1").arg(path));
    bool added = true;
    for (const ArchiveField &field : fields) {
        added = DBFAddNativeFieldType(handle, field.name.toLatin1().constData(), field.type,
                                      field.width, field.decimals) >= 0 &&
                added;
    }
    const QDate today = Clock::now().date();
    DBFSetLastModifiedDate(handle, today.year() - 1900, today.month(), today.day());
    DBFUpdateHeader(handle); // writes the header and puts it on the disk
    DBFClose(handle);
    if (!added)
        return report(QStringLiteral("Не могу создать поля таблицы %1").arg(path));
    if (!LastDbfError().isEmpty())
        return report(QStringLiteral("Не могу создать таблицу %1: %2").arg(path, LastDbfError()));
    return true;
}

bool ArchiveTable::open(const QString &path, Mode mode, LayoutCheck appendLayout)
{
    close();
    d->error.clear();
    d->notATable = false;
    const DbfRepair check = mode == Mode::Append ? RepairDbfFile(path, &d->error, appendLayout)
                                                 : CheckDbfFile(path, &d->error);
    if (check != DbfRepair::Sound) {
        d->notATable = check == DbfRepair::NotATable;
        return false;
    }
    ClearDbfError();
    const DbfFileTarget target(path);
    SAHooks hooks = DbfFileHooks();
    d->handle = DBFOpenLL(path.toUtf8().constData(), mode == Mode::Append ? "rb+" : "rb", &hooks);
    if (!d->handle)
        return d->fail(QStringLiteral("Не могу открыть таблицу %1").arg(path));
    d->mode = mode;
    d->path = path;
    d->readFields();
    refresh();
    return true;
}

bool ArchiveTable::notATable() const
{
    return d->notATable;
}

void ArchiveTable::close()
{
    if (d->handle)
        DBFClose(d->handle);
    d->handle = nullptr;
    d->fields.clear();
    d->path.clear();
}

bool ArchiveTable::isOpen() const
{
    return d->handle != nullptr;
}

QString ArchiveTable::path() const
{
    return d->path;
}

QString ArchiveTable::errorString() const
{
    return d->error;
}

void ArchiveTable::setSyncOnAppend(bool sync)
{
    if (d->handle)
        SetDbfFileSync(d->handle->fp, sync);
}

bool ArchiveTable::appendValues(const QVariantList &values)
{
    if (!d->handle || d->mode != Mode::Append)
        return d->fail(QStringLiteral("Таблица не открыта для записи"));
    if (values.size() > d->fields.size())
        return d->fail(
            QStringLiteral("В таблице %1 нет поля %2").arg(d->path).arg(d->fields.size()));

    QByteArray record(d->handle->nRecordLength, ' ');
    for (int i = 0; i < values.size(); ++i) {
        const ArchiveField &field = d->fields.at(i);
        record.replace(d->handle->panFieldOffset[i], field.width,
                       DbfFieldBytes(field.type, field.width, field.decimals, values.at(i)));
    }

    ClearDbfError();
    const QDate today = Clock::now().date();
    DBFSetLastModifiedDate(d->handle, today.year() - 1900, today.month(), today.day());
    const int before = d->handle->nRecords;
    const bool written = DBFWriteTuple(d->handle, before, record.data());
    // Writes the record and its end marker, then the header with the new count, and puts
    // both on the disk through the flush hook.
    if (written)
        DBFUpdateHeader(d->handle);
    // Nothing is left for closing to write again.
    d->handle->bUpdated = 0;
    if (written && LastDbfError().isEmpty())
        return true;
    const QString cause =
        LastDbfError().isEmpty() ? QStringLiteral("ошибка записи в таблицу") : LastDbfError();
    d->cutBack(before);
    return d->fail(cause);
}

int ArchiveTable::recordCount() const
{
    return d->handle ? d->handle->nRecords : 0;
}

int ArchiveTable::refresh()
{
    if (!d->handle)
        return 0;
    QFile *file = DbfHookFile(d->handle->fp);
    const std::optional<DbfGeometry> geometry = ReadDbfGeometry(*file);
    if (!geometry)
        return d->handle->nRecords;
    const int count = static_cast<int>(geometry->readableCount());
    if (count != d->handle->nRecords && !d->handle->bCurrentRecordModified) {
        d->handle->nRecords = count;
        d->handle->nCurrentRecord = -1; // read the next record afresh
    }
    return d->handle->nRecords;
}

int ArchiveTable::fieldCount() const
{
    return d->fields.size();
}

int ArchiveTable::fieldIndex(const QString &name) const
{
    for (int i = 0; i < d->fields.size(); ++i) {
        if (d->fields.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

ArchiveField ArchiveTable::field(int position) const
{
    return position >= 0 && position < d->fields.size() ? d->fields.at(position) : ArchiveField{};
}

QString ArchiveTable::readText(int record, int position) const
{
    if (!d->validField(record, position))
        return {};
    // The returned buffer is overwritten by the handle's next read: copy it at once.
    const char *text = DBFReadStringAttribute(d->handle, record, position);
    return text ? DbfDecodeText(QByteArray(text)) : QString();
}

double ArchiveTable::readDouble(int record, int position) const
{
    if (!d->validField(record, position))
        return 0.0;
    return DBFReadDoubleAttribute(d->handle, record, position);
}

int ArchiveTable::readInt(int record, int position) const
{
    if (!d->validField(record, position))
        return 0;
    return DBFReadIntegerAttribute(d->handle, record, position);
}

QString ArchiveTable::readText(int record, const QString &name) const
{
    return readText(record, fieldIndex(name));
}

double ArchiveTable::readDouble(int record, const QString &name) const
{
    return readDouble(record, fieldIndex(name));
}

int ArchiveTable::readInt(int record, const QString &name) const
{
    return readInt(record, fieldIndex(name));
}

} // namespace zeltar
