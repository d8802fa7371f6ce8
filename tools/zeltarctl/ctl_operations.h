#pragma once

#include "ctl_options.h"

#include <QTextStream>

namespace zeltar::ctl {

// `test`: the station's link test; prints what it found. ExitOk when the instrument
// answered, ExitFailed when it did not, ExitNoPort when the port cannot be opened.
int RunLinkTestCommand(const Invocation &invocation, QTextStream &out, QTextStream &err);

// `archive FILE`: downloads the instrument's own archive (progress on err) and saves it to
// FILE as an archive table. ExitOk when saved, ExitFailed otherwise.
int RunArchiveCommand(const Invocation &invocation, QTextStream &out, QTextStream &err);

} // namespace zeltar::ctl
