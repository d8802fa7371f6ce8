#pragma once

#include "ctl_options.h"

#include <QTextStream>

namespace zeltar::ctl {

// `settings`: reads the instrument's settings, program and clock as the settings window
// does, at the baud rate and address given, and prints the record as JSON. ExitOk;
// ExitFailed with the read's message and code; ExitNoPort when the port cannot be opened.
// `settings write FILE`: reads them the same way, takes the keys FILE gives (JSON in the
// printed form, see ApplySettingsFile) and writes the whole as the settings window's write
// does, printing its message: ExitOk when written, ExitFailed when the write fails,
// ExitUsage for a file or value that the checks refuse (nothing is then sent).
int RunSettingsCommand(const Invocation &invocation, QTextStream &out, QTextStream &err);

// `clock`: prints the instrument's date and time (dd.mm.yyyy hh:mm:ss).
// `clock set now` or `clock set DD.MM.YYYY HH:MM:SS`: writes the PC's clock or the given
// one; an entry that fails its check prints the check's message and gives ExitUsage.
int RunClockCommand(const Invocation &invocation, QTextStream &out, QTextStream &err);

} // namespace zeltar::ctl
