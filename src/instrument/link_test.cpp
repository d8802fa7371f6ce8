#include "instrument/link_test.h"

#include "instrument/register_codec.h"
#include "link/link_result.h"
#include "link/modbus_master.h"
#include "link/serial_session.h"
#include "link/timing.h"

#include <QCoreApplication>

namespace zeltar {

namespace {

constexpr quint16 IdentificationStart = 0;
constexpr quint16 IdentificationCount = 8;
constexpr int VersionDataByte = 1;
constexpr int AddressDataByte = 8;

// The dialog's fields from the first valid reply.
void describeInstrument(const InstrumentSettings &device, const QByteArray &data,
                        LinkTestResult *result)
{
    result->port = QStringLiteral("COM") + QString::number(device.PribPort);
    result->baud = BaudText(device.PribBaud) + QStringLiteral(" б/с");
    result->address = QString::number(DataByte(data, AddressDataByte));
    result->type = LinkTestModelName;
    result->version = VersionText(DataByte(data, VersionDataByte));
}

} // namespace

QString LinkTestResult::caption() const
{
    return found() ? LinkTestFoundCaption : LinkTestNotFoundCaption;
}

QString LinkTestResult::quality() const
{
    const QString word =
        validReplies >= LinkTestGoodReplies ? QStringLiteral("Хорошее") : QStringLiteral("Плохое");
    return QStringLiteral("%1 (%2/%3)").arg(word).arg(validReplies).arg(LinkTestAttempts);
}

QString LinkTestProgressCaption(int attempt)
{
    return QStringLiteral("Идет поиск устройства... Выполнено:") + QString::number(10 * attempt) +
           QStringLiteral("%");
}

QString VersionText(quint8 versionByte)
{
    return QString::number(versionByte / 100) + QLatin1Char('.') +
           QString::number(versionByte % 100);
}

LinkTestResult RunLinkTest(SerialSession &port, const InstrumentSettings &device,
                           const LinkTestProgress &progress)
{
    LinkTestResult result;
    if (port.OpenPort(device.PribPort, device.PribBaud) != 0) {
        port.ClosePort();
        return result;
    }
    result.portOpened = true;

    ModbusMaster master(port);
    for (int attempt = 1; attempt <= LinkTestAttempts; ++attempt) {
        QCoreApplication::processEvents();
        if (progress)
            progress(LinkTestProgressCaption(attempt), attempt);
        const TimingProfile timing = SetTiming(TimingRead03, device.PribBaud, IdentificationCount);
        const QByteArray reply =
            master.ModBusRead03(device.PribAdr, IdentificationStart, IdentificationCount, timing);
        if (reply.size() <= 2)
            continue;
        ++result.validReplies;
        if (result.validReplies == 1)
            describeInstrument(device, ReplyData(reply), &result);
    }
    port.ClosePort();
    return result;
}

} // namespace zeltar
