#include "config/configuration.h"

#include "config/device_keys.h"
#include "core/number_text.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace zeltar {

namespace {

const QString Main = QStringLiteral("MAIN");
const QString Ports = QStringLiteral("PORTS");
constexpr int SlotWidth = 8;
constexpr int PollPeriodMax = 999;
constexpr int ArchivePeriodMax = 24;
constexpr int PribPeriodArhMax = 999;

QString PointKey(int k)
{
    return QStringLiteral("Point%1").arg(k);
}

// A folder text taken relative to the program folder. Blank text names no folder.
std::optional<QString> ExistingFolder(const QString &text, const QString &progDir)
{
    if (text.trimmed().isEmpty())
        return std::nullopt;
    const QString path = QDir(progDir).absoluteFilePath(text);
    if (!QFileInfo(path).isDir())
        return std::nullopt;
    return path;
}

// The archive folder: the stored one when it exists, else ProgDir + "Data". *text gets the
// stored text when that is the folder, else nothing.
QString ArchiveFolder(const IniFile &ini, const QString &progDir, bool create, QString *text)
{
    const QString stored = ini.readString(Main, QStringLiteral("PathArh"), QString());
    const std::optional<QString> folder = ExistingFolder(stored, progDir);
    *text = folder ? stored : QString();
    if (folder)
        return WithTrailingSeparator(*folder);
    const QString fallback = QDir(progDir).filePath(QStringLiteral("Data"));
    if (create)
        QDir().mkpath(fallback); // a failure shows later, when tables cannot be made
    // A stored "Data" that is not made yet names that very folder: it keeps its text.
    if (!stored.isEmpty() &&
        QDir::cleanPath(QDir(progDir).filePath(stored)) == QDir::cleanPath(fallback))
        *text = stored;
    return WithTrailingSeparator(fallback);
}

// Numbers written by the station use the locale's separator; either one is read, so a
// file keeps its values when the locale changes.
float ReadNumberText(const QString &text)
{
    return ToSingle(ParseEnteredNumber(text).value_or(0.0));
}

// One step as "kk;hhh:mm;value;". Only the time and the value are read; the key names
// the step.
std::optional<ProgramStep> ParseStep(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(';'));
    if (parts.size() < 3)
        return std::nullopt;
    const QStringList time = parts.at(1).split(QLatin1Char(':'));
    if (time.size() != 2)
        return std::nullopt;
    const std::optional<long long> hours = ParseInteger(time.at(0));
    const std::optional<long long> minutes = ParseInteger(time.at(1));
    const std::optional<double> value = ParseEnteredNumber(parts.at(2));
    if (!hours || !minutes || !value)
        return std::nullopt;
    ProgramStep step;
    step.Hours = static_cast<quint8>(*hours & 0xFF);
    step.Minutes = static_cast<quint8>(*minutes & 0xFF);
    step.Value = ToSingle(*value);
    return step;
}

QString StepText(int k, const ProgramStep &step)
{
    return PadZero(QString::number(k), 2) + QLatin1Char(';') +
           PadZero(QString::number(step.Hours), 3) + QLatin1Char(':') +
           PadZero(QString::number(step.Minutes), 2) + QLatin1Char(';') + SlotText(step.Value) +
           QLatin1Char(';');
}

// Fills a record from its section, with the default and correction of every key. A key
// that is present is taken as written even when it equals a missing-key marker.
class DeviceReader
{
public:
    DeviceReader(const IniFile &ini, QString section) : m_ini(ini), m_section(std::move(section)) {}

    void text(const char *key, QString &field)
    {
        field = m_ini.readString(m_section, QLatin1String(key), QString());
    }

    void byte(const char *key, quint8 &field, ByteRule rule)
    {
        const int value = m_ini.readInteger(m_section, QLatin1String(key), rule.missing) & 0xFF;
        field =
            static_cast<quint8>(value < rule.low || value > rule.high ? rule.replacement : value);
    }

    void slotGroup(const char *key, float &v1, float &v2, float &v3, float &v4)
    {
        // Each value runs up to its ";", so slots of any width are read.
        const QStringList parts =
            m_ini.readString(m_section, QLatin1String(key), QString()).split(QLatin1Char(';'));
        float *values[] = {&v1, &v2, &v3, &v4};
        for (int i = 0; i < 4; ++i)
            *values[i] = ReadNumberText(parts.value(i));
    }

    void number(const char *key, float &field)
    {
        field = ReadNumberText(m_ini.readString(m_section, QLatin1String(key), QString()));
    }

