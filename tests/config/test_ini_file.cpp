#include "config/ini_file.h"

#include "config_test_files.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

using namespace zeltar;

class TestIniFile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_path;

private slots:
    void init() { m_path = m_dir.filePath(QStringLiteral("Zeltar.ini")); }
    void cleanup() { QFile::remove(m_path); }

    void missingFileComesIntoBeingAtFirstWrite()
    {
        IniFile ini;
        QVERIFY(ini.load(m_path));
        QCOMPARE(ini.readString("MAIN", "PathArh", "SSS"), QString("SSS"));
        QCOMPARE(ini.readInteger("MAIN", "TimeOpr", 999), 999);
        QVERIFY(!QFile::exists(m_path));

        QVERIFY(ini.writeString("ZELTAR1", "PribName", "Печь"));
        QCOMPARE(ReadBytes(m_path), QString("[ZELTAR1]\nPribName=Печь\n").toUtf8());
    }

    void namesIgnoreCaseAndValuesAreTrimmed()
    {
        WriteBytes(m_path, "[main]\n  timeopr =  15  \nEmpty=\n[Main]\nTimeOpr=7\n");
        const IniFile ini(m_path);
        QCOMPARE(ini.readInteger("MAIN", "TimeOpr", 999), 15); // the first section counts
        QCOMPARE(ini.readString("MAIN", "TIMEOPR", "x"), QString("15"));
        QCOMPARE(ini.readString("MAIN", "Empty", "x"), QString()); // present but empty
        QVERIFY(!ini.hasKey("MAIN", "Other"));
    }

    void integersAreReadAsTheIniServicesDo_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("decimal") << QByteArray("42") << 42;
        QTest::newRow("negative") << QByteArray("-7") << -7;
        QTest::newRow("hex") << QByteArray("0x1F") << 31;
        QTest::newRow("not a number") << QByteArray("12abc") << 999;
        QTest::newRow("empty") << QByteArray("") << 999;
        QTest::newRow("beyond 32 bits") << QByteArray("4294967296") << 999;
    }
    void integersAreReadAsTheIniServicesDo()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, expected);
        WriteBytes(m_path, "[MAIN]\nValue=" + text + "\n");
        QCOMPARE(IniFile(m_path).readInteger("MAIN", "Value", 999), expected);
    }

    void writesKeepEverythingElseInPlace()
    {
        // Comments, blank lines, unknown keys and sections survive; a changed key keeps its
        // place and spelling; a new key goes after the last key of its section; a new
        // section goes at the end; a last line without a line break gets one.
        WriteBytes(m_path, "; station settings\n[MAIN]\nautostart=0\nUnknown = x\n\n"
                           "; devices\n[Other]\nA=1");
        IniFile ini(m_path);
        QVERIFY(ini.writeInteger("MAIN", "AutoStart", 1));
        QVERIFY(ini.writeString("main", "PathArh", "/data/"));
        QVERIFY(ini.writeString("Other", "B", "2"));
        QVERIFY(ini.writeString("ZELTAR1", "PribName", "Печь\r\n2"));
        QCOMPARE(QString::fromUtf8(ReadBytes(m_path)),
                 QString("; station settings\n[MAIN]\nautostart=1\nUnknown = x\nPathArh=/data/\n\n"
                         "; devices\n[Other]\nA=1\nB=2\n\n[ZELTAR1]\nPribName=Печь  2\n"));
        QCOMPARE(ini.keys("MAIN"), QStringList({"autostart", "Unknown", "PathArh"}));
    }

    void failedWriteIsReportedAndKeptInMemory()
    {
        IniFile ini(m_dir.filePath("missing/Zeltar.ini"));
        QVERIFY(!ini.writeInteger("MAIN", "CountUstr", 2));
        QCOMPARE(ini.readInteger("MAIN", "CountUstr", 999), 2);
        QVERIFY(!ini.flush());

        // Something there that cannot be read is never replaced.
        QVERIFY(QDir(m_dir.path()).mkdir("Unreadable.ini"));
        IniFile unreadable;
        QVERIFY(!unreadable.load(m_dir.filePath("Unreadable.ini")));
        QVERIFY(!unreadable.writeInteger("MAIN", "CountUstr", 2));
        QVERIFY(QFileInfo(m_dir.filePath("Unreadable.ini")).isDir());
    }

    // Every write applies its own keys to the file as it is on disk at that moment, in the
    // encoding the file has then.
    void writesApplyToTheFileAsItIsNow_data()
    {
        QTest::addColumn<int>("encodingNumber");
        QTest::newRow("utf-8") << int(TextEncoding::Utf8);
        QTest::newRow("windows-1251") << int(TextEncoding::Windows1251);
        QTest::newRow("utf-16le with mark") << int(TextEncoding::Utf16LE);
        QTest::newRow("utf-16be with mark") << int(TextEncoding::Utf16BE);
    }
    void writesApplyToTheFileAsItIsNow()
    {
        QFETCH(int, encodingNumber);
        const auto encoding = static_cast<TextEncoding>(encodingNumber);
        const QString start =
            QStringLiteral("[MAIN]\r\nCountUstr=1\r\n[ZELTAR1]\r\nPribName=Печь\r\n");
        QVERIFY(WriteTextFile(m_path, start, encoding));
        IniFile ini(m_path);
        QCOMPARE(ini.encoding(), encoding);
        QCOMPARE(ini.readString("ZELTAR1", "PribName", {}), QStringLiteral("Печь"));

        // Someone edits the file while the station runs.
        const QString edited = start + QStringLiteral("[Сервис]\r\nКлюч=значение\r\n");
        QVERIFY(WriteTextFile(m_path,
                              QString(edited).replace("CountUstr=1", "CountUstr=1\r\nAutoStart=1"),
                              encoding));
        QVERIFY(ini.writeInteger("MAIN", "TimeLastArh", 17742384));

        QString text;
        TextEncoding read;
        QVERIFY(ReadTextFile(m_path, &text, &read));
        QCOMPARE(read, encoding);
        QCOMPARE(text,
                 QStringLiteral("[MAIN]\r\nCountUstr=1\r\nAutoStart=1\r\nTimeLastArh=17742384\r\n"
                                "[ZELTAR1]\r\nPribName=Печь\r\n[Сервис]\r\nКлюч=значение\r\n"));
        QCOMPARE(ini.readInteger("MAIN", "AutoStart", 0), 1);
        if (encoding == TextEncoding::Utf16LE || encoding == TextEncoding::Utf16BE)
            QVERIFY(ReadBytes(m_path).startsWith(encoding == TextEncoding::Utf16LE ? "\xFF\xFE"
                                                                                   : "\xFE\xFF"));
    }

    // An editor saving the file in place while the station writes: a file still being
    // written is waited for, and one that lost what the station had read is not written
    // back, with a message; the next write takes the file as it then is.
    void fileBeingSavedIsNeverWrittenBackHalf()
    {
        const QByteArray whole = "[MAIN]\nCountUstr=2\n[ZELTAR1]\nPribName=A\n"
                                 "[ZELTAR2]\nPribName=B\n[PORTS]\nCOM1=/dev/ttyUSB0\n";
        WriteBytes(m_path, whole);
        IniFile ini(m_path);
        const QByteArray half = whole.left(whole.indexOf("[ZELTAR2]") - 3);
        WriteBytes(m_path, half);
        std::thread editor([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(400));
            WriteBytes(m_path, whole);
        });
        const bool written = ini.writeInteger("MAIN", "TimeLastArh", 7);
        editor.join();
        QVERIFY(written);
        QVERIFY(ReadBytes(m_path).startsWith("[MAIN]\nCountUstr=2\nTimeLastArh=7\n"));
        QVERIFY(ReadBytes(m_path).endsWith("[PORTS]\nCOM1=/dev/ttyUSB0\n"));

        // Half a file that has been quiet for a while.
        WriteBytes(m_path, half);
        QFile file(m_path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        file.setFileTime(QDateTime::currentDateTimeUtc().addSecs(-5),
                         QFileDevice::FileModificationTime);
        file.close();
        QVERIFY(!ini.writeInteger("MAIN", "TimeLastArh", 8));
        QCOMPARE(ini.errorString(),
                 QStringLiteral("Файл %1 не записан: в нём нет прочитанного ранее "
                                "(MAIN/TimeLastArh, PORTS, ZELTAR1/PribName, ZELTAR2)")
                     .arg(m_path));
        QCOMPARE(ReadBytes(m_path), half);
        QVERIFY(ini.writeInteger("MAIN", "TimeLastArh", 9));
        QCOMPARE(ReadBytes(m_path),
                 QByteArray("[MAIN]\nCountUstr=2\nTimeLastArh=9\n[ZELTAR1]\nPribName"));
    }

    void linkedFileStaysALink()
    {
        const QString real = m_dir.filePath(QStringLiteral("real.ini"));
        WriteBytes(real, "[MAIN]\n");
        QVERIFY(QFile::link(real, m_path));
        IniFile ini(m_path);
        QVERIFY(ini.writeInteger("MAIN", "CountUstr", 1));
        QVERIFY(QFileInfo(m_path).isSymLink());
        QCOMPARE(ReadBytes(real), QByteArray("[MAIN]\nCountUstr=1\n"));
        QFile::remove(real);
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "test_ini_file.moc"
