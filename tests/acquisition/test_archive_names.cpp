#include "acquisition/archive_names.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

using namespace zeltar;

class TestArchiveNames : public QObject
{
    Q_OBJECT

private slots:
    void hourNumber_data();
    void hourNumber();
    void periodCheck_data();
    void periodCheck();
    void periodNamePart_data();
    void periodNamePart();
    void tablePath_data();
    void tablePath();
    void unsafeDeviceNameStaysInArchiveFolder();
};

static QDateTime At(int year, int month, int day, int hour, int minute = 0, int second = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second));
}

void TestArchiveNames::hourNumber_data()
{
    QTest::addColumn<QDateTime>("moment");
    QTest::addColumn<qint64>("expected");
    QTest::newRow("1 Jan 2024") << At(2024, 1, 1, 0) << qint64(17742384);
    QTest::newRow("1 Mar 2024") << At(2024, 3, 1, 0) << qint64(17743824);
    QTest::newRow("1 Apr 2024") << At(2024, 4, 1, 0) << qint64(17744568);
    QTest::newRow("1 Jan 2025") << At(2025, 1, 1, 0) << qint64(17751168);
    QTest::newRow("leap day, last hour") << At(2024, 2, 29, 23) << qint64(17743823);
    QTest::newRow("day before the leap year") << At(2023, 12, 31, 11) << qint64(17742371);
    QTest::newRow("minutes and seconds ignored") << At(2024, 1, 1, 0, 59, 59) << qint64(17742384);
    // 2100 counts as a leap year: March comes a day later than in a common year.
    QTest::newRow("no century rule")
        << At(2100, 3, 1, 0) << HourNumber(At(2100, 2, 28, 0)) + 2 * 24;
}

void TestArchiveNames::hourNumber()
{
    QFETCH(QDateTime, moment);
    QFETCH(qint64, expected);
    QCOMPARE(HourNumber(moment), expected);
}

void TestArchiveNames::periodCheck_data()
{
    QTest::addColumn<qint64>("now");
    QTest::addColumn<bool>("newPeriod");
    // A 12-hour period begun at 1 January 2024, 00 h.
    QTest::newRow("same hour") << HourNumber(At(2024, 1, 1, 0, 30)) << false;
    QTest::newRow("11:59") << HourNumber(At(2024, 1, 1, 11, 59)) << false;
    QTest::newRow("12:00 runs out") << HourNumber(At(2024, 1, 1, 12)) << true;
    QTest::newRow("days later") << HourNumber(At(2024, 1, 5, 3)) << true;
    QTest::newRow("clock back 12 h") << HourNumber(At(2023, 12, 31, 12)) << false;
    QTest::newRow("clock back 13 h") << HourNumber(At(2023, 12, 31, 11)) << true;
}

void TestArchiveNames::periodCheck()
{
    QFETCH(qint64, now);
    QFETCH(bool, newPeriod);
    QCOMPARE(IsNewPeriod(17742384, 12, now), newPeriod);
    // A stored hour at either end of the range means a clock far off: a new period,
    // reached without wrapping around.
    QVERIFY(IsNewPeriod(std::numeric_limits<qint64>::max(), 12, now));
    QVERIFY(IsNewPeriod(std::numeric_limits<qint64>::min(), 12, now));
}

void TestArchiveNames::periodNamePart_data()
{
    QTest::addColumn<QDateTime>("start");
    QTest::addColumn<QString>("expected");
    QTest::newRow("2008") << At(2008, 5, 13, 14, 5) << "08_05_13_14";
    QTest::newRow("2009") << At(2009, 7, 3, 7, 40) << "09_07_03_07";
    QTest::newRow("2000") << At(2000, 12, 31, 23, 59) << "00_12_31_23";
    QTest::newRow("2100") << At(2100, 1, 1, 0) << "100_01_01_00";
}

void TestArchiveNames::periodNamePart()
{
    QFETCH(QDateTime, start);
    QFETCH(QString, expected);
    QCOMPARE(PeriodNamePart(start), expected);
}

void TestArchiveNames::tablePath_data()
{
    QTest::addColumn<QString>("pathArh");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("part");
    QTest::addColumn<QString>("expected");
    QTest::newRow("Cyrillic, Windows folder") << "C:\\Data\\"
                                              << "Печь 1"
                                              << "08_05_13_14"
                                              << "C:\\Data\\Печь 1_08_05_13_14.dbf";
    QTest::newRow("Linux folder") << "/var/lib/zeltar/Архив/"
                                  << "Сушка №2"
                                  << "09_07_03_07"
                                  << "/var/lib/zeltar/Архив/Сушка №2_09_07_03_07.dbf";
    QTest::newRow("folder without separator") << "/data"
                                              << "A"
                                              << "09_07_03_07"
                                              << "/data/A_09_07_03_07.dbf";
    QTest::newRow("every unsafe character") << "/data/"
                                            << "a/b\\c:d*e?f\"g<h>i|j"
                                            << "08_05_13_14"
                                            << "/data/a_b_c_d_e_f_g_h_i_j_08_05_13_14.dbf";
    QTest::newRow("control characters")
        << "/data/" << QString("t\tn\nz") + QChar(0x7F) << "08_05_13_14"
        << "/data/t_n_z__08_05_13_14.dbf";
    QTest::newRow("unsafe period part from the INI") << "/data/"
                                                     << "A"
                                                     << "../x"
                                                     << "/data/A_.._x.dbf";
}

void TestArchiveNames::tablePath()
{
    QFETCH(QString, pathArh);
    QFETCH(QString, name);
    QFETCH(QString, part);
    QFETCH(QString, expected);
    QCOMPARE(ArchiveTablePath(pathArh, name, part), expected);
}

void TestArchiveNames::unsafeDeviceNameStaysInArchiveFolder()
{
    QTemporaryDir root;
    QVERIFY(root.isValid());
    QDir(root.path()).mkdir(QStringLiteral("Архив"));
    const QString folder = root.filePath(QStringLiteral("Архив")) + QLatin1Char('/');
    // Names too long for a file name (255 bytes) are shortened between whole characters.
    const QString emoji = QStringLiteral("\U0001F525");
    for (const QString &name :
         {QStringLiteral("../../evil1"), QStringLiteral("..\\..\\evil2"), QStringLiteral("C:evil3"),
          QStringLiteral("/etc/evil4"), QString(130, QChar(0x0416)), QString(300, QLatin1Char('a')),
          QStringLiteral("x") + emoji.repeated(100)}) {
        const QString path = ArchiveTablePath(folder, name, QStringLiteral("08_05_13_14"));
        QFile file(path);
        QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
        file.close();
        QCOMPARE(QFileInfo(path).absolutePath(), QFileInfo(folder).absolutePath());
        const QString fileName = QFileInfo(path).fileName();
        QVERIFY(fileName.toUtf8().size() <= MaxTableNameBytes);
        QVERIFY(fileName.endsWith(QStringLiteral("_08_05_13_14.dbf")));
        const QString kept = fileName.chopped(16);
        QVERIFY(name.startsWith(kept) || name.contains(QLatin1Char('/')) ||
                name.contains(QLatin1Char('\\')) || name.contains(QLatin1Char(':')));
        QVERIFY(!kept.back().isHighSurrogate());
    }
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 7);
    QCOMPARE(
        QDir(root.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
        1);
}

QTEST_GUILESS_MAIN(TestArchiveNames)
#include "test_archive_names.moc"
