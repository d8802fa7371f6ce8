#include "history/history_range.h"

namespace zeltar {

namespace {

constexpr int BlockRecords = 4096;

// The run of records of a table that lie between from and to.
RangeSegment CutTable(const QString &path, WallSeconds from, WallSeconds to)
{
    RangeSegment segment{path, 0, 0};
    TableRecords records;
    if (!records.open(path))
        return segment;
    int first = -1;
    int last = -1;
    for (int start = 0; start < records.count(); start += BlockRecords) {
        if (!records.load(start, BlockRecords))
            break;
        for (int i = 0; i < records.loaded(); ++i) {
            const std::optional<WallSeconds> moment = records.moment(i);
            if (!moment || *moment < from)
                continue;
            if (*moment > to)
                break;
            if (first < 0)
                first = start + i;
            last = start + i;
        }
    }
    if (first >= 0)
        segment = {path, first, last - first + 1};
    return segment;
}

} // namespace

void HistoryRange::append(const RangeSegment &segment)
{
    if (segment.count <= 0)
        return;
    segments.append(segment);
    records += segment.count;
}

HistoryRange RangeOfTables(const QVector<ArchiveTableEntry> &tables, WallSeconds from,
                           WallSeconds to)
{
    HistoryRange range;
    for (const ArchiveTableEntry &table : tables) {
        if (table.records == 0)
            continue;
        if (table.first && table.last && *table.first >= from && *table.last <= to) {
            range.append({table.path, 0, table.records});
            continue;
        }
        if ((table.last && *table.last < from) || (table.first && *table.first > to))
            continue;
        range.append(CutTable(table.path, from, to));
    }
    return range;
}

HistoryRange WholeTable(const QString &path)
{
    HistoryRange range;
    TableRecords records;
    if (records.open(path))
        range.append({path, 0, records.count()});
    return range;
}

bool ForEachRecord(const HistoryRange &range,
                   const std::function<bool(TableRecords &records, int i)> &visit, QString *error)
{
    TableRecords records;
    for (const RangeSegment &segment : range.segments) {
        if (!records.open(segment.path)) {
            if (error)
                *error = records.errorString();
            return false;
        }
        const int end = qMin(segment.first + segment.count, records.count());
        for (int start = segment.first; start < end; start += BlockRecords) {
            if (!records.load(start, qMin(BlockRecords, end - start))) {
                if (error)
                    *error = records.errorString();
                return false;
            }
            for (int i = 0; i < records.loaded(); ++i) {
                if (!visit(records, i))
                    return true;
            }
        }
    }
    return true;
}

} // namespace zeltar
