#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QProcess;
class QTemporaryDir;

namespace zeltar::test {

// Runs the event loop until condition() holds or timeoutMs have passed; returns whether
// it holds. The condition is looked at every few milliseconds and after every event.
bool WaitUntil(std::function<bool()> condition, int timeoutMs);

// One zeltar-sim process serving a pseudo-terminal for a test.
class SimProcess
{
public:
    explicit SimProcess(const QStringList &options = {}); // options after --link PATH
    ~SimProcess();                                        // stops the process
    SimProcess(const SimProcess &) = delete;
    SimProcess &operator=(const SimProcess &) = delete;

    // Starts the simulator on a link in a fresh temporary folder and waits (up to 10 s,
    // running the event loop) until it serves the line. Returns false with a warning when
    // it does not come up.
    bool start();

    // The link to open as the serial port.
    QString portPath() const;

    // SIGTERM, then waits for the process to end.
    void stop();

    // What the simulator wrote to stderr so far (its log with --verbose).
    QByteArray stderrText() const;

    // A count the simulator keeps of its line ("requests", "overlaps"), -1 when there is
    // none. Overlaps tell whether the master ran two exchanges at once; use --pace.
    int lineCount(const QString &name) const;

private:
    QString statsPath() const;

    QStringList options_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<QProcess> process_;
    QString portPath_;
    QByteArray stdout_;
    mutable QByteArray stderr_;
};

} // namespace zeltar::test
