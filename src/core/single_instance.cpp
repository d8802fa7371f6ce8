#include "core/single_instance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zeltar {

namespace {

#ifdef Q_OS_WIN

// Opened without sharing: a second open fails while the first handle lives.
qintptr LockFile(const QString &path)
{
    const HANDLE handle =
        CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), GENERIC_READ | GENERIC_WRITE,
                    0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return handle == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<qintptr>(handle);
}

void WritePid(qintptr handle)
{
    const QByteArray pid = QByteArray::number(QCoreApplication::applicationPid()) + '\n';
    DWORD written = 0;
    const auto file = reinterpret_cast<HANDLE>(handle);
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    WriteFile(file, pid.constData(), static_cast<DWORD>(pid.size()), &written, nullptr);
    SetEndOfFile(file);
}

void Unlock(qintptr handle)
{
    CloseHandle(reinterpret_cast<HANDLE>(handle));
}

#else

// Any user may hold the lock of a shared temporary folder: a file of another user that
// cannot be opened for writing is locked through a read-only handle.
qintptr LockFile(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    // Never through a link that someone put in the shared folder, never anything but a
    // plain file.
    int fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0)
        fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return -1;
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// For whoever looks into the file; nothing reads it.
void WritePid(qintptr handle)
{
    const auto fd = static_cast<int>(handle);
    const QByteArray pid = QByteArray::number(QCoreApplication::applicationPid()) + '\n';
    if (::ftruncate(fd, 0) == 0)
        (void)!::pwrite(fd, pid.constData(), static_cast<size_t>(pid.size()), 0);
}

void Unlock(qintptr handle)
{
    ::close(static_cast<int>(handle));
}

#endif

} // namespace

SingleInstance::SingleInstance() : m_path(lockPath()) {}

SingleInstance::SingleInstance(const QString &path) : m_path(path) {}

SingleInstance::~SingleInstance()
{
    if (m_handle != -1)
        Unlock(m_handle);
}

bool SingleInstance::tryAcquire()
{
    if (m_handle != -1)
        return true;
    m_handle = LockFile(m_path);
    if (m_handle == -1)
        return false;
    WritePid(m_handle);
    return true;
}

QString SingleInstance::lockPath()
{
    return QDir(QDir::tempPath()).filePath(QStringLiteral("MYPROGRAM_CHECKEXIST"));
}

QString SingleInstance::folderLockPath(const QString &folder)
{
    return QDir(folder).filePath(QStringLiteral("Zeltar.lock"));
}

qint64 SingleInstance::holderPid(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    return file.readLine(32).trimmed().toLongLong();
}

QString SingleInstance::folderBusyText(const QString &folder)
{
    QString text = QStringLiteral("Папка станции %1 занята другой программой")
                       .arg(QDir::toNativeSeparators(QDir(folder).absolutePath()));
    const qint64 pid = holderPid(folderLockPath(folder));
    if (pid > 0)
        text += QStringLiteral(" (процесс %1)").arg(pid);
    return text;
}

} // namespace zeltar
