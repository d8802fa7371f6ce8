#include "core/terminal_echo.h"

#include <windows.h>

namespace zeltar {

TerminalEchoOff::TerminalEchoOff()
{
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    m_terminal = GetConsoleMode(input, &mode) != 0;
    if (!m_terminal)
        return;
    m_saved = mode;
    SetConsoleMode(input, mode & ~DWORD(ENABLE_ECHO_INPUT));
}

TerminalEchoOff::~TerminalEchoOff()
{
    if (m_terminal)
        SetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), DWORD(m_saved));
}

} // namespace zeltar
