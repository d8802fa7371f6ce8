#pragma once

#include "history/archive_index.h"
#include "history/table_records.h"

#include <QString>
#include <QVector>

#include <functional>

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

    void append(const RangeSegment &segment);
};

// The records of tables (in time order, as the index gives them) from from to to, both
// ends included. Tables outside the range are not opened; in a table that the range cuts
// the records are taken in their order from the first at or after from to the last at or
// before to.
HistoryRange RangeOfTables(const QVector<ArchiveTableEntry> &tables, WallSeconds from,
                           WallSeconds to);

// Every record of one table, as it is at this moment.
HistoryRange WholeTable(const QString &path);

// Calls visit for every record of the range in order, with the table's block loaded and
// the record's place in it; reads a block of records at a time, one table open at a time.
// Stops when visit returns false. False with error set when a table cannot be read.
bool ForEachRecord(const HistoryRange &range,
                   const std::function<bool(TableRecords &records, int i)> &visit,
                   QString *error = nullptr);

} // namespace zeltar
