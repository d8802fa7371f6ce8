#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

class QSocketNotifier;

namespace zeltar::sim {

// A pseudo-terminal standing in for a serial line: the master end is ours, the slave end
// is what the station opens through a symbolic link. The slave is kept open here too, so
// the line stays up between the station's opens.
class PseudoTerminal
{
public:
    PseudoTerminal();
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    // Creates the terminal in raw mode at the given baud rate and links linkPath to its
    // slave end (an existing symbolic link there is replaced, any other file is not).
    bool open(const QString &linkPath, int baudRate, QString *error);

    // Removes the link (if it is still ours) and closes both ends.
    void close();

    // Called from the event loop with the bytes the station wrote.
    void setReceiver(std::function<void(const QByteArray &)> receiver);

    // Bytes for the station. While no one else has the line open they are lost, as on a
    // serial line whose port is closed; so is what the station's input queue cannot take.
    void write(const QByteArray &bytes);

    // Whether another process has the slave end open now.
    bool inUse();

    // Output speed the line is set to now, 0 when it cannot be told.
    int baudRate() const;

    QString slaveName() const { return slaveName_; }

private:
    void readMaster();
    void watchOpens();
    void readOpenEvents();

    int master_ = -1;
    int slave_ = -1;
    int watch_ = -1;  // inotify descriptor for opens and closes of the slave
    int openers_ = 0; // opens of the slave other than ours
    QString slaveName_;
    QString linkPath_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::unique_ptr<QSocketNotifier> watchNotifier_;
    std::function<void(const QByteArray &)> receiver_;
};

} // namespace zeltar::sim
