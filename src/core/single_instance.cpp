#include "core/single_instance.h"

#include <QDir>

namespace zeltar {

SingleInstance::SingleInstance() : m_lock(lockPath())
{
    // Never stale by age: a station runs for months. A lock whose process has gone is
    // recognised by its process id and taken over.
    m_lock.setStaleLockTime(0);
}

bool SingleInstance::tryAcquire()
{
    return m_lock.isLocked() || m_lock.tryLock(WaitMs);
}

QString SingleInstance::lockPath()
{
    return QDir(QDir::tempPath()).filePath(QStringLiteral("MYPROGRAM_CHECKEXIST"));
}

} // namespace zeltar
