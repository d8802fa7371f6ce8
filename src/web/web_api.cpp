#include "web/web_api.h"

#include "acquisition/station.h"
#include "alarms/alarm_history.h"
#include "alarms/alarm_monitor.h"
#include "config/config_json.h"
#include "core/clock.h"
#include "core/version.h"
#include "history/csv_export.h"
#include "history/history_range.h"
#include "history/history_series.h"
#include "publish/state_message.h"

#include <QBuffer>
#include <QJsonArray>
#include <QRegularExpression>

#include <optional>

namespace zeltar {

namespace {

// "2026-12-09T10:00:00" (seconds may be left out); nothing else, no zone.
std::optional<WallSeconds> ParseMoment(const QString &text)
{
    static const QRegularExpression form(
        QStringLiteral("^\\d{4}-\\d{2}-\\d{2}T\\d{2}:\\d{2}(:\\d{2})?$"));
    if (!form.match(text).hasMatch())
        return std::nullopt;
    const QDateTime moment = QDateTime::fromString(text, Qt::ISODate);
    if (!moment.isValid())
        return std::nullopt;
    return ToWallSeconds(moment.date(), moment.time());
}

QString WallMomentText(WallSeconds seconds)
{
    return WebApi::momentText(FromWallSeconds(seconds));
}

struct Range
{
    WallSeconds from = 0;
    WallSeconds to = 0;
};

// from and to from the query; an error reply when either is missing or wrong.
std::optional<Range> QueryRange(const QUrlQuery &query, WebReply *error)
{
    const std::optional<WallSeconds> from =
        ParseMoment(query.queryItemValue(QStringLiteral("from")));
    const std::optional<WallSeconds> to = ParseMoment(query.queryItemValue(QStringLiteral("to")));
    if (!from || !to) {
        *error =
            WebReply::error(400, QStringLiteral("from и to: моменты вида 2026-12-09T10:00:00"));
        return std::nullopt;
    }
    if (*from > *to) {
        *error = WebReply::error(400, QStringLiteral("from позже to"));
        return std::nullopt;
    }
    return Range{*from, *to};
}

// A whole number of the query within low .. high; defaultValue when absent, nullopt when
// wrong.
std::optional<int> QueryNumber(const QUrlQuery &query, const QString &key, int low, int high,
                               int defaultValue)
{
    if (!query.hasQueryItem(key))
        return defaultValue;
    bool ok = false;
    const int value = query.queryItemValue(key).toInt(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

QJsonValue MeasuredValue(std::optional<double> value)
{
    if (!value || *value > MaxMeasurement)
        return QJsonValue();
    return JsonNumber(float(*value));
}

WebReply TooLarge(qint64 records, qint64 limit)
{
    return WebReply::error(413, QStringLiteral("В диапазоне %1 записей, больше %2: сузьте диапазон")
                                    .arg(records)
                                    .arg(limit));
}

WebReply RawRecords(int n, const Range &range, const HistoryRange &records)
{
    QJsonArray list;
    QString error;
    const bool read = ForEachRecord(
        records,
        [&](TableRecords &table, int i) {
            const std::optional<WallSeconds> moment = table.moment(i);
            if (!moment)
                return true;
            const std::optional<double> value = table.value(i);
            QJsonObject record;
            record.insert(QStringLiteral("time"), WallMomentText(*moment));
            record.insert(QStringLiteral("value"), MeasuredValue(value));
            record.insert(QStringLiteral("nolink"), table.number(i, HistoryField::NoLink) != 0);
            record.insert(QStringLiteral("break"), value && *value == SensorBreakValue);
            record.insert(QStringLiteral("status"), table.number(i, HistoryField::Status));
            record.insert(QStringLiteral("relays"), table.number(i, HistoryField::Relays));
            record.insert(QStringLiteral("step"), table.number(i, HistoryField::Step));
            list.append(record);
            return true;
        },
        &error);
    if (!read)
        return WebReply::error(500, error);
    return WebReply::json(
        QJsonDocument(QJsonObject{{QStringLiteral("device"), n},
                                  {QStringLiteral("from"), WallMomentText(range.from)},
                                  {QStringLiteral("to"), WallMomentText(range.to)},
                                  {QStringLiteral("records"), list}}));
}

// The chart's series: per pixel column its extremes, first and last record, so that a
// month of records comes down to a few thousand points that still show every peak.
WebReply SeriesPoints(int n, const Range &range, const HistoryRange &records, int points)
{
    HistorySeries series;
    QString error;
    if (!LoadSeries(records, &series, &error))
        return WebReply::error(500, error);
    QJsonArray list;
    for (int i : DecimatedRecords(series, double(range.from), double(range.to), points / 4)) {
        const double value = series.values.at(i);
        list.append(QJsonArray{WallMomentText(series.moment(i)),
                               series.isMark(i) ? QJsonValue() : JsonNumber(value)});
    }
    return WebReply::json(
        QJsonDocument(QJsonObject{{QStringLiteral("device"), n},
                                  {QStringLiteral("from"), WallMomentText(range.from)},
                                  {QStringLiteral("to"), WallMomentText(range.to)},
                                  {QStringLiteral("records"), series.size()},
                                  {QStringLiteral("points"), list}}));
}

} // namespace

WebApi::WebApi(Station &station) : m_station(station) {}

QString WebApi::momentText(const QDateTime &moment)
{
    return moment.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss"));
}

void WebApi::notePoll(int n, const QDateTime &moment)
{
    if (n >= 1 && n <= MaxDevices)
        m_polled.at(size_t(n - 1)) = moment;
}

int WebApi::deviceNumber(const QString &text) const
{
    static const QRegularExpression digits(QStringLiteral("^[1-9][0-9]?$"));
    if (!digits.match(text).hasMatch())
        return 0;
    const int n = text.toInt();
    return n <= m_station.settings.CountUstr ? n : 0;
}

QJsonArray WebApi::activeAlarms(int n) const
{
    QJsonArray list;
    if (!m_alarms)
        return list;
    for (AlarmKind kind : AlarmKinds) {
        const AlarmCondition &condition = m_alarms->condition(n, kind);
        if (condition.state == AlarmState::Normal)
            continue;
        QJsonObject alarm;
        alarm.insert(QStringLiteral("id"), QStringLiteral("%1-%2").arg(n).arg(AlarmKindWord(kind)));
        alarm.insert(QStringLiteral("device"), n);
        alarm.insert(QStringLiteral("kind"), AlarmKindWord(kind));
        alarm.insert(QStringLiteral("state"), AlarmStateWord(condition.state));
        alarm.insert(QStringLiteral("value"),
                     condition.value ? QJsonValue(*condition.value) : QJsonValue());
        alarm.insert(QStringLiteral("limit"),
                     condition.limit ? QJsonValue(*condition.limit) : QJsonValue());
        list.append(alarm);
    }
    return list;
}

QJsonObject WebApi::deviceObject(int n) const
{
    const QDateTime polled = m_polled.at(size_t(n - 1));
    QJsonObject device =
        QJsonDocument::fromJson(StateMessage(n, m_station.table.device(n).PribName,
                                             polled.isValid() ? polled : Clock::now(),
                                             m_station.state.device(n)))
            .object();
    if (!polled.isValid()) {
        // Not polled in this run: nothing is known of it yet.
        device.insert(QStringLiteral("time"), QJsonValue());
        device.insert(QStringLiteral("value"), QJsonValue());
    }
    device.insert(QStringLiteral("polled"), m_station.table.device(n).PribVkl == 1);
    device.insert(QStringLiteral("alarms"), activeAlarms(n));
    return device;
}

WebReply WebApi::devices() const
{
    QJsonArray list;
    for (int n = 1; n <= m_station.settings.CountUstr; ++n)
        list.append(deviceObject(n));
    return WebReply::json(QJsonDocument(list));
}

WebReply WebApi::device(const QString &number) const
{
    const int n = deviceNumber(number);
    if (n == 0)
        return WebReply::error(404, QStringLiteral("Нет такого прибора"));
    return WebReply::json(QJsonDocument(deviceObject(n)));
}

WebReply WebApi::records(const QString &number, const QUrlQuery &query)
{
    const int n = deviceNumber(number);
    if (n == 0)
        return WebReply::error(404, QStringLiteral("Нет такого прибора"));
    WebReply error;
    const std::optional<Range> range = QueryRange(query, &error);
    if (!range)
        return error;
    const QString format = query.queryItemValue(QStringLiteral("format"));
    if (!format.isEmpty() && format != QLatin1String("csv") && format != QLatin1String("json"))
        return WebReply::error(400, QStringLiteral("format: csv или json"));
    const std::optional<int> points =
        QueryNumber(query, QStringLiteral("points"), 10, MaxPoints, 0);
    if (!points)
        return WebReply::error(400, QStringLiteral("points: от 10 до %1").arg(MaxPoints));

    m_index.setFolder(m_station.settings.PathArh);
    m_index.refresh();
    const HistoryRange records =
        RangeOfTables(m_index.tablesOf(DeviceNamePart(m_station.table.device(n).PribName)),
                      range->from, range->to);

    if (format == QLatin1String("csv")) {
        if (records.records > m_limits.csvRecords)
            return TooLarge(records.records, m_limits.csvRecords);
        WebReply reply;
        QBuffer buffer(&reply.body);
        buffer.open(QIODevice::WriteOnly);
        QString failure;
        if (WriteCsv(records, CsvForm::Machine, buffer, &failure) < 0)
            return WebReply::error(500, failure);
        reply.type = "text/csv; charset=utf-8";
        reply.headers.append(
            {"Content-Disposition",
             QStringLiteral("attachment; filename=\"device%1.csv\"").arg(n).toLatin1()});
        return reply;
    }
    if (*points > 0) {
        if (records.records > m_limits.seriesRecords)
            return TooLarge(records.records, m_limits.seriesRecords);
        return SeriesPoints(n, *range, records, *points);
    }
    if (records.records > m_limits.jsonRecords)
        return TooLarge(records.records, m_limits.jsonRecords);
    return RawRecords(n, *range, records);
}

WebReply WebApi::journal(const QUrlQuery &query) const
{
    const std::optional<int> limit =
        QueryNumber(query, QStringLiteral("limit"), 1, Journal::MaxLines, Journal::MaxLines);
    if (!limit)
        return WebReply::error(400, QStringLiteral("limit: от 1 до %1").arg(Journal::MaxLines));
    QJsonArray lines;
    for (const QString &line : m_station.journal.lines().mid(0, *limit))
        lines.append(line);
    return WebReply::json(QJsonDocument(lines));
}

WebReply WebApi::alarms(const QUrlQuery &query) const
{
    QJsonArray active;
    for (int n = 1; n <= m_station.settings.CountUstr; ++n) {
        for (const QJsonValue alarm : activeAlarms(n)) {
            QJsonObject object = alarm.toObject();
            object.insert(QStringLiteral("name"), m_station.table.device(n).PribName);
            active.append(object);
        }
    }
    QJsonObject answer{{QStringLiteral("active"), active}};
    if (query.hasQueryItem(QStringLiteral("from")) || query.hasQueryItem(QStringLiteral("to"))) {
        WebReply error;
        const std::optional<Range> range = QueryRange(query, &error);
        if (!range)
            return error;
        // The newest events when there are more than an answer holds.
        QList<QJsonObject> events;
        QString failure;
        const bool read = ForEachAlarmRecord(
            m_station.settings.PathArh, range->from, range->to,
            [&](const AlarmHistoryRecord &record) {
                if (events.size() == MaxHistoryEvents)
                    events.removeFirst();
                events.append(
                    QJsonObject{{QStringLiteral("time"), WallMomentText(record.moment)},
                                {QStringLiteral("device"), record.device},
                                {QStringLiteral("name"), record.name},
                                {QStringLiteral("kind"), record.kind},
                                {QStringLiteral("state"), record.state},
                                {QStringLiteral("value"),
                                 record.value ? QJsonValue(*record.value) : QJsonValue()},
                                {QStringLiteral("limit"),
                                 record.limit ? QJsonValue(*record.limit) : QJsonValue()}});
            },
            &failure);
        if (!read)
            return WebReply::error(500, failure);
        QJsonArray history;
        for (auto it = events.crbegin(); it != events.crend(); ++it)
            history.append(*it);
        answer.insert(QStringLiteral("history"), history);
    }
    return WebReply::json(QJsonDocument(answer));
}

QJsonObject WebApi::status() const
{
    return QJsonObject{{QStringLiteral("time"), momentText(Clock::now())},
                       {QStringLiteral("polling"), m_station.state.OprRun},
                       {QStringLiteral("devices"), m_station.settings.CountUstr},
                       {QStringLiteral("TimeOpr"), m_station.settings.TimeOpr},
                       {QStringLiteral("alarms"), m_alarms != nullptr},
                       {QStringLiteral("version"), QString::fromLatin1(BuildVersion)}};
}

WebReply WebApi::acknowledge(const QString &id, const QString &user)
{
    static const QRegularExpression form(QStringLiteral("^([1-9][0-9]?)-([a-z]+)$"));
    const QRegularExpressionMatch match = form.match(id);
    const int n = match.hasMatch() ? deviceNumber(match.captured(1)) : 0;
    const std::optional<AlarmKind> kind =
        match.hasMatch() ? AlarmKindFromWord(match.captured(2)) : std::nullopt;
    if (n == 0 || !kind || !m_alarms)
        return WebReply::error(404, QStringLiteral("Нет такой тревоги"));
    const AlarmState before = m_alarms->condition(n, *kind).state;
    if (before != AlarmState::Active && before != AlarmState::Returned)
        return WebReply::error(409, QStringLiteral("Тревога не ждёт квитирования"));
    m_station.journal.AddProgMes(QStringLiteral("Веб-доступ: %1 квитирует тревогу %2")
                                     .arg(user, m_station.table.device(n).PribName));
    m_alarms->acknowledge(n, *kind);
    return WebReply::json(QJsonDocument(QJsonObject{
        {QStringLiteral("id"), id},
        {QStringLiteral("state"), AlarmStateWord(m_alarms->condition(n, *kind).state)}}));
}

} // namespace zeltar
