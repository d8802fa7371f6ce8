#pragma once

#include "acquisition/archive_keeper.h"

#include <QByteArray>
#include <QDateTime>
#include <QObject>
#include <QSet>
#include <QTimer>

#include <memory>
#include <vector>

namespace zeltar {

class Station;

// The station's main job: while polling is on, every tick serves the next enabled
// instrument: archive period, one function 04 read with one retry, the polling state, one
// archive record stamped with the moment its reply was read. Each serial line has a round
// of its own devices and a timer of its own, so lines are polled side by side; the read
// itself is a job of the line's worker, and the tick ends when its result comes back, so
// nothing here ever waits and no window can hold a tick open. In the standard mode a
// line's devices are spread over the poll period, and a tick that comes while the line is
// still busy is turned away; in the fast mode each period runs the line's whole round with
// its exchanges back to back.
class PollingCycle : public QObject
{
    Q_OBJECT
public:
    explicit PollingCycle(Station &station, QObject *parent = nullptr);
    ~PollingCycle() override;

    void btnStartClick();
    void btnStopClick();
    // One tick on every line (what the lines' timers do one by one).
    void timerSysTimer();

    // No tick touches the port or a table after this (the program is closing).
    void shutdown();

    // TimeOpr * 1000 div CountVkl + 1 milliseconds: the tick interval of a line that has
    // count of the enabled devices (all of them by default).
    int interval(int count = 0) const;
    bool isRunning() const;
    // A tick's exchange is still out on some line (also just after a stop).
    bool isBusy() const { return !m_inFlight.isEmpty(); }
    // Polls whose record could not be written since the cycle was made.
    int lostRecords() const { return m_lostRecords; }
    // The timer of the first line's round (of the only one, on a station with one line).
    QTimer &timerSys();

Q_SIGNALS:
    void pollingStarted();
    void pollingStopped();
    // Polling has stopped and its last exchange has ended: the lines are free.
    void pollingEnded();
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
    // Another master holds a line: the journal's text, once until the line is free again.
    void lineTaken(const QString &text);
    // A tick has ended.
    void tickFinished();

private:
    struct Round;
    struct Exchange;

    void tick(Round &round);
    int roundInterval(const Round &round) const;
    void advanceRound(const QString &line, quint64 generation);
    void finishPoll(const QString &line, int n, const Exchange &exchange);
    bool recordPoll(int n, const QDateTime &moment);
    void reportTableError(const QString &text);
    void reportLine(const QString &line, const Exchange &exchange);
    void tickEnded(const QString &line);
    Round *roundOf(const QString &line);
    // Closes the port of port's line and lets the line go, once its queue gets there.
    void releaseLine(int port);

    Station &m_station;
    ArchiveKeeper m_archives;
    std::vector<std::unique_ptr<Round>> m_rounds;
    QTimer m_spareTimer;      // timerSys() of a station with no round yet
    QSet<QString> m_inFlight; // lines whose tick is out; kept across a stop and start
    QSet<QString> m_taken;    // lines reported as held by another master
    quint64 m_generation = 0; // the rounds of the current start
    bool m_shutDown = false;
    bool m_tableFailing = false; // reported; quiet until a record is written again
    int m_lostRecords = 0;
};

} // namespace zeltar
