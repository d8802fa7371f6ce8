#include "acquisition/archive_layout.h"
#include "acquisition/archive_table.h"
#include "acquisition/archive_template.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <algorithm>
#include <functional>

using namespace zeltar;

namespace {

const char AppendForeverVariable[] = "ZELTAR_TEST_APPEND_FOREVER";
const char Python[] = "/usr/bin/python3";

// The measured values of the test records as the operator would read them.
const QStringList ValueTexts = {"200000", "100000", "-12.5", "25.3", "0.001"};

ArchiveRecord Record(int i)
{
    ArchiveRecord record;
    record.data = i == 0 ? QStringLiteral("13 мая 2008 г.") : QStringLiteral("13.05.2008");
    record.time = QStringLiteral("14:05:0%1").arg(i);
    record.znac = ValueTexts.at(i % ValueTexts.size()).toFloat();
    record.stat = i % 16;
    record.rele = 15 - i % 16;
    record.step = (3 * i) % 16;
    record.noLink = i % 2;
    return record;
}

// Runs the append loop of the crash test in a child process until it is killed.
int AppendForever(const QString &path)
{
    ArchiveTable table;
    if (!table.open(path, ArchiveTable::Mode::Append))
        return 1;
    for (int i = 0;; ++i) {
        if (!table.appendRecord(Record(i)))
            return 2;
        if (i == 0) {
            fputs("appending\n", stdout);
            fflush(stdout);
        }
    }
}

struct Layout
{
    qint64 headerLength;
    qint64 recordLength;
};

Layout ReadLayout(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const QByteArray header = file.read(12);
    const auto *bytes = reinterpret_cast<const uchar *>(header.constData());
    return {qFromLittleEndian<quint16>(bytes + 8), qFromLittleEndian<quint16>(bytes + 10)};
}

void SetHeaderCount(QFile &file, quint32 count)
{
    uchar bytes[4];
    qToLittleEndian(count, bytes);
    file.seek(4);
    file.write(reinterpret_cast<const char *>(bytes), 4);
}

} // namespace

class TestArchiveTable : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void templateIsMadeOnceAndOpens();
    void copyKeepsOrReplacesExistingTable();
    void appendedFieldsReadBackByNameAndPosition();
    void secondHandleSeesAppendsAfterRefresh();
    void openingMissingTableFailsWithoutMakingIt();
    void untrustedHeaderIsNeverChanged_data();
    void untrustedHeaderIsNeverChanged();
    void damagedTableIsRepairedOnOpenForAppend_data();
    void damagedTableIsRepairedOnOpenForAppend();
    void readerOfDamagedTableSeesOnlyWholeRecords();
    void dbfreadReadsEveryField();
    void tableOfKilledAppenderStaysReadable();

private:
    QString makeTable(int records);
    QJsonArray dbfread(const QString &path);

    std::unique_ptr<QTemporaryDir> m_root;
    QString m_progDir;
    QString m_archiveDir;
};

void TestArchiveTable::init()
{
    m_root = std::make_unique<QTemporaryDir>();
    QVERIFY(m_root->isValid());
    QDir root(m_root->path());
    QVERIFY(root.mkdir(QStringLiteral("Программа")) && root.mkdir(QStringLiteral("Архив")));
    m_progDir = root.filePath(QStringLiteral("Программа")) + QLatin1Char('/');
    m_archiveDir = root.filePath(QStringLiteral("Архив")) + QLatin1Char('/');
}

// A copy of the template in the archive folder holding records Record(0 .. records-1).
QString TestArchiveTable::makeTable(int records)
{
    const QString path = m_archiveDir + QStringLiteral("Печь 1_08_05_13_14.dbf");
    if (!EnsureTemplate(m_progDir) || !CopyTemplate(ArchiveTemplatePath(m_progDir), path))
        return {};
    ArchiveTable table;
    if (!table.open(path, ArchiveTable::Mode::Append))
        return {};
    for (int i = 0; i < records; ++i) {
        if (!table.appendRecord(Record(i)))
            return {};
    }
    return path;
}

