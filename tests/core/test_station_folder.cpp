#include "core/station_folder.h"

#include <QCommandLineParser>
#include <QDir>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

using namespace zeltar;

// Where a station without --dir keeps its files: its own folder when the user may write it,
// else the user's data folder, made on first use.
class TestStationFolder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void followsTheProgramFoldersWritability_data()
    {
        QTest::addColumn<bool>("writable");
        QTest::newRow("build folder or portable copy") << true;
        QTest::newRow("installed in a system folder") << false;
    }

    void followsTheProgramFoldersWritability()
    {
        QFETCH(bool, writable);
        // The station's, whichever of its programs asks (this one is no "zeltar").
        const QString dataFolder =
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/zeltar";
        QVERIFY(dataFolder.contains(QStringLiteral("qttest"))); // never the real user's folder
        QDir(dataFolder).removeRecursively();
        QTemporaryDir program;

        const QString chosen = ChooseStationFolder(program.path(), writable);

        QCOMPARE(chosen, writable ? program.path() : dataFolder);
        // The data folder is made only when it is the one chosen, and then it is empty: the
        // station starts there as in a folder without Zeltar.ini.
        QCOMPARE(QFileInfo::exists(dataFolder), !writable);
        if (!writable)
            QVERIFY(QDir(dataFolder).isEmpty());
        QDir(dataFolder).removeRecursively();
    }

    // The window and zeltarctl take the folder alike, in either spelling of the option.
    void optionNamesTheFolder_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("folder");
        QTest::newRow("--dir=DIR") << QStringList{"--dir=/srv/plant1"} << "/srv/plant1";
        QTest::newRow("--dir DIR") << QStringList{"--dir", "/srv/plant2"} << "/srv/plant2";
        QTest::newRow("relative") << QStringList{"--dir=plant3"}
                                  << QDir::current().filePath("plant3");
        QTest::newRow("none") << QStringList{} << DefaultStationFolder();
    }

    void optionNamesTheFolder()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, folder);
        QCommandLineParser parser;
        parser.addOption(StationFolderOption());
        QVERIFY(parser.parse(QStringList{"zeltar"} + arguments));
        QCOMPARE(StationFolder(parser), folder);
    }
};

QTEST_GUILESS_MAIN(TestStationFolder)
#include "test_station_folder.moc"
