#pragma once

#include <QFile>
#include <QLocale>
#include <QString>

// Small file helpers of the configuration tests.

inline void WriteBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

inline QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Locales with a comma and with a point as decimal separator.
inline QLocale CommaLocale()
{
    return QLocale(QLocale::Russian, QLocale::Russia);
}

inline QLocale PointLocale()
{
    return QLocale::c();
}
