#pragma once

#include "link/link_transport.h"
#include "link/timing.h"

#include <QByteArray>

namespace zeltar {

// The Modbus ASCII master: functions 03, 04 and 16 over an open session. Every failure is
// a one-byte Link result (see link_result.h); nothing is retried here.
class ModbusMaster
{
public:
    explicit ModbusMaster(LinkTransport &transport) : m_transport(transport) {}

    // One exchange: the decoded reply without its LRC, or code 1, 2 or 4 to 9.
    QByteArray ModBusTransact(const QByteArray &message, const TimingProfile &timing);

    QByteArray ModBusRead03(quint8 address, quint16 start, quint16 count,
                            const TimingProfile &timing);
    QByteArray ModBusRead04(quint8 address, quint16 start, quint16 count,
                            const TimingProfile &timing);
    QByteArray ModBusWrite16(quint8 address, quint16 start, quint16 count, const QByteArray &data,
                             const TimingProfile &timing);

private:
    // The exchange and its checks; the public functions tell the transport how it ended.
    QByteArray transact(const QByteArray &message, const TimingProfile &timing);
    QByteArray ended(const QByteArray &result);
    QByteArray writeRegisters(quint8 address, quint16 start, quint16 count, const QByteArray &data,
                              const TimingProfile &timing);
    QByteArray readRegisters(quint8 address, quint8 function, quint16 start, quint16 count,
                             const TimingProfile &timing);

    LinkTransport &m_transport;
};

} // namespace zeltar
