#include "sim_process.h"

#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

namespace zeltar::test {

namespace {
constexpr int StartTimeoutMs = 10000;
constexpr int StopTimeoutMs = 5000;
constexpr int ConditionCheckMs = 5;
} // namespace

bool WaitUntil(std::function<bool()> condition, int timeoutMs)
{
    if (condition())
        return true;
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (condition())
            loop.quit();
    });
    check.start(ConditionCheckMs);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    return condition();
}

SimProcess::SimProcess(const QStringList &options) : options_(options) {}

SimProcess::~SimProcess()
{
    stop();
}

bool SimProcess::start()
{
    stop();
    dir_ = std::make_unique<QTemporaryDir>();
    if (!dir_->isValid()) {
        qWarning("SimProcess: cannot create a temporary folder");
        return false;
    }
    portPath_ = dir_->filePath(QStringLiteral("ttySIM"));
    stdout_.clear();
    stderr_.clear();

    process_ = std::make_unique<QProcess>();
    QProcess *process = process_.get();
    QObject::connect(process, &QProcess::readyReadStandardOutput,
                     [this, process] { stdout_ += process->readAllStandardOutput(); });
    QObject::connect(process, &QProcess::readyReadStandardError,
                     [this, process] { stderr_ += process->readAllStandardError(); });
    process->start(
        QStringLiteral(ZELTAR_SIM_PATH),
        QStringList{QStringLiteral("--link"), portPath_, QStringLiteral("--stats"), statsPath()} +
            options_);

    const QByteArray readyLine = "ready " + portPath_.toLocal8Bit() + '\n';
    const bool ready = WaitUntil(
        [&] { return stdout_.contains(readyLine) || process->state() == QProcess::NotRunning; },
        StartTimeoutMs);
    if (ready && stdout_.contains(readyLine))
        return true;
    qWarning("SimProcess: zeltar-sim %s did not come up: %s",
             qPrintable(options_.join(QLatin1Char(' '))), stderrText().constData());
    stop();
    return false;
}

QString SimProcess::portPath() const
{
    return portPath_;
}

void SimProcess::stop()
{
    if (!process_)
        return;
    if (process_->state() != QProcess::NotRunning) {
        process_->terminate();
        if (!process_->waitForFinished(StopTimeoutMs)) {
            process_->kill();
            process_->waitForFinished(StopTimeoutMs);
        }
    }
    stderr_ += process_->readAllStandardError();
    process_.reset();
}

QString SimProcess::statsPath() const
{
    return dir_ ? dir_->filePath(QStringLiteral("stats")) : QString();
}

int SimProcess::lineCount(const QString &name) const
{
    QFile file(statsPath());
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = name.toLatin1() + ' ';
    for (const QByteArray &line : file.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).toInt();
    return -1;
}

QByteArray SimProcess::stderrText() const
{
    if (process_)
        stderr_ += process_->readAllStandardError();
    return stderr_;
}

} // namespace zeltar::test
