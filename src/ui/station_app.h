#pragma once

#include <QString>

namespace zeltar {

// The station's program entry: single instance, splash, main window, message loop.
// progDir is the working folder (see StationFolder). The message boxes are those of the
// current MessageService.
int RunStation(const QString &progDir, int splashMs);

} // namespace zeltar
