#pragma once

#include "alarms/alarm_event.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

namespace zeltar {

struct AlarmNotifySettings;

// One mail ready to go: the envelope's sender and recipients and the whole message.
struct MailMessage
{
    QByteArray from;
    QByteArrayList to;
    QByteArray content; // headers and body, lines ending in CR LF
};

// The mail of one raise or return. Its subject is the journal line of the change; its body
// says the device, the alarm, the value, the limit, the moment and the station. Text in
// UTF-8: the subject as RFC 2047 encoded words, the body in base64; with Date, Message-ID
// and Auto-Submitted headers.
MailMessage AlarmMail(const AlarmEvent &event, const AlarmNotifySettings &settings);

// A header's text as RFC 2047 "B" encoded words of UTF-8, folded so that no line grows
// beyond 76 characters and no character is split between words.
QByteArray EncodedHeaderText(const QString &text);

} // namespace zeltar
