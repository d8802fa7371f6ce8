#include "link/link_result.h"

namespace zeltar {

QString LinkErrorText(int code)
{
    switch (code) {
    case LinkSessionError:
        return QStringLiteral("ошибка последовательного порта");
    case LinkNoReply:
        return QStringLiteral("нет ответа");
    case LinkNoStart:
        return QStringLiteral("ответ не начинается с ':'");
    case LinkTooShort:
        return QStringLiteral("ответ короче 11 символов");
    case LinkNoLf:
        return QStringLiteral("ответ не заканчивается LF");
    case LinkNoCr:
        return QStringLiteral("нет CR перед LF");
    case LinkOddLength:
        return QStringLiteral("нечётное число символов в кадре");
    case LinkBadLrc:
        return QStringLiteral("ошибка контрольной суммы LRC");
    case LinkWrongAddress:
        return QStringLiteral("ответ от другого адреса");
    case LinkException:
        return QStringLiteral("прибор вернул исключение");
    case LinkWrongFunction:
        return QStringLiteral("неверный код функции в ответе");
    case LinkWrongByteCount:
        return QStringLiteral("неверное число байт в ответе");
    case LinkWrongLength:
        return QStringLiteral("неверная длина ответа");
    case LinkWrongWriteLength:
        return QStringLiteral("неверная длина ответа на запись");
    default:
        return QStringLiteral("неизвестная ошибка");
    }
}

} // namespace zeltar
