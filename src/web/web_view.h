#pragma once

#include "web/web_api.h"
#include "web/web_settings.h"

#include <QObject>

#include <memory>

namespace zeltar {

class AlarmMonitor;
class PollingCycle;
class Station;
class WebServer;

// The station's web view, as the window and the headless poller run it: reads [WEB], and
// when it is enabled serves the pages and the API on the station's event loop and sends
// every poll and alarm change to the live pages. A wrong setting or a port that cannot be
// opened is one journal line; polling goes on regardless.
class WebView : public QObject
{
    Q_OBJECT
public:
    // alarms may be null (no alarms to show or acknowledge).
    WebView(Station &station, PollingCycle &cycle, AlarmMonitor *alarms, QObject *parent = nullptr);
    ~WebView() override;

    // Reads the settings from the loaded configuration and listens. True when it serves.
    bool start();
    // After start(): the port it listens on (the one given, or the free one taken for 0).
    quint16 port() const;
    WebServer *server() const { return m_server.get(); }
    WebApi &api() { return m_api; }

private:
    void devicePolled(int n);

    Station &m_station;
    WebApi m_api;
    std::unique_ptr<WebServer> m_server;
};

} // namespace zeltar
