// Every file the station replaces as a whole, on a real file system that is full: the
// write is reported as failed and the old file stays as it was, with nothing left beside
// it. Runs as root (it mounts a small tmpfs); skipped otherwise.
#include "acquisition/archive_download.h"
#include "acquisition/archive_table.h"
#include "acquisition/archive_template.h"
#include "config/ini_file.h"
#include "core/journal.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <unistd.h>

using namespace zeltar;

namespace {

QByteArray FileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Writes a filler file until the file system refuses another byte.
bool FillUp(const QString &path)
{
    QFile filler(path);
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return false;
    const QByteArray block(4096, 'f');
    while (filler.write(block) == block.size()) {
    }
    while (filler.write("f", 1) == 1) {
    }
    return true;
}

// One replacing write: true when it reports success.
using Replace = std::function<bool(const QString &folder, const QString &target)>;

} // namespace

Q_DECLARE_METATYPE(Replace)

class FullDiskTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_mountPoint;
    bool m_mounted = false;
    QString m_folder;

private Q_SLOTS:
    void initTestCase()
    {
        if (::geteuid() != 0)
            QSKIP("needs root to mount a small file system");
        m_mounted = QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=64k", "tmpfs",
                                                m_mountPoint.path()}) == 0;
        if (!m_mounted)
            QSKIP("cannot mount a tmpfs here");
        m_folder = m_mountPoint.path() + QLatin1Char('/');
        QVERIFY(EnsureTemplate(m_folder));
    }

    void cleanupTestCase()
    {
        if (m_mounted)
            QProcess::execute("umount", {m_mountPoint.path()});
    }

    void cleanup() { QFile::remove(m_folder + QStringLiteral("filler")); }

    void failedWriteKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<Replace>("replace");
        QTest::newRow("settings file")
            << "Zeltar.ini" << Replace([](const QString &, const QString &target) {
                   IniFile ini(target);
                   return ini.writeInteger(QStringLiteral("MAIN"), QStringLiteral("TimeLastArh"),
                                           1);
               });
        QTest::newRow("journal") << "Zeltar.mes"
                                 << Replace([](const QString &, const QString &target) {
                                        Journal journal;
                                        journal.load(target);
                                        return !journal.AddProgMes(
                                            QStringLiteral("Открытие программы"));
                                    });
        QTest::newRow("template copy")
            << "Печь_24_03_01_10.dbf" << Replace([](const QString &folder, const QString &target) {
                   return CopyTemplate(ArchiveTemplatePath(folder), target, TemplateCopy::Replace);
               });
        // An append is no replacement, but it too leaves the file as it was: cut back to its
        // records, with the end marker and the count.
        QTest::newRow("archive append")
            << "Печь_24_03_01_11.dbf" << Replace([](const QString &, const QString &target) {
                   ArchiveTable table;
                   const bool appended = table.open(target, ArchiveTable::Mode::Append) &&
                                         table.appendRecord({QStringLiteral("01.03.2024"),
                                                             QStringLiteral("11:15:00")});
                   // The operator reads why, in Russian.
                   return appended || table.errorString() != QStringLiteral("на диске нет места");
               });
        QTest::newRow("saved archive")
            << "Скачан.dbf" << Replace([](const QString &folder, const QString &target) {
                   return SaveDownloadedArchive({{"07.03.24", "14:05:00", 1.5f}}, folder, target)
                       .saved;
               });
    }

    void failedWriteKeepsTheOldFile()
    {
        QFETCH(QString, target);
        QFETCH(Replace, replace);
        const QString path = m_folder + target;
        // The old file: a table with a record, or a text of a few lines.
        if (target.endsWith(QStringLiteral(".dbf"))) {
            QVERIFY(CopyTemplate(ArchiveTemplatePath(m_folder), path, TemplateCopy::Replace));
            ArchiveTable table;
            QVERIFY(table.open(path, ArchiveTable::Mode::Append));
            QVERIFY(table.appendRecord({QStringLiteral("01.03.2024"), QStringLiteral("10:15:00")}));
            // The file ends where another record needs a block more.
            const qint64 record = 1 + 10 + 20 + 20 + 20 + 2 + 2 + 2 + 1;
            while (QFileInfo(path).size() % 4096 + record <= 4096)
                QVERIFY(
                    table.appendRecord({QStringLiteral("01.03.2024"), QStringLiteral("10:16:00")}));
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[MAIN]\nCountUstr=2\n[ZELTAR1]\nPribName=Печь\n");
        }
        const QByteArray before = FileBytes(path);
        const QStringList entries = QDir(m_folder).entryList(QDir::Files);

        QVERIFY(FillUp(m_folder + QStringLiteral("filler")));
        QVERIFY(!replace(m_folder, path));
        QCOMPARE(FileBytes(path), before);
        QStringList after = QDir(m_folder).entryList(QDir::Files);
        after.removeOne(QStringLiteral("filler"));
        QCOMPARE(after, entries);

        // With room again the same write goes through.
        cleanup();
        QVERIFY(replace(m_folder, path));
        QVERIFY(FileBytes(path) != before);
    }
};

QTEST_GUILESS_MAIN(FullDiskTest)
#include "test_full_disk.moc"
