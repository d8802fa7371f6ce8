#pragma once

#include "acquisition/archive_table.h"

#include <QAbstractTableModel>
#include <QCache>
#include <QVariant>
#include <QVector>

namespace zeltar {

// One column of the archive grid: the field it shows, its title and its width in pixels.
struct ArchiveColumn
{
    QString field;
    QString title;
    int width = 50;
};

// The columns of the table page: date, time, value, setpoints and program step.
QVector<ArchiveColumn> ArchiveGridColumns();
// The columns of an instrument's own archive after a download: date, time and value.
QVector<ArchiveColumn> DownloadedGridColumns();

// The header of a grid column: its title for the display, its field for ArchiveFieldRole.
QVariant ColumnHeaderData(const QVector<ArchiveColumn> &columns, int section, int role);

// Roles beyond Qt's that the grid's delegate asks for.
enum ArchiveRole
{
    // data(): the field's value as stored, a number (double) for numeric fields and text
    // otherwise; invalid when the field is blank.
    ArchiveValueRole = Qt::UserRole,
    // headerData(section, Qt::Horizontal): the name of the field the column shows.
    ArchiveFieldRole,
};

// A read-only grid model over one archive table file. It reads only the records that
// the view asks for (keeping the last few hundred of them), so a table of any length
// opens at once and costs no memory per record. Numbers are shown in the "0.####" form of
// the default locale.
class ArchiveTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit ArchiveTableModel(QObject *parent = nullptr);
    ~ArchiveTableModel() override;

    void setColumns(const QVector<ArchiveColumn> &columns);
    const QVector<ArchiveColumn> &columns() const { return m_columns; }
    int columnWidth(int column) const;
    // The column showing that field (compared without regard to case); -1 when none does.
    int columnOf(const QString &field) const;

    // Opens the table file for reading and shows its records from the first. False (with
    // errorString()) when it cannot be opened; the model is empty then.
    bool setTable(const QString &path);
    void closeTable();
    bool isOpen() const { return m_table.isOpen(); }
    QString tablePath() const { return m_table.path(); }
    QString errorString() const { return m_error; }
    // The open table, for readers that need more than the grid shows (the chart).
    const ArchiveTable &table() const { return m_table; }

    // Takes in the records appended to the file since it was opened or last refreshed, as
    // inserted rows, and returns the record count.
    int refresh();
    // The number of the newest record; -1 when the table is empty or closed.
    int lastRow() const { return m_rowCount - 1; }

    // The text of the vertical header that marks the current record.
    static QString recordMarker();
    // The record whose vertical header shows the record marker; -1 for none.
    void setIndicatorRow(int record);
    int indicatorRow() const { return m_indicatorRow; }

    // Records shown of the open table (rowCount() is that unless a window is set). A record
    // marked deleted in the file is passed over, as every reader of the archive does, so
    // the model's record numbers count only the records kept.
    int recordCount() const { return m_rowCount; }
    // The file's number of the model's record.
    int fileRecord(int record) const { return m_anyDeleted ? m_kept.value(record, -1) : record; }
    // Shows only the records first .. first + rows - 1 as rows 0 .. rows - 1, so that a view
    // never holds anything per record of a long table; rows 0 shows every record.
    void setWindow(int first, int rows);
    int windowFirst() const { return m_first; }
    // The record shown in a row, and the row showing a record (-1 when outside the window).
    int recordOfRow(int row) const { return m_first + row; }
    int rowOfRecord(int record) const;

    // How many records were read from the file since the table was opened.
    int recordsRead() const { return m_recordsRead; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    using Row = QVector<QVariant>;

    const Row *row(int record) const;
    // Looks at the deletion flags of the file's records from m_scanned up to fileCount and
    // returns how many records are kept.
    int takeInRecords(int fileCount);
    void resolveColumns();
    bool isNumeric(int column) const;

    ArchiveTable m_table;
    QVector<ArchiveColumn> m_columns;
    QVector<int> m_positions; // field position of each column in the open table
    int m_rowCount = 0;       // records shown
    int m_scanned = 0;        // file records whose deletion flag has been looked at
    bool m_anyDeleted = false;
    QVector<int> m_kept;     // file numbers of the records shown, once a deleted one was met
    int m_indicatorRow = -1; // a record number
    int m_first = 0;         // first record of the window
    int m_window = 0;        // rows of the window; 0: no window
    QString m_error;
    mutable QCache<int, Row> m_rows;
    mutable int m_recordsRead = 0;
};

} // namespace zeltar
