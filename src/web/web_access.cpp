#include "web/web_access.h"

#include "core/clock.h"
#include "web/web_password.h"

#include <QHostAddress>
#include <QHttpServerRequest>
#include <QUrl>
#include <QUrlQuery>

namespace zeltar {

namespace {

QByteArray Header(const QHttpServerRequest &request, const QByteArray &name)
{
    return request.value(name);
}

// The host part of a Host header ("127.0.0.1:8080", "[::1]:8080", "localhost").
QString HostName(const QByteArray &host)
{
    const QUrl url(QStringLiteral("http://") + QString::fromLatin1(host));
    return url.isValid() ? url.host() : QString();
}

WebReply Redirect(const QByteArray &location)
{
    WebReply reply;
    reply.status = 303;
    reply.type = "text/plain; charset=utf-8";
    reply.headers.append({"Location", location});
    return reply;
}

// A hash to spend the same time on when the user is unknown, so that the answer's delay
// does not tell which names exist.
const QString &DummyHash()
{
    static const QString hash = HashPassword(QStringLiteral("-"));
    return hash;
}

} // namespace

WebAccess::WebAccess(const WebSettings &settings) : m_settings(settings) {}

WebAccess::Visitor WebAccess::visitor(const QHttpServerRequest &request)
{
    Visitor visitor;
    const QByteArray cookies = Header(request, "Cookie");
    for (const QByteArray &part : cookies.split(';')) {
        const QByteArray pair = part.trimmed();
        const int eq = pair.indexOf('=');
        if (eq > 0 && pair.left(eq) == CookieName) {
            visitor.token = pair.mid(eq + 1);
            break;
        }
    }
    if (!visitor.token.isEmpty()) {
        if (const auto session = m_sessions.find(visitor.token, Clock::now())) {
            visitor.user = session->user;
            visitor.csrf = session->csrf;
        } else {
            visitor.token.clear();
        }
    }
    visitor.viewer = m_settings.Anonymous || !visitor.user.isEmpty();
    return visitor;
}

bool WebAccess::hostAllowed(const QHttpServerRequest &request) const
{
    if (!QHostAddress(m_settings.Bind).isLoopback())
        return true;
    const QString host = HostName(Header(request, "Host"));
    return host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0 ||
           QHostAddress(host).isLoopback();
}

bool WebAccess::sameOrigin(const QHttpServerRequest &request) const
{
    const QByteArray site = Header(request, "Sec-Fetch-Site");
    if (!site.isEmpty() && site != "same-origin" && site != "none")
        return false;
    const QByteArray origin = Header(request, "Origin");
    if (origin.isEmpty())
        return true;
    const QUrl url(QString::fromLatin1(origin));
    const QString scheme = m_settings.tls() ? QStringLiteral("https") : QStringLiteral("http");
    const QUrl own(scheme + QStringLiteral("://") + QString::fromLatin1(Header(request, "Host")));
    return url.isValid() && own.isValid() && url.scheme() == own.scheme() &&
           url.host().compare(own.host(), Qt::CaseInsensitive) == 0 &&
           url.port(scheme == QLatin1String("https") ? 443 : 80) ==
               own.port(scheme == QLatin1String("https") ? 443 : 80);
}

bool WebAccess::changeAllowed(const QHttpServerRequest &request, const Visitor &visitor) const
{
    const QByteArray token = Header(request, "X-CSRF-Token");
    return sameOrigin(request) && !visitor.csrf.isEmpty() && token.size() == visitor.csrf.size() &&
           token == visitor.csrf;
}

QByteArray WebAccess::cookie(const QByteArray &token, int maxAge) const
{
    QByteArray text = QByteArray(CookieName) + '=' + token +
                      "; Path=/; HttpOnly; SameSite=Strict; Max-Age=" + QByteArray::number(maxAge);
    if (m_settings.tls())
        text += "; Secure";
    return text;
}

WebReply WebAccess::login(const QHttpServerRequest &request)
{
    const QDateTime now = Clock::now();
    const int wait = m_throttle.waitSeconds(request.remoteAddress(), now);
    if (wait > 0) {
        WebReply reply = Redirect("/login?error=wait");
        reply.status = 429;
        reply.body = QStringLiteral("Слишком много попыток входа. Повторите через %1 с.")
                         .arg(wait)
                         .toUtf8();
        reply.headers.append({"Retry-After", QByteArray::number(wait)});
        return reply;
    }
    // A form's "+" stands for a blank.
    QByteArray body = request.body();
    body.replace('+', "%20");
    const QUrlQuery form(QString::fromUtf8(body));
    const QString user = form.queryItemValue(QStringLiteral("user"), QUrl::FullyDecoded).trimmed();
    const QString password = form.queryItemValue(QStringLiteral("password"), QUrl::FullyDecoded);
    const auto it = m_settings.users.constFind(user.toLower());
    const bool known = it != m_settings.users.constEnd();
    const bool matches = PasswordMatches(known ? *it : DummyHash(), password) && known;
    if (!matches) {
        m_throttle.failed(request.remoteAddress(), now);
        return Redirect("/login?error=1");
    }
    m_throttle.succeeded(request.remoteAddress());
    WebReply reply = Redirect("/");
    reply.headers.append(
        {"Set-Cookie", cookie(m_sessions.open(it.key(), now), WebSessions::IdleSeconds)});
    return reply;
}

WebReply WebAccess::logout(const Visitor &visitor)
{
    m_sessions.close(visitor.token);
    WebReply reply = Redirect("/login");
    reply.headers.append({"Set-Cookie", cookie("", 0)});
    return reply;
}

} // namespace zeltar
