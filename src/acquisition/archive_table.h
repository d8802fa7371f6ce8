#pragma once

#include "acquisition/archive_layout.h"

#include <QString>
#include <QVariantList>
#include <QVector>

#include <memory>

namespace zeltar {

// One dBase table file, opened by its full name for reading or for appending. Records
// are counted from 0. Each append is on the disk (record first, then the header) before
// appendValues returns, so a crash or power cut loses at most the record being written;
// a table left with a header that disagrees with its length is mended when it is next
// opened for appending.
//
// Several handles may be open on one file: the one that appends and the ones that show
// the table. A reading handle keeps the record count it read at opening until refresh().
class ArchiveTable
{
public:
    enum class Mode
    {
        Read,
        Append
    };

    ArchiveTable();
    ~ArchiveTable();
    ArchiveTable(const ArchiveTable &) = delete;
    ArchiveTable &operator=(const ArchiveTable &) = delete;

    // Makes a new empty table with these fields, replacing a file of that name. False
    // (with error set when given) when it cannot be written.
    static bool create(const QString &path, const QVector<ArchiveField> &fields,
                       QString *error = nullptr);

    // Opens a table whose header is sound (see ReadDbfFields). For appending, the table is
    // repaired first and must have the layout its writer expects (by default the archive
    // tables', IsArchiveLayout).
    bool open(const QString &path, Mode mode, LayoutCheck appendLayout = IsArchiveLayout);
    // Whether the last open failed because the file (or folder) at the path is no table
    // of that kind, rather than because it could not be reached.
    bool notATable() const;
    void close();
    bool isOpen() const;
    QString path() const;
    // Why the last open, append or read failed.
    QString errorString() const;

    // Whether each append waits until the disk has it (on by default).
    void setSyncOnAppend(bool sync);

    // Appends one record: values[i] goes to the field at position i, an invalid QVariant
    // (or a position past the list) leaves the field blank. False when the table is not
    // open for appending, has fewer fields than values, or cannot be written; a failed
    // write leaves the file as it was before (cut back, end marker and count on the disk).
    bool appendValues(const QVariantList &values);
    bool appendRecord(const ArchiveRecord &record) { return appendValues(ArchiveValues(record)); }

    int recordCount() const;
    // Takes in the records that other handles appended since this one was opened and
    // returns the new count. Costs a few small reads, not a reopening.
    int refresh();

    int fieldCount() const;
    // The position of the field of that name, compared without regard to case; -1 when
    // there is none.
    int fieldIndex(const QString &name) const;
    ArchiveField field(int position) const;

    // A field of a record as text (blanks around it removed), number or whole number
    // (truncated). Empty or 0 when the record or the field does not exist.
    QString readText(int record, int position) const;
    double readDouble(int record, int position) const;
    int readInt(int record, int position) const;
    QString readText(int record, const QString &name) const;
    double readDouble(int record, const QString &name) const;
    int readInt(int record, const QString &name) const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace zeltar
