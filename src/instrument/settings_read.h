#pragma once

#include "instrument/instrument_settings.h"
#include "instrument/register_codec.h"

#include <QString>

namespace zeltar {

class SerialSession;

// Result codes of ReadInstrumentSettings: 0 or the step that failed.
enum SettingsReadCode
{
    SettingsReadOk = 0,
    SettingsReadNoPort = 1,      // the port cannot be opened
    SettingsReadLink = 2,        // block 1, registers 3 to 10
    SettingsReadSetpoints = 3,   // block 2, registers 11 to 26
    SettingsReadCorrections = 4, // block 3, registers 27 to 38
    SettingsReadControl = 5,     // block 4, register 427
    SettingsReadRegulation = 6,  // block 5, registers 39 to 59 (with the clock)
    SettingsReadProgram = 7      // at least one program entry
};

// Reads the whole configuration of instrument k (1 to MaxDevices) of the table, its
// regulation program and its clock, talking at the window's baud index and address.
//
// windowBaud and windowAdr are stored in record k first, whatever happens next. The values
// are collected in table.staging and copied into record k (all but PribName, PribVkl and
// PribPort) only when every block and program entry has arrived; on any failure record k
// keeps everything else it held. After success record k holds the baud index and address
// the instrument reports, not necessarily the ones used to reach it.
//
// The clock of block 5 goes into *clock (when not null) as soon as the block arrives, so
// it holds the last clock taken even after a later failure. Check it with
// IsCalendarClock(*clock, 2000) before putting it into a date control.
//
// The port is closed on every path. A k outside the table gives SettingsReadNoPort and
// changes nothing; the caller checks k against the instruments in use.
int ReadInstrumentSettings(SerialSession &port, DeviceTable &table, int k, int windowBaud,
                           int windowAdr, InstrumentClock *clock);

// The message after a read: failure (error icon) or success (no icon).
QString SettingsReadFailureText(int code);
QString SettingsReadSuccessText();

} // namespace zeltar
