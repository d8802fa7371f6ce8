#include "ctl_poll.h"

#include "acquisition/polling_cycle.h"
#include "acquisition/station.h"
#include "alarms/alarm_monitor.h"
#include "alarms/mail/alarm_mailer.h"
#include "core/number_text.h"
#include "core/single_instance.h"
#include "core/termination_signals.h"
#include "publish/station_publisher.h"
#include "web/web_view.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <functional>
#include <limits>

namespace zeltar::ctl {

namespace {

QString ValueText(const DevicePollState &poll)
{
    if (poll.PribNoLink != 0)
        return QStringLiteral("Нет связи");
    if (poll.PribZnac == SensorBreakValue)
        return QStringLiteral("Обрыв");
    return FormatNumber(poll.PribZnac);
}

bool parseSeconds(const QStringList &args, int *seconds)
{
    if (args.isEmpty())
        return true;
    if (args.size() != 2 || args.at(0) != QLatin1String("--for"))
        return false;
    bool ok = false;
    *seconds = args.at(1).toInt(&ok);
    return ok && *seconds > 0;
}

// Calls end once ms have passed. A timer takes at most 2^31 - 1 ms (almost 25 days):
// a longer wait is made of several.
void EndAfter(qint64 ms, const std::function<void()> &end)
{
    const qint64 step = qMin<qint64>(ms, std::numeric_limits<int>::max());
    QTimer::singleShot(static_cast<int>(step), [ms, step, end] {
        if (ms > step)
            EndAfter(ms - step, end);
        else
            end();
    });
}

} // namespace

int RunPoll(const Invocation &invocation, QTextStream &out, QTextStream &err)
{
    int seconds = 0; // 0: until asked to end
    if (!parseSeconds(invocation.arguments, &seconds)) {
        err << "usage: zeltarctl [--dir DIR] poll [--for SECONDS]" << Qt::endl;
        return ExitUsage;
    }

    SingleInstance instance;
    if (!instance.tryAcquire()) {
        err << "Программа уже запущена" << Qt::endl;
        return ExitFailed;
    }

    const QString folder = QDir(invocation.stationDir).absolutePath();
    SingleInstance folderLock(SingleInstance::folderLockPath(folder));
    if (!folderLock.tryAcquire() && QFileInfo(folder).isWritable()) {
        err << SingleInstance::folderBusyText(folder) << Qt::endl;
        return ExitFailed;
    }

    Station station(folder);
    if (!QFileInfo::exists(station.configPath())) {
        err << "Не найден файл конфигурации " << station.configPath() << Qt::endl;
        return ExitFailed;
    }
    station.journal.load(station.journalPath());
    station.journal.AddProgMes(QStringLiteral("Открытие программы"));
    if (!station.loadConfiguration()) {
        err << "Файл конфигурации не найден" << Qt::endl;
        return ExitFailed;
    }

    PollingCycle cycle(station);
    StationPublisher publisher(station, cycle);
    publisher.start();
    InstallAlarmMail();
    AlarmMonitor alarms(station);
    alarms.load();
    publisher.watch(alarms);
    QObject::connect(&cycle, &PollingCycle::devicePolled, &alarms, &AlarmMonitor::devicePolled);
    WebView web(station, cycle, &alarms);
    web.start();
    QObject::connect(&cycle, &PollingCycle::devicePolled, [&](int n) {
        out << n << '\t' << station.table.device(n).PribName << '\t'
            << ValueText(station.state.device(n)) << Qt::endl;
    });
    QObject::connect(&cycle, &PollingCycle::tableError,
                     [&](const QString &text) { err << text << Qt::endl; });
    QObject::connect(&cycle, &PollingCycle::lineTaken,
                     [&](const QString &text) { err << text << Qt::endl; });

    // Stop as the stop button does, then leave once the exchanges out have ended.
    bool ending = false;
    auto stopAndQuit = [&] {
        if (ending)
            return;
        ending = true;
        cycle.btnStopClick();
        if (!cycle.isBusy())
            QCoreApplication::quit();
    };
    QObject::connect(&cycle, &PollingCycle::pollingEnded, [&] {
        if (ending)
            QCoreApplication::quit();
    });
    OnTerminationSignals(stopAndQuit);
    if (seconds > 0)
        EndAfter(qint64(seconds) * 1000, stopAndQuit);

    cycle.btnStartClick();
    if (!cycle.isRunning()) {
        station.journal.AddProgMes(QStringLiteral("Закрытие программы"));
        return ExitFailed;
    }
    QCoreApplication::exec();
    cycle.shutdown();
    station.lines.stop();
    station.journal.AddProgMes(QStringLiteral("Закрытие программы"));
    // A run that lost records has failed, whatever else went well.
    if (cycle.lostRecords() > 0) {
        err << "Не записано в архив опросов: " << cycle.lostRecords() << Qt::endl;
        return ExitFailed;
    }
    return ExitOk;
}

} // namespace zeltar::ctl
