#pragma once

#include <QString>

namespace zeltar {

// Only one station runs on a machine at a time: the first one holds the lock
// "MYPROGRAM_CHECKEXIST" in the temporary folder for as long as it runs. The lock is one
// the system holds for the process (an exclusive lock on the open file), so it ends with
// the process however that ends; the file's content means nothing, and an empty or
// unreadable file left by a crash or a full disk never keeps a later station out.
//
// The same lock, on a file inside a station folder, keeps a folder to one station: the
// window, the headless poller and the service alike.
class SingleInstance
{
public:
    SingleInstance();
    explicit SingleInstance(const QString &path);
    ~SingleInstance();
    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    // True for the first instance (it holds the lock from now on).
    bool tryAcquire();

    static QString lockPath();
    // The lock file of a station folder.
    static QString folderLockPath(const QString &folder);
    // The process that wrote its number into the lock file at path; 0 when unknown.
    static qint64 holderPid(const QString &path);
    // "Папка станции … занята другой программой (процесс N)": why a folder was refused.
    static QString folderBusyText(const QString &folder);

private:
    QString m_path;
    qintptr m_handle = -1; // the open lock file while it is held
};

} // namespace zeltar
