#include "ui/station_app.h"

#include "acquisition/station.h"
#include "core/message_service.h"
#include "core/single_instance.h"
#include "core/termination_signals.h"
#include "publish/station_publisher.h"
#include "ui/form_flash.h"
#include "ui/form_main.h"
#include "ui/station_icons.h"
#include "web/web_view.h"

#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>

namespace zeltar {

int RunStation(const QString &progDir, int splashMs)
{
    SingleInstance instance;
    if (!instance.tryAcquire()) {
        ShowWarning(QStringLiteral("Программа уже запущена"));
        return 1;
    }
    // The folder is one station's, whatever temporary folder another one runs with.
    SingleInstance folder(SingleInstance::folderLockPath(progDir));
    if (!folder.tryAcquire() && QFileInfo(progDir).isWritable()) {
        ShowWarning(SingleInstance::folderBusyText(progDir));
        return 1;
    }

    QApplication::setWindowIcon(StationIcons::applicationIcon());
    if (splashMs > 0) {
        // Paint events only: the operator cannot act on anything yet.
        FormFlash splash;
        splash.showNow();
        QEventLoop wait;
        QTimer::singleShot(splashMs, &wait, &QEventLoop::quit);
        wait.exec(QEventLoop::ExcludeUserInputEvents);
        splash.hide();
    }

    Station station(progDir);
    FormMain formMain(station);
    // Asked to end: close in order and leave every event loop, a question box's included.
    OnTerminationSignals([&formMain] {
        formMain.closeWithoutQuestion();
        QCoreApplication::exit(0);
    });
    formMain.show();
    if (!formMain.FormShow())
        return 0;
    StationPublisher publisher(station, formMain.cycle());
    publisher.watch(formMain.alarms());
    publisher.start();
    // The web view shows and acknowledges the alarms of the window's monitor.
    WebView web(station, formMain.cycle(), &formMain.alarms());
    web.start();
    return QApplication::exec();
}

} // namespace zeltar
