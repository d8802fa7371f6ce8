#pragma once

#include "link/link_transport.h"
#include "link/port_names.h"

#include <QObject>
#include <QSerialPort>

namespace zeltar {

// The station's one serial port: opening an instrument's port at its baud rate, closing
// it, pauses and reply waits that keep the event loop running. The write queue is the
// port's own write buffer, emptied by the event loop.
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
    const PortNames &portNames() const { return m_names; }

    // 0 on success, 1 on failure (the port is then closed).
    int OpenPort(int port, int baudIndex);
    // The same for a device given by name (a path, or COMn on Windows).
    int OpenDevice(const QString &deviceName, int baudIndex);
    // Always 0; bytes still waiting are discarded with the device.
    int ClosePort();

    // Returns after at least ms milliseconds, running the event loop meanwhile.
    void Pause(int ms);

    int WaitReply(int replyTimeout, int firstWait, int quietInterval) override;
    bool write(const QByteArray &bytes) override;
    bool readAll(QByteArray *bytes) override;
    bool hasFailed() const override { return m_failed; }

    // Bytes in the input queue; 0 when the port is closed.
    qint64 bytesWaiting();

    bool isOpen() const { return m_port.isOpen(); }
    int portNumber() const { return m_portNumber; }
    int baudRate() const { return m_baudRate; }
    QString deviceName() const { return m_deviceName; }
    QString lastError() const { return m_lastError; }

private:
    void onPortError(QSerialPort::SerialPortError error);
    bool applyLineSettings();
    // True when the input waiting ends in CR LF, the end of a frame.
    bool inputEndsFrame();
    void closeQuietly();

    QSerialPort m_port;
    PortNames m_names;
    int m_portNumber = 0;
    int m_baudRate = 1200; // kept from the previous open when an index is out of range
    bool m_failed = false; // a write or read error since the port was opened
    QString m_lastError;
    QString m_deviceName; // the device of the last open
};

} // namespace zeltar
