#include "history/history_range.h"

#include <algorithm>

namespace zeltar {

namespace {

constexpr int BlockRecords = 4096;

bool Meets(const ArchiveTableEntry &table, WallSeconds from, WallSeconds to)
{
    return table.earliest && *table.earliest <= to && *table.latest >= from;
}

// Counts the records of a table that the range meets but cannot place in time.
void NoteUnreadable(HistoryRange &range, const ArchiveTableEntry &table)
{
    if (table.unreadable == 0)
        return;
    if (range.unreadable == 0)
        range.unreadableTable = table.path;
    range.unreadable += table.unreadable;
}

// A table in time order: taken whole when every record lies in the range, otherwise the
// records from the first at or after from to the last at or before to.
void TakeOrdered(HistoryRange &range, const ArchiveTableEntry &table, WallSeconds from,
                 WallSeconds to)
{
    if (table.plain() && *table.earliest >= from && *table.latest <= to) {
        range.append({table.path, 0, table.records});
        return;
    }
    TableRecords records;
    if (!records.open(table.path))
        return;
    ForEachMoment(records, [&](int i, std::optional<WallSeconds> moment) {
        if (!moment || *moment < from)
            return true;
        if (*moment > to)
            return false;
        range.append({table.path, i, 1});
        return true;
    });
}

// Tables whose records are out of time order, or that overlap in time: every record in
// the range is found wherever it is stored and the records are put in time order, those of
// equal moments in the order the tables (as given) and their records hold them.
void TakeMerged(HistoryRange &range, const QVector<ArchiveTableEntry> &tables, WallSeconds from,
                WallSeconds to)
{
    struct Place
    {
        WallSeconds moment;
        int table;
        int record;
    };
    QVector<Place> places;
    for (int t = 0; t < tables.size(); ++t) {
        TableRecords records;
        if (!records.open(tables.at(t).path))
            continue;
        ForEachMoment(records, [&](int i, std::optional<WallSeconds> moment) {
            if (moment && *moment >= from && *moment <= to)
                places.append({*moment, t, i});
            return true;
        });
    }
    std::stable_sort(places.begin(), places.end(),
                     [](const Place &a, const Place &b) { return a.moment < b.moment; });
    for (const Place &place : places)
        range.append({tables.at(place.table).path, place.record, 1});
}

} // namespace

void HistoryRange::append(const RangeSegment &segment)
{
    if (segment.count <= 0)
        return;
    records += segment.count;
    if (!segments.isEmpty()) {
        RangeSegment &last = segments.last();
        if (last.path == segment.path && last.first + last.count == segment.first) {
            last.count += segment.count;
            return;
        }
    }
    segments.append(segment);
}

HistoryRange RangeOfTables(const QVector<ArchiveTableEntry> &tables, WallSeconds from,
                           WallSeconds to)
{
    HistoryRange range;
    // Tables with moments, by their earliest record; a table none of whose records can be
    // placed is taken to hold the records from its period start to the next table's.
    QVector<ArchiveTableEntry> timed;
    for (int t = 0; t < tables.size(); ++t) {
        const ArchiveTableEntry &table = tables.at(t);
        if (table.earliest) {
            timed.append(table);
            continue;
        }
        const WallSeconds start = ToWallSeconds(table.periodStart);
        const bool before = t + 1 < tables.size() && tables.at(t + 1).begins() <= from;
        if (start <= to && !before)
            NoteUnreadable(range, table);
    }
    std::stable_sort(timed.begin(), timed.end(),
                     [](const ArchiveTableEntry &a, const ArchiveTableEntry &b) {
                         return *a.earliest < *b.earliest;
                     });

    // Runs of tables that overlap in time; the usual run is one table in time order.
    for (int first = 0; first < timed.size();) {
        int end = first + 1;
        WallSeconds latest = *timed.at(first).latest;
        while (end < timed.size() && *timed.at(end).earliest < latest) {
            latest = qMax(latest, *timed.at(end).latest);
            ++end;
        }
        const QVector<ArchiveTableEntry> run = timed.mid(first, end - first);
        first = end;
        if (!std::any_of(run.cbegin(), run.cend(),
                         [&](const ArchiveTableEntry &table) { return Meets(table, from, to); }))
            continue;
        for (const ArchiveTableEntry &table : run) {
            if (Meets(table, from, to))
                NoteUnreadable(range, table);
        }
        if (run.size() == 1 && run.constFirst().ordered)
            TakeOrdered(range, run.constFirst(), from, to);
        else
            TakeMerged(range, run, from, to);
    }
    return range;
}

HistoryRange WholeTable(const QString &path)
{
    ArchiveTableEntry table;
    table.path = path;
    ReadTableSummary(table);
    return RangeOfTables({table}, std::numeric_limits<WallSeconds>::min(),
                         std::numeric_limits<WallSeconds>::max());
}

HistoryRange WithinMoments(const HistoryRange &range, WallSeconds from, WallSeconds to,
                           QString *error)
{
    HistoryRange within;
    ForEachRecord(
        range,
        [&](TableRecords &records, int i) {
            const std::optional<WallSeconds> moment = records.moment(i);
            if (moment && *moment >= from && *moment <= to)
                within.append({records.path(), records.recordNumber(i), 1});
            return true;
        },
        error);
    return within;
}

bool ForEachRecord(const HistoryRange &range,
                   const std::function<bool(TableRecords &records, int i)> &visit, QString *error)
{
    TableRecords records;
    for (const RangeSegment &segment : range.segments) {
        if (!records.use(segment.path)) {
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
