#include "acquisition/dbf_field_text.h"

#include "core/text_file.h"

#include <array>
#include <charconv>
#include <cmath>

namespace zeltar {

namespace {

// Shortest round-trip digits in fixed or exponent form; precision < 0 means shortest.
QByteArray Digits(double value, bool single, std::chars_format format, int precision = -1)
{
    std::array<char, 400> buffer;
    std::to_chars_result result;
    if (precision >= 0)
        result = std::to_chars(buffer.begin(), buffer.end(), value, format, precision);
    else if (single)
        result = std::to_chars(buffer.begin(), buffer.end(), static_cast<float>(value), format);
    else
        result = std::to_chars(buffer.begin(), buffer.end(), value, format);
    return QByteArray(buffer.data(), static_cast<qsizetype>(result.ptr - buffer.data()));
}

int DecimalsOf(const QByteArray &text)
{
    const qsizetype point = text.indexOf('.');
    return point < 0 ? 0 : static_cast<int>(text.size() - point - 1);
}

QByteArray PadDecimals(QByteArray text, int decimals)
{
    const int have = DecimalsOf(text);
    if (have >= decimals)
        return text;
    if (have == 0)
        text += '.';
    return text + QByteArray(decimals - have, '0');
}

QByteArray Blank(int width)
{
    return QByteArray(width, ' ');
}

QByteArray LeftAligned(const QByteArray &bytes, int width)
{
    return bytes.left(width).leftJustified(width, ' ');
}

} // namespace

QByteArray DbfEncodeText(const QString &text)
{
    return EncodeText(text, TextEncoding::Windows1251);
}

QString DbfDecodeText(const QByteArray &bytes)
{
    // Table text is Windows-1251, also where its bytes would read as UTF-8 or UTF-16.
    return DecodeCp1251(bytes);
}

QByteArray DbfNumberText(double value, bool single, int width, int decimals)
{
    if (!std::isfinite(value) || width < 1)
        return {};
    const auto fixed = std::chars_format::fixed;
    QByteArray text;
    if (decimals > 0)
        text = PadDecimals(Digits(value, single, fixed), decimals);
    else if (decimals == 0)
        text = Digits(value, single, fixed, 0);
    else
        text = Digits(value, single, fixed);
    for (int precision = DecimalsOf(text) - 1; text.size() > width && precision >= 0; --precision)
        text = Digits(value, single, fixed, precision);
    if (text.size() > width)
        text = Digits(value, single, std::chars_format::scientific);
    if (text.size() > width)
        return QByteArray(width, '*');
    return text;
}

QByteArray DbfFieldBytes(char type, int width, int decimals, const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return Blank(width);
    const int typeId = value.typeId();
    const bool isNumber = typeId == QMetaType::Float || typeId == QMetaType::Double ||
                          typeId == QMetaType::Int || typeId == QMetaType::LongLong ||
                          typeId == QMetaType::UInt || typeId == QMetaType::ULongLong ||
                          typeId == QMetaType::Bool;
    const bool single = typeId == QMetaType::Float;
    switch (type) {
    case 'N':
    case 'F': {
        const double number = isNumber ? value.toDouble() : value.toString().toDouble();
        return DbfNumberText(number, single, width, decimals).rightJustified(width, ' ');
    }
    case 'L':
        return LeftAligned(value.toBool() ? "T" : "F", width);
    default:
        if (isNumber && typeId != QMetaType::Bool)
            return LeftAligned(DbfNumberText(value.toDouble(), single, width, -1), width);
        return LeftAligned(DbfEncodeText(value.toString()), width);
    }
}

} // namespace zeltar
