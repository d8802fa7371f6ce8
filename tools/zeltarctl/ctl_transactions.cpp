#include "ctl_transactions.h"

#include "link/link_result.h"
#include "link/modbus_master.h"
#include "link/port_names.h"
#include "link/serial_session.h"
#include "link/timing.h"

namespace zeltar::ctl {

namespace {

bool toRegister(const QString &text, quint16 *value)
{
    bool ok = false;
    const uint v = text.toUInt(&ok);
    if (!ok || v > 0xFFFF)
        return false;
    *value = static_cast<quint16>(v);
    return true;
}

bool parseHexData(const QString &text, QByteArray *data)
{
    if (text.size() % 2 != 0)
        return false;
    for (const QChar c : text)
        if (!isxdigit(c.toLatin1()))
            return false;
    *data = QByteArray::fromHex(text.toLatin1());
    return true;
}

} // namespace

InstrumentSettings LinkDevice(const LinkOptions &link, SerialSession &session)
{
    InstrumentSettings device;
    session.setLinkMode(link.mode);
    int port = PortNames::portNumberOf(link.port);
    if (port == 0) {
        port = 1;
        session.setPortNames(PortNames({{port, link.port}}));
    }
    device.PribPort = static_cast<quint8>(port);
    device.PribBaud = static_cast<quint8>(link.baudIndex);
    device.PribAdr = static_cast<quint8>(link.address);
    return device;
}

bool HasPort(const LinkOptions &link, QTextStream &err)
{
    if (!link.port.isEmpty())
        return true;
    err << "no port given (--port PORT, or --dir DIR --device N)" << Qt::endl;
    return false;
}

bool InstrumentCommandFits(const Invocation &invocation, int argumentCount, QTextStream &err)
{
    if (invocation.arguments.size() != argumentCount) {
        err << UsageText();
        return false;
    }
    return HasPort(invocation.link, err);
}

QString HexBytes(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

int OpenLink(SerialSession &session, const LinkOptions &link, QTextStream &err)
{
    session.setLinkMode(link.mode);
    const int port = PortNames::portNumberOf(link.port);
    const int result = port != 0 ? session.OpenPort(port, link.baudIndex)
                                 : session.OpenDevice(link.port, link.baudIndex);
    if (result != 0) {
        err << "cannot open port " << link.port << " (" << session.deviceName()
            << "): " << session.lastError() << Qt::endl;
        return ExitNoPort;
    }
    return ExitOk;
}

int RunTransaction(const Invocation &invocation, QTextStream &out, QTextStream &err)
{
    const QString &command = invocation.command;
    const QStringList &args = invocation.arguments;
    const bool isWrite = command == QLatin1String("write16");
    quint16 start = 0;
    quint16 count = 0;
    QByteArray data;
    if (args.size() != (isWrite ? 3 : 2) || !toRegister(args.at(0), &start) ||
        !toRegister(args.at(1), &count) || (isWrite && !parseHexData(args.at(2), &data))) {
        err << UsageText();
        return ExitUsage;
    }
    if (!HasPort(invocation.link, err))
        return ExitUsage;

    SerialSession session;
    if (const int opened = OpenLink(session, invocation.link, err); opened != ExitOk)
        return opened;

    ModbusMaster master(session);
    const int baud = invocation.link.baudIndex;
    const auto address = static_cast<quint8>(invocation.link.address);
    QByteArray result;
    if (command == QLatin1String("read03"))
        result = master.ModBusRead03(address, start, count, SetTiming(TimingRead03, baud, count));
    else if (command == QLatin1String("read04"))
        result = master.ModBusRead04(address, start, count, SetTiming(TimingPoll04, baud, count));
    else
        result =
            master.ModBusWrite16(address, start, count, data,
                                 SetTiming(TimingWrite16, baud, static_cast<int>(data.size())));
    session.ClosePort();

    if (IsLinkError(result)) {
        out << "error " << LinkErrorCode(result) << Qt::endl;
        err << LinkErrorText(LinkErrorCode(result)) << Qt::endl;
        return ExitFailed;
    }
    out << HexBytes(result) << Qt::endl;
    return ExitOk;
}

} // namespace zeltar::ctl
