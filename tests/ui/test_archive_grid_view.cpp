// The archive grid widget over a long table: the view holds only the rows on screen while
// the scroll bar, the keys and the wheel reach every record, and the grid follows new
// records when asked to move to the last one.
#include "acquisition/archive_layout.h"
#include "acquisition/archive_table.h"
#include "acquisition/archive_template.h"
#include "ui/archive_grid.h"
#include "ui/archive_table_model.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <QtTest>

using namespace zeltar;

namespace {

ArchiveRecord record(int i)
{
    ArchiveRecord r;
    r.data = QStringLiteral("01.03.2024");
    r.time = QStringLiteral("10:%1:00").arg(i % 60, 2, 10, QLatin1Char('0'));
    r.znac = static_cast<float>(i);
    return r;
}

} // namespace

class ArchiveGridViewTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_path;

    void append(int from, int count)
    {
        ArchiveTable table;
        QVERIFY(table.open(m_path, ArchiveTable::Mode::Append));
        table.setSyncOnAppend(false);
        for (int i = from; i < from + count; ++i)
            QVERIFY(table.appendRecord(record(i)));
    }

    static double valueInRow(const ArchiveTableModel &model, int row)
    {
        return model.data(model.index(row, 2), ArchiveValueRole).toDouble();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(EnsureTemplate(m_dir.path()));
        m_path = m_dir.filePath(QStringLiteral("long.dbf"));
        QVERIFY(CopyTemplate(ArchiveTemplatePath(m_dir.path()), m_path));
        append(0, 3000);
    }

    void windowOverALongTable()
    {
        ArchiveTableModel model;
        QVERIFY(model.setTable(m_path));
        ArchiveGrid grid(&model);
        grid.resize(400, 20 * 10 + 40);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));

        // Only the rows on screen are in the view; the scroll bar spans every record.
        QCOMPARE(model.recordCount(), 3000);
        QVERIFY(model.rowCount() <= 12);
        QVERIFY(grid.scrollBar()->maximum() >= 3000 - 12);
        QCOMPARE(valueInRow(model, 0), 0.0);

        grid.moveToLast();
        QCOMPARE(grid.currentRecord(), 2999);
        QCOMPARE(grid.scrollBar()->value(), grid.scrollBar()->maximum());
        const int lastRow = model.rowOfRecord(2999);
        QVERIFY(lastRow >= 0);
        QCOMPARE(valueInRow(model, lastRow), 2999.0);
        QCOMPARE(model.headerData(lastRow, Qt::Vertical).toString(), QStringLiteral("\u25B6"));
        QCOMPARE(grid.view()->currentIndex().row(), lastRow);

        // Keys move the current record and keep it on screen.
        QTest::keyClick(grid.view(), Qt::Key_Up);
        QCOMPARE(grid.currentRecord(), 2998);
        QTest::keyClick(grid.view(), Qt::Key_PageUp);
        QVERIFY(grid.currentRecord() < 2998);
        QVERIFY(model.rowOfRecord(grid.currentRecord()) >= 0);
        QTest::keyClick(grid.view(), Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(grid.currentRecord(), 0);
        QCOMPARE(grid.firstShown(), 0);
        QTest::keyClick(grid.view(), Qt::Key_Up); // nothing above the first record
        QCOMPARE(grid.currentRecord(), 0);

        // The scroll bar moves the window, the current record stays.
        grid.scrollBar()->setValue(1500);
        QCOMPARE(grid.firstShown(), 1500);
        QCOMPARE(valueInRow(model, 0), 1500.0);
        QCOMPARE(grid.currentRecord(), 0);

        // Reading stays with the rows shown.
        QVERIFY(model.recordsRead() < 200);
    }

    void followsNewRecords()
    {
        ArchiveTableModel model;
        QVERIFY(model.setTable(m_path));
        ArchiveGrid grid(&model);
        grid.resize(400, 240);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        // An opened table stands on its first record, marked; the marker column keeps its
        // width as the marker moves.
        QHeaderView *markers = grid.view()->verticalHeader();
        const int markerWidth = markers->width();
        QVERIFY(markerWidth >= markers->fontMetrics().horizontalAdvance(QStringLiteral("\u25B6")));
        QCOMPARE(grid.currentRecord(), 0);
        QCOMPARE(model.indicatorRow(), 0);
        grid.moveToLast();
        const int before = model.recordCount();

        append(before, 5);
        model.refresh();
        grid.moveToLast();
        QCOMPARE(grid.currentRecord(), before + 4);
        QCOMPARE(valueInRow(model, model.rowOfRecord(before + 4)), double(before + 4));
        QCOMPARE(markers->width(), markerWidth);
    }

    void emptyAndClosedTables()
    {
        ArchiveTableModel model;
        ArchiveGrid grid(&model);
        grid.resize(400, 240);
        grid.show();
        grid.moveToLast();
        QCOMPARE(grid.currentRecord(), -1);
        QCOMPARE(model.rowCount(), 0);
        QTest::keyClick(grid.view(), Qt::Key_Down);
        QCOMPARE(grid.currentRecord(), -1);
    }
};

QTEST_MAIN(ArchiveGridViewTest)
#include "test_archive_grid_view.moc"
