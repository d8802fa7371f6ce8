// zeltar: the station's desktop program.
#include "ui/message_box_service.h"
#include "ui/station_app.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zeltar"));
    // The station speaks Russian: Qt's own dialogs too, where its translations are installed.
    QTranslator qtTranslations;
    if (qtTranslations.load(QStringLiteral("qtbase_ru"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslations);
    zeltar::MessageBoxService boxes;
    zeltar::MessageService::setCurrent(&boxes);
    return zeltar::RunStation(zeltar::StationFolder(QApplication::arguments()), 1200);
}
