#pragma once

#include <QCommandLineOption>
#include <QString>

class QCommandLineParser;

namespace zeltar {

// The folder the station works in when no --dir names one. A program folder the user may
// write (a build folder, a portable copy) is the station's folder, as it always was. An
// installed program lies in a folder the user cannot write (/usr/bin), so its station works
// in the user's data folder (QStandardPaths::AppDataLocation, ~/.local/share/zeltar), which
// is made when missing; an empty one starts as a folder without Zeltar.ini does.
QString ChooseStationFolder(const QString &programFolder, bool programFolderWritable);

// ChooseStationFolder for this program's folder and the user running it. The data folder is
// the station's (~/.local/share/zeltar) whichever of its programs asks.
QString DefaultStationFolder();

// The option that names the station folder, shared by the window and zeltarctl:
// --dir DIR or --dir=DIR.
QCommandLineOption StationFolderOption();

// The folder that StationFolderOption names in a parsed command line, made absolute, or
// DefaultStationFolder() when it is not given.
QString StationFolder(const QCommandLineParser &parser);

} // namespace zeltar
