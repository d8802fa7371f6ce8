#include "config/device_list.h"

#include "config/device_keys.h"
#include "core/number_text.h"

#include <algorithm>
#include <limits>

namespace zeltar {

namespace {

const QString DefaultName = QStringLiteral("Новое устройство");
const QString RootText = QStringLiteral("Программа");

// The number after "Новое устройство" in a name such as "Новое устройство 3": the text from
// the 17th character on, blanks allowed in front of it only.
std::optional<long long> DefaultNameNumber(const QString &name)
{
    const QString rest = name.mid(DefaultName.size());
    if (rest.isEmpty() || rest.back().isSpace())
        return std::nullopt;
    const std::optional<long long> number = ParseInteger(rest);
    if (!number || *number < std::numeric_limits<int>::min() ||
        *number > std::numeric_limits<int>::max())
        return std::nullopt;
    return number;
}

// Gives section `to` the feature keys of section `from` (none when from is 0): a key that
// differs is written, one that `from` lacks is left empty. A section pair without such keys
// is not touched.
bool MoveFeatureKeys(IniFile &ini, int from, int to)
{
    bool ok = true;
    for (const QString &key : DeviceFeatureKeys) {
        const std::optional<QString> source =
            from > 0 ? ini.value(DeviceSection(from), key) : std::nullopt;
        const std::optional<QString> target = ini.value(DeviceSection(to), key);
        if (source.value_or(QString()) != target.value_or(QString()))
            ok = ini.writeString(DeviceSection(to), key, source.value_or(QString())) && ok;
    }
    return ok;
}

} // namespace

InstrumentSettings NewDeviceSettings(const QString &name)
{
    InstrumentSettings r;
    r.PribName = name;
    r.PribVkl = 0;
    r.PribPort = 1;
    r.PribBaud = 1;
    r.PribAdr = 1;
    r.PribType = 0;
    r.PribDiap = 1;
    r.PribTypeReg = 0;
    r.PribPeriod = 3;
    r.PribM2 = 1.0f;
    r.PribPeriodArh = 999;
    r.PribKp = 0.1f;
    r.PribKi = 0.005f;
    r.PribKd = 2.0f;
    r.PribPerZap = 4.0f;
    r.PribKo = 0.01f;
    r.PribPoint = 0;
    r.Program[0].Hours = ProgramEndHours;
    return r;
}

QString NextDefaultName(const DeviceTable &table, int count)
{
    long long highest = -1;
    for (int n = 1; n <= count; ++n) {
        const QString &name = table.device(n).PribName;
        if (!name.contains(DefaultName))
            continue;
        if (name == DefaultName) {
            highest = std::max(highest, 0LL);
            continue;
        }
        if (const std::optional<long long> number = DefaultNameNumber(name))
            highest = std::max(highest, *number);
    }
    if (highest < 0)
        return DefaultName;
    return DefaultName + QLatin1Char(' ') + QString::number(highest + 1);
}

DeviceList::AddResult DeviceList::Add()
{
    AddResult result;
    if (m_settings.CountUstr >= MaxDevices) {
        result.refusal = QStringLiteral("Максимальное количество устройств в сети =16");
        return result;
    }
    const QString name = NextDefaultName(m_table, m_settings.CountUstr);
    const int n = ++m_settings.CountUstr;
    m_table.device(n) = NewDeviceSettings(name);

    IniFile::WriteGroup group(m_ini);
    result.written = WriteDevice(m_ini, m_table, n);
    result.written = MoveFeatureKeys(m_ini, 0, n) && result.written;
    result.written = WriteDeviceCount(m_ini, n) && result.written;
    result.written = group.commit() && result.written;

    result.device = n;
    return result;
}

int DeviceList::Delete(int d, bool *written)
{
    const int count = m_settings.CountUstr;
    if (d < 1 || d > count)
        return std::clamp(d, 0, count);

    IniFile::WriteGroup group(m_ini);
    bool ok = true;
    for (int h = d; h < count; ++h) {
        m_table.device(h) = m_table.device(h + 1);
        ok = WriteDevice(m_ini, m_table, h) && ok;
        ok = MoveFeatureKeys(m_ini, h + 1, h) && ok;
    }
    m_settings.CountUstr = count - 1;
    ok = WriteDeviceCount(m_ini, m_settings.CountUstr) && ok;
    ok = group.commit() && ok;
    if (written)
        *written = ok;

    return d <= m_settings.CountUstr ? d : m_settings.CountUstr;
}

QList<TreeNode> DeviceList::MainTree(int *countVkl) const
{
    QList<TreeNode> nodes{{RootText, ImageDataRoot}};
    int enabled = 0;
    for (int n = 1; n <= m_settings.CountUstr; ++n) {
        const InstrumentSettings &device = m_table.device(n);
        if (device.PribVkl != 0)
            ++enabled;
        nodes.append({device.PribName, device.PribVkl != 0 ? ImageDevice : ImageDeviceOff});
    }
    if (countVkl)
        *countVkl = enabled;
    return nodes;
}

QList<TreeNode> DeviceList::SettingsTree() const
{
    QList<TreeNode> nodes{{RootText, ImageSettingsRoot}};
    for (int n = 1; n <= m_settings.CountUstr; ++n)
        nodes.append({m_table.device(n).PribName, ImageDevice});
    return nodes;
}

} // namespace zeltar
