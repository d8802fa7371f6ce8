#include "ui/archive_download_flow.h"

#include "acquisition/archive_download.h"
#include "acquisition/station.h"
#include "core/message_service.h"
#include "link/serial_session.h"
#include "ui/file_dialogs.h"

#include <QScopeGuard>
#include <QStatusBar>

#include <memory>

namespace zeltar {

ArchiveDownloadFlow::ArchiveDownloadFlow(Station &station, QWidget *window, QStatusBar *status)
    : QObject(window), m_station(station), m_window(window), m_status(status)
{}

bool ArchiveDownloadFlow::start(const InstrumentSettings &device)
{
    if (m_running)
        return false;
    m_running = true;
    emit started();
    QStatusBar *status = m_status;
    const auto progress =
        ProgressTo(status, [status](const QString &text) { status->showMessage(text); });
    auto download = std::make_shared<ArchiveDownload>();
    m_station.lines.worker(device.PribPort)
        .post(
            [device, download, progress](SerialSession &port) {
                *download = DownloadArchive(port, device, progress);
                port.ClosePort();
            },
            this, [this, download] { finish(*download); });
    return true;
}

void ArchiveDownloadFlow::finish(const ArchiveDownload &download)
{
    // Whatever happens below, the window takes the next download.
    const auto release = qScopeGuard([this] {
        m_running = false;
        emit ended();
    });
    if (m_abandoned)
        return;
    if (!download.complete()) {
        ShowError(download.message());
        return;
    }
    m_status->showMessage(DownloadDoneStatus);
    const QString file = FileDialogs::saveFileName(m_window, DownloadSaveTitle,
                                                   QStringLiteral("*.dbf"), QStringLiteral("dbf"));
    if (!file.isEmpty())
        emit fileChosen(download, file);
}

} // namespace zeltar