// Every record of the table as dbfread returns it; an empty array when dbfread fails.
QJsonArray TestArchiveTable::dbfread(const QString &path)
{
    QProcess python;
    python.start(Python, {"-c",
                          "import sys, json, dbfread\n"
                          "table = dbfread.DBF(sys.argv[1])\n"
                          "print(json.dumps([dict(r) for r in table]))\n",
                          path});
    if (!python.waitForFinished(30000) || python.exitCode() != 0) {
        qWarning() << python.readAllStandardError();
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
}

void TestArchiveTable::templateIsMadeOnceAndOpens()
{
    QVERIFY(EnsureTemplate(m_progDir));
    const QString path = ArchiveTemplatePath(m_progDir);
    ArchiveTable table;
    QVERIFY2(table.open(path, ArchiveTable::Mode::Read), qPrintable(table.errorString()));
    QCOMPARE(table.recordCount(), 0);
    QCOMPARE(table.fieldCount(), int(ArchiveFieldCount));
    QCOMPARE(table.fieldIndex("data"), int(ArchiveData));
    QCOMPARE(table.fieldIndex("Time"), int(ArchiveTime));
    QCOMPARE(table.fieldIndex("ZNAC"), int(ArchiveZnac));
    QCOMPARE(table.fieldIndex("rele"), int(ArchiveRele));
    QCOMPARE(table.fieldIndex("Step"), int(ArchiveStep));
    QCOMPARE(table.field(ArchiveZnac).type, 'N');
    table.close();
    QVERIFY(QDir(m_progDir).entryList(QDir::Files) == QStringList{ArchiveTemplateName});

    // A sound template of the layout is kept; anything else is set aside under a name that
    // is never reused, and the template made afresh.
    QVERIFY(EnsureTemplate(m_progDir));
    QCOMPARE(QDir(m_progDir).entryList(QDir::Files), QStringList{ArchiveTemplateName});
    for (const QString &aside :
         {QStringLiteral("Zeltar.dbf.bad"), QStringLiteral("Zeltar.dbf.bad2")}) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("someone else's template " + aside.toLatin1());
        file.close();
        QString setAside;
        QVERIFY(EnsureTemplate(m_progDir, &setAside));
        QCOMPARE(setAside, m_progDir + aside);
        QFile keptFile(setAside);
        QVERIFY(keptFile.open(QIODevice::ReadOnly));
        QCOMPARE(keptFile.readAll(), "someone else's template " + aside.toLatin1());
        QVERIFY(table.open(path, ArchiveTable::Mode::Append));
        table.close();
    }
}

using HeaderDamage = std::function<void(QFile &file)>;
Q_DECLARE_METATYPE(HeaderDamage)

void TestArchiveTable::untrustedHeaderIsNeverChanged_data()
{
    QTest::addColumn<HeaderDamage>("damage");
    QTest::addColumn<bool>("readable"); // a sound dBase table, only not of the archive layout
    const auto put16 = [](qint64 at, quint16 value) {
        return HeaderDamage([at, value](QFile &file) {
            uchar bytes[2];
            qToLittleEndian(value, bytes);
            file.seek(at);
            file.write(reinterpret_cast<const char *>(bytes), 2);
        });
    };
    const auto putByte = [](qint64 at, char value) {
        return HeaderDamage([at, value](QFile &file) {
            file.seek(at);
            file.write(&value, 1);
        });
    };
    QTest::newRow("record length 1") << put16(10, 1) << false;
    QTest::newRow("record length one long") << put16(10, 79) << false;
    QTest::newRow("header length one long") << put16(8, 290) << false;
    QTest::newRow("header length beyond the file") << put16(8, 60000) << false;
    QTest::newRow("field width 0") << putByte(32 + 3 * 32 + 16, 0) << false;
    QTest::newRow("unknown field type") << putByte(32 + 11, 'X') << false;
    QTest::newRow("no header terminator") << putByte(288, 'A') << false;
    QTest::newRow("text where a number goes") << putByte(32 + 4 * 32 + 11, 'C') << true;
    QTest::newRow("empty file") << HeaderDamage([](QFile &file) { file.resize(0); }) << false;
    QTest::newRow("junk") << HeaderDamage([](QFile &file) {
        file.resize(0);
        file.write(QByteArray(1000, '\x55'));
    }) << false;
}

