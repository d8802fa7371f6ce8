#include "ctl_settings_file.h"

#include "config/device_keys.h"
#include "core/number_text.h"
#include "instrument/regulation_program.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

#include <cmath>
#include <limits>
#include <optional>

namespace zeltar::ctl {

namespace {

// Keys that `settings` or `config` print but a write does not take.
const QSet<QString> &PassedOverKeys()
{
    static const QSet<QString> keys = {QStringLiteral("Number"), QStringLiteral("PribName"),
                                       QStringLiteral("PribVkl"), QStringLiteral("PribPort"),
                                       QStringLiteral("Clock")};
    return keys;
}

std::optional<int> WholeNumber(const QJsonValue &value, int low, int high)
{
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (number != std::floor(number) || number < low || number > high)
        return std::nullopt;
    return static_cast<int>(number);
}

// A number field's value; NaN for anything a single cannot hold, which the checks refuse.
float SingleOf(const QJsonValue &value)
{
    constexpr float Refused = std::numeric_limits<float>::quiet_NaN();
    std::optional<double> number;
    if (value.isDouble())
        number = value.toDouble();
    else if (value.isString())
        number = ParseEnteredNumber(value.toString());
    if (!number || !(std::fabs(*number) <= std::numeric_limits<float>::max()))
        return Refused;
    return static_cast<float>(*number);
}

// Reads one step of Program as the step editor checks its fields, in their order.
QString TakeStep(const QJsonValue &value, ProgramStep *step)
{
    const QJsonObject object = value.toObject();
    const std::optional<int> hours =
        WholeNumber(object.value(QLatin1String("Hours")), 0, ProgramEndHours - 1);
    if (!hours)
        return StepHourMessage;
    const QJsonValue minutesValue = object.value(QLatin1String("Minutes"));
    if (!WholeNumber(minutesValue, 0, std::numeric_limits<int>::max()))
        return StepMinuteMessage;
    const std::optional<int> minutes = WholeNumber(minutesValue, 0, 59);
    if (!minutes)
        return StepMinuteRangeMessage;
    const float single = SingleOf(object.value(QLatin1String("Value")));
    if (!std::isfinite(single))
        return StepValueMessage;
    *step = ProgramStep{static_cast<quint8>(*hours), static_cast<quint8>(*minutes), single};
    return {};
}

// Visits the device keys (device_keys.h) and takes those the file gives; the first fault
// found stays in error.
class FileReader
{
public:
    explicit FileReader(const QJsonObject &file) : m_file(file) {}

    QString error;
    QSet<QString> known = PassedOverKeys();

    void text(const char *key, QString &) { known.insert(QLatin1String(key)); }

    void byte(const char *name, quint8 &field, ByteRule rule)
    {
        const QString key = QLatin1String(name);
        known.insert(key);
        if (PassedOverKeys().contains(key) || !m_file.contains(key))
            return;
        const std::optional<int> value = whole(key, rule.low, rule.high);
        if (!value)
            return;
        if (key == QLatin1String("PribPoint"))
            m_givenPoint = *value; // checked against the program below
        else
            field = static_cast<quint8>(*value);
    }

    void int16(const char *name, qint16 &field)
    {
        const QString key = QLatin1String(name);
        known.insert(key);
        if (!m_file.contains(key))
            return;
        if (const std::optional<int> value = whole(key, 0, 1000))
            field = static_cast<qint16>(*value);
    }

    void number(const char *name, float &field)
    {
        const QString key = QLatin1String(name);
        known.insert(key);
        if (m_file.contains(key))
            field = SingleOf(m_file.value(key));
    }

    void slotGroup(const char *key, float &v1, float &v2, float &v3, float &v4)
    {
        int i = 0;
        for (float *field : {&v1, &v2, &v3, &v4})
            number(qPrintable(QLatin1String(key) + QString::number(++i)), *field);
    }

    void program(quint8 &count, std::array<ProgramStep, MaxProgramSteps + 1> &steps)
    {
        const QString key = QStringLiteral("Program");
        known.insert(key);
        if (m_file.contains(key))
            takeProgram(m_file.value(key), &count, &steps);
        if (error.isEmpty() && m_givenPoint >= 0 && m_givenPoint != count)
            fail(QStringLiteral("PribPoint: %1 is not the number of program steps (%2)")
                     .arg(m_givenPoint)
                     .arg(count));
    }

private:
    std::optional<int> whole(const QString &key, int low, int high)
    {
        const std::optional<int> value = WholeNumber(m_file.value(key), low, high);
        if (!value)
            fail(QStringLiteral("%1: %2 is not a whole number from %3 to %4")
                     .arg(key, ValueText(m_file.value(key)))
                     .arg(low)
                     .arg(high));
        return value;
    }

    void takeProgram(const QJsonValue &value, quint8 *count,
                     std::array<ProgramStep, MaxProgramSteps + 1> *steps)
    {
        if (!value.isArray()) {
            fail(QStringLiteral("Program: a list of steps is expected"));
            return;
        }
        const QJsonArray list = value.toArray();
        if (list.size() > MaxProgramSteps) {
            fail(QStringLiteral("Program: ") + ProgramFullMessage);
            return;
        }
        std::array<ProgramStep, MaxProgramSteps + 1> taken{};
        for (int i = 0; i < list.size(); ++i) {
            const QString refusal = TakeStep(list.at(i), &taken[static_cast<size_t>(i)]);
            if (!refusal.isEmpty()) {
                fail(QStringLiteral("Program step %1: %2").arg(i + 1).arg(refusal));
                return;
            }
        }
        *steps = taken;
        *count = static_cast<quint8>(list.size());
    }

    static QString ValueText(const QJsonValue &value)
    {
        return QString::fromUtf8(QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact))
            .mid(1)
            .chopped(1);
    }

    void fail(const QString &message)
    {
        if (error.isEmpty())
            error = message;
    }

    const QJsonObject &m_file;
    int m_givenPoint = -1;
};

} // namespace

QString ApplySettingsFile(const QJsonObject &file, InstrumentSettings *record)
{
    FileReader reader(file);
    VisitDeviceKeys(*record, reader);
    if (!reader.error.isEmpty())
        return reader.error;
    for (auto it = file.begin(); it != file.end(); ++it) {
        if (!reader.known.contains(it.key()))
            return QStringLiteral("%1: no such setting").arg(it.key());
    }
    return {};
}

} // namespace zeltar::ctl
