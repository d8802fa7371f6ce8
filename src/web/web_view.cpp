#include "web/web_view.h"

#include "acquisition/polling_cycle.h"
#include "acquisition/station.h"
#include "alarms/alarm_monitor.h"
#include "core/clock.h"
#include "web/web_server.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace zeltar {

WebView::WebView(Station &station, PollingCycle &cycle, AlarmMonitor *alarms, QObject *parent)
    : QObject(parent), m_station(station), m_api(station)
{
    m_api.setAlarms(alarms);
    connect(&cycle, &PollingCycle::devicePolled, this, &WebView::devicePolled);
    if (alarms) {
        connect(alarms, &AlarmMonitor::alarmChanged, this, [this](const AlarmEvent &event) {
            if (m_server && event.device >= 1 && event.device <= m_station.settings.CountUstr)
                m_server->feed().send(
                    "device",
                    QJsonDocument(m_api.deviceObject(event.device)).toJson(QJsonDocument::Compact));
        });
    }
}

WebView::~WebView() = default;

bool WebView::start()
{
    QStringList errors;
    const WebSettings settings = WebSettings::read(m_station.ini, &errors);
    for (const QString &key : errors)
        m_station.journal.AddProgMes(WebSettingsErrorLine(key));
    if (!settings.Enabled)
        return false;
    if (settings.users.isEmpty() && !settings.Anonymous)
        m_station.journal.AddProgMes(
            QStringLiteral("Веб-доступ: нет ни одного пользователя (zeltarctl web-user ИМЯ)"));

    m_server = std::make_unique<WebServer>(m_api, settings);
    QString error;
    if (!m_server->start(&error)) {
        m_station.journal.AddProgMes(QStringLiteral("Веб-доступ не открыт: %1:%2 — %3")
                                         .arg(settings.Bind)
                                         .arg(settings.Port)
                                         .arg(error));
        m_server.reset();
        return false;
    }
    m_station.journal.AddProgMes(
        QStringLiteral("Веб-доступ открыт: %1://%2:%3/")
            .arg(settings.tls() ? QStringLiteral("https") : QStringLiteral("http"))
            .arg(settings.Bind)
            .arg(m_server->port()));
    return true;
}

quint16 WebView::port() const
{
    return m_server ? m_server->port() : 0;
}

void WebView::devicePolled(int n)
{
    m_api.notePoll(n, Clock::now());
    if (m_server)
        m_server->feed().send("device",
                              QJsonDocument(m_api.deviceObject(n)).toJson(QJsonDocument::Compact));
}

} // namespace zeltar
