#pragma once

#include "history/record_moment.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <array>
#include <functional>
#include <optional>

namespace zeltar {

// The archive fields that history reads, in the order of the export's columns.
enum class HistoryField
{
    Date,
    Time,
    Value,
    Status,
    Relays,
    Step,
    NoLink
};
constexpr int HistoryFieldCount = 7;

// Reads an archive table's records in blocks straight from the file, for the readers of
// long ranges (chart, export) that would spend most of their time on a record-by-record
// interface. The field layout comes from the table's header through ArchiveTable; only
// the records that the header counts and the file wholly holds are read, so a table that
// polling appends to is read as far as it was complete.
class TableRecords
{
public:
    // Opens the table; false (with errorString()) when it is no archive table.
    bool open(const QString &path);
    // Opens the table unless it is the one open already.
    bool use(const QString &path);
    void close();
    QString path() const { return m_file.fileName(); }
    QString errorString() const { return m_error; }

    // Records the table held when it was opened.
    int count() const { return m_count; }

    // Reads records first .. first + count - 1 (cut to the table) into the block; the
    // accessors below take a record's place in the block. False when the file cannot be read.
    bool load(int first, int count);
    int loaded() const { return m_loaded; }
    // The table's number of the record at place i of the block.
    int recordNumber(int i) const { return m_first + i; }

    // Whether the record is marked deleted ("*" in its first byte); readers pass over it.
    bool deleted(int i) const;
    // A field's bytes with the blanks around them removed; empty for a field the table lacks.
    QByteArrayView field(int i, HistoryField field) const;
    // The value as stored; nullopt when the field is blank or holds no number.
    std::optional<double> value(int i) const;
    // A small whole-number field; 0 when blank.
    int number(int i, HistoryField field) const;
    std::optional<WallSeconds> moment(int i);

private:
    struct Place
    {
        int offset = -1; // in the record, after its deletion flag
        int width = 0;
    };

    QFile m_file;
    QString m_error;
    std::array<Place, HistoryFieldCount> m_places{};
    qint64 m_headerLength = 0;
    qint64 m_recordLength = 0;
    int m_count = 0;
    QByteArray m_block;
    int m_first = 0;
    int m_loaded = 0;
    RecordMomentReader m_moments;
};

// Calls visit(i, moment) for every record of the table in stored order with its number and
// moment (nullopt when its date or time cannot be read), passing over deleted records;
// stops when visit returns false. False when the file cannot be read.
bool ForEachMoment(TableRecords &records,
                   const std::function<bool(int i, std::optional<WallSeconds> moment)> &visit);

// The stored value as text with "." and as few digits as read back the same number
// (25.3000 is "25.3", 200000.0000 is "200000"); the stored text itself when it is no number.
QByteArray ShortestValueText(const TableRecords &records, int i);

} // namespace zeltar
