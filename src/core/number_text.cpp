#include "core/number_text.h"

#include <QLocale>

#include <cmath>
#include <limits>

namespace zeltar {

QString PadZero(const QString &text, int width)
{
    if (text.size() >= width)
        return text;
    return QString(width - text.size(), QLatin1Char('0')) + text;
}

QString FixDecSep(const QString &text)
{
    const QString separator = QLocale().decimalPoint();
    QString result;
    result.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('.') || c == QLatin1Char(','))
            result += separator;
        else
            result += c;
    }
    return result;
}

QString MachineNumberText(double value)
{
    const double rounded = std::round(value * 10000.0) / 10000.0;
    return QString::number(rounded == 0.0 ? 0.0 : rounded, 'g', 15);
}

QString FormatNumber(double value)
{
    // Round to four decimals first so that -0.00001 becomes "0", not "-0".
    double rounded = std::round(value * 10000.0) / 10000.0;
    if (rounded == 0.0)
        rounded = 0.0;
    QString text = QString::number(rounded, 'f', 4);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    const QString separator = QLocale().decimalPoint();
    if (separator != QLatin1String("."))
        text.replace(QLatin1Char('.'), separator);
    return text;
}

QString GeneralNumberText(double value)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(value, 'g', 15);
}

QString SingleNumberText(float value)
{
    if (!std::isfinite(value))
        return GeneralNumberText(value);
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    // Nine significant digits always tell two singles apart.
    QString text;
    for (int digits = 1; digits <= 9; ++digits) {
        text = locale.toString(double(value), 'g', digits);
        if (static_cast<float>(locale.toDouble(text)) == value)
            break;
    }
    return text;
}

std::optional<double> ParseNumber(const QString &text)
{
    QLocale locale;
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = locale.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> ParseEnteredNumber(const QString &text)
{
    return ParseNumber(FixDecSep(text));
}

std::optional<long long> ParseInteger(const QString &text)
{
    const QString trimmed = text.trimmed();
    bool ok = false;
    long long value = 0;
    if (trimmed.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        value = trimmed.mid(2).toLongLong(&ok, 16);
    else if (trimmed.startsWith(QLatin1String("-0x"), Qt::CaseInsensitive))
        value = -trimmed.mid(3).toLongLong(&ok, 16);
    else
        value = trimmed.toLongLong(&ok, 10);
    if (!ok)
        return std::nullopt;
    return value;
}

float ToSingle(double value)
{
    if (std::isfinite(value) && std::fabs(value) > std::numeric_limits<float>::max())
        return value > 0 ? std::numeric_limits<float>::infinity()
                         : -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

} // namespace zeltar
