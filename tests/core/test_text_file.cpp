#include "core/text_file.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace zeltar;

class TestTextFile : public QObject
{
    Q_OBJECT

private slots:
    void cp1251TableMatchesSystemCodec();
    void cyrillicRoundTrips_data();
    void cyrillicRoundTrips();
    void detectsEncoding();
    void unencodableCharactersBecomeQuestionMarks();
    void missingFileReadsAsEmptyUtf8();
    void writeReplacesWholeFile();
    void writeKeepsProtectionOwnerAndMode();
};

void TestTextFile::cp1251TableMatchesSystemCodec()
{
    QStringDecoder system("windows-1251");
    if (!system.isValid())
        QSKIP("no system Windows-1251 codec");
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
        if (byte == 0x98)
            continue; // unassigned in the code page; codecs disagree on it
        const QByteArray one(1, static_cast<char>(byte));
        QStringDecoder decoder("windows-1251");
        const QString expected = decoder.decode(one);
        TextEncoding encoding;
        // A lone high byte is never valid UTF-8, so it goes through the table.
        const QString actual = DecodeText(one, &encoding);
        QCOMPARE(encoding, TextEncoding::Windows1251);
        QVERIFY2(actual == expected, qPrintable(QString::number(byte, 16)));
        QCOMPARE(EncodeText(actual, TextEncoding::Windows1251), one);
    }
}

void TestTextFile::cyrillicRoundTrips_data()
{
    QTest::addColumn<int>("encoding");
    QTest::newRow("utf-8") << int(TextEncoding::Utf8);
    QTest::newRow("windows-1251") << int(TextEncoding::Windows1251);
}

void TestTextFile::cyrillicRoundTrips()
{
    QFETCH(int, encoding);
    const auto enc = static_cast<TextEncoding>(encoding);
    const QString text = QStringLiteral("[13.05.2008 14:05:09]- Ёлка №5 «Зелтар» ёж\r\nABC\r\n");
    QTemporaryDir dir;
    const QString path = dir.filePath("Zeltar.mes");
    QVERIFY(WriteTextFile(path, text, enc));

    QString read;
    TextEncoding readEncoding;
    QVERIFY(ReadTextFile(path, &read, &readEncoding));
    QCOMPARE(read, text);
    QCOMPARE(readEncoding, enc);

    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    if (enc == TextEncoding::Windows1251)
        QVERIFY(bytes.contains("\xA8\xEB\xEA\xE0 \xB9")); // "Ёлка №"
    else
        QCOMPARE(bytes, text.toUtf8());
}

void TestTextFile::detectsEncoding()
{
    TextEncoding encoding;
    QCOMPARE(DecodeText("plain ascii", &encoding), QStringLiteral("plain ascii"));
    QCOMPARE(encoding, TextEncoding::Utf8);

    // "Привет" in Windows-1251 is not valid UTF-8.
    QCOMPARE(DecodeText("\xCF\xF0\xE8\xE2\xE5\xF2", &encoding), QStringLiteral("Привет"));
    QCOMPARE(encoding, TextEncoding::Windows1251);

    // A valid UTF-8 prefix followed by one stray byte is Windows-1251 as a whole.
    QCOMPARE(DecodeText(QStringLiteral("Ж").toUtf8() + "\xC6", &encoding), QStringLiteral("Р–Ж"));
    QCOMPARE(encoding, TextEncoding::Windows1251);
}

void TestTextFile::unencodableCharactersBecomeQuestionMarks()
{
    QCOMPARE(EncodeText(QStringLiteral("a\u4E2Db\U0001F600c"), TextEncoding::Windows1251),
             QByteArray("a?b?c"));
}

void TestTextFile::missingFileReadsAsEmptyUtf8()
{
    QTemporaryDir dir;
    QString text = "old";
    TextEncoding encoding = TextEncoding::Windows1251;
    QVERIFY(!ReadTextFile(dir.filePath("none.mes"), &text, &encoding));
    QVERIFY(text.isEmpty());
    QCOMPARE(encoding, TextEncoding::Utf8);
}

