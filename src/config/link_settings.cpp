#include "config/link_settings.h"

namespace zeltar {

namespace {

const QString Section = QStringLiteral("LINK");
const QString ModeKey = QStringLiteral("Mode");
const QString TurnaroundKey = QStringLiteral("TurnaroundMs");
const QString FastText = QStringLiteral("fast");
const QString StandardText = QStringLiteral("standard");

} // namespace

LinkMode LinkSettings::load(const IniFile &ini)
{
    LinkMode mode;
    mode.fast =
        ini.readString(Section, ModeKey, StandardText).compare(FastText, Qt::CaseInsensitive) == 0;
    const std::optional<int> turnaround = ini.integerValue(Section, TurnaroundKey);
    if (turnaround && *turnaround >= 0 && *turnaround <= LinkMode::MaxTurnaroundMs)
        mode.TurnaroundMs = *turnaround;
    return mode;
}

bool LinkSettings::write(IniFile &ini, const LinkMode &mode)
{
    if (load(ini).fast == mode.fast)
        return true;
    IniFile::WriteGroup group(ini);
    ini.writeString(Section, ModeKey, mode.fast ? FastText : StandardText);
    if (mode.fast && !ini.hasKey(Section, TurnaroundKey))
        ini.writeInteger(Section, TurnaroundKey, mode.TurnaroundMs);
    return group.commit();
}

} // namespace zeltar
