#pragma once

#include "instrument/instrument_settings.h"
#include "instrument/register_codec.h"

#include <QDateTime>
#include <QString>

namespace zeltar {

class SerialSession;

// --- Reading the instrument's clock.

enum class ClockReadResult
{
    Ok,
    NoPort,   // the port cannot be opened
    NoLink,   // the transaction failed
    NotADate, // the clock bytes are no calendar date and time (day 0, month 13, 25 h ...)
};

// Reads registers 57 to 59 of the instrument at the record's port, baud index and address
// into *clock. With NotADate *clock holds the decoded bytes as they came. The port is
// closed on every path.
ClockReadResult ReadInstrumentClock(SerialSession &port, const InstrumentSettings &record,
                                    InstrumentClock *clock);

// The message after a read: Ok without icon, the others with the error icon. NoPort and
// NoLink both say that the instrument cannot be reached.
QString ClockReadMessage(ClockReadResult result, const InstrumentClock &clock);

// 100 x (current year div 100), by which a read clock's year byte becomes a full year.
// The settings read shows its clock in the century 2000 instead.
int CurrentCentury();

// Whether the clock is a real date and time in the given century.
bool IsCalendarClock(const InstrumentClock &clock, int century);

// --- Writing it.

// The date text (dd.mm.yyyy) and the time text (hh:mm:ss) of the window checked field by
// field in the order day, month, year, hour, minute, second. message is the first check's
// failure (error icon), empty when all six passed; clock then holds them.
struct ClockEntries
{
    QString message;
    InstrumentClock clock;

    bool ok() const { return message.isEmpty(); }
};

ClockEntries CheckClockEntries(const QString &dateText, const QString &timeText);

enum class ClockWriteResult
{
    Ok,
    NoPort,     // the port cannot be opened
    WriteFailed // the instrument did not acknowledge
};

// Writes the clock to registers 57 to 59 as packed BCD at the record's port, baud index and
// address. The port is closed on every path.
ClockWriteResult WriteInstrumentClock(SerialSession &port, const InstrumentSettings &record,
                                      const InstrumentClock &clock);

// The message after a write: Ok without icon, the others with the error icon.
QString ClockWriteMessage(ClockWriteResult result);

// --- The PC's clock and the texts of the clock fields.

// The station's "now" as the six fields (the year within its century).
InstrumentClock PcClock();

// dd.mm.yyyy with the year century + clock.Year, for the date field.
QString ClockDateText(const InstrumentClock &clock, int century);
// hh:mm:ss, for the time field.
QString ClockTimeText(const InstrumentClock &clock);

// The PC clock display: dd:mm:yy and hh:mm:ss.
QString SysDateText(const QDateTime &moment);
QString SysTimeText(const QDateTime &moment);

} // namespace zeltar
