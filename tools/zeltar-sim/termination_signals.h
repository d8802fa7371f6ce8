#pragma once

namespace zeltar::sim {

// Makes SIGINT and SIGTERM end the application's event loop, so that clean-up runs.
// Call once, after the QCoreApplication exists.
void QuitOnTerminationSignals();

} // namespace zeltar::sim
