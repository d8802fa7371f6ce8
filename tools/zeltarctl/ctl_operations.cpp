#include "ctl_operations.h"
#include "ctl_transactions.h"

#include "acquisition/archive_download.h"
#include "instrument/instrument_settings.h"
#include "instrument/link_test.h"
#include "link/port_names.h"
#include "link/serial_session.h"

#include <QDir>
#include <QTemporaryDir>

namespace zeltar::ctl {

int RunLinkTestCommand(const Invocation &invocation, QTextStream &out, QTextStream &err)
{
    if (!InstrumentCommandFits(invocation, 0, err))
        return ExitUsage;
    SerialSession session;
    const InstrumentSettings device = LinkDevice(invocation.link, session);
    const LinkTestResult result = RunLinkTest(
        session, device, [&](const QString &caption, int) { err << caption << Qt::endl; });
    if (!result.portOpened) {
        err << LinkTestPortMessage << " " << session.deviceName() << Qt::endl;
        return ExitNoPort;
    }
    if (!result.found()) {
        out << result.caption() << Qt::endl;
        return ExitFailed;
    }
    const QString port =
        PortNames::portNumberOf(invocation.link.port) != 0 ? result.port : invocation.link.port;
    out << "Порт: " << port << Qt::endl
        << "Скорость: " << result.baud << Qt::endl
        << "Адрес: " << result.address << Qt::endl
        << "Тип прибора: " << result.type << Qt::endl
        << "Версия ПО: " << result.version << Qt::endl
        << "Качество связи: " << result.quality() << Qt::endl;
    return ExitOk;
}

int RunArchiveCommand(const Invocation &invocation, QTextStream &out, QTextStream &err)
{
    if (!InstrumentCommandFits(invocation, 1, err))
        return ExitUsage;
    const QString file = QDir::current().absoluteFilePath(invocation.arguments.first());

    SerialSession session;
    const InstrumentSettings device = LinkDevice(invocation.link, session);
    int shown = -1;
    const ArchiveDownload download =
        DownloadArchive(session, device, [&](const QString &status, int percent) {
            if (percent != shown)
                err << status << Qt::endl;
            shown = percent;
        });
    if (!download.complete()) {
        err << download.message() << Qt::endl;
        return ExitFailed;
    }
    err << DownloadDoneStatus << Qt::endl;

    // The station's folder holds the template; without one it is made in a scratch folder
    // from the field layout, as the station makes a missing one.
    QTemporaryDir scratch;
    const QString progDir = invocation.link.dir.isEmpty()
                                ? scratch.path() + QLatin1Char('/')
                                : QDir(invocation.link.dir).absolutePath() + QLatin1Char('/');
    const ArchiveSave save = SaveDownloadedArchive(download.records, progDir, file);
    if (!save.saved) {
        err << save.message << Qt::endl;
        return ExitFailed;
    }
    out << download.records.size() << " records saved to " << file << Qt::endl;
    return ExitOk;
}

} // namespace zeltar::ctl
