#include "core/station_folder.h"

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
        const QString dataFolder =
            QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
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
};

QTEST_GUILESS_MAIN(TestStationFolder)
#include "test_station_folder.moc"
