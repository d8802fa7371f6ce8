#pragma once

#include <QByteArray>
#include <QJsonDocument>
#include <QList>
#include <QPair>

namespace zeltar {

// One answer of the web view before it goes out: status, content type, body and any
// headers of its own (the security headers are added to every answer by the server).
struct WebReply
{
    int status = 200;
    QByteArray type = "application/json";
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;

    static WebReply json(const QJsonDocument &document, int status = 200);
    // {"error": text} with the status.
    static WebReply error(int status, const QString &text);
};

} // namespace zeltar
