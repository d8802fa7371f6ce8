#pragma once

#include "ctl_options.h"

#include <QTextStream>

#include "instrument/instrument_settings.h"

namespace zeltar {
class SerialSession;
}

namespace zeltar::ctl {

// Opens the session on the instrument's port; ExitOk or ExitNoPort (message on err).
int OpenLink(SerialSession &session, const LinkOptions &link, QTextStream &err);

// read03, read04 and write16: one raw transaction, the Link result printed.
int RunTransaction(const Invocation &invocation, QTextStream &out, QTextStream &err);

// The instrument as the command line gives it: port, baud index and address. A port
// given as a path is reached through the session as COM1.
InstrumentSettings LinkDevice(const LinkOptions &link, SerialSession &session);

// False, with a message, when neither --port nor --dir/--device named a port.
bool HasPort(const LinkOptions &link, QTextStream &err);

// An instrument command: exactly argumentCount arguments after it and a port to reach the
// instrument; false with the usage or the message otherwise.
bool InstrumentCommandFits(const Invocation &invocation, int argumentCount, QTextStream &err);

// "01 03 06 ..." in upper-case hex.
QString HexBytes(const QByteArray &bytes);

} // namespace zeltar::ctl
