#include "acquisition/archive_layout.h"
#include "acquisition/archive_table.h"
#include "ui/archive_cell_delegate.h"
#include "ui/archive_table_model.h"

#include <QHeaderView>
#include <QImage>
#include <QLocale>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

using namespace zeltar;

namespace {

const QLocale CommaLocale(QLocale::Russian, QLocale::Russia);

ArchiveRecord Record(int i, float znac, int rele = 0)
{
    ArchiveRecord record;
    record.data = QStringLiteral("13.05.2008");
    record.time = QStringLiteral("14:%1:00").arg(i % 60, 2, 10, QLatin1Char('0'));
    record.znac = znac;
    record.rele = rele;
    record.step = i % 16;
    return record;
}

// A picture of the view with every cell drawn.
QImage Render(QTableView &view)
{
    view.resize(600, 300);
    view.show();
    QCoreApplication::processEvents();
    return view.viewport()->grab().toImage();
}

} // namespace

class TestArchiveGrid : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void valueCellRuleAtItsBoundaries_data();
    void valueCellRuleAtItsBoundaries();
    void setpointCellShowsActiveRelays();
    void columnsOfTablePageAndDownloadedArchive();
    void cellsShowFieldsInLocaleForm();
    void missingTableLeavesModelEmpty();
    void refreshInsertsRecordsAppendedByAnotherHandle();
    void largeTableOpensWithoutReadingItsRecords();
    void delegateMarksValueAndSetpointCells();

private:
    // A table in the test folder holding the given records.
    QString makeTable(const QVector<ArchiveRecord> &records);
    bool append(const QString &path, const QVector<ArchiveRecord> &records);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestArchiveGrid::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QLocale::setDefault(QLocale::c());
}

void TestArchiveGrid::cleanup()
{
    QLocale::setDefault(QLocale::c());
}

QString TestArchiveGrid::makeTable(const QVector<ArchiveRecord> &records)
{
    const QString path = m_dir->filePath(QStringLiteral("Печь 1_08_05_13_14.dbf"));
    if (!ArchiveTable::create(path, ArchiveLayout()) || !append(path, records))
        return {};
    return path;
}

bool TestArchiveGrid::append(const QString &path, const QVector<ArchiveRecord> &records)
{
    ArchiveTable table;
    if (!table.open(path, ArchiveTable::Mode::Append))
        return false;
    table.setSyncOnAppend(false);
    for (const ArchiveRecord &record : records) {
        if (!table.appendRecord(record))
            return false;
    }
    return true;
}

void TestArchiveGrid::valueCellRuleAtItsBoundaries_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("fill");

    const QColor red(Qt::red);
    const QColor grey(128, 128, 128);
    QTest::newRow("measurement") << 25.5 << QString() << QColor();
    QTest::newRow("99999") << 99999.0 << QString() << QColor();
    QTest::newRow("just above 99999") << 99999.5 << "Обрыв" << red;
    QTest::newRow("100000") << 100000.0 << "Обрыв" << red;
    QTest::newRow("100999") << 100999.0 << "Обрыв" << red;
    QTest::newRow("101000") << 101000.0 << QString() << QColor();
    QTest::newRow("199999") << 199999.0 << QString() << QColor();
    QTest::newRow("200000") << 200000.0 << "Нет связи" << grey;
    QTest::newRow("200999") << 200999.0 << "Нет связи" << grey;
    QTest::newRow("201000") << 201000.0 << QString() << QColor();
    QTest::newRow("negative") << -100000.0 << QString() << QColor();
}

void TestArchiveGrid::valueCellRuleAtItsBoundaries()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QFETCH(QColor, fill);
    const std::optional<CellMark> mark = ZnacCellRule(value);
    QCOMPARE(mark.has_value(), !text.isEmpty());
    if (mark) {
        QCOMPARE(mark->text, text);
        QCOMPARE(mark->fill, fill);
    }
}

void TestArchiveGrid::setpointCellShowsActiveRelays()
{
    QCOMPARE(ReleCellText(15), QStringLiteral("1 2 3 4 "));
    QCOMPARE(ReleCellText(9), QStringLiteral("1     4 "));
    QCOMPARE(ReleCellText(10), QStringLiteral("1   3   "));
    QCOMPARE(ReleCellText(1), QStringLiteral("      4 "));
    QCOMPARE(ReleCellText(0), QStringLiteral(" "));

    QPalette palette;
    palette.setColor(QPalette::Base, QColor(250, 240, 230));
    QCOMPARE(ReleCellRule(9, palette).fill, QColor(Qt::yellow));
    QCOMPARE(ReleCellRule(0, palette).fill, QColor(250, 240, 230));
    QCOMPARE(ReleCellRule(0, palette).text, QStringLiteral(" "));
}

