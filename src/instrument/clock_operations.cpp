#include "instrument/clock_operations.h"

#include "core/clock.h"
#include "core/number_text.h"
#include "link/modbus_master.h"
#include "link/serial_session.h"
#include "link/timing.h"

#include <QRegularExpression>

#include <optional>

namespace zeltar {

namespace {

constexpr quint16 ClockRegisters = 3;
constexpr int ClockBytes = 2 * ClockRegisters;

QString Two(int value)
{
    return PadZero(QString::number(value), 2);
}

// One field of the clock entries: where it stands in its text, its messages and the
// values it accepts.
struct ClockField
{
    bool inDate;  // in the date text, else in the time text
    int position; // first character, from 0
    quint8 InstrumentClock::*field;
    int low;
    int high;
    const char *notANumber;
    const char *outOfRange;
};

const ClockField ClockFields[] = {
    {true, 0, &InstrumentClock::Day, 0, 31, "Неверный день в дате",
     "Значение номера дня должно быть от 0 до 31"},
    {true, 3, &InstrumentClock::Month, 1, 12, "Неверный месяц в дате",
     "Значение номера месяца должно быть от 0 до 12"},
    {true, 8, &InstrumentClock::Year, 0, 99, "Неверный год в дате",
     "Значение номера года должно быть от 0 до 99"},
    {false, 0, &InstrumentClock::Hour, 0, 23, "Неверное значение час",
     "Значение номера часа должно быть от 0 до 23"},
    {false, 3, &InstrumentClock::Minute, 0, 59, "Неверное значение минут",
     "Значение минут должно быть от 0 до 59"},
    {false, 6, &InstrumentClock::Second, 0, 59, "Неверное значение секунд",
     "Значение секунд должно быть от 0 до 59"},
};

// A decimal integer with leading blanks allowed and nothing after its digits.
std::optional<int> ParseClockPiece(const QString &piece)
{
    static const QRegularExpression number(QStringLiteral("^ *([+-]?[0-9]+)$"));
    const QRegularExpressionMatch match = number.match(piece);
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).toInt();
}

// The six fields of a moment, the year within its century.
InstrumentClock ClockOf(const QDateTime &moment)
{
    const QDate date = moment.date();
    const QTime time = moment.time();
    InstrumentClock clock;
    clock.Day = static_cast<quint8>(date.day());
    clock.Month = static_cast<quint8>(date.month());
    clock.Year = static_cast<quint8>(date.year() % 100);
    clock.Hour = static_cast<quint8>(time.hour());
    clock.Minute = static_cast<quint8>(time.minute());
    clock.Second = static_cast<quint8>(time.second());
    return clock;
}

} // namespace

ClockReadResult ReadInstrumentClock(SerialSession &port, const InstrumentSettings &record,
                                    InstrumentClock *clock)
{
    if (port.OpenPort(record.PribPort, record.PribBaud) != 0)
        return ClockReadResult::NoPort;
    ModbusMaster master(port);
    const QByteArray reply =
        master.ModBusRead03(record.PribAdr, RegClock, ClockRegisters,
                            SetTiming(TimingRead03, record.PribBaud, ClockRegisters));
    port.ClosePort();

    if (reply.size() <= 2)
        return ClockReadResult::NoLink;
    *clock = DecodeClock(ReplyData(reply));
    if (!IsCalendarClock(*clock, CurrentCentury()))
        return ClockReadResult::NotADate;
    return ClockReadResult::Ok;
}

QString ClockReadMessage(ClockReadResult result, const InstrumentClock &clock)
{
    switch (result) {
    case ClockReadResult::Ok:
        return QStringLiteral("Чтение даты и времени завершено успешно");
    case ClockReadResult::NoPort:
    case ClockReadResult::NoLink:
        return QStringLiteral("Нет связи с прибором");
    case ClockReadResult::NotADate:
        break;
    }
    return QStringLiteral("Часы прибора показывают неверную дату или время: %1.%2.%3 %4")
        .arg(Two(clock.Day), Two(clock.Month), Two(clock.Year), ClockTimeText(clock));
}

int CurrentCentury()
{
    return 100 * (Clock::now().date().year() / 100);
}

bool IsCalendarClock(const InstrumentClock &clock, int century)
{
    return QDate::isValid(century + clock.Year, clock.Month, clock.Day) &&
           QTime::isValid(clock.Hour, clock.Minute, clock.Second);
}

ClockEntries CheckClockEntries(const QString &dateText, const QString &timeText)
{
    ClockEntries entries;
    for (const ClockField &field : ClockFields) {
        const QString &text = field.inDate ? dateText : timeText;
        const std::optional<int> value = ParseClockPiece(text.mid(field.position, 2));
        if (!value) {
            entries.message = QString::fromUtf8(field.notANumber);
            return entries;
        }
        // Kept as a byte, so a negative number is far out of range.
        const auto byte = static_cast<quint8>(*value & 0xFF);
        if (byte < field.low || byte > field.high) {
            entries.message = QString::fromUtf8(field.outOfRange);
            return entries;
        }
        entries.clock.*field.field = byte;
    }
    return entries;
}

ClockWriteResult WriteInstrumentClock(SerialSession &port, const InstrumentSettings &record,
                                      const InstrumentClock &clock)
{
    if (port.OpenPort(record.PribPort, record.PribBaud) != 0)
        return ClockWriteResult::NoPort;
    ModbusMaster master(port);
    const QByteArray reply =
        master.ModBusWrite16(record.PribAdr, RegClock, ClockRegisters, EncodeClock(clock),
                             SetTiming(TimingWrite16, record.PribBaud, ClockBytes));
    port.ClosePort();
    return reply.size() < 2 ? ClockWriteResult::WriteFailed : ClockWriteResult::Ok;
}

QString ClockWriteMessage(ClockWriteResult result)
{
    switch (result) {
    case ClockWriteResult::Ok:
        return QStringLiteral("Дата и время установлены");
    case ClockWriteResult::NoPort:
        return QStringLiteral("Ошибка открытия порта");
    case ClockWriteResult::WriteFailed:
        break;
    }
    return QStringLiteral("Ошибка записи времени в прибор");
}

InstrumentClock PcClock()
{
    return ClockOf(Clock::now());
}

QString ClockDateText(const InstrumentClock &clock, int century)
{
    return Two(clock.Day) + QLatin1Char('.') + Two(clock.Month) + QLatin1Char('.') +
           PadZero(QString::number(century + clock.Year), 4);
}

QString ClockTimeText(const InstrumentClock &clock)
{
    return Two(clock.Hour) + QLatin1Char(':') + Two(clock.Minute) + QLatin1Char(':') +
           Two(clock.Second);
}

QString SysDateText(const QDateTime &moment)
{
    const InstrumentClock clock = ClockOf(moment);
    return Two(clock.Day) + QLatin1Char(':') + Two(clock.Month) + QLatin1Char(':') +
           Two(clock.Year);
}

QString SysTimeText(const QDateTime &moment)
{
    return ClockTimeText(ClockOf(moment));
}

} // namespace zeltar
