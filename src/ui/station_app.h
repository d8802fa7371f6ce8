#pragma once

#include <QString>

namespace zeltar {

// The station's program entry: single instance, splash, main window, message loop.
// progDir is the working folder (see StationFolder). The message boxes are those of the
// current MessageService.
int RunStation(const QString &progDir, int splashMs);

// The folder the station works in: --dir DIR from the arguments, else the program's own or,
// for an installed program, the user's data folder (see DefaultStationFolder).
QString StationFolder(const QStringList &arguments);

} // namespace zeltar