void TestTextFile::writeReplacesWholeFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("a.ini");
    QVERIFY(WriteTextFile(path, QString(1000, 'x'), TextEncoding::Utf8));
    QVERIFY(WriteTextFile(path, "short", TextEncoding::Utf8));
    QString text;
    TextEncoding encoding;
    QVERIFY(ReadTextFile(path, &text, &encoding));
    QCOMPARE(text, QStringLiteral("short"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"a.ini"});
}

namespace {

struct stat StatOf(const QString &path)
{
    struct stat status = {};
    ::stat(QFile::encodeName(path).constData(), &status);
    return status;
}

QString TextOf(const QString &path)
{
    QString text;
    TextEncoding encoding;
    ReadTextFile(path, &text, &encoding);
    return text;
}

} // namespace

// A write behaves as a private-profile write on the file itself: a file nobody may write
// stays as it is (even for the superuser the tests run as), and a written file keeps its
// owner, group and mode; a new one takes the umask's mode.
void TestTextFile::writeKeepsProtectionOwnerAndMode()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("ro.mes");
    QVERIFY(WriteTextFile(path, "keep", TextEncoding::Utf8));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    QString error;
    QVERIFY(!WriteTextFile(path, "lost", TextEncoding::Utf8, &error));
    QVERIFY(error.contains(QStringLiteral("защищён от записи")));
    QCOMPARE(TextOf(path), QStringLiteral("keep"));

    const mode_t umask = ::umask(027);
    const QString fresh = dir.filePath("new.mes");
    const bool made = WriteTextFile(fresh, "new", TextEncoding::Utf8);
    ::umask(umask);
    QVERIFY(made);
    QCOMPARE(StatOf(fresh).st_mode & 0777, mode_t(0640));
    ::chmod(QFile::encodeName(fresh).constData(), 0604);
    QVERIFY(WriteTextFile(fresh, "again", TextEncoding::Utf8));
    QCOMPARE(StatOf(fresh).st_mode & 0777, mode_t(0604));

    if (::geteuid() != 0)
        QSKIP("owners can only be set up by the superuser");
    // Another user's file, written by the superuser through a rename, stays that user's.
    const uid_t nobody = 65534;
    QCOMPARE(::chown(QFile::encodeName(fresh).constData(), nobody, nobody), 0);
    QVERIFY(WriteTextFile(fresh, "for nobody", TextEncoding::Utf8));
    QCOMPARE(StatOf(fresh).st_uid, nobody);
    QCOMPARE(StatOf(fresh).st_gid, gid_t(nobody));

    // The superuser's file that everyone may write, written by an ordinary user: a rename
    // would give it to that user, so it is written in place.
    const QString shared = dir.filePath("shared.ini");
    QVERIFY(WriteTextFile(shared, "[MAIN]\nCountUstr=1\n", TextEncoding::Utf8));
    ::chmod(QFile::encodeName(shared).constData(), 0666);
    ::chmod(QFile::encodeName(dir.path()).constData(), 0777);
    const ino_t inode = StatOf(shared).st_ino;
    const pid_t child = ::fork();
    if (child == 0) {
        const bool written = ::setgid(nobody) == 0 && ::setuid(nobody) == 0 &&
                             WriteTextFile(shared, "[MAIN]\n", TextEncoding::Utf8);
        ::_exit(written ? 0 : 1);
    }
    int status = -1;
    ::waitpid(child, &status, 0);
    QCOMPARE(status, 0);
    QCOMPARE(TextOf(shared), QStringLiteral("[MAIN]\n"));
    QCOMPARE(StatOf(shared).st_uid, uid_t(0));
    QCOMPARE(StatOf(shared).st_ino, inode);
    QCOMPARE(StatOf(shared).st_mode & 0777, mode_t(0666));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
             QStringList({"new.mes", "ro.mes", "shared.ini"}));
}

QTEST_GUILESS_MAIN(TestTextFile)
#include "test_text_file.moc"
