#include "pseudo_terminal.h"

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/inotify.h>
#include <termios.h>
#include <unistd.h>

namespace zeltar::sim {

namespace {

struct SpeedCode
{
    int rate;
    speed_t code;
};

constexpr SpeedCode Speeds[] = {{2400, B2400},   {4800, B4800},   {9600, B9600},    {19200, B19200},
                                {38400, B38400}, {57600, B57600}, {115200, B115200}};

speed_t CodeOfRate(int rate)
{
    for (const SpeedCode &speed : Speeds)
        if (speed.rate == rate)
            return speed.code;
    return B9600;
}

int RateOfCode(speed_t code)
{
    for (const SpeedCode &speed : Speeds)
        if (speed.code == code)
            return speed.rate;
    return 0;
}

QString ErrnoText(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

PseudoTerminal::PseudoTerminal() = default;

PseudoTerminal::~PseudoTerminal()
{
    close();
}

bool PseudoTerminal::open(const QString &linkPath, int baudRate, QString *error)
{
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        *error = ErrnoText("cannot create a pseudo-terminal");
        close();
        return false;
    }
    slaveName_ = QString::fromLocal8Bit(::ptsname(master_));
    slave_ = ::open(slaveName_.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (slave_ < 0) {
        *error = ErrnoText("cannot open the slave end");
        close();
        return false;
    }
    termios settings = {};
    ::tcgetattr(slave_, &settings);
    ::cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    ::cfsetispeed(&settings, CodeOfRate(baudRate));
    ::cfsetospeed(&settings, CodeOfRate(baudRate));
    ::tcsetattr(slave_, TCSANOW, &settings);

    const QByteArray link = QFile::encodeName(linkPath);
    const QFileInfo existing(linkPath);
    if (existing.isSymLink()) {
        ::unlink(link.constData());
    } else if (existing.exists()) {
        *error = QStringLiteral("%1 exists and is not a symbolic link").arg(linkPath);
        close();
        return false;
    }
    if (::symlink(slaveName_.toLocal8Bit().constData(), link.constData()) != 0) {
        *error = ErrnoText("cannot create the link");
        close();
        return false;
    }
    linkPath_ = linkPath;

    watchOpens();
    notifier_ = std::make_unique<QSocketNotifier>(master_, QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { readMaster(); });
    return true;
}

// Opens and closes of the slave by others tell whether anyone listens on the line. Without
// inotify the line counts as always in use.
void PseudoTerminal::watchOpens()
{
    watch_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch_ < 0)
        return;
    if (::inotify_add_watch(watch_, slaveName_.toLocal8Bit().constData(), IN_OPEN | IN_CLOSE) < 0) {
        ::close(watch_);
        watch_ = -1;
        return;
    }
    watchNotifier_ = std::make_unique<QSocketNotifier>(watch_, QSocketNotifier::Read);
    QObject::connect(watchNotifier_.get(), &QSocketNotifier::activated,
                     [this] { readOpenEvents(); });
}

void PseudoTerminal::readOpenEvents()
{
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(watch_, buffer, sizeof buffer);
        if (got <= 0)
            return;
        for (ssize_t at = 0; at < got;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            if (event->mask & IN_OPEN) {
                ++openers_;
            } else if ((event->mask & IN_CLOSE) && openers_ > 0 && --openers_ == 0) {
                // The port was closed: what it left unread is gone, as on a real port.
                ::tcflush(slave_, TCIFLUSH);
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

bool PseudoTerminal::inUse()
{
    if (watch_ < 0)
        return true;
    readOpenEvents(); // an open may be waiting behind the request that it carried
    return openers_ > 0;
}

void PseudoTerminal::close()
{
    notifier_.reset();
    watchNotifier_.reset();
    if (watch_ >= 0)
        ::close(watch_);
    watch_ = -1;
    if (!linkPath_.isEmpty() && QFileInfo(linkPath_).symLinkTarget() == slaveName_)
        ::unlink(QFile::encodeName(linkPath_).constData());
    linkPath_.clear();
    if (slave_ >= 0)
        ::close(slave_);
    if (master_ >= 0)
        ::close(master_);
    slave_ = master_ = -1;
}

void PseudoTerminal::setReceiver(std::function<void(const QByteArray &)> receiver)
{
    receiver_ = std::move(receiver);
}

void PseudoTerminal::readMaster()
{
    char buffer[512];
    for (;;) {
        const ssize_t got = ::read(master_, buffer, sizeof buffer);
        if (got <= 0)
            break; // EAGAIN: all read
        if (receiver_)
            receiver_(QByteArray(buffer, static_cast<int>(got)));
    }
}

void PseudoTerminal::write(const QByteArray &bytes)
{
    if (!inUse())
        return;
    const char *data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(master_, data, static_cast<size_t>(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return; // the station's input queue is full: the rest is lost, as on a line
        data += written;
        left -= written;
    }
}

int PseudoTerminal::baudRate() const
{
    termios settings = {};
    if (slave_ < 0 || ::tcgetattr(slave_, &settings) != 0)
        return 0;
    return RateOfCode(::cfgetospeed(&settings));
}

} // namespace zeltar::sim
