#include "core/text_file.h"

#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QtTest>

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
    void writeToReadOnlyFileFails();
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

void TestTextFile::writeToReadOnlyFileFails()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("ro.mes");
    QVERIFY(WriteTextFile(path, "keep", TextEncoding::Utf8));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser);
    if (QFileInfo(path).isWritable())
        QSKIP("running with rights that ignore file permissions");
    QVERIFY(!WriteTextFile(path, "lost", TextEncoding::Utf8));
    QString text;
    TextEncoding encoding;
    QVERIFY(ReadTextFile(path, &text, &encoding));
    QCOMPARE(text, QStringLiteral("keep"));
}

QTEST_GUILESS_MAIN(TestTextFile)
#include "test_text_file.moc"
