#include "alarms/alarm_command.h"

#include "core/date_time_text.h"
#include "core/number_text.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QTimer>

namespace zeltar {

namespace {

// How long a closing station lets the runs still going end.
constexpr int ClosingGraceMs = 5000;

} // namespace

AlarmCommand::AlarmCommand(const QString &command, int timeoutSeconds, QObject *parent)
    : QObject(parent), m_timeoutMs(timeoutSeconds * 1000)
{
    QStringList words = QProcess::splitCommand(command);
    if (!words.isEmpty())
        m_program = words.takeFirst();
    m_arguments = words;
}

AlarmCommand::~AlarmCommand()
{
    // The station is closing: a run that is nearly done may end, the rest are killed.
    QDeadlineTimer grace(qMin(m_timeoutMs, ClosingGraceMs));
    for (QProcess *process : findChildren<QProcess *>()) {
        process->disconnect(this);
        if (!process->waitForFinished(int(grace.remainingTime()))) {
            process->kill();
            process->waitForFinished(1000);
        }
    }
}

QString AlarmCommand::machineNumber(const std::optional<double> &value)
{
    return value ? MachineNumberText(*value) : QString();
}

QProcessEnvironment AlarmCommand::environment(const AlarmEvent &event)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZELTAR_DEVICE"), QString::number(event.device));
    env.insert(QStringLiteral("ZELTAR_NAME"), event.name);
    env.insert(QStringLiteral("ZELTAR_KIND"), AlarmKindWord(event.kind));
    env.insert(QStringLiteral("ZELTAR_STATE"), AlarmChangeWord(event.change));
    env.insert(QStringLiteral("ZELTAR_VALUE"), machineNumber(event.value));
    env.insert(QStringLiteral("ZELTAR_LIMIT"), machineNumber(event.limit));
    env.insert(QStringLiteral("ZELTAR_TIME"), IsoTimeWithOffset(event.moment));
    return env;
}

void AlarmCommand::retire()
{
    m_retired = true;
    setParent(nullptr);
    if (m_running == 0)
        deleteLater();
}

void AlarmCommand::run(const AlarmEvent &event)
{
    if (isEmpty() || m_retired)
        return;
    auto *process = new QProcess(this);
    process->setProgram(m_program);
    process->setArguments(m_arguments);
    process->setProcessEnvironment(environment(event));
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    auto *limit = new QTimer(process);
    limit->setSingleShot(true);
    limit->setTimerType(Qt::PreciseTimer); // a coarse timer may fire early
    connect(limit, &QTimer::timeout, this, [this, process] {
        Q_EMIT failed(QStringLiteral("Команда оповещения не завершилась за %1 с и остановлена")
                          .arg(m_timeoutMs / 1000));
        process->kill();
    });
    auto ended = [this, process] {
        if (process->property("ended").toBool())
            return;
        process->setProperty("ended", true);
        --m_running;
        process->deleteLater();
        Q_EMIT finished();
        if (m_retired && m_running == 0)
            deleteLater();
    };
    connect(process, &QProcess::finished, this, ended);
    connect(process, &QProcess::errorOccurred, this,
            [this, process, ended](QProcess::ProcessError error) {
                if (error != QProcess::FailedToStart)
                    return;
                // The system's reason is English; the program, missing or not runnable,
                // is what the operator can mend.
                Q_EMIT failed(QStringLiteral("Команда оповещения не запустилась: программа "
                                             "%1 не найдена или не запускается")
                                  .arg(process->program()));
                ended();
            });
    ++m_running;
    limit->start(m_timeoutMs);
    process->start();
}

} // namespace zeltar
