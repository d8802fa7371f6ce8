#include "history/archive_index.h"

#include "acquisition/archive_names.h"
#include "history/table_records.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>

namespace zeltar {

namespace {

bool EarlierTable(const ArchiveTableEntry &a, const ArchiveTableEntry &b)
{
    if (a.namePart != b.namePart)
        return a.namePart < b.namePart;
    if (a.begins() != b.begins())
        return a.begins() < b.begins();
    return a.fileName < b.fileName;
}

} // namespace

std::optional<ArchiveTableName> ParseArchiveTableName(const QString &fileName)
{
    // The year is written modulo 1000 with at least two digits.
    static const QRegularExpression Pattern(
        QStringLiteral("^(.+)_(\\d{2,3})_(\\d\\d)_(\\d\\d)_(\\d\\d)\\.dbf$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = Pattern.match(fileName);
    if (!match.hasMatch())
        return std::nullopt;
    const QDate date(2000 + match.captured(2).toInt(), match.captured(3).toInt(),
                     match.captured(4).toInt());
    const int hour = match.captured(5).toInt();
    if (!date.isValid() || hour > 23)
        return std::nullopt;
    return ArchiveTableName{match.captured(1), QDateTime(date, QTime(hour, 0))};
}

QString DeviceNamePart(const QString &pribName)
{
    return SafeFileName(pribName);
}

ArchiveIndex::ArchiveIndex(const QString &folder) : m_folder(folder) {}

void ArchiveIndex::setFolder(const QString &folder)
{
    if (folder == m_folder)
        return;
    m_folder = folder;
    m_entries.clear();
}

void ArchiveIndex::refresh(const std::function<void()> &pause)
{
    m_tablesRead = 0;
    QHash<QString, ArchiveTableEntry> current;
    QDirIterator files(m_folder.isEmpty() ? QStringLiteral(".") : m_folder,
                       {QStringLiteral("*.dbf"), QStringLiteral("*.DBF")}, QDir::Files);
    while (files.hasNext()) {
        files.next();
        const QFileInfo info = files.fileInfo();
        const std::optional<ArchiveTableName> name = ParseArchiveTableName(info.fileName());
        if (!name)
            continue;
        ArchiveTableEntry entry = m_entries.value(info.fileName());
        if (entry.size != info.size() || entry.modified != info.lastModified()) {
            entry.path = info.filePath();
            entry.fileName = info.fileName();
            entry.namePart = name->namePart;
            entry.periodStart = name->periodStart;
            entry.size = info.size();
            entry.modified = info.lastModified();
            ReadTableSummary(entry);
            if (++m_tablesRead % IndexPauseTables == 0 && pause)
                pause();
        }
        current.insert(entry.fileName, entry);
    }
    m_entries.swap(current);
}

void ReadTableSummary(ArchiveTableEntry &entry)
{
    entry.records = 0;
    entry.first.reset();
    entry.last.reset();
    entry.earliest.reset();
    entry.latest.reset();
    entry.ordered = true;
    entry.deleted = 0;
    entry.unreadable = 0;
    TableRecords records;
    if (!records.open(entry.path))
        return;
    ForEachMoment(records, [&](int, std::optional<WallSeconds> moment) {
        ++entry.records;
        if (!moment) {
            ++entry.unreadable;
            return true;
        }
        if (entry.last && *moment < *entry.last)
            entry.ordered = false;
        if (!entry.first)
            entry.first = entry.earliest = entry.latest = moment;
        entry.last = moment;
        entry.earliest = qMin(*entry.earliest, *moment);
        entry.latest = qMax(*entry.latest, *moment);
        return true;
    });
    entry.deleted = records.count() - entry.records;
}

bool TableOfNamePart(const ArchiveTableEntry &table, const QString &namePart)
{
    if (table.namePart == namePart)
        return true;
    // The room the name part had is what the file name leaves beside its period ending.
    const int ending = int(table.fileName.toUtf8().size() - table.namePart.toUtf8().size());
    return table.namePart == ShortenedName(namePart, MaxTableNameBytes - ending);
}

QVector<ArchiveTableEntry> ArchiveIndex::tables() const
{
    QVector<ArchiveTableEntry> all(m_entries.cbegin(), m_entries.cend());
    std::sort(all.begin(), all.end(), EarlierTable);
    return all;
}

QVector<ArchiveTableEntry> ArchiveIndex::tablesOf(const QString &namePart) const
{
    QVector<ArchiveTableEntry> own;
    for (const ArchiveTableEntry &entry : m_entries) {
        if (TableOfNamePart(entry, namePart))
            own.append(entry);
    }
    std::sort(own.begin(), own.end(), EarlierTable);
    return own;
}

QStringList ArchiveIndex::nameParts() const
{
    QStringList parts;
    for (const ArchiveTableEntry &entry : m_entries)
        parts.append(entry.namePart);
    parts.removeDuplicates();
    parts.sort();
    return parts;
}

} // namespace zeltar
