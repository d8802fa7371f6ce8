#pragma once

#include <QString>

namespace zeltar {

// The station's program entry: single instance, splash, main window, message loop.
// progDir is the working folder (the program's folder unless --dir names another). The
// message boxes are those of the current MessageService.
int RunStation(const QString &progDir, int splashMs);

// The folder the station works in: --dir DIR from the arguments, else the program's own.
QString StationFolder(const QStringList &arguments);

} // namespace zeltar
