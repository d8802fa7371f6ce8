#pragma once

#include "alarms/alarm_settings.h"

#include <QDateTime>
#include <QString>

#include <array>
#include <optional>

namespace zeltar {

struct DevicePollState;

enum class AlarmKind
{
    High,
    Low,
    NoLink,
    Break
};
constexpr std::array<AlarmKind, 4> AlarmKinds = {AlarmKind::High, AlarmKind::Low, AlarmKind::NoLink,
                                                 AlarmKind::Break};

// The states of an alarm: normal, then active and unacknowledged when raised; acknowledged
// while still active; returned (to normal) but not yet acknowledged.
enum class AlarmState
{
    Normal,
    Active,
    Acknowledged,
    Returned
};

// What changed: the word the history, the command and the publications carry.
enum class AlarmChange
{
    Raised,      // "active"
    Returned,    // "normal"
    Acknowledged // "acknowledged"
};

// "high", "low", "nolink", "break"; and back (nullopt for another word).
QString AlarmKindWord(AlarmKind kind);
std::optional<AlarmKind> AlarmKindFromWord(const QString &word);
// "active", "normal", "acknowledged".
QString AlarmChangeWord(AlarmChange change);
// "normal", "active", "acknowledged", "returned"; and back.
QString AlarmStateWord(AlarmState state);
std::optional<AlarmState> AlarmStateFromWord(const QString &word);

// One alarm of one device: its state and what its rule has seen of the polls.
struct AlarmCondition
{
    AlarmState state = AlarmState::Normal;
    QDateTime crossedSince;      // the limit has been crossed since then, not yet raised
    QDateTime raised;            // when it was last raised
    int failedPolls = 0;         // failed polls in a row
    std::optional<double> value; // the value of the last change (failed polls for no link)
    std::optional<double> limit; // the limit it was measured against

    // The rule's condition holds: raised and not returned.
    bool holds() const { return state == AlarmState::Active || state == AlarmState::Acknowledged; }
};

// What one poll does to one rule: whether the condition now holds (nullopt: the poll says
// nothing about it, the state stays), and the value and limit to report.
struct RuleVerdict
{
    std::optional<bool> holds;
    std::optional<double> value;
    std::optional<double> limit;
};

// The rules, one function each: the poll, the device's settings, the condition as it stands
// (holds() decides between the raising and the returning test) and the poll's moment.
// High and low: a value beyond the limit for AlarmDelay seconds raises; it returns at the
// limit less the deadband (more, for low). A poll without link or with a broken sensor says
// nothing about them and starts the delay afresh.
RuleVerdict HighRule(const DevicePollState &poll, const DeviceAlarmSettings &settings,
                     AlarmCondition &condition, const QDateTime &moment);
RuleVerdict LowRule(const DevicePollState &poll, const DeviceAlarmSettings &settings,
                    AlarmCondition &condition, const QDateTime &moment);
// No link: AlarmNoLink failed polls in a row raise it; the first answer returns it.
RuleVerdict NoLinkRule(const DevicePollState &poll, const DeviceAlarmSettings &settings,
                       AlarmCondition &condition, const QDateTime &moment);
// Sensor break: raised at once by the instrument's mark, returned by a measurement.
RuleVerdict BreakRule(const DevicePollState &poll, const DeviceAlarmSettings &settings,
                      AlarmCondition &condition, const QDateTime &moment);

// Whether the kind's rule is on in the settings.
bool RuleEnabled(AlarmKind kind, const DeviceAlarmSettings &settings);
RuleVerdict ApplyRule(AlarmKind kind, const DevicePollState &poll,
                      const DeviceAlarmSettings &settings, AlarmCondition &condition,
                      const QDateTime &moment);

// Moves the condition by a verdict: the change it makes, if any.
std::optional<AlarmChange> TakeVerdict(AlarmCondition &condition, const RuleVerdict &verdict);
// The operator acknowledges: the change, if the alarm was waiting for it.
std::optional<AlarmChange> Acknowledge(AlarmCondition &condition);

// The journal line of a change of device name's alarm:
//   Тревога: Печь 1 — значение 1043,2 выше 1000
//   Норма: Печь 1 — значение 985, верхняя граница 1000
//   Квитирована: Печь 1 — значение выше 1000
QString AlarmJournalText(AlarmKind kind, AlarmChange change, const QString &name,
                         const std::optional<double> &value, const std::optional<double> &limit);

} // namespace zeltar
