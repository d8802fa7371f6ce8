#include "alarms/alarm_entries.h"

#include "core/number_text.h"

#include <cmath>

namespace zeltar {

namespace {

// A number typed with either separator; nullopt for an empty field, false in *ok for text
// that is no finite number.
std::optional<double> EnteredNumber(const QString &text, bool *ok)
{
    *ok = true;
    if (text.trimmed().isEmpty())
        return std::nullopt;
    const std::optional<double> value = ParseEnteredNumber(text);
    *ok = value && std::isfinite(*value);
    return *ok ? value : std::nullopt;
}

// A whole number from 0 to maximum; an empty field is 0.
std::optional<int> EnteredCount(const QString &text, int maximum)
{
    if (text.trimmed().isEmpty())
        return 0;
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < 0 || value > maximum)
        return std::nullopt;
    return value;
}

QString NumberEntry(const std::optional<double> &value)
{
    return value ? GeneralNumberText(*value) : QString();
}

} // namespace

bool AlarmEntries::operator==(const AlarmEntries &other) const
{
    return editAlarmHigh == other.editAlarmHigh && editAlarmLow == other.editAlarmLow &&
           editAlarmDeadband == other.editAlarmDeadband && editAlarmDelay == other.editAlarmDelay &&
           editAlarmNoLink == other.editAlarmNoLink && checkAlarmBreak == other.checkAlarmBreak;
}

AlarmEntries EntriesFromAlarms(const DeviceAlarmSettings &settings)
{
    AlarmEntries e;
    e.editAlarmHigh = NumberEntry(settings.AlarmHigh);
    e.editAlarmLow = NumberEntry(settings.AlarmLow);
    e.editAlarmDeadband = GeneralNumberText(settings.AlarmDeadband);
    e.editAlarmDelay = QString::number(settings.AlarmDelay);
    e.editAlarmNoLink = QString::number(settings.AlarmNoLink);
    e.checkAlarmBreak = settings.AlarmBreak;
    return e;
}

QString ParseAlarmEntries(const AlarmEntries &entries, DeviceAlarmSettings *settings)
{
    DeviceAlarmSettings taken;
    bool ok = false;
    taken.AlarmHigh = EnteredNumber(entries.editAlarmHigh, &ok);
    if (!ok)
        return QStringLiteral("Неверное значение верхней границы сигнализации");
    taken.AlarmLow = EnteredNumber(entries.editAlarmLow, &ok);
    if (!ok)
        return QStringLiteral("Неверное значение нижней границы сигнализации");
    if (taken.AlarmHigh && taken.AlarmLow && *taken.AlarmLow > *taken.AlarmHigh)
        return QStringLiteral("Нижняя граница сигнализации не может быть выше верхней");
    const std::optional<double> deadband = EnteredNumber(entries.editAlarmDeadband, &ok);
    if (!ok)
        return QStringLiteral("Неверное значение зоны возврата сигнализации");
    if (deadband && *deadband < 0)
        return QStringLiteral("Значение зоны возврата сигнализации не может быть меньше 0");
    taken.AlarmDeadband = deadband.value_or(0);
    const std::optional<int> delay = EnteredCount(entries.editAlarmDelay, MaxAlarmDelay);
    if (!delay)
        return QStringLiteral("Значение задержки сигнализации должно быть в диапазоне 0...%1 сек")
            .arg(MaxAlarmDelay);
    taken.AlarmDelay = *delay;
    const std::optional<int> noLink = EnteredCount(entries.editAlarmNoLink, MaxAlarmNoLink);
    if (!noLink)
        return QStringLiteral("Число опросов без ответа должно быть в диапазоне 0...%1")
            .arg(MaxAlarmNoLink);
    taken.AlarmNoLink = *noLink;
    taken.AlarmBreak = entries.checkAlarmBreak;
    *settings = taken;
    return {};
}

} // namespace zeltar
