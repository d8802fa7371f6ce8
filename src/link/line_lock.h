#pragma once

#include <QString>

#include <memory>

class QLockFile;

namespace zeltar {

// The lock by which a serial line belongs to one master: the lock file "LCK..<device>" in
// the system's lock folder, the one that terminal programs and the serial port library
// itself take while a port is open. Polling holds it for as long as it runs, across the
// open and close of every exchange: the port takes the same file while it is open, so the
// hold lends it to the port for that time and takes it back when the port has closed.
// Where the system keeps no lock folder (Windows, whose ports are exclusive anyway) the
// hold always succeeds and means nothing.
class LineLock
{
public:
    // location: the device as the port opens it (a canonical path).
    explicit LineLock(const QString &location);
    ~LineLock();
    LineLock(const LineLock &) = delete;
    LineLock &operator=(const LineLock &) = delete;

    const QString &location() const { return m_location; }
    bool isHeld() const { return m_held; }

    // Takes the line; true when it is ours (already or now). Else holder says who has it.
    bool hold(QString *holder = nullptr);
    void release();

    // The port is about to open (the lock goes to it) / has closed (the hold takes the lock
    // back). False when another master took the line in between.
    void lendToPort();
    bool takeBackFromPort();

    // Keeps the lock file's time fresh, so that nobody takes a long hold for one left behind.
    void refresh();

    // The lock file of a device, empty where there is none to take.
    static QString lockFilePath(const QString &location);
    // Who holds the device's lock: "процесс 1234 (zeltarctl)"; empty when nobody does.
    static QString holderOf(const QString &location);

private:
    QString m_location;
    QString m_path;
    std::unique_ptr<QLockFile> m_file;
    bool m_held = false;
    bool m_lent = false;
};

} // namespace zeltar
