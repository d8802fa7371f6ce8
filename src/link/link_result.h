#pragma once

#include <QByteArray>
#include <QString>

namespace zeltar {

// A Link result is the validated reply message without its check byte or, when it is
// exactly one byte long, one of these codes. Callers tell the two apart by length.
enum LinkError : quint8
{
    LinkSessionError = 1,  // the serial session failed to write, wait or read
    LinkNoReply = 2,       // nothing after FirstWait, or still growing at ReplyTimeout
    LinkNoStart = 4,       // first character is not ':'
    LinkTooShort = 5,      // fewer than 11 characters
    LinkNoLf = 6,          // last character is not LF
    LinkNoCr = 7,          // character before the last is not CR
    LinkOddLength = 8,     // odd number of characters between ':' and CR LF
    LinkBadLrc = 9,        // check byte does not match
    LinkWrongAddress = 21, // reply from another slave
    LinkException = 22,    // exception reply
    LinkWrongFunction = 23,
    LinkWrongByteCount = 24,  // 03/04: byte count is not 2 x register count
    LinkWrongLength = 25,     // 03/04: reply length is not 2 x count + 3
    LinkWrongWriteLength = 26 // 16: reply is not 6 bytes long
};

inline bool IsLinkError(const QByteArray &result)
{
    return result.size() < 2;
}

inline QByteArray LinkErrorResult(LinkError code)
{
    return QByteArray(1, static_cast<char>(code));
}

// Code of a failed result (0 for a success).
inline int LinkErrorCode(const QByteArray &result)
{
    return result.size() == 1 ? static_cast<quint8>(result.at(0)) : 0;
}

// Operator-readable text of a code, for logs and the command-line client.
QString LinkErrorText(int code);

} // namespace zeltar
