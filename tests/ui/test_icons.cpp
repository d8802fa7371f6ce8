#include "ui/station_icons.h"

#include <QImage>
#include <QSet>
#include <QtTest>

using namespace zeltar;

namespace {

QImage Picture(const QIcon &icon, int size)
{
    return icon.pixmap(QSize(size, size)).toImage().convertToFormat(QImage::Format_ARGB32);
}

// Share of pixels that are at least half opaque: a picture that failed to draw has none.
double OpaqueShare(const QImage &image)
{
    int opaque = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) > 127)
                ++opaque;
        }
    }
    return double(opaque) / (image.width() * image.height());
}

// Pixels whose hue is strong: red, green, orange and blue marks; greys have none.
int ColouredPixels(const QImage &image, int hueFrom, int hueTo)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor colour = QColor::fromRgba(image.pixel(x, y));
            const int hue = colour.hsvHue();
            if (colour.alpha() > 127 && colour.hsvSaturation() > 120 && colour.value() > 100 &&
                hue >= hueFrom && hue <= hueTo)
                ++count;
        }
    }
    return count;
}

int RedPixels(const QImage &image)
{
    return ColouredPixels(image, 0, 15) + ColouredPixels(image, 345, 359);
}

int GreenPixels(const QImage &image)
{
    return ColouredPixels(image, 90, 150);
}

} // namespace

class TestIcons : public QObject
{
    Q_OBJECT

private slots:
    void treeImageListHasSixteenDrawnPictures()
    {
        const QVector<QIcon> images = StationIcons::treeImageList();
        QCOMPARE(images.size(), StationIcons::TreeImageCount);
        for (int position = 0; position < images.size(); ++position) {
            const QImage image = Picture(images.at(position), StationIcons::TreeImageSize);
            QVERIFY2(!image.isNull(), qPrintable(QString::number(position)));
            QCOMPARE(image.size(), QSize(16, 16));
            QVERIFY2(OpaqueShare(image) > 0.1, qPrintable(QString::number(position)));
        }
    }

    void treePositionsInUseShowTheirOwnPictures()
    {
        using namespace StationIcons;
        const QList<int> used = {TreeRoot, TreeSettingsRoot, TreeInstrument, TreeInstrumentOff,
                                 TreeInstrumentNoLink};
        QSet<QByteArray> distinct;
        for (int position : used) {
            const QImage image = Picture(treeImage(position), TreeImageSize);
            distinct.insert(
                QByteArray(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes()));
        }
        QCOMPARE(distinct.size(), used.size());

        // The instrument states are told apart by colour: a green lamp when it answers, a
        // red mark when it does not, nothing coloured when it is left out of polling.
        QVERIFY(GreenPixels(Picture(treeImage(TreeInstrument), TreeImageSize)) > 0);
        QVERIFY(RedPixels(Picture(treeImage(TreeInstrumentNoLink), TreeImageSize)) > 4);
        const QImage off = Picture(treeImage(TreeInstrumentOff), TreeImageSize);
        QCOMPARE(GreenPixels(off) + RedPixels(off), 0);

        // Out-of-range positions fall back to the neutral picture of the unused positions.
        QCOMPARE(Picture(treeImage(-1), TreeImageSize), Picture(treeImage(1), TreeImageSize));
        QCOMPARE(Picture(treeImage(16), TreeImageSize), Picture(treeImage(1), TreeImageSize));
    }

    void everyToolbarButtonHasAPicture()
    {
        const QStringList names = StationIcons::toolbarButtonNames();
        QCOMPARE(names, QStringList({"btnStart", "btnStop", "btnNastrWare", "btnReadArh",
                                     "btnClearJournal", "SpeedBtn_About", "SpeedBtn_WWW",
                                     "SpeedBtn_Mail", "btnExit"}));
        QSet<QByteArray> distinct;
        for (const QString &name : names) {
            const QIcon icon = StationIcons::toolbarIcon(name);
            QVERIFY2(!icon.isNull(), qPrintable(name));
            const QImage image = Picture(icon, 24);
            QCOMPARE(image.size(), QSize(24, 24));
            QVERIFY2(OpaqueShare(image) > 0.2, qPrintable(name));
            distinct.insert(
                QByteArray(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes()));
        }
        QCOMPARE(distinct.size(), names.size());
        QVERIFY(StationIcons::toolbarIcon("btnUnknown").isNull());

        // The short picture names give the same pictures as the button names.
        const QStringList shortNames = {"start",        "stop",          "settings",
                                        "read-archive", "clear-journal", "about",
                                        "web",          "mail",          "exit"};
        for (int i = 0; i < names.size(); ++i) {
            QCOMPARE(Picture(StationIcons::toolbarIcon(shortNames.at(i)), 24),
                     Picture(StationIcons::toolbarIcon(names.at(i)), 24));
        }
    }

    void animationHasSixDistinctFramesAndACalmFirstOne()
    {
        QSet<QByteArray> distinct;
        for (int frame = 1; frame <= StationIcons::AnimationFrameCount; ++frame) {
            const QImage image = Picture(StationIcons::animationFrame(frame), 32);
            QCOMPARE(image.size(), QSize(32, 32));
            QVERIFY(OpaqueShare(image) > 0.5);
            distinct.insert(
                QByteArray(reinterpret_cast<const char *>(image.constBits()), image.sizeInBytes()));
        }
        QCOMPARE(distinct.size(), 6);
        QVERIFY(StationIcons::animationFrame(0).isNull());
        QVERIFY(StationIcons::animationFrame(7).isNull());

        // Only the running frames light the lamp.
        const int calmGreen = GreenPixels(Picture(StationIcons::animationFrame(1), 32));
        const int runningGreen = GreenPixels(Picture(StationIcons::animationFrame(2), 32));
        QVERIFY(runningGreen > calmGreen);

        // Small sizes for the title bar come from the same pictures.
        QCOMPARE(Picture(StationIcons::animationFrame(3), 16).size(), QSize(16, 16));
    }

    void applicationIconAndSplashAreDrawn()
    {
        const QIcon icon = StationIcons::applicationIcon();
        QVERIFY(!icon.isNull());
        QVERIFY(OpaqueShare(Picture(icon, 48)) > 0.5);
        QVERIFY(Picture(icon, 48) != Picture(StationIcons::animationFrame(1), 48));

        const QPixmap splash = StationIcons::splashPixmap();
        QVERIFY(!splash.isNull());
        QCOMPARE(splash.deviceIndependentSize().toSize(), QSize(168, 159));
        // The picture covers its whole frame.
        QCOMPARE(OpaqueShare(splash.toImage().convertToFormat(QImage::Format_ARGB32)), 1.0);
    }
};

QTEST_MAIN(TestIcons)
#include "test_icons.moc"
