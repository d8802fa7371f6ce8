// zeltar: the station's desktop program.
#include "ui/message_box_service.h"
#include "ui/station_app.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zeltar"));
    zeltar::MessageBoxService boxes;
    zeltar::MessageService::setCurrent(&boxes);
    return zeltar::RunStation(zeltar::StationFolder(QApplication::arguments()), 1200);
}
