#include "acquisition/polling_cycle.h"

#include "acquisition/archive_table.h"
#include "acquisition/station.h"
#include "config/device_list.h"
#include "core/clock.h"
#include "core/message_service.h"
#include "instrument/register_codec.h"
#include "link/event_wait.h"
#include "link/modbus_master.h"
#include "link/serial_session.h"
#include "link/timing.h"

#include <QPointer>

#include <limits>

namespace zeltar {

namespace {

constexpr quint16 CurrentValueStart = 0;
constexpr quint16 CurrentValueCount = 4;

} // namespace

// The devices of one line in the order of ListVkl, and where its round stands.
struct PollingCycle::Round
{
    QString line;
    int port = 0;           // a port number that opens the line
    QVector<int> positions; // positions in ListVkl
    int pos = 1;            // the next tick's entry of positions
    std::unique_ptr<QTimer> timer;
    bool missed = false; // a tick came while the line was busy
};

// What a tick's exchange brought back from the line.
struct PollingCycle::Exchange
{
    QByteArray result;
    QDateTime moment; // when the reply was read
    QString holder;   // who holds the line, when another master does
    bool lineTaken = false;
};

// A line's tick is out from the moment its exchange is handed over until its result has
// been taken in. The mark goes with the result, so that however the tick ends (its result
// taken in, dropped at a shutdown), the line is free again then and not before.
class LineBusy
{
public:
    LineBusy(PollingCycle *cycle, QString line, std::function<void(const QString &)> release)
        : m_cycle(cycle), m_line(std::move(line)), m_release(std::move(release))
    {}
    ~LineBusy()
    {
        if (m_cycle)
            m_release(m_line);
    }
    LineBusy(const LineBusy &) = delete;
    LineBusy &operator=(const LineBusy &) = delete;

private:
    QPointer<PollingCycle> m_cycle;
    QString m_line;
    std::function<void(const QString &)> m_release;
};

PollingCycle::PollingCycle(Station &station, QObject *parent)
    : QObject(parent), m_station(station), m_archives(station)
{
    m_spareTimer.setObjectName(QStringLiteral("timerSys"));
}

PollingCycle::~PollingCycle()
{
    shutdown();
}

int PollingCycle::interval(int count) const
{
    // In 64 bits, then held within what a timer takes: a poll period of thousands of
    // hours must not wrap into a negative or short interval.
    const qint64 devices = qMax(1, count > 0 ? count : m_station.state.CountVkl);
    const qint64 ms = qMax<qint64>(m_station.settings.TimeOpr, 0) * 1000 / devices + 1;
    return static_cast<int>(qMin<qint64>(ms, std::numeric_limits<int>::max()));
}

int PollingCycle::roundInterval(const Round &round) const
{
    return m_station.lines.linkMode().fast ? interval(1) : interval(round.positions.size());
}

bool PollingCycle::isRunning() const
{
    return m_station.state.OprRun;
}

QTimer &PollingCycle::timerSys()
{
    return m_rounds.empty() ? m_spareTimer : *m_rounds.front()->timer;
}

PollingCycle::Round *PollingCycle::roundOf(const QString &line)
{
    for (auto &round : m_rounds)
        if (round->line == line)
            return round.get();
    return nullptr;
}

void PollingCycle::btnStartClick()
{
    PollingState &state = m_station.state;
    if (state.OprRun || m_shutDown)
        return;

    state.CountVkl = 0;
    for (int n = 1; n <= m_station.settings.CountUstr; ++n) {
        if (m_station.table.device(n).PribVkl != 0)
            state.ListVkl.at(static_cast<size_t>(state.CountVkl++)) = n;
    }

    if (state.CountVkl == 0) {
        ShowWarning(QStringLiteral("Нет включенных приборов"));
        Q_EMIT startRefused();
        return;
    }

    // One round per line, its devices in the order of the list.
    m_rounds.clear();
    ++m_generation;
    for (int pos = 1; pos <= state.CountVkl; ++pos) {
        const int port = m_station.table.device(state.listed(pos)).PribPort;
        const QString line = m_station.lines.lineOf(port);
        Round *round = roundOf(line);
        if (round == nullptr) {
            m_rounds.push_back(std::make_unique<Round>());
            round = m_rounds.back().get();
            round->line = line;
            round->port = port;
            round->timer = std::make_unique<QTimer>();
            round->timer->setObjectName(QStringLiteral("timerSys"));
            connect(round->timer.get(), &QTimer::timeout, this, [this, round] { tick(*round); });
        }
        round->positions.append(pos);
    }

    Q_EMIT currentDeviceChanged(QString());
    state.OprRun = true;
    for (auto &round : m_rounds) {
        round->timer->setInterval(roundInterval(*round));
        round->timer->start();
    }
    state.PosOpr = 1;
    m_tableFailing = false;
    Q_EMIT pollingStarted();
    m_station.journal.AddProgMes(QStringLiteral("Запущена система сбора и анализа данных"));
}

void PollingCycle::btnStopClick()
{
    PollingState &state = m_station.state;
    if (!state.OprRun)
        return;
    Q_EMIT currentDeviceChanged(QString());
    state.PosOpr = 0;
    state.OprRun = false;
    for (auto &round : m_rounds) {
        round->timer->stop();
        if (!m_inFlight.contains(round->line)) // else the tick in progress frees it when it ends
            releaseLine(round->port);
    }
    Q_EMIT pollingStopped();
    m_station.journal.AddProgMes(QStringLiteral("Остановлена система сбора и анализа данных"));
    if (!isBusy())
        Q_EMIT pollingEnded();
}

void PollingCycle::shutdown()
{
    m_shutDown = true;
    for (auto &round : m_rounds)
        round->timer->stop();
}

void PollingCycle::timerSysTimer()
{
    // Rounds are taken by their position, since a tick may end a round's life meanwhile.
    for (size_t i = 0; i < m_rounds.size(); ++i)
        tick(*m_rounds[i]);
}

void PollingCycle::releaseLine(int port)
{
    m_station.lines.worker(port).post([](SerialSession &session) {
        session.CloseKeptPort();
        session.ReleaseLine();
    });
}

void PollingCycle::tick(Round &round)
{
    PollingState &state = m_station.state;
    if (!state.OprRun || m_shutDown)
        return;
    if (m_inFlight.contains(round.line)) {
        round.missed = true;
        return;
    }
    // The standard mode spreads a line's devices over the poll period, one per tick; the
    // fast mode runs the whole round at once, its exchanges back to back, once a period.
    const bool fast = m_station.lines.linkMode().fast;
    if (!fast || round.pos == 1) {
        round.missed = false;
        round.timer->start(roundInterval(round)); // due one interval after this began
    }

    // The line is busy from here on: whatever the signals below set off (another tick, a
    // stop and a start) cannot start a second exchange on it.
    const QString line = round.line;
    const quint64 generation = m_generation;
    m_inFlight.insert(line);
    state.OprBusy = true;
    auto busy =
        std::make_shared<LineBusy>(this, line, [this](const QString &free) { tickEnded(free); });

    // This tick works on its device to the end, whatever happens to the round meanwhile.
    const int n = state.listed(round.positions.at(round.pos - 1));
    const InstrumentSettings device = m_station.table.device(n);

    m_archives.CheckPeriod();
    if (state.NewArh)
        Q_EMIT archivesRolledOver();
    Q_EMIT currentDeviceChanged(device.PribName);

    auto exchange = std::make_shared<Exchange>();
    m_station.lines.worker(device.PribPort)
        .post(
            [device, exchange](SerialSession &port) {
                // The line stays ours between the exchanges for as long as polling runs.
                if (!port.HoldLine(device.PribPort, &exchange->holder)) {
                    exchange->lineTaken = true;
                    exchange->moment = Clock::now();
                    return;
                }
                port.PauseInStandardMode(50);
                port.OpenPort(device.PribPort, device.PribBaud); // a failed open shows as no reply
                EventWait::processPending();
                ModbusMaster master(port);
                const TimingProfile timing =
                    SetTiming(TimingPoll04, device.PribBaud, CurrentValueCount);
                exchange->result = master.ModBusRead04(device.PribAdr, CurrentValueStart,
                                                       CurrentValueCount, timing);
                if (exchange->result.size() < 2)
                    exchange->result = master.ModBusRead04(device.PribAdr, CurrentValueStart,
                                                           CurrentValueCount, timing);
                exchange->moment = Clock::now();
            },
            [this, busy, exchange, line, generation, n]() mutable {
                // The round moves on and the line is free at once, so that its next
                // exchange runs while this one's result is taken in.
                advanceRound(line, generation);
                busy.reset();
                finishPoll(line, n, *exchange);
            });
}

void PollingCycle::advanceRound(const QString &line, quint64 generation)
{
    // Not after a stop, nor for the round of an earlier start.
    PollingState &state = m_station.state;
    Round *round = roundOf(line);
    if (m_shutDown || !state.OprRun || round == nullptr || generation != m_generation)
        return;
    round->pos = round->pos % round->positions.size() + 1;
    if (round == m_rounds.front().get())
        state.PosOpr = round->positions.at(round->pos - 1);
}

void PollingCycle::finishPoll(const QString &line, int n, const Exchange &exchange)
{
    if (m_shutDown)
        return; // the program is closing: no record, no table touched
    PollingState &state = m_station.state;
    reportLine(line, exchange);

    DevicePollState &poll = state.device(n);
    if (exchange.result.size() > 2) {
        const CurrentValue value = DecodeCurrentValue(ReplyData(exchange.result));
        poll.PribZnac = value.PribZnac;
        poll.PribStat = value.PribStat;
        poll.PribRele = value.PribRele;
        poll.PribNomReg = value.PribNomReg;
        poll.PribNoLink = 0;
    } else {
        poll.PribZnac = NoLinkValue;
        poll.PribStat = 0;
        poll.PribRele = 0;
        poll.PribNomReg = 0;
        poll.PribNoLink = 1;
    }
    Q_EMIT linkImageChanged(n, poll.PribNoLink != 0 ? ImageDeviceNoLink : ImageDevice);

    if (!recordPoll(n, exchange.moment))
        ++m_lostRecords;

    Q_EMIT devicePolled(n);
}

bool PollingCycle::recordPoll(int n, const QDateTime &moment)
{
    ArchiveTable TableData;
    QString tableProblem;
    if (!m_archives.OpenCurrentTable(n, TableData, &tableProblem)) {
        reportTableError(tableProblem);
        return false;
    }
    const bool appended =
        TableData.appendRecord(ArchiveKeeper::PollRecord(m_station.state.device(n), moment));
    const QString appendError = TableData.errorString();
    TableData.close();
    if (!appended) {
        reportTableError(QStringLiteral("Ошибка записи в архив %1: %2")
                             .arg(m_archives.CurrentTableName(n), appendError));
        return false;
    }
    m_tableFailing = false;
    return true;
}

void PollingCycle::tickEnded(const QString &line)
{
    m_inFlight.remove(line);
    m_station.state.OprBusy = isBusy();
    if (m_shutDown)
        return;
    Round *round = roundOf(line);
    if (!m_station.state.OprRun) {
        // A stop came during the tick: the line is let go now that its exchange is over.
        if (round != nullptr)
            releaseLine(round->port);
    }
    Q_EMIT tickFinished();
    if (!m_station.state.OprRun) {
        if (!isBusy())
            Q_EMIT pollingEnded();
        return;
    }
    // The fast mode goes on with the round at once, and starts the next round at once when
    // its time came while this one ran: the line works at its own speed, with no gap but
    // the turnaround.
    if (round != nullptr && m_station.lines.linkMode().fast && (round->pos != 1 || round->missed))
        tick(*round);
}

void PollingCycle::reportLine(const QString &line, const Exchange &exchange)
{
    if (!exchange.lineTaken) {
        m_taken.remove(line);
        return;
    }
    if (m_taken.contains(line))
        return;
    m_taken.insert(line);
    const QString text = QStringLiteral("Порт %1 занят (%2): опрос приборов на нём невозможен")
                             .arg(line, exchange.holder);
    m_station.journal.AddProgMes(text);
    Q_EMIT lineTaken(text);
}

void PollingCycle::reportTableError(const QString &text)
{
    // One message when the archive starts failing, not one at every tick while it does.
    if (m_tableFailing)
        return;
    m_tableFailing = true;
    Q_EMIT tableError(text);
}

} // namespace zeltar
