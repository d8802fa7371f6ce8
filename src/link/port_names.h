#pragma once

#include <QMap>
#include <QString>

namespace zeltar {

// Device name of port number n (1 to 8): the PORTS mapping of Zeltar.ini when it names
// the port (COM3=/dev/ttyUSB0), otherwise COMn on Windows and /dev/ttyS<n-1> elsewhere.
class PortNames
{
public:
    PortNames() = default;
    explicit PortNames(QMap<int, QString> mapping) : m_mapping(std::move(mapping)) {}

    QString deviceName(int port) const;
    static QString defaultDeviceName(int port);

    // The name to hand to the serial port: a relative path to an existing file made
    // absolute, since the port would otherwise look for a bare name under /dev.
    static QString systemLocation(const QString &deviceName);

    // "COM3" -> 3; 0 for anything else.
    static int portNumberOf(const QString &text);

    const QMap<int, QString> &mapping() const { return m_mapping; }

private:
    QMap<int, QString> m_mapping;
};

} // namespace zeltar
