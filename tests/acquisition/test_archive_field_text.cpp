#include "acquisition/dbf_field_text.h"

#include <QtTest>

#include <cmath>
#include <limits>

using namespace zeltar;

class TestArchiveFieldText : public QObject
{
    Q_OBJECT

private slots:
    void numberText_data();
    void numberText();
    void fieldBytes_data();
    void fieldBytes();
    void textIsWindows1251EvenWhenItLooksLikeUtf8();
};

void TestArchiveFieldText::numberText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<bool>("single");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("single 25.3") << double(25.3f) << true << 20 << 4 << QByteArray("25.3000");
    QTest::newRow("same bits as a double")
        << double(25.3f) << false << 20 << 4 << QByteArray("25.299999237060547");
    QTest::newRow("no link") << 200000.0 << true << 20 << 4 << QByteArray("200000.0000");
    QTest::newRow("negative") << -12.5 << true << 20 << 4 << QByteArray("-12.5000");
    QTest::newRow("small") << double(0.001f) << true << 20 << 4 << QByteArray("0.0010");
    QTest::newRow("more digits than decimals kept")
        << double(0.00012345f) << true << 20 << 4 << QByteArray("0.00012345");
    QTest::newRow("whole field rounds") << 2.6 << false << 2 << 0 << QByteArray("3");
    QTest::newRow("too wide loses decimals")
        << double(123456.789f) << true << 8 << 4 << QByteArray("123456.8");
    QTest::newRow("too wide for fixed") << 1e30 << true << 20 << 4 << QByteArray("1e+30");
    QTest::newRow("fits nowhere") << -1e30 << true << 3 << 0 << QByteArray("***");
    QTest::newRow("NaN") << std::numeric_limits<double>::quiet_NaN() << true << 20 << 4
                         << QByteArray();
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << false << 20 << 4
                              << QByteArray();
}

void TestArchiveFieldText::numberText()
{
    QFETCH(double, value);
    QFETCH(bool, single);
    QFETCH(int, width);
    QFETCH(int, decimals);
    QFETCH(QByteArray, expected);
    QCOMPARE(DbfNumberText(value, single, width, decimals), expected);
}

void TestArchiveFieldText::fieldBytes_data()
{
    QTest::addColumn<char>("type");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("number right-aligned")
        << 'N' << 10 << 4 << QVariant::fromValue(25.3f) << QByteArray("   25.3000");
    QTest::newRow("integer") << 'N' << 2 << 0 << QVariant(15) << QByteArray("15");
    QTest::newRow("blank number") << 'N' << 3 << 0 << QVariant() << QByteArray("   ");
    QTest::newRow("Cyrillic text padded")
        << 'C' << 6 << 0 << QVariant(QStringLiteral("Печь")) << QByteArray("\xCF\xE5\xF7\xFC  ");
    QTest::newRow("text cut to width")
        << 'C' << 3 << 0 << QVariant(QStringLiteral("13.05.2008")) << QByteArray("13.");
    QTest::newRow("number in a text field")
        << 'C' << 8 << 0 << QVariant::fromValue(25.3f) << QByteArray("25.3    ");
    QTest::newRow("logical") << 'L' << 1 << 0 << QVariant(1) << QByteArray("T");
}

void TestArchiveFieldText::fieldBytes()
{
    QFETCH(char, type);
    QFETCH(int, width);
    QFETCH(int, decimals);
    QFETCH(QVariant, value);
    QFETCH(QByteArray, expected);
    QCOMPARE(DbfFieldBytes(type, width, decimals, value), expected);
}

void TestArchiveFieldText::textIsWindows1251EvenWhenItLooksLikeUtf8()
{
    // "Сё" in Windows-1251 is D1 B8, which is also a valid UTF-8 sequence.
    QCOMPARE(DbfDecodeText(QByteArray("\xD1\xB8")), QStringLiteral("Сё"));
    const QString text = QStringLiteral("Печь 1, 13 мая 2008 г.");
    QCOMPARE(DbfDecodeText(DbfEncodeText(text)), text);
    QCOMPARE(DbfDecodeText(QByteArray()), QString());
    // Nor is a field that starts like a UTF-16 byte-order mark read as UTF-16.
    QCOMPARE(DbfDecodeText(QByteArray("\xFF\xFE")), QStringLiteral("яю"));
    QCOMPARE(DbfDecodeText(QByteArray("\xFE\xFF\xFF")), QStringLiteral("юяя"));
}

QTEST_GUILESS_MAIN(TestArchiveFieldText)
#include "test_archive_field_text.moc"
