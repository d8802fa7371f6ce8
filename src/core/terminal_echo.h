#pragma once

namespace zeltar {

// Turns the echo of the terminal on standard input off for as long as it lives (a password
// being typed), when standard input is a terminal at all. Restores it at the end.
class TerminalEchoOff
{
public:
    TerminalEchoOff();
    ~TerminalEchoOff();
    TerminalEchoOff(const TerminalEchoOff &) = delete;
    TerminalEchoOff &operator=(const TerminalEchoOff &) = delete;

    // Whether standard input is a terminal.
    bool terminal() const { return m_terminal; }

private:
    bool m_terminal = false;
    unsigned long m_saved = 0;
};

} // namespace zeltar
