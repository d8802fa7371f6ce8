#pragma once

#include "acquisition/archive_layout.h"

#include <QString>
#include <QVector>
#include <QtGlobal>

#include <optional>

class QFile;

namespace zeltar {

// The parts of a dBase file's header that say where the records are, against the
// file's actual length.
struct DbfGeometry
{
    qint64 headerLength = 0;
    qint64 recordLength = 0;
    qint64 headerCount = 0;  // record count written in the header
    qint64 wholeRecords = 0; // complete records that the file holds after the header
    bool endMarker = false;  // the end-of-file byte 0x1A follows the last whole record

    // The records a reader can rely on: counted by the header and wholly in the file.
    qint64 readableCount() const { return qMin(headerCount, wholeRecords); }
};

// Reads the geometry of an open table file; nullopt when it is no dBase table.
std::optional<DbfGeometry> ReadDbfGeometry(QFile &file);

// The fields that a table file's header describes, when the header is sound: a field
// descriptor every 32 bytes up to the 0x0D terminator, each with a name, a known type and
// a width, a header length that matches the descriptors and a record length that is the
// sum of the field widths plus the deletion flag. nullopt when any of it disagrees, since
// records would then be read and appended at the wrong places.
std::optional<QVector<ArchiveField>> ReadDbfFields(QFile &file);

enum class DbfRepair
{
    Sound,     // the file was sound or is now
    NotATable, // the file is no table that could be trusted: left as it is
    Failed     // the file could not be opened or written (error set)
};

// Checks a table file's header without changing anything: Sound, NotATable (a folder, or a
// file whose header fails ReadDbfFields or, when required, IsArchiveLayout) or Failed (cannot be
// opened, error set). A layout, when given, must accept the fields.
DbfRepair CheckDbfFile(const QString &path, QString *error, LayoutCheck layout = nullptr);

// Brings a table file whose header disagrees with its length back to a sound state, as a
// crash or power cut may leave it: the header counts every whole record (the last
// appended one may be in the file while the header was not yet rewritten), a partial
// trailing record is cut off, the 0x1A end marker is restored, and the result is on the
// disk. A sound file is not touched. Nothing is changed before the header has been
// checked against its field layout (ReadDbfFields); when a layout is given, it must also
// accept the fields (IsArchiveLayout for an archive table).
DbfRepair RepairDbfFile(const QString &path, QString *error, LayoutCheck layout = nullptr);

// Ends an open table file after its first records whole records: the file cut there, the
// end marker after them, the count in the header, all on the disk. False when the system
// refuses any of it.
bool EndDbfFile(QFile &file, const DbfGeometry &geometry, qint64 records);

} // namespace zeltar
