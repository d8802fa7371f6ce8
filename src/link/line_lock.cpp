#include "link/line_lock.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

namespace zeltar {

namespace {

// The folders in which the serial port library looks for its lock files, in its order: a
// hold must take the very file that the port (and every other program) takes.
const char *const LockFolders[] = {"/var/lock",         "/etc/locks", "/var/spool/locks",
                                   "/var/spool/uucp",   "/tmp",       "/var/tmp",
                                   "/var/lock/lockdev", "/run/lock"};

std::unique_ptr<QLockFile> makeLockFile(const QString &path)
{
    auto file = std::make_unique<QLockFile>(path);
    // A hold lasts as long as polling does: only a holder that is gone makes it stale.
    file->setStaleLockTime(0);
    return file;
}

} // namespace

LineLock::LineLock(const QString &location) : m_location(location), m_path(lockFilePath(location))
{}

LineLock::~LineLock()
{
    release();
}

QString LineLock::lockFilePath(const QString &location)
{
#ifdef Q_OS_WIN
    Q_UNUSED(location);
    return {};
#else
    QString name = location.startsWith(QLatin1String("/dev/")) ? location.mid(5) : location;
    name.replace(QLatin1Char('/'), QLatin1Char('_'));
    name.prepend(QLatin1String("/LCK.."));
    for (const char *folder : LockFolders) {
        const QString path = QLatin1String(folder) + name;
        const QFileInfo info{QLatin1String(folder)};
        if (info.isReadable() && (QFileInfo::exists(path) || info.isWritable()))
            return path;
    }
    return {};
#endif
}

QString LineLock::holderOf(const QString &location)
{
    const QString path = lockFilePath(location);
    if (path.isEmpty() || !QFileInfo::exists(path))
        return {};
    QLockFile file(path);
    file.setStaleLockTime(0);
    qint64 pid = 0;
    QString host;
    QString program;
    if (!file.getLockInfo(&pid, &host, &program)) {
        // A lock file of the older plain form holds just the number of its process.
        QFile plain(path);
        if (plain.open(QIODevice::ReadOnly))
            pid = plain.readLine().trimmed().toLongLong();
    }
    if (pid <= 0)
        return QStringLiteral("другая программа");
    QString text = QStringLiteral("процесс %1").arg(pid);
    if (!program.isEmpty())
        text += QStringLiteral(" (%1)").arg(program);
    return text;
}

bool LineLock::hold(QString *holder)
{
    if (m_held)
        return true;
    if (m_path.isEmpty()) {
        m_held = true;
        return true;
    }
    m_file = makeLockFile(m_path);
    if (!m_file->tryLock(0)) {
        m_file.reset();
        if (holder != nullptr) {
            *holder = holderOf(m_location);
            if (holder->isEmpty())
                *holder = QStringLiteral("другая программа");
        }
        return false;
    }
    m_held = true;
    m_lent = false;
    return true;
}

void LineLock::release()
{
    if (m_file)
        m_file->unlock();
    m_file.reset();
    m_held = false;
    m_lent = false;
}

void LineLock::lendToPort()
{
    if (!m_held || m_lent || !m_file)
        return;
    m_file->unlock();
    m_lent = true;
}

bool LineLock::takeBackFromPort()
{
    if (!m_held || !m_lent)
        return m_held;
    m_lent = false;
    if (m_file->tryLock(0))
        return true;
    m_file.reset();
    m_held = false;
    return false;
}

void LineLock::refresh()
{
    // While lent, the file is the port's own lock: it is kept fresh all the same.
    if (!m_held || m_path.isEmpty())
        return;
    QFile file(m_path);
    if (file.open(QIODevice::Append))
        file.setFileTime(QDateTime::currentDateTime(), QFileDevice::FileModificationTime);
}

} // namespace zeltar
