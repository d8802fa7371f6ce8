#include "core/station_folder.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace zeltar {

QString ChooseStationFolder(const QString &programFolder, bool programFolderWritable)
{
    if (programFolderWritable)
        return programFolder;
    // Named here rather than by the asking program's name, so zeltarctl finds the window's.
    const QString dataFolder =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
        QStringLiteral("/zeltar");
    // A folder that cannot be made shows up as the station's own write errors.
    QDir().mkpath(dataFolder);
    return dataFolder;
}

QString DefaultStationFolder()
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    return ChooseStationFolder(programFolder, QFileInfo(programFolder).isWritable());
}

QCommandLineOption StationFolderOption()
{
    return {QStringLiteral("dir"),
            QStringLiteral("Work in <folder>: Zeltar.ini, Zeltar.mes, Zeltar.dbf."),
            QStringLiteral("folder")};
}

QString StationFolder(const QCommandLineParser &parser)
{
    const QString option = StationFolderOption().names().constFirst();
    if (parser.isSet(option))
        return QDir(parser.value(option)).absolutePath();
    return DefaultStationFolder();
}

} // namespace zeltar
