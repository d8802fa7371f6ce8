#include "link/modbus_master.h"

#include "link/link_result.h"
#include "link/modbus_frame.h"

namespace zeltar {

namespace {

constexpr quint8 kExceptionBit = 0x80;
constexpr quint8 kWriteFunction = 0x10;

quint8 byteAt(const QByteArray &bytes, int index)
{
    return static_cast<quint8>(bytes.at(index));
}

} // namespace

QByteArray ModbusMaster::ModBusTransact(const QByteArray &message, const TimingProfile &timing)
{
    return ended(transact(message, timing));
}

QByteArray ModbusMaster::ended(const QByteArray &result)
{
    m_transport.exchangeEnded(!IsLinkError(result));
    return result;
}

QByteArray ModbusMaster::transact(const QByteArray &message, const TimingProfile &timing)
{
    // Whatever already waits in the input queue becomes part of the reply.
    if (!m_transport.write(ModBusFrame(message)))
        return LinkErrorResult(LinkSessionError);

    const int wait =
        m_transport.WaitReply(timing.ReplyTimeout, timing.FirstWait, timing.QuietInterval);
    if (m_transport.hasFailed()) // the port failed while the request left or the reply came
        return LinkErrorResult(LinkSessionError);
    if (wait != WaitComplete)
        return LinkErrorResult(LinkNoReply);

    QByteArray text;
    if (!m_transport.readAll(&text))
        return LinkErrorResult(LinkSessionError);

    QByteArray reply;
    const int code = DecodeFrame(text, &reply);
    if (code != 0)
        return LinkErrorResult(static_cast<LinkError>(code));
    return reply;
}

QByteArray ModbusMaster::readRegisters(quint8 address, quint8 function, quint16 start,
                                       quint16 count, const TimingProfile &timing)
{
    const QByteArray reply = transact(ReadRequest(address, function, start, count), timing);
    if (reply.size() == 1)
        return reply;
    // A decoded reply holds at least three bytes (a frame has at least 11 characters).
    if (byteAt(reply, 0) != address)
        return LinkErrorResult(LinkWrongAddress);
    if (byteAt(reply, 1) == (function | kExceptionBit))
        return LinkErrorResult(LinkException);
    if (byteAt(reply, 1) != function)
        return LinkErrorResult(LinkWrongFunction);
    if (byteAt(reply, 2) != 2 * count)
        return LinkErrorResult(LinkWrongByteCount);
    if (reply.size() != 2 * count + 3)
        return LinkErrorResult(LinkWrongLength);
    return reply;
}

QByteArray ModbusMaster::ModBusRead03(quint8 address, quint16 start, quint16 count,
                                      const TimingProfile &timing)
{
    return ended(readRegisters(address, 0x03, start, count, timing));
}

QByteArray ModbusMaster::ModBusRead04(quint8 address, quint16 start, quint16 count,
                                      const TimingProfile &timing)
{
    return ended(readRegisters(address, 0x04, start, count, timing));
}

QByteArray ModbusMaster::ModBusWrite16(quint8 address, quint16 start, quint16 count,
                                       const QByteArray &data, const TimingProfile &timing)
{
    return ended(writeRegisters(address, start, count, data, timing));
}

QByteArray ModbusMaster::writeRegisters(quint8 address, quint16 start, quint16 count,
                                        const QByteArray &data, const TimingProfile &timing)
{
    const QByteArray reply = transact(WriteRequest(address, start, count, data), timing);
    if (reply.size() == 1)
        return reply;
    if (byteAt(reply, 0) != address)
        return LinkErrorResult(LinkWrongAddress);
    if (byteAt(reply, 1) == (kWriteFunction | kExceptionBit))
        return LinkErrorResult(LinkException);
    if (byteAt(reply, 1) != kWriteFunction)
        return LinkErrorResult(LinkWrongFunction);
    if (reply.size() != 6)
        return LinkErrorResult(LinkWrongWriteLength);
    return reply;
}

} // namespace zeltar
