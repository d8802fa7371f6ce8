#pragma once

#include "ctl_options.h"

#include <QTextStream>

namespace zeltar::ctl {

// `web-user NAME`: asks for NAME's password twice on the terminal (without echo) and keeps
// its salted hash in section [WEBUSERS] of DIR/Zeltar.ini; a known user's password is
// replaced. `web-user NAME --delete` removes the user.
int RunWebUserCommand(const Invocation &invocation, QTextStream &out, QTextStream &err);

} // namespace zeltar::ctl
