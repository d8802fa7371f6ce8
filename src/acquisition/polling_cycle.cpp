#include "acquisition/polling_cycle.h"

#include "acquisition/archive_table.h"
#include "acquisition/station.h"
#include "config/device_list.h"
#include "core/message_service.h"
#include "instrument/register_codec.h"
#include "link/event_wait.h"
#include "link/modbus_master.h"
#include "link/timing.h"

#include <limits>

namespace zeltar {

namespace {

constexpr quint16 CurrentValueStart = 0;
constexpr quint16 CurrentValueCount = 4;

} // namespace

PollingCycle::PollingCycle(Station &station, QObject *parent)
    : QObject(parent), m_station(station), m_archives(station)
{
    m_timerSys.setObjectName(QStringLiteral("timerSys"));
    connect(&m_timerSys, &QTimer::timeout, this, &PollingCycle::timerSysTimer);
}

int PollingCycle::interval() const
{
    // In 64 bits, then held within what a timer takes: a poll period of thousands of
    // hours must not wrap into a negative or short interval.
    const qint64 count = qMax(1, m_station.state.CountVkl);
    const qint64 ms = qMax<qint64>(m_station.settings.TimeOpr, 0) * 1000 / count + 1;
    return static_cast<int>(qMin<qint64>(ms, std::numeric_limits<int>::max()));
}

bool PollingCycle::isRunning() const
{
    return m_station.state.OprRun;
}

void PollingCycle::btnStartClick()
{
    PollingState &state = m_station.state;
    if (state.OprRun || m_shutDown)
        return;

    state.OprBusy = false;
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

    Q_EMIT currentDeviceChanged(QString());
    state.OprRun = true;
    m_timerSys.stop();
    m_timerSys.setInterval(interval());
    m_timerSys.start();
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
    m_timerSys.stop();
    if (!state.OprBusy) // else the tick in progress closes it when it ends
        m_station.CommModBus.CloseKeptPort();
    Q_EMIT pollingStopped();
    m_station.journal.AddProgMes(QStringLiteral("Остановлена система сбора и анализа данных"));
}

void PollingCycle::shutdown()
{
    m_shutDown = true;
    m_timerSys.stop();
}

void PollingCycle::timerSysTimer()
{
    PollingState &state = m_station.state;
    if (state.OprBusy || !state.OprRun || m_shutDown)
        return;
    state.OprBusy = true;
    m_timerSys.start(interval()); // the next tick is due one interval after this one began

    // This tick works on its device to the end, whatever happens to PosOpr meanwhile.
    const int n = state.listed(state.PosOpr);
    pollDevice(n);

    // A stop during the tick has set PosOpr to 0; the next start sets it again.
    if (state.OprRun) {
        state.PosOpr = state.PosOpr + 1;
        if (state.PosOpr > state.CountVkl)
            state.PosOpr = 1;
    } else {
        m_station.CommModBus.CloseKeptPort();
    }
    state.OprBusy = false;
    Q_EMIT tickFinished();
}

bool PollingCycle::pollDevice(int n)
{
    PollingState &state = m_station.state;
    const InstrumentSettings &device = m_station.table.device(n);

    m_archives.CheckPeriod();
    // The instrument is read whatever the table's state, so its value and link stay live.
    ArchiveTable TableData;
    QString tableProblem;
    const bool tableOpen = m_archives.OpenCurrentTable(n, TableData, &tableProblem);
    m_station.CommModBus.PauseInStandardMode(50);
    if (m_shutDown)
        return false;

    Q_EMIT currentDeviceChanged(device.PribName);

    SerialSession &port = m_station.CommModBus;
    port.OpenPort(device.PribPort, device.PribBaud); // a failed open shows as no reply
    EventWait::processPending();
    if (m_shutDown)
        return false;

    ModbusMaster master(port);
    const TimingProfile timing = SetTiming(TimingPoll04, device.PribBaud, CurrentValueCount);
    QByteArray result =
        master.ModBusRead04(device.PribAdr, CurrentValueStart, CurrentValueCount, timing);
    if (result.size() < 2 && !m_shutDown)
        result = master.ModBusRead04(device.PribAdr, CurrentValueStart, CurrentValueCount, timing);
    if (m_shutDown)
        return false; // the program is closing: no record, no table touched

    DevicePollState &poll = state.device(n);
    if (result.size() > 2) {
        const CurrentValue value = DecodeCurrentValue(ReplyData(result));
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

    if (!tableOpen) {
        reportTableError(tableProblem);
        Q_EMIT devicePolled(n);
        return false;
    }
    const bool appended = TableData.appendRecord(ArchiveKeeper::PollRecord(poll));
    const QString appendError = TableData.errorString();
    TableData.close();
    if (!appended) {
        reportTableError(QStringLiteral("Ошибка записи в архив %1: %2")
                             .arg(m_archives.CurrentTableName(n), appendError));
        Q_EMIT devicePolled(n);
        return false;
    }
    m_tableFailing = false;

    if (state.NewArh)
        Q_EMIT archivesRolledOver();
    Q_EMIT devicePolled(n);
    return true;
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
