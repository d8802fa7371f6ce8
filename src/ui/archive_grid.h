#pragma once

#include <QWidget>

class QScrollBar;
class QTableView;

namespace zeltar {

class ArchiveTableModel;

// The archive grid: a table view that holds only the rows on screen and a scroll bar over
// all the records of the table, so a table of any length opens at once and the view keeps
// nothing per record. The current record is the one the operator moved to; the record
// marker of the model follows it.
class ArchiveGrid : public QWidget
{
    Q_OBJECT
public:
    explicit ArchiveGrid(ArchiveTableModel *model, QWidget *parent = nullptr);

    QTableView *view() const { return m_view; }
    QScrollBar *scrollBar() const { return m_scroll; }

    // The record number of the current row; -1 when there is none.
    int currentRecord() const { return m_current; }
    // Makes record current and brings it on screen.
    void setCurrentRecord(int record);
    // Moves to the last record.
    void moveToLast();
    // The first record on screen.
    int firstShown() const;

    // Widths from the model's columns, widened where the font needs more room.
    void fitColumns();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    int fullRows() const;
    void layoutWindow();
    // A new table, a refresh or new columns: the current record and the scroll range follow.
    void followTable();
    void scrollTo(int first);
    void showCurrent();
    bool navigate(int key, Qt::KeyboardModifiers modifiers);

    ArchiveTableModel *m_model;
    QTableView *m_view;
    QScrollBar *m_scroll;
    int m_current = -1;
};

} // namespace zeltar
