#pragma once

#include "instrument/instrument_settings.h"
#include "instrument/settings_parser.h"

#include <QString>

namespace zeltar {

class SerialSession;

// Result codes of WriteInstrumentSettings: 0 or the step that failed.
enum SettingsWriteCode
{
    SettingsWriteOk = 0,
    SettingsWriteNoPort = 200,      // the port cannot be opened (at the start or reopened)
    SettingsWriteSensor = 201,      // block B, registers 8 to 10
    SettingsWriteSetpoints = 202,   // block C, registers 11 to 26
    SettingsWriteCorrections = 203, // block D, registers 27 to 38
    SettingsWriteRegulation = 204,  // block E, registers 39 to 56
    SettingsWriteControl = 205,     // block G, register 427
    SettingsWriteProgram = 206,     // block F, a program entry or the end marker
    SettingsWriteLink = 207         // step A, register 3
};

// Whether the write will change the instrument's baud index or address: the window's link
// entries differ from the record's. The window then asks LinkChangeQuestionText() (Yes/No,
// warning icon) before it checks anything, and on No does nothing at all.
bool WriteChangesLink(const InstrumentSettings &record, int windowBaud, int windowAdr);
QString LinkChangeQuestionText();

// Writes instrument k (1 to MaxDevices) after the window has put its checked entries into
// table.staging (ParseSettings succeeded):
//
// - record k takes every staging field except PribPort, PribBaud and PribAdr at once,
//   whatever the transactions do; its program (PribPoint and the entries, edited in the
//   record itself) is kept and written as it stands;
// - step A sends the staging baud index and address to register 3 at the record's old
//   ones; only when the instrument acknowledges does the record take the new ones;
// - the port is reopened at the new baud index, and blocks B to G follow at the new
//   address, the first failure ending the write.
//
// On SettingsWriteLink the instrument and the record keep their old link settings; the
// window sets its port, baud and address controls back to the record's. The port is
// closed on every path. A k outside the table gives SettingsWriteNoPort and changes
// nothing.
int WriteInstrumentSettings(SerialSession &port, DeviceTable &table, int k);

// The message after a write: failure (error icon) or success (no icon).
QString SettingsWriteFailureText(int code);
QString SettingsWriteSuccessText();

// What became of a write of entries: refused by the checks (nothing sent, nothing
// changed), or written with a result code.
struct EnteredSettingsWrite
{
    QString refusal; // the first failed check's message (error icon); empty when sent
    int code = SettingsWriteOk;

    bool refused() const { return !refusal.isEmpty(); }
    bool ok() const { return !refused() && code == SettingsWriteOk; }
    // The refusal, or the message after the write.
    QString message() const;
};

// The settings window's write once the operator has agreed to a link change: the entries
// are checked into table.staging, seeded with record k (so the program comes along), and
// only when every check passes does WriteInstrumentSettings run.
EnteredSettingsWrite WriteEnteredSettings(SerialSession &port, DeviceTable &table, int k,
                                          const SettingsEntries &entries);

} // namespace zeltar
