#include "link/modbus_frame.h"

#include "link/link_result.h"

namespace zeltar {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void appendHex(QByteArray &out, quint8 byte)
{
    out.append(kHexDigits[byte >> 4]);
    out.append(kHexDigits[byte & 0x0F]);
}

void appendWord(QByteArray &out, quint16 word)
{
    out.append(static_cast<char>(word >> 8));
    out.append(static_cast<char>(word & 0xFF));
}

} // namespace

quint8 Lrc(const QByteArray &message)
{
    quint8 sum = 0;
    for (char c : message)
        sum = static_cast<quint8>(sum + static_cast<quint8>(c));
    return static_cast<quint8>(0 - sum);
}

QByteArray ModBusFrame(const QByteArray &message)
{
    QByteArray frame;
    frame.reserve(2 * message.size() + 5);
    frame.append(':');
    for (char c : message)
        appendHex(frame, static_cast<quint8>(c));
    appendHex(frame, Lrc(message));
    frame.append("\r\n");
    return frame;
}

quint8 HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return static_cast<quint8>(c - '0');
    if (c >= 'A' && c <= 'F')
        return static_cast<quint8>(c - 'A' + 10);
    return static_cast<quint8>(c);
}

int DecodeFrame(const QByteArray &text, QByteArray *message)
{
    const int length = static_cast<int>(text.size());
    if (length == 0 || text.at(0) != ':')
        return LinkNoStart;
    if (length < 11)
        return LinkTooShort;
    if (text.at(length - 1) != '\n')
        return LinkNoLf;
    if (text.at(length - 2) != '\r')
        return LinkNoCr;
    if ((length - 3) % 2 != 0)
        return LinkOddLength;

    QByteArray bytes;
    bytes.reserve((length - 3) / 2);
    quint8 sum = 0;
    for (int i = 1; i + 1 < length - 2; i += 2) {
        const auto byte =
            static_cast<quint8>(16 * HexDigitValue(text.at(i)) + HexDigitValue(text.at(i + 1)));
        sum = static_cast<quint8>(sum + byte);
        bytes.append(static_cast<char>(byte));
    }
    if (sum != 0)
        return LinkBadLrc;
    bytes.chop(1); // the LRC
    if (message != nullptr)
        *message = bytes;
    return 0;
}

QByteArray ReadRequest(quint8 address, quint8 function, quint16 start, quint16 count)
{
    QByteArray message;
    message.append(static_cast<char>(address));
    message.append(static_cast<char>(function));
    appendWord(message, start);
    appendWord(message, count);
    return message;
}

QByteArray WriteRequest(quint8 address, quint16 start, quint16 count, const QByteArray &data)
{
    QByteArray message = ReadRequest(address, 0x10, start, count);
    message.append(static_cast<char>(data.size() & 0xFF));
    message.append(data);
    return message;
}

} // namespace zeltar
