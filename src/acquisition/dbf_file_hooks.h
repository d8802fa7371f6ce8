#pragma once

#include <QString>

#include <shapefil.h>

class QFile;

namespace zeltar {

// File access for shapelib's DBF functions through QFile, so that a table name in any
// script reaches the file system as the Unicode name it is (no narrow code page on
// Windows), and the flush that shapelib makes after writing a header puts the file on
// the disk.
//
// Shapelib builds file names itself: it swaps the extension of the name it is given for
// ".dbf" (then ".DBF") and probes for a code page file beside it. While a DbfFileTarget
// lives, the hooks of its thread open exactly the target path for the table file and
// never open or remove a neighbouring file.
SAHooks DbfFileHooks();

class DbfFileTarget
{
public:
    explicit DbfFileTarget(const QString &path);
    ~DbfFileTarget();
    DbfFileTarget(const DbfFileTarget &) = delete;
    DbfFileTarget &operator=(const DbfFileTarget &) = delete;

private:
    QString m_previous;
};

// The QFile behind a file that the hooks opened.
QFile *DbfHookFile(SAFile file);

// Whether the FFlush hook also waits until the data is on the disk (on by default).
void SetDbfFileSync(SAFile file, bool sync);

// The first failure that shapelib or the hooks reported on this thread since ClearDbfError,
// in the operator's words (a cause such as "на диске нет места"); empty when none.
QString LastDbfError();
void ClearDbfError();

} // namespace zeltar
