#include "core/file_replacement.h"

#include "core/file_sync.h"

#include <QFileInfo>

namespace zeltar {

namespace {

// Writes every byte, retrying after a short write; false at the first refusal.
bool WriteAll(QFile &file, const QByteArray &bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const qint64 written = file.write(bytes.constData() + done, bytes.size() - done);
        if (written <= 0)
            return false;
        done += written;
    }
    return true;
}

} // namespace

FileReplacement::FileReplacement(const QString &target) : m_target(target)
{
    // A link keeps pointing at the file it names: that file is the one replaced.
    const QFileInfo info(target);
    if (info.isSymLink())
        m_target = info.symLinkTarget();
    // Beside the target, so that the rename never crosses file systems.
    m_file.setFileTemplate(m_target + QStringLiteral(".XXXXXX"));
}

FileReplacement::~FileReplacement() = default;

bool FileReplacement::begin()
{
    const bool exists = QFileInfo::exists(m_target);
    if (exists && IsWriteProtected(m_target))
        return fail(QStringLiteral("файл защищён от записи"));
    // Unbuffered: a full disk shows at the write that meets it, not at some later flush.
    // (The open with a mode is protected in QTemporaryFile and public in QFile.)
    if (!static_cast<QFile &>(m_file).open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return fail(QStringLiteral("в папке файла нельзя создать файл"));
    if (exists)
        m_inPlace = !TakeOwnerAndMode(m_file, m_target);
    else if (!TakeNewFileMode(m_file))
        return fail(FileErrorText(m_file));
    return true;
}

QString FileReplacement::temporaryPath() const
{
    return m_file.fileName();
}

bool FileReplacement::write(const QByteArray &bytes)
{
    if (m_failed)
        return false;
    if (!m_file.isOpen())
        return fail(QStringLiteral("Файл %1 не открыт для записи").arg(m_target));
    return WriteAll(m_file, bytes) || fail(FileErrorText(m_file));
}

bool FileReplacement::commit()
{
    if (m_failed || !m_file.isOpen())
        return false;
    if (!m_file.flush() || !SyncFileToDisk(m_file))
        return fail(FileErrorText(m_file));
    if (m_inPlace)
        return writeInPlace();
    m_file.close();
    if (m_file.error() != QFileDevice::NoError)
        return fail(FileErrorText(m_file));
    if (!RenameReplacing(m_file.fileName(), m_target))
        return fail(QStringLiteral("Не могу заменить файл %1").arg(m_target));
    // The temporary name is gone; nothing is left to remove.
    m_file.setAutoRemove(false);
    // The file is replaced by now; a folder that cannot be synced leaves it to the system.
    SyncFolderOf(m_target);
    return true;
}

bool FileReplacement::writeInPlace()
{
    // The whole new content is in the temporary file and on the disk; only then is the
    // target written over, from its start, and cut to the new length.
    if (!m_file.seek(0))
        return fail(FileErrorText(m_file));
    const QByteArray bytes = m_file.readAll();
    if (m_file.error() != QFileDevice::NoError)
        return fail(FileErrorText(m_file));
    QFile target(m_target);
    if (!target.open(QIODevice::ReadWrite | QIODevice::ExistingOnly | QIODevice::Unbuffered))
        return fail(FileErrorText(target));
    if (!WriteAll(target, bytes) || !target.resize(bytes.size()) || !SyncFileToDisk(target))
        return fail(FileErrorText(target));
    return true;
}

bool FileReplacement::fail(const QString &message)
{
    m_failed = true;
    m_error = QStringLiteral("Ошибка записи файла %1: %2").arg(m_target, message);
    return false;
}

bool ReplaceFileContent(const QString &target, const QByteArray &bytes, QString *error)
{
    FileReplacement replacement(target);
    const bool replaced = replacement.begin() && replacement.write(bytes) && replacement.commit();
    if (!replaced && error)
        *error = replacement.errorString();
    return replaced;
}

} // namespace zeltar
