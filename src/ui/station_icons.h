#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QVector>

namespace zeltar {

// The station's pictures: the tree image list, the toolbar pictures, the application icon
// with its six polling frames and the start-up picture. All are drawn from the SVG files
// below :/station/ and rendered once, on first use; use them from the GUI thread only.
namespace StationIcons {

// ImageList1: 16 pictures of 16 x 16 pixels shared by both device trees.
constexpr int TreeImageCount = 16;
constexpr int TreeImageSize = 16;

// The positions of ImageList1 that the trees use; the others hold a neutral picture.
enum TreeImage
{
    TreeRoot = 0,              // the root node "Программа" of the device tree
    TreeSettingsRoot = 3,      // the root node of the settings tree
    TreeInstrument = 7,        // an enabled instrument, or one that answered its last poll
    TreeInstrumentOff = 13,    // an instrument that is not enabled
    TreeInstrumentNoLink = 14, // an instrument that did not answer its last poll
};

// Picture at a position of ImageList1; positions outside 0..15 give the neutral picture.
QIcon treeImage(int position);

// ImageList1 as a whole, indexed by position.
QVector<QIcon> treeImageList();

// Toolbar picture by the button's name or by the picture's short name:
// "btnStart" or "start", "btnStop" or "stop", "btnNastrWare" or "settings",
// "btnReadArh" or "read-archive", "btnClearJournal" or "clear-journal",
// "SpeedBtn_About" or "about", "SpeedBtn_WWW" or "web", "SpeedBtn_Mail" or "mail",
// "btnExit" or "exit". An unknown name gives a null icon.
QIcon toolbarIcon(const QString &name);

// The button names that have a toolbar picture, in toolbar order.
QStringList toolbarButtonNames();

// Polling animation frame A1..A6 (frame 1 to 6); A1 is the calm picture of a stopped
// station. Any other number gives a null icon.
constexpr int AnimationFrameCount = 6;
QIcon animationFrame(int frame);

// The program's own icon, shown before polling is first started.
QIcon applicationIcon();

// The start-up picture, 168 x 159 device-independent pixels.
constexpr int SplashWidth = 168;
constexpr int SplashHeight = 159;
QPixmap splashPixmap();

} // namespace StationIcons

} // namespace zeltar
