#include "config/config_json.h"

#include "config/device_keys.h"

#include <QJsonArray>

#include <charconv>

namespace zeltar {

namespace {

class DeviceJson
{
public:
    QJsonObject object;

    void text(const char *key, const QString &field) { object.insert(QLatin1String(key), field); }
    void byte(const char *key, quint8 field, ByteRule) { object.insert(QLatin1String(key), field); }
    void int16(const char *key, qint16 field) { object.insert(QLatin1String(key), field); }
    void number(const char *key, float field)
    {
        object.insert(QLatin1String(key), JsonNumber(field));
    }

    void slotGroup(const char *key, float v1, float v2, float v3, float v4)
    {
        int i = 0;
        for (const float value : {v1, v2, v3, v4})
            object.insert(QLatin1String(key) + QString::number(++i), JsonNumber(value));
    }

    void program(quint8 count, const std::array<ProgramStep, MaxProgramSteps + 1> &steps)
    {
        QJsonArray list;
        for (int k = 1; k <= count && k <= MaxProgramSteps; ++k) {
            const ProgramStep &step = steps[k - 1];
            list.append(QJsonObject{{QStringLiteral("Hours"), step.Hours},
                                    {QStringLiteral("Minutes"), step.Minutes},
                                    {QStringLiteral("Value"), JsonNumber(step.Value)}});
        }
        object.insert(QStringLiteral("Program"), list);
    }
};

} // namespace

double JsonNumber(float value)
{
    char text[32];
    const std::to_chars_result written = std::to_chars(text, text + sizeof text, value);
    double result = value;
    std::from_chars(text, written.ptr, result);
    return result;
}

QJsonObject ConfigJson(const ProgramSettings &settings, const DeviceTable &table)
{
    const QJsonObject program{
        {QStringLiteral("AutoStart"), settings.AutoStart},
        {QStringLiteral("PathArh"), settings.PathArh},
        {QStringLiteral("TimeOpr"), settings.TimeOpr},
        {QStringLiteral("TimeArh"), settings.TimeArh},
        {QStringLiteral("TimeLastArh"), settings.TimeLastArh},
        {QStringLiteral("TimeLastArh1"), settings.TimeLastArh1},
        {QStringLiteral("CountUstr"), settings.CountUstr},
    };
    QJsonArray devices;
    for (int n = 1; n <= settings.CountUstr; ++n) {
        DeviceJson json;
        json.object.insert(QStringLiteral("Number"), n);
        VisitDeviceKeys(table.device(n), json);
        devices.append(json.object);
    }
    return QJsonObject{{QStringLiteral("ProgramSettings"), program},
                       {QStringLiteral("Devices"), devices}};
}

QJsonObject LoadConfigJson(const QString &progDir)
{
    const IniFile ini(ConfigFilePath(progDir));
    ProgramSettings settings;
    DeviceTable table;
    LoadProgramSettings(ini, progDir, settings, table, false);
    return ConfigJson(settings, table);
}

} // namespace zeltar
