#pragma once

#include "alarms/alarm_rules.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace zeltar {

// One change of one alarm, as the journal, the history and the notifications tell it.
struct AlarmEvent
{
    QDateTime moment; // local time of the poll (or of the acknowledgement)
    int device = 0;
    QString name;
    AlarmKind kind = AlarmKind::High;
    AlarmChange change = AlarmChange::Raised;
    std::optional<double> value;
    std::optional<double> limit;
};

} // namespace zeltar
