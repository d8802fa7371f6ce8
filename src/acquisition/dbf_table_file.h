#pragma once

#include <QString>
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

// Brings a table file whose header disagrees with its length back to a sound state, as a
// crash or power cut may leave it: the header counts every whole record (the last
// appended one may be in the file while the header was not yet rewritten), a partial
// trailing record is cut off, the 0x1A end marker is restored, and the result is on the
// disk. A sound file is not touched. False (with error set) when the file is missing,
// is no dBase table or cannot be written.
bool RepairDbfFile(const QString &path, QString *error);

} // namespace zeltar
