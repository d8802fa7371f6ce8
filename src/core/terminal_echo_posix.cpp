#include "core/terminal_echo.h"

#include <termios.h>
#include <unistd.h>

namespace zeltar {

TerminalEchoOff::TerminalEchoOff()
{
    termios mode{};
    m_terminal = isatty(STDIN_FILENO) == 1 && tcgetattr(STDIN_FILENO, &mode) == 0;
    if (!m_terminal)
        return;
    m_saved = mode.c_lflag;
    mode.c_lflag &= ~tcflag_t(ECHO);
    mode.c_lflag |= ECHONL;
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &mode);
}

TerminalEchoOff::~TerminalEchoOff()
{
    termios mode{};
    if (m_terminal && tcgetattr(STDIN_FILENO, &mode) == 0) {
        mode.c_lflag = tcflag_t(m_saved);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &mode);
    }
}

} // namespace zeltar
