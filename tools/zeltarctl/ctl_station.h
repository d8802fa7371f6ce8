#pragma once

#include "ctl_options.h"

#include <QTextStream>

namespace zeltar::ctl {

// With --dir DIR --device N the link settings come from device N of DIR/Zeltar.ini and its
// PORTS section, as the station would reach that device. False with a message otherwise.
bool ResolveStationDevice(LinkOptions *link, QTextStream &err);

// `config`: what the station loads from DIR, as JSON.
int PrintConfiguration(const Invocation &invocation, QTextStream &out, QTextStream &err);

} // namespace zeltar::ctl
