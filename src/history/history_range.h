#pragma once

#include "history/archive_index.h"
#include "history/table_records.h"

#include <QString>
#include <QVector>

#include <functional>
#include <limits>

namespace zeltar {

// A run of consecutive records of one table.
struct RangeSegment
{
    QString path;
    int first = 0;
    int count = 0;
};

// What is on show: the records of one or more tables in time order, as runs of records.
// It holds no records, only where they are.
struct HistoryRange
{
    QVector<RangeSegment> segments;
    qint64 records = 0;
    // Records that the range meets but whose date or time cannot be read, so that they
    // are not in it, and the first table that holds one.
    qint64 unreadable = 0;
    QString unreadableTable;

    // Adds a run of records after the others, joined to the last run where it goes on.
    void append(const RangeSegment &segment);
};

// Every record of the tables whose moment lies from from to to, both ends included, in
// time order (records of equal moments in the order they are stored). Tables outside the
// range are not opened; a table in time order is taken whole when the range holds it all
// and read only up to to when the range cuts it. Tables whose records are out of order or
// that overlap in time (the clock was set back) are read whole and their records merged.
// Deleted records are left out.
HistoryRange RangeOfTables(const QVector<ArchiveTableEntry> &tables, WallSeconds from,
                           WallSeconds to);

// Every record of one table, as it is at this moment, in time order.
HistoryRange WholeTable(const QString &path);

// The records of a range (in its order) whose moments lie from from to to.
HistoryRange WithinMoments(const HistoryRange &range, WallSeconds from, WallSeconds to,
                           QString *error = nullptr);

// Calls visit for every record of the range in order, with the table's block loaded and
// the record's place in it; reads a block of records at a time, one table open at a time.
// Stops when visit returns false. False with error set when a table cannot be read.
bool ForEachRecord(const HistoryRange &range,
                   const std::function<bool(TableRecords &records, int i)> &visit,
                   QString *error = nullptr);

} // namespace zeltar
