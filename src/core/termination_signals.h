#pragma once

#include <functional>

namespace zeltar {

// Runs handler from the event loop when the process is asked to end (SIGINT and SIGTERM
// here, Ctrl+C and console close on Windows), so that it can close in order: the journal
// line, the tables closed. Call once, after the QCoreApplication exists.
void OnTerminationSignals(std::function<void()> handler);

} // namespace zeltar
