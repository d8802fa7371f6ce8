#include "core/station_folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace zeltar {

QString ChooseStationFolder(const QString &programFolder, bool programFolderWritable)
{
    if (programFolderWritable)
        return programFolder;
    const QString dataFolder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    // A folder that cannot be made shows up as the station's own write errors.
    QDir().mkpath(dataFolder);
    return dataFolder;
}

QString DefaultStationFolder()
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    return ChooseStationFolder(programFolder, QFileInfo(programFolder).isWritable());
}

} // namespace zeltar
