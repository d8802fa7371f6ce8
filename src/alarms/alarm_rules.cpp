#include "alarms/alarm_rules.h"

#include "acquisition/polling_state.h"
#include "alarms/alarm_texts.h"
#include "core/number_text.h"

namespace zeltar {

namespace {

// A poll whose value is a measurement: the link answered and the sensor is whole.
bool Measured(const DevicePollState &poll)
{
    return poll.PribNoLink == 0 && poll.PribZnac <= MaxMeasurement;
}

// The limit rules share everything but the side: beyond(value, limit) tells a crossed
// limit, back the value at which a raised alarm returns.
template <class Beyond>
RuleVerdict LimitRule(const DevicePollState &poll, const std::optional<double> &limit, double back,
                      AlarmCondition &condition, const QDateTime &moment, int delay, Beyond beyond)
{
    RuleVerdict verdict;
    if (!Measured(poll) || !limit) {
        condition.crossedSince = QDateTime();
        return verdict;
    }
    const double value = poll.PribZnac;
    verdict.value = value;
    verdict.limit = *limit;
    if (condition.holds()) {
        verdict.holds = beyond(value, back);
        return verdict;
    }
    if (!beyond(value, *limit)) {
        condition.crossedSince = QDateTime();
        verdict.holds = false;
        return verdict;
    }
    if (!condition.crossedSince.isValid())
        condition.crossedSince = moment;
    verdict.holds = condition.crossedSince.msecsTo(moment) >= qint64(delay) * 1000;
    return verdict;
}

QString ValueText(const std::optional<double> &value)
{
    return value ? FormatNumber(*value) : QString();
}

} // namespace

QString AlarmKindWord(AlarmKind kind)
{
    switch (kind) {
    case AlarmKind::High:
        return QStringLiteral("high");
    case AlarmKind::Low:
        return QStringLiteral("low");
    case AlarmKind::NoLink:
        return QStringLiteral("nolink");
    case AlarmKind::Break:
        return QStringLiteral("break");
    }
    return {};
}

std::optional<AlarmKind> AlarmKindFromWord(const QString &word)
{
    for (AlarmKind kind : AlarmKinds) {
        if (AlarmKindWord(kind) == word)
            return kind;
    }
    return std::nullopt;
}

QString AlarmChangeWord(AlarmChange change)
{
    switch (change) {
    case AlarmChange::Raised:
        return QStringLiteral("active");
    case AlarmChange::Returned:
        return QStringLiteral("normal");
    case AlarmChange::Acknowledged:
        return QStringLiteral("acknowledged");
    }
    return {};
}

QString AlarmStateWord(AlarmState state)
{
    switch (state) {
    case AlarmState::Normal:
        return QStringLiteral("normal");
    case AlarmState::Active:
        return QStringLiteral("active");
    case AlarmState::Acknowledged:
        return QStringLiteral("acknowledged");
    case AlarmState::Returned:
        return QStringLiteral("returned");
    }
    return {};
}

std::optional<AlarmState> AlarmStateFromWord(const QString &word)
{
    for (AlarmState state :
         {AlarmState::Normal, AlarmState::Active, AlarmState::Acknowledged, AlarmState::Returned}) {
        if (AlarmStateWord(state) == word)
            return state;
    }
    return std::nullopt;
}

RuleVerdict HighRule(const DevicePollState &poll, const DeviceAlarmSettings &settings,
                     AlarmCondition &condition, const QDateTime &moment)
{
    const double back = settings.AlarmHigh.value_or(0) - settings.AlarmDeadband;
    return LimitRule(poll, settings.AlarmHigh, back, condition, moment, settings.AlarmDelay,
                     [](double value, double limit) { return value > limit; });
}

RuleVerdict LowRule(const DevicePollState &poll, const DeviceAlarmSettings &settings,
                    AlarmCondition &condition, const QDateTime &moment)
{
    const double back = settings.AlarmLow.value_or(0) + settings.AlarmDeadband;
    return LimitRule(poll, settings.AlarmLow, back, condition, moment, settings.AlarmDelay,
                     [](double value, double limit) { return value < limit; });
}

RuleVerdict NoLinkRule(const DevicePollState &poll, const DeviceAlarmSettings &settings,
                       AlarmCondition &condition, const QDateTime &)
{
    RuleVerdict verdict;
    condition.failedPolls = poll.PribNoLink != 0 ? condition.failedPolls + 1 : 0;
    verdict.holds = condition.holds() ? condition.failedPolls > 0
                                      : condition.failedPolls >= settings.AlarmNoLink;
    verdict.value = condition.failedPolls;
    verdict.limit = settings.AlarmNoLink;
    return verdict;
}

RuleVerdict BreakRule(const DevicePollState &poll, const DeviceAlarmSettings &, AlarmCondition &,
                      const QDateTime &)
{
    RuleVerdict verdict;
    if (poll.PribNoLink != 0)
        return verdict;
    verdict.holds = poll.PribZnac == SensorBreakValue;
    verdict.value = poll.PribZnac;
    return verdict;
}

bool RuleEnabled(AlarmKind kind, const DeviceAlarmSettings &settings)
{
    switch (kind) {
    case AlarmKind::High:
        return settings.AlarmHigh.has_value();
    case AlarmKind::Low:
        return settings.AlarmLow.has_value();
    case AlarmKind::NoLink:
        return settings.AlarmNoLink > 0;
    case AlarmKind::Break:
        return settings.AlarmBreak;
    }
    return false;
}

RuleVerdict ApplyRule(AlarmKind kind, const DevicePollState &poll,
                      const DeviceAlarmSettings &settings, AlarmCondition &condition,
                      const QDateTime &moment)
{
    switch (kind) {
    case AlarmKind::High:
        return HighRule(poll, settings, condition, moment);
    case AlarmKind::Low:
        return LowRule(poll, settings, condition, moment);
    case AlarmKind::NoLink:
        return NoLinkRule(poll, settings, condition, moment);
    case AlarmKind::Break:
        return BreakRule(poll, settings, condition, moment);
    }
    return {};
}

std::optional<AlarmChange> TakeVerdict(AlarmCondition &condition, const RuleVerdict &verdict)
{
    if (!verdict.holds || *verdict.holds == condition.holds())
        return std::nullopt;
    condition.value = verdict.value;
    condition.limit = verdict.limit;
    condition.crossedSince = QDateTime();
    if (*verdict.holds) {
        condition.state = AlarmState::Active;
        return AlarmChange::Raised;
    }
    condition.state =
        condition.state == AlarmState::Acknowledged ? AlarmState::Normal : AlarmState::Returned;
    return AlarmChange::Returned;
}

std::optional<AlarmChange> Acknowledge(AlarmCondition &condition)
{
    if (condition.state == AlarmState::Active)
        condition.state = AlarmState::Acknowledged;
    else if (condition.state == AlarmState::Returned)
        condition.state = AlarmState::Normal;
    else
        return std::nullopt;
    return AlarmChange::Acknowledged;
}

QString AlarmJournalText(AlarmKind kind, AlarmChange change, const QString &name,
                         const std::optional<double> &value, const std::optional<double> &limit)
{
    // What is said of each kind when it is raised, returns and is acknowledged.
    static const std::array<std::array<const char *, 3>, 4> What = {{
        {"значение {value} выше {limit}", "значение {value}, верхняя граница {limit}",
         "значение выше {limit}"},
        {"значение {value} ниже {limit}", "значение {value}, нижняя граница {limit}",
         "значение ниже {limit}"},
        {"нет связи, опросов без ответа: {value}", "связь восстановлена", "нет связи"},
        {"обрыв датчика", "датчик исправен", "обрыв датчика"},
    }};
    const auto c = static_cast<size_t>(change);
    const QString what = QString::fromUtf8(What.at(static_cast<size_t>(kind)).at(c))
                             .replace(QStringLiteral("{value}"), ValueText(value))
                             .replace(QStringLiteral("{limit}"), ValueText(limit));
    return QStringLiteral("%1: %2 — %3").arg(AlarmChangeText(change), name, what);
}

} // namespace zeltar
