#pragma once

class QFile;
class QFileDevice;
class QIODevice;
class QString;

namespace zeltar {

// Puts what was written to an open file on the disk. False when the system refuses.
bool SyncFileToDisk(QFile &file);

// Puts the folder holding path on the disk, so that a rename or a new file in it survives
// a power cut. False when the system refuses.
bool SyncFolderOf(const QString &path);

// Renames from to to in one step, replacing a file of that name: a reader sees either the
// old or the new file, never none. False when the system refuses (to is then untouched).
bool RenameReplacing(const QString &from, const QString &to);

// Whether an existing file is closed to writes for this process: the system refuses it
// (another owner, a read-only mount), or its mode lets nobody write it. The second rule
// holds for the superuser too, who may write any file: a file made read-only for everyone
// is one its owner wants kept (a private-profile write fails on it as well).
bool IsWriteProtected(const QString &path);

// Gives an open file that is to replace original the original's owner, group and mode.
// False when the system refuses the owner or the group (a file of another user, a group
// the user is not in): a rename would then change them.
bool TakeOwnerAndMode(QFile &file, const QString &original);

// Gives an open, newly made file the mode that the process's umask allows a new file
// (0666 less the umask), as the system gives a file made by an ordinary open.
bool TakeNewFileMode(QFile &file);

// Why an operation on the file failed, in the operator's words: the system's texts reach
// the operator in English, whatever the station's language.
QString FileErrorText(const QFileDevice &file);
// The same for any device written to: a file's error as above, any other's in general words.
QString DeviceErrorText(const QIODevice &device);

} // namespace zeltar
