#include "ui/form_flash.h"

#include "ui/station_icons.h"

#include <QApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

namespace zeltar {

FormFlash::FormFlash(QWidget *parent)
    : QFrame(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("formFlash"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setLineWidth(2);
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(StationIcons::splashPixmap());
    Image1->setFrameStyle(QFrame::Box | QFrame::Plain);
    Image1->setLineWidth(1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(3, 3, 3, 3);
    layout->addWidget(Image1);
    adjustSize();
}

void FormFlash::showNow()
{
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
    repaint();
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace zeltar
