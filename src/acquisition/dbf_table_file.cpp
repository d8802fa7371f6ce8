#include "acquisition/dbf_table_file.h"

#include "core/file_sync.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

namespace zeltar {

namespace {

constexpr char EndMarker = 0x1A;
constexpr qint64 FileHeaderSize = 32;
constexpr qint64 DescriptorSize = 32;
constexpr char HeaderTerminator = 0x0D;
// Some writers put a 263-byte back link to a database container after the terminator.
constexpr qint64 BackLinkSize = 263;
constexpr int MaxFields = 255;

bool ReadAt(QFile &file, qint64 position, char *buffer, qint64 size)
{
    return file.seek(position) && file.read(buffer, size) == size;
}

// A record starts with its deletion flag, ' ' or '*'. The tail of a file that grew just
// before a power cut may hold zeros instead of the record that was being written.
bool HasDeletionFlag(QFile &file, const DbfGeometry &geometry, qint64 record)
{
    char flag = 0;
    return ReadAt(file, geometry.headerLength + record * geometry.recordLength, &flag, 1) &&
           (flag == ' ' || flag == '*');
}

} // namespace

std::optional<DbfGeometry> ReadDbfGeometry(QFile &file)
{
    uchar header[12];
    if (!ReadAt(file, 0, reinterpret_cast<char *>(header), sizeof header))
        return std::nullopt;
    DbfGeometry geometry;
    geometry.headerCount = qFromLittleEndian<quint32>(header + 4);
    geometry.headerLength = qFromLittleEndian<quint16>(header + 8);
    geometry.recordLength = qFromLittleEndian<quint16>(header + 10);
    const qint64 size = file.size();
    if (geometry.headerLength < FileHeaderSize + 1 || geometry.recordLength < 1 ||
        size < geometry.headerLength)
        return std::nullopt;
    const qint64 dataLength = size - geometry.headerLength;
    geometry.wholeRecords = dataLength / geometry.recordLength;
    if (dataLength % geometry.recordLength == 1) {
        char last = 0;
        geometry.endMarker = ReadAt(file, size - 1, &last, 1) && last == EndMarker;
    }
    return geometry;
}

namespace {

// One field descriptor; nullopt when it is not a sound one.
std::optional<ArchiveField> ParseDescriptor(const uchar *descriptor)
{
    static const QByteArray KnownTypes = QByteArrayLiteral("CNFDLM");
    const auto nameLength =
        static_cast<int>(qstrnlen(reinterpret_cast<const char *>(descriptor), 11));
    if (nameLength == 0)
        return std::nullopt;
    for (int i = 0; i < nameLength; ++i) {
        if (descriptor[i] <= ' ' || descriptor[i] >= 0x7F)
            return std::nullopt;
    }
    ArchiveField field;
    field.name = QString::fromLatin1(reinterpret_cast<const char *>(descriptor), nameLength);
    field.type = static_cast<char>(descriptor[11]);
    if (!KnownTypes.contains(field.type))
        return std::nullopt;
    // Only numbers have decimals; the reader takes the width from one byte for every type.
    field.width = descriptor[16];
    if (field.type == 'N' || field.type == 'F')
        field.decimals = descriptor[17];
    if (field.width < 1)
        return std::nullopt;
    return field;
}

} // namespace

std::optional<QVector<ArchiveField>> ReadDbfFields(QFile &file)
{
    const std::optional<DbfGeometry> geometry = ReadDbfGeometry(file);
    if (!geometry)
        return std::nullopt;
    const qint64 space = qMin(geometry->headerLength,
                              FileHeaderSize + MaxFields * DescriptorSize + 1 + BackLinkSize);
    QByteArray header(space, '\0');
    if (!ReadAt(file, 0, header.data(), space))
        return std::nullopt;
    const auto *bytes = reinterpret_cast<const uchar *>(header.constData());

    QVector<ArchiveField> fields;
    qint64 recordLength = 1; // the deletion flag
    qint64 at = FileHeaderSize;
    while (at < space && bytes[at] != HeaderTerminator) {
        if (at + DescriptorSize > space)
            return std::nullopt;
        const std::optional<ArchiveField> field = ParseDescriptor(bytes + at);
        if (!field)
            return std::nullopt;
        fields.append(*field);
        recordLength += field->width;
        at += DescriptorSize;
    }
    const qint64 headerLength = at + 1;
    if (at >= space || fields.isEmpty() || recordLength != geometry->recordLength ||
        (geometry->headerLength != headerLength &&
         geometry->headerLength != headerLength + BackLinkSize))
        return std::nullopt;
    return fields;
}

namespace {

DbfRepair OpenAndCheck(QFile &file, QIODevice::OpenMode mode, QString *error, LayoutCheck layout)
{
    const QString path = file.fileName();
    if (QFileInfo(path).isDir()) {
        *error = QStringLiteral("%1 - папка, а не таблица").arg(path);
        return DbfRepair::NotATable;
    }
    if (!file.open(mode | QIODevice::ExistingOnly | QIODevice::Unbuffered)) {
        *error = QStringLiteral("Не могу открыть таблицу %1: %2").arg(path, FileErrorText(file));
        return DbfRepair::Failed;
    }
    const std::optional<QVector<ArchiveField>> fields = ReadDbfFields(file);
    if (!fields || (layout && !layout(*fields))) {
        *error = QStringLiteral("Файл %1 не является таблицей архива").arg(path);
        return DbfRepair::NotATable;
    }
    return DbfRepair::Sound;
}

} // namespace

DbfRepair CheckDbfFile(const QString &path, QString *error, LayoutCheck layout)
{
    QFile file(path);
    return OpenAndCheck(file, QIODevice::ReadOnly, error, layout);
}

DbfRepair RepairDbfFile(const QString &path, QString *error, LayoutCheck layout)
{
    // Nothing is changed in a file whose header does not describe its own records.
    QFile file(path);
    const DbfRepair check = OpenAndCheck(file, QIODevice::ReadWrite, error, layout);
    if (check != DbfRepair::Sound)
        return check;
    const std::optional<DbfGeometry> geometry = ReadDbfGeometry(file);
    qint64 records = geometry->wholeRecords;
    while (records > 0 && !HasDeletionFlag(file, *geometry, records - 1))
        --records;
    if (records == geometry->headerCount && records == geometry->wholeRecords &&
        geometry->endMarker)
        return DbfRepair::Sound;

    if (!EndDbfFile(file, *geometry, records)) {
        *error =
            QStringLiteral("Не могу восстановить таблицу %1: %2").arg(path, FileErrorText(file));
        return DbfRepair::Failed;
    }
    return DbfRepair::Sound;
}

bool EndDbfFile(QFile &file, const DbfGeometry &geometry, qint64 records)
{
    const qint64 end = geometry.headerLength + records * geometry.recordLength;
    uchar count[4];
    qToLittleEndian<quint32>(static_cast<quint32>(records), count);
    return file.resize(end) && file.seek(end) && file.write(&EndMarker, 1) == 1 && file.seek(4) &&
           file.write(reinterpret_cast<const char *>(count), 4) == 4 && SyncFileToDisk(file);
}

} // namespace zeltar
