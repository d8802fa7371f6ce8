#pragma once

#include "history/archive_index.h"
#include "instrument/instrument_settings.h"
#include "web/web_reply.h"

#include <QDateTime>
#include <QJsonObject>
#include <QPointer>
#include <QUrlQuery>

#include <array>

namespace zeltar {

class AlarmMonitor;
class Station;

// The answers of /api/v1/: the devices' states as the MQTT state message carries them with
// their active alarms, a device's records over a range, the journal, the alarms and the
// station's status. It only reads the station, apart from acknowledge().
class WebApi
{
public:
    // Bounds that keep any one answer small: raw records in JSON and in CSV, and the records
    // a chart's decimated series may be made from (nine bytes each while it is made). A
    // range with more is refused whole (413), never cut.
    struct Limits
    {
        qint64 jsonRecords = 100000;
        qint64 csvRecords = 400000;
        qint64 seriesRecords = 3000000;
    };
    static constexpr int MaxPoints = 5000;
    static constexpr int MaxHistoryEvents = 1000;

    explicit WebApi(Station &station);

    // The monitor whose alarms are shown and acknowledged; null: the station has none.
    void setAlarms(AlarmMonitor *alarms) { m_alarms = alarms; }
    void setLimits(const Limits &limits) { m_limits = limits; }

    // Device n's poll has come in now.
    void notePoll(int n, const QDateTime &moment);

    QJsonObject deviceObject(int n) const;
    WebReply devices() const;
    WebReply device(const QString &number) const;
    // ?from=&to= ISO 8601 local moments, both ends included; &format=csv; &points=N for a
    // chart's series decimated to N points (JSON only).
    WebReply records(const QString &number, const QUrlQuery &query);
    // ?limit=N newest lines first.
    WebReply journal(const QUrlQuery &query) const;
    // Active alarms and, with ?from=&to=, the history's events (newest first).
    WebReply alarms(const QUrlQuery &query) const;
    QJsonObject status() const;
    // "3-high": device 3's high alarm, acknowledged by user.
    WebReply acknowledge(const QString &id, const QString &user);

    static QString momentText(const QDateTime &moment);

private:
    // Device number 1 .. CountUstr from the path, or 0.
    int deviceNumber(const QString &text) const;
    QJsonArray activeAlarms(int n) const;

    Station &m_station;
    AlarmMonitor *m_alarms = nullptr;
    Limits m_limits;
    ArchiveIndex m_index;
    std::array<QDateTime, MaxDevices> m_polled{};
};

} // namespace zeltar
