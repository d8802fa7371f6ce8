#pragma once

#include "acquisition/archive_keeper.h"

#include <QObject>
#include <QTimer>

namespace zeltar {

class Station;

// The station's main job: while polling is on, every tick of timerSys serves the next
// enabled instrument: archive period, current table, one function 04 read with one
// retry, the polling state, one archive record. Everything runs on the GUI thread; the
// waits inside a tick run the event loop, and OprBusy turns away the ticks that come
// meanwhile. The windows follow it through the signals.
class PollingCycle : public QObject
{
    Q_OBJECT
public:
    explicit PollingCycle(Station &station, QObject *parent = nullptr);

    void btnStartClick();
    void btnStopClick();
    void timerSysTimer();

    // No tick touches the port or a table after this (the program is closing); a tick in
    // the middle of a wait ends as soon as the wait returns.
    void shutdown();

    // TimeOpr * 1000 div CountVkl + 1 milliseconds.
    int interval() const;
    bool isRunning() const;
    QTimer &timerSys() { return m_timerSys; }

Q_SIGNALS:
    void pollingStarted();
    void pollingStopped();
    // A start found no enabled device: the stop button stays pressed.
    void startRefused();
    // The name of the device being polled (stCurrentUstr); empty to clear it.
    void currentDeviceChanged(const QString &name);
    // Image of device n's node in the device tree after its poll (7 linked, 14 not).
    void linkImageChanged(int n, int image);
    // A tick began a new archive period: the views reopen their table.
    void archivesRolledOver();
    // Device n was polled and its record appended (or not, see tableError).
    void devicePolled(int n);
    // The archive table could not be made, opened or written; sent once, then not again
    // until a record has been written.
    void tableError(const QString &text);
    // A tick has ended (OprBusy is clear again).
    void tickFinished();

private:
    bool pollDevice(int n);
    void reportTableError(const QString &text);

    Station &m_station;
    ArchiveKeeper m_archives;
    QTimer m_timerSys;
    bool m_shutDown = false;
    bool m_tableFailing = false; // reported; quiet until a record is written again
};

} // namespace zeltar