void TestArchiveGrid::columnsOfTablePageAndDownloadedArchive()
{
    ArchiveTableModel model;
    QCOMPARE(model.columnCount(), 5);
    const QStringList titles = {"Дата", "Время", "Значение", "Уставки", "Шаг.рег."};
    const QStringList fields = {"DATA", "TIME", "ZNAC", "RELE", "STEP"};
    const QList<int> widths = {50, 50, 60, 60, 60};
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(model.headerData(i, Qt::Horizontal).toString(), titles.at(i));
        QCOMPARE(model.headerData(i, Qt::Horizontal, ArchiveFieldRole).toString(), fields.at(i));
        QCOMPARE(model.columnWidth(i), widths.at(i));
    }
    QCOMPARE(model.columnOf("rele"), 3);

    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    model.setColumns(DownloadedGridColumns());
    QCOMPARE(reset.count(), 1);
    QCOMPARE(model.columnCount(), 3);
    QCOMPARE(model.headerData(2, Qt::Horizontal).toString(), QStringLiteral("Значение"));
    QCOMPARE(model.columnWidth(2), 60);
    QCOMPARE(model.columnOf("RELE"), -1);
}

void TestArchiveGrid::cellsShowFieldsInLocaleForm()
{
    QLocale::setDefault(CommaLocale);
    const QString path = makeTable({Record(5, 23.45f, 10), Record(6, 100000.0f, 15)});
    QVERIFY(!path.isEmpty());
    {
        ArchiveTable writer;
        QVERIFY(writer.open(path, ArchiveTable::Mode::Append));
        QVERIFY(writer.appendValues({}));
    }

    ArchiveTableModel model;
    QVERIFY2(model.setTable(path), qPrintable(model.errorString()));
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(model.lastRow(), 2);
    const auto cell = [&](int row, int column, int role = Qt::DisplayRole) {
        return model.data(model.index(row, column), role);
    };
    QCOMPARE(cell(0, 0).toString(), QStringLiteral("13.05.2008"));
    QCOMPARE(cell(0, 1).toString(), QStringLiteral("14:05:00"));
    QCOMPARE(cell(0, 2).toString(), QStringLiteral("23,45"));
    QCOMPARE(cell(0, 3).toString(), QStringLiteral("10"));
    QCOMPARE(cell(0, 4).toString(), QStringLiteral("5"));
    QCOMPARE(cell(1, 2).toString(), QStringLiteral("100000"));
    // The delegate gets the stored number, not the shown text.
    QCOMPARE(cell(0, 2, ArchiveValueRole).toDouble(), 23.45);
    QCOMPARE(cell(1, 3, ArchiveValueRole).toInt(), 15);
    // A blank record: empty texts, no values.
    QCOMPARE(cell(2, 1).toString(), QString());
    QCOMPARE(cell(2, 2).toString(), QString());
    QVERIFY(!cell(2, 2, ArchiveValueRole).isValid());
    // Rows past the table and edits are refused.
    QVERIFY(!cell(3, 0).isValid());
    QVERIFY(!(model.flags(model.index(0, 2)) & Qt::ItemIsEditable));

    // The columns of a downloaded archive over the same file.
    model.setColumns(DownloadedGridColumns());
    QCOMPARE(cell(0, 2).toString(), QStringLiteral("23,45"));

    model.closeTable();
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.lastRow(), -1);
}

void TestArchiveGrid::missingTableLeavesModelEmpty()
{
    const QString path = makeTable({Record(0, 1.0f)});
    ArchiveTableModel model;
    QVERIFY(model.setTable(path));
    QVERIFY(!model.setTable(m_dir->filePath("missing.dbf")));
    QVERIFY(!model.errorString().isEmpty());
    QVERIFY(!model.isOpen());
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.refresh(), 0);
}

