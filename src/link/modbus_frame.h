#pragma once

#include <QByteArray>

namespace zeltar {

// Modbus ASCII framing: ':' + two upper-case hex digits per message byte + LRC + CR LF.

// Two's complement of the 8-bit sum of the bytes.
quint8 Lrc(const QByteArray &message);

// The frame of a message (slave address, function code, fields).
QByteArray ModBusFrame(const QByteArray &message);

// '0'-'9' give 0-9, 'A'-'F' give 10-15, every other character its own code
// (lower-case letters are not hex digits on this line).
quint8 HexDigitValue(char c);

// Checks a received frame in the fixed order and decodes it. Returns 0 and the message
// without its LRC, or one of the codes 4 to 9 (see LinkError).
int DecodeFrame(const QByteArray &text, QByteArray *message);

// Request messages of the three functions used on the line.
QByteArray ReadRequest(quint8 address, quint8 function, quint16 start, quint16 count);
QByteArray WriteRequest(quint8 address, quint16 start, quint16 count, const QByteArray &data);

} // namespace zeltar