    void int16(const char *key, qint16 &field)
    {
        const auto value = static_cast<qint16>(
            m_ini.readInteger(m_section, QLatin1String(key), PribPeriodArhMax) & 0xFFFF);
        field = value < 1 || value > PribPeriodArhMax ? PribPeriodArhMax : value;
    }

    // Steps 1 to PribPoint; the first missing or malformed one ends the program there.
    void program(quint8 &count, std::array<ProgramStep, MaxProgramSteps + 1> &steps)
    {
        for (int k = 1; k <= count; ++k) {
            const std::optional<QString> text = m_ini.value(m_section, PointKey(k));
            const std::optional<ProgramStep> step = text ? ParseStep(*text) : std::nullopt;
            if (!step) {
                steps[k - 1] = ProgramStep{};
                count = 0;
                return;
            }
            steps[k - 1] = *step;
        }
    }

private:
    const IniFile &m_ini;
    QString m_section;
};

class DeviceWriter
{
public:
    DeviceWriter(IniFile &ini, QString section) : m_ini(ini), m_section(std::move(section)) {}

    bool ok() const { return m_ok; }

    void text(const char *key, const QString &field) { put(key, field); }
    void byte(const char *key, quint8 field, ByteRule) { put(key, QString::number(field)); }
    void int16(const char *key, qint16 field) { put(key, QString::number(field)); }
    void number(const char *key, float field) { put(key, FormatNumber(field)); }

    void slotGroup(const char *key, float v1, float v2, float v3, float v4)
    {
        QString text;
        for (const float value : {v1, v2, v3, v4})
            text += SlotText(value) + QLatin1Char(';');
        put(key, text);
    }

    void program(quint8 count, const std::array<ProgramStep, MaxProgramSteps + 1> &steps)
    {
        for (int k = 1; k <= count && k <= MaxProgramSteps; ++k)
            m_ok = m_ini.writeString(m_section, PointKey(k), StepText(k, steps[k - 1])) && m_ok;
    }

private:
    void put(const char *key, const QString &value)
    {
        m_ok = m_ini.writeString(m_section, QLatin1String(key), value) && m_ok;
    }

    IniFile &m_ini;
    QString m_section;
    bool m_ok = true;
};

} // namespace

QString ConfigFilePath(const QString &progDir)
{
    return QDir(progDir).filePath(QStringLiteral("Zeltar.ini"));
}

QString DeviceSection(int n)
{
    return QStringLiteral("ZELTAR%1").arg(n);
}

