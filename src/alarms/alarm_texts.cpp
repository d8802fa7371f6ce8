#include "alarms/alarm_texts.h"

#include "core/number_text.h"

#include <array>

namespace zeltar {

QString AlarmKindText(AlarmKind kind)
{
    static const std::array<const char *, 4> Texts = {"Выше верхней границы", "Ниже нижней границы",
                                                      "Нет связи", "Обрыв датчика"};
    return QString::fromUtf8(Texts.at(static_cast<size_t>(kind)));
}

QString AlarmKindPhrase(AlarmKind kind)
{
    const QString text = AlarmKindText(kind);
    return text.left(1).toLower() + text.mid(1);
}

QString AlarmStateText(AlarmState state)
{
    static const std::array<const char *, 4> Texts = {"Норма", "Активна", "Квитирована",
                                                      "Вернулась, не квитирована"};
    return QString::fromUtf8(Texts.at(static_cast<size_t>(state)));
}

QString AlarmNumberText(AlarmKind kind, const std::optional<double> &value)
{
    return value && kind != AlarmKind::Break ? FormatNumber(*value) : QString();
}

QString AlarmChangeText(AlarmChange change)
{
    static const std::array<const char *, 3> Texts = {"Тревога", "Норма", "Квитирована"};
    return QString::fromUtf8(Texts.at(static_cast<size_t>(change)));
}

QString AlarmKindWordText(const QString &word)
{
    const std::optional<AlarmKind> kind = AlarmKindFromWord(word);
    return kind ? AlarmKindText(*kind) : word;
}

QString AlarmChangeWordText(const QString &word)
{
    for (AlarmChange change :
         {AlarmChange::Raised, AlarmChange::Returned, AlarmChange::Acknowledged})
        if (AlarmChangeWord(change) == word)
            return AlarmChangeText(change);
    return word;
}

} // namespace zeltar
