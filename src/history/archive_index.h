#pragma once

#include "history/record_moment.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <optional>

namespace zeltar {

// What a table's file name says: the device's name part and the local hour at which its
// period began ("Печь 1_26_12_09_07.dbf": "Печь 1", 9 December 2026, 07 h).
struct ArchiveTableName
{
    QString namePart;
    QDateTime periodStart;
};

// Reads a table name of the station's own naming; nullopt for any other file.
std::optional<ArchiveTableName> ParseArchiveTableName(const QString &fileName);

// The name part under which a device's tables are written, before a long one is shortened
// to fit a table name (see TableOfNamePart).
QString DeviceNamePart(const QString &pribName);

// One table of the archive folder.
struct ArchiveTableEntry
{
    QString path;
    QString fileName;
    QString namePart;
    QDateTime periodStart;
    // Records in the table, those marked deleted left out.
    int records = 0;
    // The first and last readable records' moments as stored; unset for an empty table (or
    // records whose date cannot be read).
    std::optional<WallSeconds> first;
    std::optional<WallSeconds> last;
    // The earliest and latest moment of its records, which differ from first and last when
    // the clock was set back while the table was written.
    std::optional<WallSeconds> earliest;
    std::optional<WallSeconds> latest;
    bool ordered = true; // every record's moment at or after the one before it
    int deleted = 0;     // records marked deleted
    int unreadable = 0;  // records whose date or time cannot be read
    qint64 size = -1;
    QDateTime modified;

    // Where the table lies in time: its earliest record, or the period start when it has none.
    WallSeconds begins() const { return earliest.value_or(ToWallSeconds(periodStart)); }
    // Every record in the file is in the table, readable and in time order: a range may
    // take it whole or cut it by its moments.
    bool plain() const { return ordered && deleted == 0 && unreadable == 0; }
};

// Reads a table's records and moments into entry (path set); a table that cannot be
// read has no records.
void ReadTableSummary(ArchiveTableEntry &entry);

// Whether a table belongs to the name part: the same name, or the name as the station
// shortened it for the table's file name.
bool TableOfNamePart(const ArchiveTableEntry &table, const QString &namePart);

// The archive index: every table of the archive folder by the station's naming, with its
// record count and first and last records. Nothing is read until refresh(); a refresh lists
// the folder and reads only the tables that are new or whose size or time changed since
// the last one, so keeping it current while polling appends and rolls over costs a folder
// listing and the table being appended to.
class ArchiveIndex
{
public:
    explicit ArchiveIndex(const QString &folder = QString());

    // Another folder forgets every table known.
    void setFolder(const QString &folder);
    QString folder() const { return m_folder; }

    // pause, when given, is called after every IndexPauseTables tables read, so that a
    // folder read cold need not hold up everything else.
    static constexpr int IndexPauseTables = 50;
    void refresh(const std::function<void()> &pause = {});
    // How many tables the last refresh read (new or changed ones).
    int tablesRead() const { return m_tablesRead; }

    // All tables, by name part and then in time order.
    QVector<ArchiveTableEntry> tables() const;
    // The tables of one name part, in time order; those whose name was shortened to fit
    // the file system are among them.
    QVector<ArchiveTableEntry> tablesOf(const QString &namePart) const;
    // The name parts that have tables, in order.
    QStringList nameParts() const;

private:
    QString m_folder;
    QHash<QString, ArchiveTableEntry> m_entries; // by file name
    int m_tablesRead = 0;
};

} // namespace zeltar
