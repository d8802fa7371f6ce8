#pragma once

#include <QByteArray>
#include <QString>
#include <QVariant>

namespace zeltar {

// How values become the bytes of a dBase field and back. Text fields hold
// Windows-1251, the code page that dBase readers on Russian Windows expect; numbers are
// written with '.' whatever the locale, right-aligned as dBase keeps them.

QByteArray DbfEncodeText(const QString &text);
QString DbfDecodeText(const QByteArray &bytes);

// The text of a number for a numeric field of the given width and decimals: the
// shortest digits that read back as the same value (as the same single when single is
// set, so 25.3f is "25.3000" in a field of 4 decimals, not 25.2999992), padded with
// zeros to the field's decimals (a field of 0 decimals takes the rounded whole number;
// decimals below 0 ask for the shortest digits as they are). What does not fit loses
// decimals, then takes the exponent form, and is all '*' when even that is too wide; a
// number that cannot be written at all (NaN, infinity) is empty.
QByteArray DbfNumberText(double value, bool single, int width, int decimals);

// Exactly width bytes for one field of type ('C', 'N', 'F', 'L', 'D', ...) from a value:
// an invalid QVariant leaves the field blank; numbers in a text field are written as
// text; a float QVariant is written as a single.
QByteArray DbfFieldBytes(char type, int width, int decimals, const QVariant &value);

} // namespace zeltar
