#include "link/serial_session.h"

#include "link/event_wait.h"
#include "link/timing.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>

namespace zeltar {

namespace {

// What went wrong with the port, in the operator's words (the serial library's own texts
// are English).
QString SerialErrorText(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::NoError:
        return QStringLiteral("ошибки нет");
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("порта нет в системе");
    case QSerialPort::PermissionError:
        return QStringLiteral("порт открыт другой программой или нет прав на него");
    case QSerialPort::OpenError:
        return QStringLiteral("порт уже открыт");
    case QSerialPort::WriteError:
        return QStringLiteral("ошибка передачи");
    case QSerialPort::ReadError:
        return QStringLiteral("ошибка приёма");
    case QSerialPort::ResourceError:
        return QStringLiteral("порт пропал (адаптер отключён?)");
    case QSerialPort::UnsupportedOperationError:
        return QStringLiteral("порт не поддерживает эти настройки");
    case QSerialPort::TimeoutError:
        return QStringLiteral("порт не ответил вовремя");
    default:
        return QStringLiteral("ошибка порта");
    }
}

} // namespace

SerialSession::SerialSession(QObject *parent) : QObject(parent)
{
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialSession::onPortError);
    m_quiet.start();
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
    const int rate = BaudRate(baudIndex) != 0 ? BaudRate(baudIndex) : m_baudRate;
    if (m_mode.fast && m_port.isOpen() && !m_failed && deviceName == m_deviceName &&
        rate == m_baudRate)
        return 0; // the exchanges go on over the port as it is

    m_reopen = false;
    closeQuietly();
    EventWait::processPending();
    Pause(50);

    m_deviceName = deviceName;
    const QString location = lineLocation(deviceName);
    m_port.setPortName(location);
    m_baudRate = rate;

    Pause(10);
    EventWait::processPending();

    m_failed = false;
    m_lastError.clear();
    ++m_openCount;
    const bool held = m_hold && m_hold->isHeld() && m_hold->location() == location;
    if (held)
        m_hold->lendToPort();
    if (!m_port.open(QIODevice::ReadWrite) || !applyLineSettings()) {
        const QString holder = held ? QString() : LineLock::holderOf(location);
        m_lastError = holder.isEmpty()
                          ? SerialErrorText(m_port.error())
                          : QStringLiteral("Порт %1 занят: %2").arg(deviceName, holder);
        closeQuietly();
        return 1;
    }

    Pause(50);
    if (!m_port.isOpen()) // lost while pausing (adapter pulled out)
        return 1;
    m_quiet.start();
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
    m_reopen = false;
    closeQuietly();
    Pause(20);
    return 0;
}

void SerialSession::CloseKeptPort()
{
    if (!m_mode.fast)
        return;
    m_reopen = false;
    closeQuietly();
}

void SerialSession::closeQuietly()
{
    if (m_port.isOpen())
        m_port.close();
    m_port.clearError();
    // A line that another master took meanwhile shows at the next HoldLine.
    if (m_hold)
        m_hold->takeBackFromPort();
}

QString SerialSession::lineLocation(const QString &deviceName)
{
    const QString location = PortNames::systemLocation(deviceName);
    const QString canonical = QFileInfo(location).canonicalFilePath();
    return canonical.isEmpty() ? location : canonical;
}

bool SerialSession::HoldLine(int port, QString *holder)
{
    const QString location = lineLocation(m_names.deviceName(port));
    if (m_hold && m_hold->location() != location)
        ReleaseLine();
    if (!m_hold)
        m_hold = std::make_unique<LineLock>(location);
    return m_hold->hold(holder);
}

void SerialSession::ReleaseLine()
{
    if (m_port.isOpen() && m_hold && m_hold->isHeld())
        closeQuietly();
    m_hold.reset();
}

void SerialSession::RefreshLineHold()
{
    if (m_hold)
        m_hold->refresh();
}

void SerialSession::Pause(int ms)
{
    EventWait::pause(ms);
}

void SerialSession::PauseInStandardMode(int ms)
{
    if (m_mode.fast)
        EventWait::processPending();
    else
        Pause(ms);
}

int SerialSession::WaitReply(int replyTimeout, int firstWait, int quietInterval)
{
    const int result = m_mode.fast ? waitWholeFrame(replyTimeout, firstWait, quietInterval)
                                   : waitQuietInput(replyTimeout, firstWait, quietInterval);
    m_quiet.start();
    return result;
}

int SerialSession::waitWholeFrame(int replyTimeout, int firstWait, int quietInterval)
{
    if (!m_port.isOpen()) {
        // The request went nowhere: nothing comes, as in the standard timing.
        EventWait::pause(firstWait);
        return WaitNothing;
    }
    // No unconditional wait: the reply is complete as soon as its frame is in. The exchange
    // gives up when the standard timing would have given up at the latest.
    const qint64 deadline = qint64(firstWait) + replyTimeout;
    QElapsedTimer clock;
    clock.start();
    qint64 lastArrival = 0;
    QEventLoop loop;
    connect(&m_port, &QSerialPort::readyRead, &loop, [&] {
        lastArrival = clock.elapsed();
        if (inputHoldsFrame())
            loop.quit();
    });
    connect(&m_port, &QSerialPort::errorOccurred, &loop, [&] {
        if (m_failed)
            loop.quit();
    });
    for (;;) {
        if (inputHoldsFrame())
            return WaitComplete;
        if (m_failed)
            return WaitNothing;
        const qint64 now = clock.elapsed();
        if (now >= deadline)
            break;
        if (!EventWait::runFor(static_cast<int>(deadline - now), loop))
            return WaitNothing; // the application is quitting
    }
    // Time is up: what came is checked as it is, unless it is still coming.
    if (bytesWaiting() == 0)
        return WaitNothing;
    return clock.elapsed() - lastArrival > quietInterval ? WaitComplete : WaitStillGrowing;
}

int SerialSession::waitQuietInput(int replyTimeout, int firstWait, int quietInterval)
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

bool SerialSession::inputHoldsFrame()
{
    if (!m_port.isOpen())
        return false;
    const QByteArray input = m_port.peek(m_port.bytesAvailable());
    return input.endsWith("\r\n") && input.contains(':');
}

bool SerialSession::prepareRequest()
{
    if (m_reopen && OpenDevice(m_deviceName, BaudIndexOf(m_baudRate)) != 0) {
        m_reopen = true; // tried again at the next request, as long as the line is away
        return false;
    }
    if (!m_port.isOpen())
        return true;
    const qint64 left = m_mode.TurnaroundMs - m_quiet.elapsed();
    if (left > 0 && !EventWait::pause(static_cast<int>(left)))
        return false; // the application is quitting
    // With the port kept open, a late reply to an earlier request must never be taken for
    // the reply to this one.
    m_port.clear(QSerialPort::Input);
    return true;
}

void SerialSession::exchangeEnded(bool succeeded)
{
    // A failed exchange closes the port, so that a line that went away is looked for afresh.
    if (!m_mode.fast || succeeded || !m_port.isOpen())
        return;
    closeQuietly();
    m_reopen = true;
}

bool SerialSession::write(const QByteArray &bytes)
{
    if (m_mode.fast && !prepareRequest())
        return false;
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
        m_lastError = SerialErrorText(error);
        return;
    default:
        if (m_port.isOpen()) {
            m_failed = true;
            m_lastError = SerialErrorText(error);
        }
        return;
    }
}

} // namespace zeltar