// Folders in memory end in a separator so that a file name can be appended directly.
// The separator is the platform's ("/" here, "\" on Windows); a folder written by the
// station on Windows ends in "\", which counts as present too.
QString WithTrailingSeparator(const QString &folder)
{
    if (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\')))
        return folder;
    return folder + QDir::separator();
}

QString SlotText(float value)
{
    const QString text = FormatNumber(value);
    if (!text.startsWith(QLatin1Char('-')))
        return PadZero(text, SlotWidth);
    // A negative value keeps the slot width with its sign in front: -0000050.
    const QString magnitude = text.mid(1);
    if (magnitude.size() >= SlotWidth)
        return text;
    return QLatin1Char('-') + PadZero(magnitude, SlotWidth - 1);
}

void LoadProgramSettings(const IniFile &ini, const QString &progDir, ProgramSettings &settings,
                         DeviceTable &table, bool createArchiveFolder)
{
    settings.AutoStart = ini.readInteger(Main, QStringLiteral("AutoStart"), 0) != 0;
    settings.PathArh = ArchiveFolder(ini, progDir, createArchiveFolder, &settings.PathArhText);

    // A missing or malformed TimeOpr gives 1 s; a stored 999 is the operator's 999 s.
    const std::optional<int> timeOpr = ini.integerValue(Main, QStringLiteral("TimeOpr"));
    settings.TimeOpr = timeOpr && *timeOpr >= 0 ? *timeOpr : 1;

    const int timeArh = ini.readInteger(Main, QStringLiteral("TimeArh"), 999);
    settings.TimeArh = timeArh < 0 || timeArh > ArchivePeriodMax ? 12 : timeArh;

    const QString timeLastArh = ini.readString(Main, QStringLiteral("TimeLastArh"), "SSS");
    settings.TimeLastArh = ParseInteger(timeLastArh).value_or(0);
    settings.TimeLastArh1 = ini.readString(Main, QStringLiteral("TimeLastArh1"), "SSS");

    // No count means no devices; the table holds MaxDevices at most, so any larger count
    // (also one beyond 32 bits) means the first MaxDevices.
    const std::optional<QString> countText = ini.value(Main, QStringLiteral("CountUstr"));
    const std::optional<long long> count = countText ? ParseInteger(*countText) : std::nullopt;
    static const QRegularExpression digits(QStringLiteral("^\\s*\\+?[0-9]+\\s*$"));
    const bool huge = countText && !count && digits.match(*countText).hasMatch();
    settings.CountUstr =
        huge ? MaxDevices
             : static_cast<int>(std::clamp<long long>(count.value_or(0), 0, MaxDevices));

    for (int n = 1; n <= settings.CountUstr; ++n)
        LoadDevice(ini, table, n);
}

void LoadDevice(const IniFile &ini, DeviceTable &table, int n)
{
    InstrumentSettings record;
    DeviceReader reader(ini, DeviceSection(n));
    VisitDeviceKeys(record, reader);
    table.device(n) = record;
}

bool WriteProgramSettings(IniFile &ini, const ProgramSettings &settings)
{
    IniFile::WriteGroup group(ini);
    bool ok = ini.writeInteger(Main, QStringLiteral("AutoStart"), settings.AutoStart ? 1 : 0);
    const QString folder = settings.PathArhText.isEmpty() ? settings.PathArh : settings.PathArhText;
    ok = ini.writeString(Main, QStringLiteral("PathArh"), folder) && ok;
    ok = ini.writeInteger(Main, QStringLiteral("TimeOpr"), settings.TimeOpr) && ok;
    ok = ini.writeInteger(Main, QStringLiteral("TimeArh"), settings.TimeArh) && ok;
    return group.commit() && ok;
}

bool WriteDevice(IniFile &ini, const DeviceTable &table, int n)
{
    IniFile::WriteGroup group(ini);
    DeviceWriter writer(ini, DeviceSection(n));
    VisitDeviceKeys(table.device(n), writer);
    return group.commit() && writer.ok();
}

bool WriteDeviceCount(IniFile &ini, int count)
{
    return ini.writeInteger(Main, QStringLiteral("CountUstr"), count);
}

bool WriteArchivePeriod(IniFile &ini, const ProgramSettings &settings)
{
    IniFile::WriteGroup group(ini);
    bool ok = ini.writeInteger(Main, QStringLiteral("TimeLastArh"), settings.TimeLastArh);
    ok = ini.writeString(Main, QStringLiteral("TimeLastArh1"), settings.TimeLastArh1) && ok;
    return group.commit() && ok;
}

QString AcceptProgramSettings(const ProgramSettingsEntry &entry, const QString &progDir,
                              ProgramSettings &settings)
{
    const std::optional<QString> folder = ExistingFolder(entry.folder, progDir);
    if (!folder) {
        return QStringLiteral("Папка:") + entry.folder + QLatin1Char('\r') +
               QStringLiteral("Не существует") + QLatin1Char('\r');
    }
    const std::optional<long long> pollPeriod = ParseInteger(entry.pollPeriod);
    if (!pollPeriod || *pollPeriod < 1 || *pollPeriod > PollPeriodMax)
        return QStringLiteral("Период опроса должнен изменяться от 1 до 999 сек");
    const std::optional<long long> archivePeriod = ParseInteger(entry.archivePeriod);
    if (!archivePeriod || *archivePeriod < 1 || *archivePeriod > ArchivePeriodMax)
        return QStringLiteral("Период архивирования должнен изменяться от 1ч до 24ч");

    settings.AutoStart = entry.autoStart;
    // A relative text stays relative, so that the station folder may move.
    const QString chosen = WithTrailingSeparator(*folder);
    if (QDir::cleanPath(chosen) != QDir::cleanPath(settings.PathArh) ||
        settings.PathArhText.isEmpty())
        settings.PathArhText = WithTrailingSeparator(entry.folder);
    settings.PathArh = chosen;
    settings.TimeOpr = static_cast<int>(*pollPeriod);
    settings.TimeArh = static_cast<int>(*archivePeriod);
    return QString();
}

PortNames LoadPortNames(const IniFile &ini)
{
    QMap<int, QString> mapping;
    for (int port = 1; port <= 8; ++port) {
        const QString name = ini.readString(Ports, QStringLiteral("COM%1").arg(port), QString());
        if (!name.isEmpty())
            mapping.insert(port, name);
    }
    return PortNames(std::move(mapping));
}

} // namespace zeltar
