#pragma once

#include <QObject>

class QStatusBar;
class QWidget;

namespace zeltar {

struct ArchiveDownload;
struct InstrumentSettings;
class Station;

// The main window's download of an instrument's own archive. The download is a job of the
// device's line; its progress goes to the status bar, and when its end has come back a
// failure is told, or the operator names the file that the archive is to be saved in.
class ArchiveDownloadFlow : public QObject
{
    Q_OBJECT
public:
    ArchiveDownloadFlow(Station &station, QWidget *window, QStatusBar *status);

    // Whether a download has been started and its end has not come back yet.
    bool running() const { return m_running; }
    // Starts the download of device; false while another one runs.
    bool start(const InstrumentSettings &device);
    // The window is closing: the end of a download still out shows nothing.
    void abandon() { m_abandoned = true; }

Q_SIGNALS:
    void started();
    // The archive is complete and the operator has named its file.
    void fileChosen(const ArchiveDownload &download, const QString &file);
    // The download's end has been dealt with, whatever it was.
    void ended();

private:
    void finish(const ArchiveDownload &download);

    Station &m_station;
    QWidget *m_window;
    QStatusBar *m_status;
    bool m_running = false;
    bool m_abandoned = false;
};

} // namespace zeltar
