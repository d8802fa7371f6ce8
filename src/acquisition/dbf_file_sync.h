#pragma once

class QFile;

namespace zeltar {

// Puts what was written to an open file on the disk. False when the system refuses.
bool SyncFileToDisk(QFile &file);

} // namespace zeltar
