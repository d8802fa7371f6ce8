#pragma once

class QFile;
class QString;

namespace zeltar {

// Puts what was written to an open file on the disk. False when the system refuses.
bool SyncFileToDisk(QFile &file);

// Renames from to to in one step, replacing a file of that name: a reader sees either the
// old or the new file, never none. False when the system refuses (to is then untouched).
bool RenameReplacing(const QString &from, const QString &to);

} // namespace zeltar