void TestArchiveTable::untrustedHeaderIsNeverChanged()
{
    QFETCH(HeaderDamage, damage);
    QFETCH(bool, readable);
    const QString path = makeTable(5);
    QVERIFY(!path.isEmpty());
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.resize(file.size() - 1)); // the end marker lost, too
        damage(file);
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();

    ArchiveTable table;
    QVERIFY(!table.open(path, ArchiveTable::Mode::Append));
    QVERIFY(table.notATable());
    QCOMPARE(table.open(path, ArchiveTable::Mode::Read), readable);
    table.close();
    QVERIFY(file.seek(0));
    QCOMPARE(file.readAll(), before);
}

void TestArchiveTable::copyKeepsOrReplacesExistingTable()
{
    const QString path = makeTable(2);
    QVERIFY(!path.isEmpty());
    const QString templatePath = ArchiveTemplatePath(m_progDir);
    ArchiveTable table;

    QVERIFY(CopyTemplate(templatePath, path, TemplateCopy::KeepExisting));
    QVERIFY(table.open(path, ArchiveTable::Mode::Read));
    QCOMPARE(table.recordCount(), 2);
    table.close();

    QVERIFY(CopyTemplate(templatePath, path, TemplateCopy::Replace));
    QVERIFY(table.open(path, ArchiveTable::Mode::Read));
    QCOMPARE(table.recordCount(), 0);
    table.close();

    const QString elsewhere = m_archiveDir + QStringLiteral("Другой.dbf");
    QVERIFY(!CopyTemplate(m_progDir + QStringLiteral("missing.dbf"), elsewhere));
    QVERIFY(!QFile::exists(elsewhere));
    QVERIFY(!CopyTemplate(templatePath, m_archiveDir + QStringLiteral("no/such/folder/x.dbf")));
}

void TestArchiveTable::appendedFieldsReadBackByNameAndPosition()
{
    const QString path = makeTable(ValueTexts.size());
    QVERIFY(!path.isEmpty());
    ArchiveTable table;
    QVERIFY(table.open(path, ArchiveTable::Mode::Read));
    QCOMPARE(table.recordCount(), ValueTexts.size());
    for (int i = 0; i < ValueTexts.size(); ++i) {
        const ArchiveRecord expected = Record(i);
        QCOMPARE(table.readText(i, "Data"), expected.data);
        QCOMPARE(table.readText(i, ArchiveData), expected.data);
        QCOMPARE(table.readText(i, "time"), expected.time);
        QCOMPARE(table.readText(i, ArchiveTime), expected.time);
        // The decimal value the operator saw, not the single's binary neighbour.
        QCOMPARE(table.readDouble(i, "ZNAC"), ValueTexts.at(i).toDouble());
        QCOMPARE(table.readDouble(i, ArchiveZnac), ValueTexts.at(i).toDouble());
        QCOMPARE(table.readInt(i, ArchiveStat), expected.stat);
        QCOMPARE(table.readInt(i, "rele"), expected.rele);
        QCOMPARE(table.readInt(i, ArchiveRele), expected.rele);
        QCOMPARE(table.readInt(i, "STEP"), expected.step);
        QCOMPARE(table.readInt(i, ArchiveNoLink), expected.noLink);
        QCOMPARE(table.readText(i, ArchiveNum), QString());
    }
    QCOMPARE(table.readText(ValueTexts.size(), "DATA"), QString());
    QCOMPARE(table.readDouble(0, "NOSUCH"), 0.0);

    // A record is written only by a handle opened for appending.
    QVERIFY(!table.appendRecord(Record(0)));
    QVERIFY(!table.errorString().isEmpty());
}

