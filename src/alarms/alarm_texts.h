#pragma once

#include "alarms/alarm_rules.h"

#include <QString>

#include <optional>

namespace zeltar {

// The words an operator reads of an alarm in the window.

// "Выше верхней границы", "Ниже нижней границы", "Нет связи", "Обрыв датчика".
QString AlarmKindText(AlarmKind kind);
// The same within a sentence (a mail's line, a sensor's name after "Тревога: "): "выше
// верхней границы", "нет связи".
QString AlarmKindPhrase(AlarmKind kind);
// "Норма", "Активна", "Квитирована", "Вернулась, не квитирована".
QString AlarmStateText(AlarmState state);
// A value or limit of an alarm of that kind in the locale's form; empty when there is none
// (a sensor break has no value to show: the instrument's mark stands in for it).
QString AlarmNumberText(AlarmKind kind, const std::optional<double> &value);

// What a record of the history says happened: "Тревога", "Норма", "Квитирована".
QString AlarmChangeText(AlarmChange change);
// The same from the words the history table keeps; an unknown word is shown as it is.
QString AlarmKindWordText(const QString &word);
QString AlarmChangeWordText(const QString &word);

} // namespace zeltar
