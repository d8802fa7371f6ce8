#include "web/web_reply.h"

#include <QJsonObject>

namespace zeltar {

WebReply WebReply::json(const QJsonDocument &document, int status)
{
    WebReply reply;
    reply.status = status;
    reply.body = document.toJson(QJsonDocument::Compact);
    return reply;
}

WebReply WebReply::error(int status, const QString &text)
{
    return json(QJsonDocument(QJsonObject{{QStringLiteral("error"), text}}), status);
}

} // namespace zeltar
