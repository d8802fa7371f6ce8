#pragma once

#include <QString>

#include <optional>

namespace zeltar {

// Number texts of the configuration file and the settings window. All of them use the
// decimal separator of the default QLocale, so tests can choose the locale.

// Left-pads text with '0' to width characters; longer text is returned unchanged.
QString PadZero(const QString &text, int width);

// Turns every '.' and ',' into the locale's decimal separator.
QString FixDecSep(const QString &text);

// The "0.####" form: at least one digit before the separator, at most four after it,
// trailing zeros and a bare separator dropped, '-' for negatives, no grouping.
QString FormatNumber(double value);

// For programs: a point, at most four decimals, no trailing zeros, no exponent below 1e15
// (1043.2, 1000, -0.5).
QString MachineNumberText(double value);

// General form: up to 15 significant digits with the locale's separator, no trailing zeros
// and no grouping (500 is "500", the single 25.3 is "25.2999992370605").
QString GeneralNumberText(double value);

// A single in the general form with the fewest significant digits that read back as the same
// single: 25.3f is "25.3", where the double's 15 digits would show "25.2999992370605".
QString SingleNumberText(float value);

// Text in the locale's form converted completely into a number; nullopt when it is not one
// (blanks around the number are allowed, grouping is not).
std::optional<double> ParseNumber(const QString &text);

// An operator's entry: either separator accepted (FixDecSep), then ParseNumber.
std::optional<double> ParseEnteredNumber(const QString &text);

// The value as a single. A number beyond a single's range becomes the infinity of its sign,
// as the processor would make it; the plain conversion would be undefined.
float ToSingle(double value);

// A whole number as the INI services read it: optional sign, decimal digits, or a "0x"
// prefix for hexadecimal; nullopt for anything else.
std::optional<long long> ParseInteger(const QString &text);

} // namespace zeltar
