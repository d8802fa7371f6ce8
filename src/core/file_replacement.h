#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryFile>

namespace zeltar {

// Replaces a file's content as a whole: the new content goes to a temporary file beside
// it, every byte of it is checked to have arrived, it is put on the disk and then renamed
// over the old file. A crash, a full disk or any failed write leaves the old file as it
// was.
//
// A file that is write-protected (IsWriteProtected) is not replaced: a rename needs only the
// folder's rights and would overwrite it. A replaced file keeps its owner, group and mode;
// where the temporary file cannot take them (a file of another user), the content is
// written into the file itself instead, with the same checks. A new file takes the mode
// the process's umask allows, and the folder is put on the disk after the rename.
//
// The temporary file may also be filled through other handles (a table appended to by
// path); commit() puts the whole file on the disk before the rename.
class FileReplacement
{
public:
    explicit FileReplacement(const QString &target);
    // A replacement that was not committed removes its temporary file.
    ~FileReplacement();
    FileReplacement(const FileReplacement &) = delete;
    FileReplacement &operator=(const FileReplacement &) = delete;

    // Makes the empty temporary file. False when the folder does not allow it.
    bool begin();
    QString temporaryPath() const;

    // Appends bytes to the temporary file; false unless all of them were written.
    bool write(const QByteArray &bytes);

    // Puts the temporary file on the disk and renames it over the target. False (the
    // target untouched) when any step failed, including an earlier write.
    bool commit();

    QString target() const { return m_target; }
    QString errorString() const { return m_error; }

private:
    bool fail(const QString &message);

    QString m_target;
    bool writeInPlace();

    QTemporaryFile m_file;
    QString m_error;
    bool m_failed = false;
    bool m_inPlace = false; // the target keeps its inode: written over, not renamed over
};

// One replacement with the given content. False (error set when given) when the old file
// had to be kept.
bool ReplaceFileContent(const QString &target, const QByteArray &bytes, QString *error = nullptr);

} // namespace zeltar