void TestArchiveGrid::refreshInsertsRecordsAppendedByAnotherHandle()
{
    const QString path = makeTable({Record(0, 1.0f), Record(1, 2.0f), Record(2, 3.0f)});
    ArchiveTableModel model;
    QVERIFY(model.setTable(path));
    model.setIndicatorRow(2);
    QCOMPARE(model.headerData(2, Qt::Vertical).toString().isEmpty(), false);
    QCOMPARE(model.headerData(1, Qt::Vertical).toString(), QString());
    QCOMPARE(model.data(model.index(2, 2)).toString(), QStringLiteral("3"));

    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QCOMPARE(model.refresh(), 3);
    QCOMPARE(inserted.count(), 0);

    QVERIFY(append(path, {Record(3, 4.0f), Record(4, 200000.0f)}));
    QCOMPARE(model.rowCount(), 3); // not before the refresh
    QCOMPARE(model.refresh(), 5);
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(inserted.at(0).at(1).toInt(), 3);
    QCOMPARE(inserted.at(0).at(2).toInt(), 4);
    QCOMPARE(model.lastRow(), 4);
    QCOMPARE(model.data(model.index(4, 2)).toString(), QStringLiteral("200000"));
    QCOMPARE(model.data(model.index(2, 2)).toString(), QStringLiteral("3"));
    QCOMPARE(model.indicatorRow(), 2);
}

void TestArchiveGrid::largeTableOpensWithoutReadingItsRecords()
{
    constexpr int Count = 100000;
    QVector<ArchiveRecord> records;
    records.reserve(Count);
    for (int i = 0; i < Count; ++i)
        records.append(Record(i, float(i)));
    const QString path = makeTable(records);
    QVERIFY(!path.isEmpty());

    ArchiveTableModel model;
    QVERIFY(model.setTable(path));
    QCOMPARE(model.rowCount(), Count);
    QCOMPARE(model.recordsRead(), 0);
    QCOMPARE(model.data(model.index(Count - 1, 2)).toString(), QStringLiteral("99999"));
    QCOMPARE(model.data(model.index(Count - 1, 4)).toString(), QString::number((Count - 1) % 16));
    QCOMPARE(model.recordsRead(), 1);

    // A view following the newest records reads about a screenful of them.
    QTableView view;
    view.setModel(&model);
    view.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Render(view);
    view.scrollToBottom();
    Render(view);
    QVERIFY2(model.recordsRead() < 200, qPrintable(QString::number(model.recordsRead())));
    QCOMPARE(model.data(model.index(50000, 2)).toString(), QStringLiteral("50000"));
}

void TestArchiveGrid::delegateMarksValueAndSetpointCells()
{
    const QString path =
        makeTable({Record(0, 100000.0f, 15), Record(1, 200000.0f, 0), Record(2, 42.0f, 9)});
    ArchiveTableModel model;
    QVERIFY(model.setTable(path));
    QTableView view;
    view.setModel(&model);
    view.setItemDelegate(new ArchiveCellDelegate(&view));
    for (int i = 0; i < model.columnCount(); ++i)
        view.setColumnWidth(i, 90);
    QPalette palette = view.palette();
    palette.setColor(QPalette::Base, QColor(0, 0, 255));
    palette.setColor(QPalette::Text, QColor(0, 0, 0));
    view.setPalette(palette);
    view.selectRow(0); // marks are drawn over the selection too

    const QImage image = Render(view);
    // A point in the cell's lower left corner, clear of the right-aligned text.
    const auto fillOf = [&](int row, int column) {
        const QRect cell = view.visualRect(model.index(row, column));
        return image.pixelColor(cell.left() + 1, cell.bottom() - 1);
    };
    // Text in the dark window-text colour somewhere in the cell, and the 2 pixels before
    // the cell's right edge clear of it.
    const auto hasText = [&](int row, int column) {
        const QRect cell = view.visualRect(model.index(row, column));
        int rightmost = -1;
        for (int y = cell.top(); y <= cell.bottom(); ++y) {
            for (int x = cell.left(); x <= cell.right(); ++x) {
                if (qGray(image.pixel(x, y)) < 64)
                    rightmost = std::max(rightmost, x);
            }
        }
        return rightmost >= cell.left() && rightmost < cell.right() - 1;
    };

    QCOMPARE(fillOf(0, 2), QColor(Qt::red));
    QVERIFY(hasText(0, 2));
    QCOMPARE(fillOf(1, 2), QColor(128, 128, 128));
    QVERIFY(hasText(1, 2));
    QCOMPARE(fillOf(2, 2), QColor(0, 0, 255)); // a measurement keeps the usual drawing
    QCOMPARE(fillOf(0, 3), QColor(Qt::yellow));
    QVERIFY(hasText(0, 3));
    QCOMPARE(fillOf(1, 3), QColor(0, 0, 255));
    QCOMPARE(fillOf(2, 3), QColor(Qt::yellow));
    QCOMPARE(fillOf(2, 0), QColor(0, 0, 255)); // other columns have no rule
}

QTEST_MAIN(TestArchiveGrid)
#include "test_archive_grid.moc"
