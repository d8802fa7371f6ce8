#include "core/clock.h"
#include "core/journal.h"
#include "core/text_file.h"

#include <QFile>
#include <QLocale>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace zeltar;

namespace {

QStringList NumberedLines(int count)
{
    QStringList lines;
    for (int i = 1; i <= count; ++i)
        lines << QStringLiteral("line %1").arg(i);
    return lines;
}

void WriteLines(const QString &path, const QStringList &lines)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    for (const QString &line : lines)
        file.write(line.toUtf8() + "\r\n");
}

QByteArray FileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

} // namespace

class TestJournal : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void growsToAtMost101_data();
    void growsToAtMost101();
    void longLoadedFileKeepsItsTail();
    void lineStamp();
    void missingFileIsCreatedAndClearEmptiesIt();
    void loadAcceptsAnyLineEnds();
    void windows1251FileStaysWindows1251();
    void unwritableFileKeepsTheJournalGoing();

private:
    QTemporaryDir *m_dir = nullptr;
    QString m_path;
};

void TestJournal::init()
{
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    Clock::setNow(QDateTime(QDate(2008, 5, 13), QTime(14, 5, 9)));
    m_dir = new QTemporaryDir;
    m_path = m_dir->filePath("Zeltar.mes");
}

void TestJournal::cleanup()
{
    QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner);
    delete m_dir;
    m_dir = nullptr;
    Clock::reset();
    QLocale::setDefault(QLocale::c());
}

void TestJournal::growsToAtMost101_data()
{
    QTest::addColumn<int>("before");
    QTest::addColumn<int>("after");
    QTest::addColumn<QString>("bottom");
    QTest::newRow("99") << 99 << 100 << "line 99";
    QTest::newRow("100") << 100 << 101 << "line 100";
    QTest::newRow("101") << 101 << 101 << "line 100";
}

void TestJournal::growsToAtMost101()
{
    QFETCH(int, before);
    QFETCH(int, after);
    QFETCH(QString, bottom);
    WriteLines(m_path, NumberedLines(before));

    Journal journal;
    QSignalSpy changed(&journal, &Journal::changed);
    journal.load(m_path);
    QCOMPARE(journal.lines().size(), before);
    QVERIFY(!journal.AddProgMes("new"));
    QCOMPARE(changed.count(), 2);

    const QStringList lines = journal.lines();
    QCOMPARE(lines.size(), after);
    QCOMPARE(lines.first(), QStringLiteral("[13.05.2008 14:05:09]- new"));
    QCOMPARE(lines.last(), bottom);
    QCOMPARE(FileBytes(m_path), (lines.join("\r\n") + "\r\n").toUtf8());
}

void TestJournal::longLoadedFileKeepsItsTail()
{
    WriteLines(m_path, NumberedLines(150));
    Journal journal;
    journal.load(m_path);
    journal.AddProgMes("Открытие программы");

    QStringList expected = NumberedLines(150);
    expected.removeAt(100); // "line 101"
    expected.prepend("[13.05.2008 14:05:09]- Открытие программы");
    QCOMPARE(journal.lines(), expected);

    Journal reloaded;
    reloaded.load(m_path);
    QCOMPARE(reloaded.lines(), expected);

    // Each further line takes out the new 101st.
    journal.AddProgMes("again");
    QCOMPARE(journal.lines().size(), 150);
    QVERIFY(!journal.lines().contains("line 100"));
    QCOMPARE(journal.lines().at(101), QStringLiteral("line 102"));
}

void TestJournal::lineStamp()
{
    Journal journal;
    journal.load(m_path);
    Clock::setNow(QDateTime(QDate(2024, 12, 31), QTime(23, 59, 58)));
    journal.AddProgMes("Закрытие программы");
    QCOMPARE(journal.lines().first(), QStringLiteral("[31.12.2024 23:59:58]- Закрытие программы"));

    QLocale::setDefault(QLocale::c());
    Clock::advance(1500);
    journal.AddProgMes("x");
    const QString line = journal.lines().first();
    QVERIFY2(line.startsWith('[') && line.endsWith("]- x"), qPrintable(line));
    QVERIFY2(line.contains("23:59:59"), qPrintable(line)); // seconds, and no zone after them
    QVERIFY2(line.contains("59]- "), qPrintable(line));
}

void TestJournal::missingFileIsCreatedAndClearEmptiesIt()
{
    Journal journal;
    journal.load(m_path);
    QVERIFY(journal.lines().isEmpty());
    QVERIFY(QFile::exists(m_path));
    QCOMPARE(FileBytes(m_path), QByteArray());

    journal.AddProgMes("Вход в режим настройки");
    journal.AddProgMes("Запущена система сбора и анализа данных");
    QSignalSpy changed(&journal, &Journal::changed);
    journal.clear();
    QCOMPARE(changed.count(), 1);
    QVERIFY(journal.lines().isEmpty());
    QCOMPARE(FileBytes(m_path), QByteArray());

    // The next start finds the empty file and begins with its own first line.
    Journal restarted;
    restarted.load(m_path);
    restarted.AddProgMes("Открытие программы");
    QCOMPARE(restarted.lines(), QStringList{"[13.05.2008 14:05:09]- Открытие программы"});
}

void TestJournal::loadAcceptsAnyLineEnds()
{
    QFile file(m_path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("a\nb\r\n\r\nc\rd");
    file.close();
    Journal journal;
    journal.load(m_path);
    QCOMPARE(journal.lines(), (QStringList{"a", "b", "", "c", "d"}));
    journal.AddProgMes("e");
    QCOMPARE(FileBytes(m_path), QByteArray("[13.05.2008 14:05:09]- e\r\na\r\nb\r\n\r\nc\r\nd\r\n"));
}

void TestJournal::windows1251FileStaysWindows1251()
{
    const QStringList old{"[12.05.2008 10:00:00]- Открытие программы"};
    QVERIFY(WriteTextFile(m_path, old.first() + "\r\n", TextEncoding::Windows1251));

    Journal journal;
    journal.load(m_path);
    QCOMPARE(journal.lines(), old);
    journal.AddProgMes("Созданы новые архивы данных");

    const QByteArray bytes = FileBytes(m_path);
    QCOMPARE(bytes, EncodeText(journal.lines().join("\r\n") + "\r\n", TextEncoding::Windows1251));
    TextEncoding encoding;
    QCOMPARE(DecodeText(bytes, &encoding), journal.lines().join("\r\n") + "\r\n");
    QCOMPARE(encoding, TextEncoding::Windows1251);
}

void TestJournal::unwritableFileKeepsTheJournalGoing()
{
    // A directory in the file's place can be neither read nor written, whatever the rights
    // of the user running the tests.
    QVERIFY(QDir().mkpath(m_path));
    Journal blocked;
    blocked.load(m_path);
    QVERIFY(blocked.lines().isEmpty());
    QVERIFY(blocked.AddProgMes("one"));
    QCOMPARE(blocked.lines().size(), 1);
    QDir(m_path).removeRecursively();

    // A file nobody may write is kept, also by the superuser.
    WriteLines(m_path, {"kept"});
    QFile::setPermissions(m_path, QFile::ReadOwner | QFile::ReadUser);
    Journal journal;
    journal.load(m_path);
    QVERIFY(journal.AddProgMes("Остановлена система сбора и анализа данных"));
    QCOMPARE(journal.lines().size(), 2);
    QCOMPARE(FileBytes(m_path), QByteArray("kept\r\n"));
}

QTEST_GUILESS_MAIN(TestJournal)
#include "test_journal.moc"
