#include "core/file_sync.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

#ifdef Q_OS_WIN
#include <io.h>
#include <windows.h>
#else
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zeltar {

#ifndef Q_OS_WIN
namespace {

// The process's umask. Linux shows it in /proc; elsewhere it is set and put back under a
// lock, the only way the system offers to read it.
mode_t ProcessUmask()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        const QList<QByteArray> lines = status.readAll().split('\n');
        for (const QByteArray &line : lines) {
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok)
                    return static_cast<mode_t>(mask);
            }
        }
    }
    static std::mutex lock;
    const std::lock_guard<std::mutex> guard(lock);
    const mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

} // namespace
#endif

bool SyncFileToDisk(QFile &file)
{
#ifdef Q_OS_WIN
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(file.handle()));
    return handle != INVALID_HANDLE_VALUE && FlushFileBuffers(handle);
#else
    return ::fsync(file.handle()) == 0;
#endif
}

bool SyncFolderOf(const QString &path)
{
#ifdef Q_OS_WIN
    // NTFS puts its own metadata on the disk; MoveFileEx already writes through.
    Q_UNUSED(path);
    return true;
#else
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
#endif
}

bool RenameReplacing(const QString &from, const QString &to)
{
#ifdef Q_OS_WIN
    const QString nativeFrom = QDir::toNativeSeparators(from);
    const QString nativeTo = QDir::toNativeSeparators(to);
    return MoveFileExW(reinterpret_cast<const wchar_t *>(nativeFrom.utf16()),
                       reinterpret_cast<const wchar_t *>(nativeTo.utf16()),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
#endif
}

bool IsWriteProtected(const QString &path)
{
#ifdef Q_OS_WIN
    return !QFileInfo(path).isWritable();
#else
    const QByteArray name = QFile::encodeName(path);
    struct stat status = {};
    if (::stat(name.constData(), &status) != 0)
        return false; // nothing there to protect
    return (status.st_mode & 0222) == 0 || ::access(name.constData(), W_OK) != 0;
#endif
}

bool TakeOwnerAndMode(QFile &file, const QString &original)
{
#ifdef Q_OS_WIN
    return file.setPermissions(QFileInfo(original).permissions());
#else
    struct stat status = {};
    if (::stat(QFile::encodeName(original).constData(), &status) != 0)
        return false;
    const int fd = file.handle();
    struct stat own = {};
    if (::fstat(fd, &own) != 0)
        return false;
    // Only what differs is changed: an ordinary user may not even "change" the owner
    // to themselves on some systems.
    if ((own.st_uid != status.st_uid || own.st_gid != status.st_gid) &&
        ::fchown(fd, status.st_uid, status.st_gid) != 0)
        return false;
    return ::fchmod(fd, status.st_mode & 07777) == 0;
#endif
}

bool TakeNewFileMode(QFile &file)
{
#ifdef Q_OS_WIN
    Q_UNUSED(file);
    return true;
#else
    return ::fchmod(file.handle(), 0666 & ~ProcessUmask()) == 0;
#endif
}

QString FileErrorText(const QFileDevice &file)
{
    const QString name = file.fileName();
    if (!name.isEmpty()) {
        const QStorageInfo storage(QFileInfo(name).absolutePath());
        if (storage.isValid() && storage.bytesAvailable() == 0)
            return QStringLiteral("на диске нет места");
    }
    switch (file.error()) {
    case QFileDevice::NoError:
        return QStringLiteral("ошибки нет");
    case QFileDevice::ReadError:
        return QStringLiteral("ошибка чтения");
    case QFileDevice::WriteError:
        return QStringLiteral("ошибка записи");
    case QFileDevice::OpenError:
        return QFileInfo::exists(name) ? QStringLiteral("файл не открывается")
                                       : QStringLiteral("файла нет");
    case QFileDevice::PermissionsError:
        return QStringLiteral("нет прав");
    case QFileDevice::ResizeError:
        return QStringLiteral("размер файла не изменяется");
    case QFileDevice::RenameError:
    case QFileDevice::CopyError:
    case QFileDevice::RemoveError:
        return QStringLiteral("файл не переименован");
    case QFileDevice::PositionError:
        return QStringLiteral("ошибка позиционирования");
    default:
        return QStringLiteral("ошибка ввода-вывода");
    }
}

QString DeviceErrorText(const QIODevice &device)
{
    if (const auto *file = qobject_cast<const QFileDevice *>(&device))
        return FileErrorText(*file);
    return QStringLiteral("ошибка записи");
}

} // namespace zeltar
