#pragma once

#include "web/web_reply.h"
#include "web/web_sessions.h"
#include "web/web_settings.h"

#include <QByteArray>
#include <QString>

class QHttpServerRequest;

namespace zeltar {

// Who may see and do what: the session cookie, the login form with its throttle, the
// check that a changing request comes from the station's own pages, and, on a loopback
// address, that the browser asked for this machine (a page elsewhere cannot reach the view
// by pointing one of its names at 127.0.0.1).
class WebAccess
{
public:
    static constexpr const char *CookieName = "zeltar_session";

    explicit WebAccess(const WebSettings &settings);

    struct Visitor
    {
        QByteArray token; // the session's, empty without one
        QString user;     // empty when not logged in
        QByteArray csrf;  // the session's token for changing requests
        bool viewer = false;
    };
    Visitor visitor(const QHttpServerRequest &request);

    // The Host header names this machine, or the view listens beyond loopback.
    bool hostAllowed(const QHttpServerRequest &request) const;
    // The request comes from a page of this view: no Origin or Sec-Fetch-Site of another
    // site.
    bool sameOrigin(const QHttpServerRequest &request) const;
    // Also the session's token in the X-CSRF-Token header.
    bool changeAllowed(const QHttpServerRequest &request, const Visitor &visitor) const;

    // POST /login with user and password as a form: 303 to / with the cookie, or back to
    // the login page (429 while throttled).
    WebReply login(const QHttpServerRequest &request);
    WebReply logout(const Visitor &visitor);

private:
    QByteArray cookie(const QByteArray &token, int maxAge) const;

    WebSettings m_settings;
    WebSessions m_sessions;
    LoginThrottle m_throttle;
};

} // namespace zeltar
