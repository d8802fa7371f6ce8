#pragma once

#include "config/ini_file.h"
#include "instrument/instrument_settings.h"
#include "link/port_names.h"

#include <QString>

namespace zeltar {

// The station's own settings, section MAIN of Zeltar.ini.
struct ProgramSettings
{
    bool AutoStart = false; // start polling at program start
    QString PathArh;        // folder of the archive tables, ending in a separator
    // PathArh as the file holds it, perhaps relative to the station folder; empty when the
    // file names no usable folder. Written back as it is unless the folder changes.
    QString PathArhText;
    int TimeOpr = 1;                              // poll period, seconds
    int TimeArh = 12;                             // archive period, hours
    qint64 TimeLastArh = 0;                       // hour number of the last archive rollover
    QString TimeLastArh1 = QStringLiteral("SSS"); // name part of the current archive tables
    int CountUstr = 0;                            // configured devices, 0 to MaxDevices
};

// What the operator entered for the program settings, as typed.
struct ProgramSettingsEntry
{
    bool autoStart = false;
    QString folder;
    QString pollPeriod;
    QString archivePeriod;
};

QString ConfigFilePath(const QString &progDir);

// Section name of device n: ZELTAR1, ZELTAR2, ...
QString DeviceSection(int n);

// A folder text with its trailing separator: "/" here, "\" on Windows. A text that already
// ends in either one is left as it is.
QString WithTrailingSeparator(const QString &folder);

// The program settings from MAIN, then devices 1 to CountUstr into the table. A missing
// or unusable PathArh falls back to ProgDir + "Data", which is created when
// createArchiveFolder is set.
void LoadProgramSettings(const IniFile &ini, const QString &progDir, ProgramSettings &settings,
                         DeviceTable &table, bool createArchiveFolder = true);

// Section ZELTARn into device n of the table.
void LoadDevice(const IniFile &ini, DeviceTable &table, int n);

// Each of these writes its keys and flushes; false when the file could not be written.
bool WriteProgramSettings(IniFile &ini, const ProgramSettings &settings);
bool WriteDevice(IniFile &ini, const DeviceTable &table, int n);
bool WriteDeviceCount(IniFile &ini, int count);
bool WriteArchivePeriod(IniFile &ini, const ProgramSettings &settings);

// Checks the operator's program settings and, when all are valid, takes them into
// settings. A folder that is the one in use keeps its stored text. Returns the message for the
// operator, or an empty text on acceptance, in which case settings has changed; on refusal it is
// left as it was.
QString AcceptProgramSettings(const ProgramSettingsEntry &entry, const QString &progDir,
                              ProgramSettings &settings);

// The serial device names of section PORTS (COM1 to COM8); the station never writes it.
PortNames LoadPortNames(const IniFile &ini);

// The text of one value in its slot form; values that do not fit are written whole.
QString SlotText(float value);

} // namespace zeltar
