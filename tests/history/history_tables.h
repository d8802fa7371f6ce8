#pragma once

#include "acquisition/archive_layout.h"
#include "acquisition/archive_table.h"
#include "history/record_moment.h"

#include <QDateTime>
#include <QDir>

// Archive tables for the history tests, written through the station's own table class.

// A poll record at a moment; a value above 99999 is a no-link or break mark.
inline zeltar::ArchiveRecord PollAt(const QDateTime &moment, float value, int noLink = 0)
{
    zeltar::ArchiveRecord record;
    record.data = moment.date().toString(QStringLiteral("dd.MM.yyyy"));
    record.time = moment.time().toString(QStringLiteral("HH:mm:ss"));
    record.znac = value;
    record.stat = noLink ? 0 : 3;
    record.rele = int(value) % 16 < 0 ? 0 : int(value) % 16;
    record.step = 2;
    record.noLink = noLink;
    return record;
}

// Appends records to a table, making it first when it does not exist.
inline bool AppendRecords(const QString &path, const QVector<zeltar::ArchiveRecord> &records)
{
    if (!QFileInfo::exists(path) && !zeltar::ArchiveTable::create(path, zeltar::ArchiveLayout()))
        return false;
    zeltar::ArchiveTable table;
    if (!table.open(path, zeltar::ArchiveTable::Mode::Append))
        return false;
    table.setSyncOnAppend(false);
    for (const zeltar::ArchiveRecord &record : records) {
        if (!table.appendRecord(record))
            return false;
    }
    return true;
}

// A period's table of a device: count records every step seconds from start, with values
// from value(i).
template <typename ValueOf>
bool WritePeriod(const QString &folder, const QString &namePart, const QDateTime &start, int count,
                 int step, ValueOf value)
{
    QVector<zeltar::ArchiveRecord> records;
    for (int i = 0; i < count; ++i)
        records.append(PollAt(start.addSecs(qint64(i) * step), value(i)));
    const QString name =
        namePart + start.toString(QStringLiteral("_yy_MM_dd_HH")) + QStringLiteral(".dbf");
    return AppendRecords(QDir(folder).filePath(name), records);
}

// Marks record i of a table deleted, as another dBase program does: "*" in its first byte.
inline bool MarkDeleted(const QString &path, int i)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
    const QByteArray header = file.read(12);
    const auto word = [&](int at) { return uchar(header.at(at)) | uchar(header.at(at + 1)) << 8; };
    return header.size() == 12 && file.seek(word(8) + qint64(i) * word(10)) && file.write("*") == 1;
}

inline zeltar::WallSeconds Wall(const QString &text)
{
    return zeltar::ParseWallText(text).value_or(-1);
}
