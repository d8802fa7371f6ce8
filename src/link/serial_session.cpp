#include "link/serial_session.h"

#include "link/event_wait.h"
#include "link/timing.h"

#include <QElapsedTimer>

namespace zeltar {

SerialSession::SerialSession(QObject *parent) : QObject(parent)
{
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialSession::onPortError);
}

SerialSession::~SerialSession()
{
    closeQuietly();
}

int SerialSession::OpenPort(int port, int baudIndex)
{
    m_portNumber = port;
    return OpenDevice(m_names.deviceName(port), baudIndex);
}

int SerialSession::OpenDevice(const QString &deviceName, int baudIndex)
{
    closeQuietly();
    EventWait::processPending();
    Pause(50);

    m_deviceName = deviceName;
    m_port.setPortName(PortNames::systemLocation(deviceName));
    if (BaudRate(baudIndex) != 0)
        m_baudRate = BaudRate(baudIndex);

    Pause(10);
    EventWait::processPending();

    m_failed = false;
    m_lastError.clear();
    if (!m_port.open(QIODevice::ReadWrite) || !applyLineSettings()) {
        m_lastError = m_port.errorString();
        closeQuietly();
        return 1;
    }

    Pause(50);
    if (!m_port.isOpen()) // lost while pausing (adapter pulled out)
        return 1;
    return 0;
}

bool SerialSession::applyLineSettings()
{
    bool ok = m_port.setBaudRate(m_baudRate) && m_port.setDataBits(QSerialPort::Data8) &&
              m_port.setParity(QSerialPort::NoParity) && m_port.setStopBits(QSerialPort::OneStop) &&
              m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!ok)
        return false;
    // DTR and RTS are held inactive; lines that have no modem control (pseudo-terminals,
    // some USB adapters) refuse the request, which does not matter to this protocol.
    m_port.setDataTerminalReady(false);
    m_port.setRequestToSend(false);
    m_port.clearError();
    m_port.setReadBufferSize(InputQueueSize);
    return true;
}

int SerialSession::ClosePort()
{
    closeQuietly();
    Pause(20);
    return 0;
}

void SerialSession::closeQuietly()
{
    if (m_port.isOpen())
        m_port.close();
    m_port.clearError();
}

void SerialSession::Pause(int ms)
{
    EventWait::pause(ms);
}

int SerialSession::WaitReply(int replyTimeout, int firstWait, int quietInterval)
{
    // The first wait is unconditional: bytes that arrive earlier do not end it.
    if (!EventWait::pause(firstWait))
        return WaitNothing; // the application is quitting

    qint64 count = bytesWaiting();
    if (count == 0)
        return WaitNothing;

    QElapsedTimer clock;
    clock.start(); // T1
    qint64 lastCheck = 0;
    bool quiet = false; // the last check found no new byte
    for (;;) {
        // Sleep until the next completeness check (strictly more than one quiet interval
        // after the last) or the end of the reply time, whichever comes first.
        const qint64 nextCheck = lastCheck + quietInterval + 1;
        const qint64 until = qMin<qint64>(nextCheck, replyTimeout);
        const qint64 now = clock.elapsed();
        if (until > now) {
            if (!EventWait::runFor(static_cast<int>(until - now)))
                return WaitNothing; // the application is quitting
        } else {
            EventWait::processPending();
        }

        const qint64 t = clock.elapsed();
        if (t - lastCheck > quietInterval) {
            lastCheck = t;
            const qint64 waiting = bytesWaiting();
            quiet = waiting == count;
            // A USB adapter hands a reply over in bursts, so a pause inside the reply is not
            // its end: only a quiet input that ends as a frame ends is complete.
            if (quiet && inputEndsFrame())
                return WaitComplete;
            count = waiting;
        }
        if (t >= replyTimeout) {
            // A reply that stopped short of its end is taken as it is, and its check fails.
            return quiet && bytesWaiting() == count ? WaitComplete : WaitStillGrowing;
        }
    }
}

bool SerialSession::inputEndsFrame()
{
    if (!m_port.isOpen())
        return false;
    return m_port.peek(m_port.bytesAvailable()).endsWith("\r\n");
}

bool SerialSession::write(const QByteArray &bytes)
{
    if (!m_port.isOpen())
        return true; // a closed port swallows the request; the reply wait then finds nothing
    if (m_failed)
        return false;

    // The queue takes at most OutputQueueSize bytes; give the event loop up to a second to
    // make room before the write counts as failed.
    QElapsedTimer clock;
    clock.start();
    while (m_port.bytesToWrite() + bytes.size() > OutputQueueSize) {
        if (clock.elapsed() >= WriteQueueWaitMs || !m_port.isOpen() || m_failed ||
            !EventWait::runFor(5))
            return false;
    }
    return m_port.write(bytes) == bytes.size() && !m_failed;
}

qint64 SerialSession::bytesWaiting()
{
    if (!m_port.isOpen())
        return 0;
    return m_port.bytesAvailable();
}

bool SerialSession::readAll(QByteArray *bytes)
{
    bytes->clear();
    if (!m_port.isOpen())
        return true;
    if (m_failed)
        return false;
    const qint64 count = m_port.bytesAvailable();
    if (count == 0)
        return true;
    *bytes = m_port.read(count);
    return bytes->size() == count && !m_failed;
}

void SerialSession::onPortError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::NoError:
    case QSerialPort::TimeoutError:
    case QSerialPort::UnsupportedOperationError:
        return;
    case QSerialPort::ResourceError:
        // The device went away (adapter pulled out, line closed): the next OpenPort finds
        // it again, so the station recovers by itself.
        m_failed = true;
        m_lastError = m_port.errorString();
        return;
    default:
        if (m_port.isOpen()) {
            m_failed = true;
            m_lastError = m_port.errorString();
        }
        return;
    }
}

} // namespace zeltar
