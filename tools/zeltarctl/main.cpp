// zeltarctl: the station's operations from a shell, through the same core library.
#include "core/version.h"
#include "ctl_history.h"
#include "ctl_instrument.h"
#include "ctl_operations.h"
#include "ctl_options.h"
#include "ctl_poll.h"
#include "ctl_station.h"
#include "ctl_transactions.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLocale>
#include <QTextStream>

#include <cstdio>
#include <memory>

using namespace zeltar::ctl;

int main(int argc, char *argv[])
{
    auto app = std::make_unique<QCoreApplication>(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);

    Invocation invocation;
    QString error;
    if (!ParseInvocation(QCoreApplication::arguments(), &invocation, &error)) {
        err << "zeltarctl: " << error << Qt::endl << Qt::endl << UsageText();
        return ExitUsage;
    }
    const QString &command = invocation.command;
    if (command == QLatin1String("help")) {
        out << UsageText();
        return ExitOk;
    }
    if (command == QLatin1String("version")) {
        out << "zeltarctl " << zeltar::BuildVersion << Qt::endl;
        return ExitOk;
    }
    if (command == QLatin1String("config"))
        return PrintConfiguration(invocation, out, err);
    if (command == QLatin1String("poll"))
        return RunPoll(invocation, out, err);
    if (command == QLatin1String("tables"))
        return RunTablesCommand(invocation, out, err);
    if (command == QLatin1String("export"))
        return RunExportCommand(invocation, out, err);
    if (command == QLatin1String("report")) {
        // Only a report draws text, which needs the font database of a GUI application;
        // every other command stays free of a display. The core application makes way for
        // one, offscreen unless a platform was chosen.
        app.reset();
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
        // A report is a Russian document: decimal comma and Russian dates whatever the
        // locale of the shell or service that runs it.
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        return RunReportCommand(invocation, err);
    }
    if (command == QLatin1String("alarms"))
        return RunAlarmsCommand(invocation, out, err);
    if (!ResolveStationDevice(&invocation.link, err))
        return ExitUsage;
    if (command == QLatin1String("read03") || command == QLatin1String("read04") ||
        command == QLatin1String("write16"))
        return RunTransaction(invocation, out, err);
    if (command == QLatin1String("test"))
        return RunLinkTestCommand(invocation, out, err);
    if (command == QLatin1String("archive"))
        return RunArchiveCommand(invocation, out, err);
    if (command == QLatin1String("settings"))
        return RunSettingsCommand(invocation, out, err);
    if (command == QLatin1String("clock"))
        return RunClockCommand(invocation, out, err);

    err << "zeltarctl: unknown command " << command << Qt::endl << Qt::endl << UsageText();
    return ExitUsage;
}
