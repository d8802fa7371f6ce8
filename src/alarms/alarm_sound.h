#pragma once

namespace zeltar {

class IniFile;

// The window's short sound on a new alarm, key Sound of section ALARMS: 0 off, anything
// else or absent on.
bool AlarmSoundOn(const IniFile &ini);
// Writes the switch; false when the file could not be written.
bool WriteAlarmSound(IniFile &ini, bool on);

} // namespace zeltar
