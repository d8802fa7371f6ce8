#pragma once

#include "link/line_lock.h"
#include "link/link_mode.h"
#include "link/link_transport.h"
#include "link/port_names.h"

#include <QElapsedTimer>
#include <QObject>
#include <QSerialPort>

#include <memory>

namespace zeltar {

// The station's one serial port: opening an instrument's port at its baud rate, closing
// it, pauses and reply waits that keep the event loop running. The write queue is the
// port's own write buffer, emptied by the event loop.
//
// In fast mode an open of the port that is open already at the same device and rate
// keeps it as it is; a failed exchange closes it, and the next request opens it again.
// Before each request the session waits out the turnaround and clears the input.
class SerialSession : public QObject, public LinkTransport
{
    Q_OBJECT
public:
    static constexpr int InputQueueSize = 4096;
    static constexpr int OutputQueueSize = 2048;
    static constexpr int WriteQueueWaitMs = 1000;

    explicit SerialSession(QObject *parent = nullptr);
    ~SerialSession() override;

    void setPortNames(const PortNames &names) { m_names = names; }
    void setLinkMode(const LinkMode &mode) { m_mode = mode; }
    const LinkMode &linkMode() const { return m_mode; }
    const PortNames &portNames() const { return m_names; }

    // 0 on success, 1 on failure (the port is then closed).
    int OpenPort(int port, int baudIndex);
    // The same for a device given by name (a path, or COMn on Windows).
    int OpenDevice(const QString &deviceName, int baudIndex);
    // Always 0; bytes still waiting are discarded with the device.
    int ClosePort();
    // Fast mode: closes the port kept open between exchanges (polling has stopped). The
    // standard mode leaves the port to the next open, as it always has.
    void CloseKeptPort();

    // Polling holds the line of port between its exchanges, so that no second master can
    // take it. False, with who holds it in holder, when the line is taken.
    bool HoldLine(int port, QString *holder = nullptr);
    void ReleaseLine();
    // Keeps a hold that waits for the next exchange from looking abandoned.
    void RefreshLineHold();
    bool holdsLine() const { return m_hold && m_hold->isHeld(); }

    // The device as the port opens it: the system location with its links resolved, so
    // that every name of one device takes the same line lock.
    static QString lineLocation(const QString &deviceName);

    // Returns after at least ms milliseconds, running the event loop meanwhile.
    void Pause(int ms);
    // A pause of the standard timing; the fast mode only serves pending events.
    void PauseInStandardMode(int ms);

    int WaitReply(int replyTimeout, int firstWait, int quietInterval) override;
    bool write(const QByteArray &bytes) override;
    bool readAll(QByteArray *bytes) override;
    bool hasFailed() const override { return m_failed; }
    void exchangeEnded(bool succeeded) override;

    // Bytes in the input queue; 0 when the port is closed.
    qint64 bytesWaiting();

    bool isOpen() const { return m_port.isOpen(); }
    int portNumber() const { return m_portNumber; }
    int baudRate() const { return m_baudRate; }
    QString deviceName() const { return m_deviceName; }
    QString lastError() const { return m_lastError; }
    // How many times the device has been opened since the session was made.
    int openCount() const { return m_openCount; }

private:
    void onPortError(QSerialPort::SerialPortError error);
    bool applyLineSettings();
    void closeQuietly();
    // The reply waits of the two modes.
    int waitQuietInput(int replyTimeout, int firstWait, int quietInterval);
    int waitWholeFrame(int replyTimeout, int firstWait, int quietInterval);
    // True when the input waiting ends in CR LF, the end of a frame.
    bool inputEndsFrame();
    // True when the input holds a ":" and ends in CR LF.
    bool inputHoldsFrame();
    // Fast mode, before a request: the port opened again after a failure, the turnaround
    // waited out and the input cleared. False when the port could not be opened again.
    bool prepareRequest();

    QSerialPort m_port;
    PortNames m_names;
    int m_portNumber = 0;
    int m_baudRate = 1200; // kept from the previous open when an index is out of range
    bool m_failed = false; // a write or read error since the port was opened
    QString m_lastError;
    QString m_deviceName; // the device of the last open
    LinkMode m_mode;
    bool m_reopen = false; // fast: closed by a failed exchange, to be opened for the next
    QElapsedTimer m_quiet; // since the end of the last reply or the last open
    int m_openCount = 0;
    std::unique_ptr<LineLock> m_hold; // while polling holds the line
};

} // namespace zeltar