void TestArchiveTable::secondHandleSeesAppendsAfterRefresh()
{
    const QString path = makeTable(0);
    QVERIFY(!path.isEmpty());
    ArchiveTable writer;
    ArchiveTable view;
    QVERIFY(writer.open(path, ArchiveTable::Mode::Append));
    QVERIFY(view.open(path, ArchiveTable::Mode::Read));
    QCOMPARE(view.recordCount(), 0);

    QVERIFY(writer.appendRecord(Record(1)) && writer.appendRecord(Record(2)));
    QCOMPARE(writer.recordCount(), 2);
    QCOMPARE(view.refresh(), 2);
    QCOMPARE(view.readText(1, "TIME"), Record(2).time);

    QVERIFY(writer.appendRecord(Record(3)));
    QCOMPARE(view.refresh(), 3);
    QCOMPARE(view.readDouble(2, "ZNAC"), ValueTexts.at(3).toDouble());
    QCOMPARE(view.readText(0, "TIME"), Record(1).time);

    // The appender closes after every tick and opens again; the view goes on.
    writer.close();
    QVERIFY(writer.open(path, ArchiveTable::Mode::Append));
    QVERIFY(writer.appendRecord(Record(4)));
    QCOMPARE(view.refresh(), 4);
    QCOMPARE(view.readText(3, "TIME"), Record(4).time);
}

void TestArchiveTable::openingMissingTableFailsWithoutMakingIt()
{
    const QString path = m_archiveDir + QStringLiteral("Нет_08_05_13_14.dbf");
    ArchiveTable table;
    QVERIFY(!table.open(path, ArchiveTable::Mode::Append));
    QVERIFY(!table.errorString().isEmpty());
    QVERIFY(!table.open(path, ArchiveTable::Mode::Read));
    QVERIFY(!QFile::exists(path));
    QVERIFY(!table.isOpen());
}

using Damage = std::function<void(QFile &file, const Layout &layout)>;
Q_DECLARE_METATYPE(Damage)

void TestArchiveTable::damagedTableIsRepairedOnOpenForAppend_data()
{
    QTest::addColumn<Damage>("damage");
    QTest::addColumn<int>("kept");
    // Three records were appended, each followed by the end marker.
    QTest::newRow("cut in the middle of a record") << Damage([](QFile &file, const Layout &layout) {
        file.resize(layout.headerLength + 2 * layout.recordLength + layout.recordLength / 2);
    }) << 2;
    QTest::newRow("record written, header not")
        << Damage([](QFile &file, const Layout &) { SetHeaderCount(file, 2); }) << 3;
    QTest::newRow("record written, neither marker nor header")
        << Damage([](QFile &file, const Layout &layout) {
               file.resize(layout.headerLength + 3 * layout.recordLength);
               SetHeaderCount(file, 2);
           })
        << 3;
    QTest::newRow("header written, record data lost")
        << Damage([](QFile &file, const Layout &layout) {
               file.resize(layout.headerLength + 4 * layout.recordLength);
               SetHeaderCount(file, 4);
           })
        << 3;
    QTest::newRow("end marker lost") << Damage([](QFile &file, const Layout &layout) {
        file.resize(layout.headerLength + 3 * layout.recordLength);
    }) << 3;
}

