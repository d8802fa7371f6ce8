#pragma once

#include "ctl_options.h"

#include <QTextStream>

namespace zeltar::ctl {

// `poll [--for SECONDS]`: the station's polling cycle on DIR without a window, one line
// per tick, until the time is up or the process is asked to end.
int RunPoll(const Invocation &invocation, QTextStream &out, QTextStream &err);

} // namespace zeltar::ctl
