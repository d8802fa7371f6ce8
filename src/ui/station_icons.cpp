#include "ui/station_icons.h"

#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QSvgRenderer>

#include <initializer_list>

namespace zeltar {
namespace StationIcons {

namespace {

// Files of ImageList1 by position; every other position shows the neutral marker.
QString TreeFile(int position)
{
    switch (position) {
    case TreeRoot:
        return QStringLiteral(":/station/tree/station.svg");
    case TreeSettingsRoot:
        return QStringLiteral(":/station/tree/station_settings.svg");
    case TreeInstrument:
        return QStringLiteral(":/station/tree/instrument.svg");
    case TreeInstrumentOff:
        return QStringLiteral(":/station/tree/instrument_disabled.svg");
    case TreeInstrumentNoLink:
        return QStringLiteral(":/station/tree/instrument_no_link.svg");
    default:
        return QStringLiteral(":/station/tree/neutral.svg");
    }
}

struct ToolbarPicture
{
    QString button;  // the toolbar button's name
    QString picture; // a short name of the picture
    QString file;
};

const QVector<ToolbarPicture> &ToolbarPictures()
{
    static const QVector<ToolbarPicture> pictures = {
        {"btnStart", "start", ":/station/toolbar/start.svg"},
        {"btnStop", "stop", ":/station/toolbar/stop.svg"},
        {"btnNastrWare", "settings", ":/station/toolbar/settings.svg"},
        {"btnReadArh", "read-archive", ":/station/toolbar/read_archive.svg"},
        {"btnClearJournal", "clear-journal", ":/station/toolbar/clear_journal.svg"},
        {"SpeedBtn_About", "about", ":/station/toolbar/about.svg"},
        {"SpeedBtn_WWW", "web", ":/station/toolbar/web.svg"},
        {"SpeedBtn_Mail", "mail", ":/station/toolbar/mail.svg"},
        {"btnExit", "exit", ":/station/toolbar/exit.svg"},
    };
    return pictures;
}

// Screens with scaled pixels get a sharper copy of every picture.
qreal DevicePixelRatio()
{
    return qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
}

QPixmap Render(QSvgRenderer &renderer, const QSize &size, qreal ratio)
{
    QPixmap pixmap(size * ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    painter.end();
    pixmap.setDevicePixelRatio(ratio);
    return pixmap;
}

// Renders the file at each square size once per run; QIcon picks the nearest size and
// derives the disabled look from it.
QIcon SvgIcon(const QString &file, std::initializer_list<int> sizes)
{
    static QHash<QString, QIcon> cache;
    const auto cached = cache.constFind(file);
    if (cached != cache.constEnd())
        return *cached;

    QIcon icon;
    QSvgRenderer renderer(file);
    if (renderer.isValid()) {
        const qreal ratio = DevicePixelRatio();
        for (int size : sizes)
            icon.addPixmap(Render(renderer, QSize(size, size), ratio));
    }
    cache.insert(file, icon);
    return icon;
}

} // namespace

QIcon treeImage(int position)
{
    return SvgIcon(TreeFile(position), {TreeImageSize, 2 * TreeImageSize});
}

QVector<QIcon> treeImageList()
{
    QVector<QIcon> images;
    images.reserve(TreeImageCount);
    for (int position = 0; position < TreeImageCount; ++position)
        images.append(treeImage(position));
    return images;
}

QIcon toolbarIcon(const QString &name)
{
    for (const ToolbarPicture &entry : ToolbarPictures()) {
        if (name == entry.button || name == entry.picture)
            return SvgIcon(entry.file, {16, 24, 32, 48});
    }
    return QIcon();
}

QStringList toolbarButtonNames()
{
    QStringList names;
    for (const ToolbarPicture &entry : ToolbarPictures())
        names.append(entry.button);
    return names;
}

QIcon animationFrame(int frame)
{
    if (frame < 1 || frame > AnimationFrameCount)
        return QIcon();
    return SvgIcon(QStringLiteral(":/station/animation/a%1.svg").arg(frame), {16, 24, 32, 48, 64});
}

QIcon applicationIcon()
{
    return SvgIcon(QStringLiteral(":/station/application.svg"), {16, 24, 32, 48, 64, 128, 256});
}

QPixmap splashPixmap()
{
    QSvgRenderer renderer(QStringLiteral(":/station/splash.svg"));
    if (!renderer.isValid())
        return QPixmap();
    return Render(renderer, QSize(SplashWidth, SplashHeight), DevicePixelRatio());
}

} // namespace StationIcons
} // namespace zeltar