void TestArchiveTable::damagedTableIsRepairedOnOpenForAppend()
{
    QFETCH(Damage, damage);
    QFETCH(int, kept);
    const QString path = makeTable(3);
    QVERIFY(!path.isEmpty());
    const Layout layout = ReadLayout(path);
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        damage(file, layout);
    }

    ArchiveTable table;
    QVERIFY2(table.open(path, ArchiveTable::Mode::Append), qPrintable(table.errorString()));
    QCOMPARE(table.recordCount(), kept);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.size(), layout.headerLength + kept * layout.recordLength + 1);
    QVERIFY(file.seek(file.size() - 1));
    QCOMPARE(file.read(1), QByteArray("\x1A"));

    QVERIFY(table.appendRecord(Record(4)));
    table.close();
    QVERIFY(table.open(path, ArchiveTable::Mode::Read));
    QCOMPARE(table.recordCount(), kept + 1);
    for (int i = 0; i < kept; ++i)
        QCOMPARE(table.readText(i, "TIME"), Record(i).time);
    QCOMPARE(table.readText(kept, "TIME"), Record(4).time);
    QCOMPARE(dbfread(path).size(), kept + 1);
}

void TestArchiveTable::readerOfDamagedTableSeesOnlyWholeRecords()
{
    const QString path = makeTable(3);
    QVERIFY(!path.isEmpty());
    const Layout layout = ReadLayout(path);
    const qint64 cutSize = layout.headerLength + 2 * layout.recordLength + 5;
    QVERIFY(QFile::resize(path, cutSize));

    ArchiveTable table;
    QVERIFY(table.open(path, ArchiveTable::Mode::Read));
    QCOMPARE(table.recordCount(), 2);
    QCOMPARE(table.readText(1, "TIME"), Record(1).time);
    table.close();
    QCOMPARE(QFileInfo(path).size(), cutSize); // reading never changes the file
}

void TestArchiveTable::dbfreadReadsEveryField()
{
    if (QProcess::execute(Python, {"-c", "import dbfread"}) != 0)
        QSKIP("python3-dbfread is not installed");
    const QString path = makeTable(ValueTexts.size());
    QVERIFY(!path.isEmpty());
    const QJsonArray records = dbfread(path);
    QCOMPARE(records.size(), ValueTexts.size());
    for (int i = 0; i < records.size(); ++i) {
        const QJsonObject record = records.at(i).toObject();
        const ArchiveRecord expected = Record(i);
        QVERIFY(record.value("NUM").isNull());
        QCOMPARE(record.value("DATA").toString(), expected.data);
        QCOMPARE(record.value("TIME").toString(), expected.time);
        QCOMPARE(record.value("ZNAC").toDouble(), ValueTexts.at(i).toDouble());
        QCOMPARE(record.value("STAT").toInt(), expected.stat);
        QCOMPARE(record.value("RELE").toInt(), expected.rele);
        QCOMPARE(record.value("STEP").toInt(), expected.step);
        QCOMPARE(record.value("NOLINK").toInt(), expected.noLink);
    }
}

void TestArchiveTable::tableOfKilledAppenderStaysReadable()
{
    if (QProcess::execute(Python, {"-c", "import dbfread"}) != 0)
        QSKIP("python3-dbfread is not installed");
    const QString path = makeTable(0);
    QVERIFY(!path.isEmpty());
    for (int round = 0; round < 3; ++round) {
        QProcess appender;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(AppendForeverVariable, path);
        appender.setProcessEnvironment(environment);
        appender.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(appender.waitForReadyRead(10000));
        QTest::qWait(100 + 37 * round);
        appender.kill();
        QVERIFY(appender.waitForFinished(10000));

        // Every record that a reader finds is whole.
        const QJsonArray records = dbfread(path);
        QVERIFY(!records.isEmpty());
        for (const QJsonValue &record : records) {
            const double znac = record.toObject().value("ZNAC").toDouble();
            QVERIFY(std::any_of(ValueTexts.begin(), ValueTexts.end(),
                                [znac](const QString &text) { return text.toDouble() == znac; }));
            QVERIFY(record.toObject().value("DATA").toString().startsWith("13"));
        }
        ArchiveTable table;
        QVERIFY(table.open(path, ArchiveTable::Mode::Append));
        QCOMPARE(table.recordCount(), records.size());
    }
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString appendTo = qEnvironmentVariable(AppendForeverVariable);
    if (!appendTo.isEmpty())
        return AppendForever(appendTo);
    TestArchiveTable test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_archive_table.moc"
