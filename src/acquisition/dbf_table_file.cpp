#include "acquisition/dbf_table_file.h"

#include "acquisition/dbf_file_sync.h"

#include <QFile>
#include <QtEndian>

namespace zeltar {

namespace {

constexpr char EndMarker = 0x1A;
constexpr qint64 FileHeaderSize = 32;

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

bool RepairDbfFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly | QIODevice::Unbuffered)) {
        *error = QStringLiteral("Не могу открыть таблицу %1: %2").arg(path, file.errorString());
        return false;
    }
    const std::optional<DbfGeometry> geometry = ReadDbfGeometry(file);
    if (!geometry) {
        *error = QStringLiteral("Файл %1 не является таблицей dBase").arg(path);
        return false;
    }
    qint64 records = geometry->wholeRecords;
    while (records > 0 && !HasDeletionFlag(file, *geometry, records - 1))
        --records;
    if (records == geometry->headerCount && records == geometry->wholeRecords &&
        geometry->endMarker)
        return true;

    const qint64 end = geometry->headerLength + records * geometry->recordLength;
    uchar count[4];
    qToLittleEndian<quint32>(static_cast<quint32>(records), count);
    const bool repaired =
        file.resize(end) && file.seek(end) && file.write(&EndMarker, 1) == 1 && file.seek(4) &&
        file.write(reinterpret_cast<const char *>(count), 4) == 4 && SyncFileToDisk(file);
    if (!repaired)
        *error =
            QStringLiteral("Не могу восстановить таблицу %1: %2").arg(path, file.errorString());
    return repaired;
}

} // namespace zeltar
