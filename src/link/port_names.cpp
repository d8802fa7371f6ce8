#include "link/port_names.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace zeltar {

QString PortNames::deviceName(int port) const
{
    const QString mapped = m_mapping.value(port).trimmed();
    return mapped.isEmpty() ? defaultDeviceName(port) : mapped;
}

QString PortNames::defaultDeviceName(int port)
{
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    return QStringLiteral("/dev/ttyS%1").arg(port - 1);
#endif
}

QString PortNames::systemLocation(const QString &deviceName)
{
#ifdef Q_OS_WIN
    return deviceName;
#else
    const QFileInfo file(deviceName);
    if (deviceName.isEmpty() || file.isAbsolute() || !file.exists())
        return deviceName;
    return file.absoluteFilePath();
#endif
}

int PortNames::portNumberOf(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral("^COM([1-8])$"),
                                            QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(text.trimmed());
    return match.hasMatch() ? match.captured(1).toInt() : 0;
}

} // namespace zeltar
