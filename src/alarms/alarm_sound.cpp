#include "alarms/alarm_sound.h"

#include "config/ini_file.h"

namespace zeltar {

namespace {

const QString Section = QStringLiteral("ALARMS");
const QString Key = QStringLiteral("Sound");

} // namespace

bool AlarmSoundOn(const IniFile &ini)
{
    return ini.readInteger(Section, Key, 1) != 0;
}

bool WriteAlarmSound(IniFile &ini, bool on)
{
    if (AlarmSoundOn(ini) == on)
        return true;
    return ini.writeInteger(Section, Key, on ? 1 : 0);
}

} // namespace zeltar
