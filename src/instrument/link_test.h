#pragma once

#include "instrument/instrument_settings.h"

#include <QByteArray>
#include <QString>

#include <functional>

namespace zeltar {

class SerialSession;

// Texts of the link test.
inline const QString LinkTestFoundCaption = QStringLiteral("Найден прибор");
inline const QString LinkTestNotFoundCaption = QStringLiteral("Устройство не найдено");
inline const QString LinkTestPortMessage = QStringLiteral("Не могу открыть порт");
inline const QString LinkTestModelName = QStringLiteral("ЗЕЛТАР");

constexpr int LinkTestAttempts = 10;
constexpr int LinkTestGoodReplies = 9; // this many valid replies or more is a good link

// What the test found. The texts describe the first valid reply; later replies only
// add to validReplies.
struct LinkTestResult
{
    bool portOpened = false;
    int validReplies = 0;
    QString port;    // "COM" + port number
    QString baud;    // "9600 б/с"
    QString address; // the address the instrument reports of itself
    QString type;    // the model name, which is not read from the instrument
    QString version; // "1.5" for the version byte 105

    bool found() const { return validReplies > 0; }
    // "Найден прибор" or "Устройство не найдено".
    QString caption() const;
    // "Хорошее (10/10)" or "Плохое (3/10)".
    QString quality() const;
};

// Called before every attempt with the progress caption and the attempt number 1 to 10.
using LinkTestProgress = std::function<void(const QString &caption, int attempt)>;

// "Идет поиск устройства... Выполнено:30%" for attempt 3.
QString LinkTestProgressCaption(int attempt);

// The version byte as the operator reads it: 105 -> "1.5", 110 -> "1.10", 99 -> "0.99".
QString VersionText(quint8 versionByte);

// Ten identification requests (function 03, registers 0 to 7) to the instrument at its
// port, baud rate and address, counting the valid replies. The port is closed again on
// every path. When it cannot be opened, portOpened is false and no request is sent.
LinkTestResult RunLinkTest(SerialSession &port, const InstrumentSettings &device,
                           const LinkTestProgress &progress = {});

} // namespace zeltar
