#include "ui/archive_grid.h"

#include "ui/archive_cell_delegate.h"
#include "ui/archive_table_model.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QTableView>
#include <QWheelEvent>

namespace zeltar {

namespace {

constexpr int RowHeight = 20;
constexpr int WheelRows = 3;

} // namespace

ArchiveGrid::ArchiveGrid(ArchiveTableModel *model, QWidget *parent)
    : QWidget(parent), m_model(model), m_view(new QTableView(this)),
      m_scroll(new QScrollBar(Qt::Vertical, this))
{
    m_view->setObjectName(QStringLiteral("view"));
    m_view->setModel(model);
    m_view->setItemDelegate(new ArchiveCellDelegate(m_view));
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_view->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    m_view->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->verticalHeader()->setDefaultSectionSize(RowHeight);
    // The indicator column is as wide as its marker needs from the start, so the columns
    // do not move when the marker first appears.
    QStyleOptionHeader marker;
    marker.initFrom(m_view->verticalHeader());
    marker.text = ArchiveTableModel::recordMarker();
    m_view->verticalHeader()->setFixedWidth(
        m_view->style()
            ->sizeFromContents(QStyle::CT_HeaderSection, &marker, QSize(), m_view->verticalHeader())
            .width());
    m_view->installEventFilter(this);
    m_view->viewport()->installEventFilter(this);
    m_scroll->setObjectName(QStringLiteral("scroll"));
    m_scroll->setSingleStep(1);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_scroll);

    connect(m_scroll, &QScrollBar::valueChanged, this, [this](int first) {
        m_model->setWindow(first, fullRows() + 1);
        showCurrent();
    });
    // A new table, a refresh or new columns: the scroll range follows the record count.
    connect(m_model, &QAbstractItemModel::modelReset, this, &ArchiveGrid::followTable);
    connect(m_view, &QTableView::clicked, this, [this](const QModelIndex &index) {
        m_current = m_model->recordOfRow(index.row());
        m_model->setIndicatorRow(m_current);
    });
    followTable();
}

void ArchiveGrid::followTable()
{
    if (m_current >= m_model->recordCount())
        m_current = m_model->recordCount() - 1;
    // A table that is opened stands on its first record, marked as such from the start.
    if (m_current < 0 && m_model->recordCount() > 0)
        m_current = 0;
    m_model->setIndicatorRow(m_current);
    layoutWindow();
}

int ArchiveGrid::fullRows() const
{
    return qMax(1, m_view->viewport()->height() / RowHeight);
}

int ArchiveGrid::firstShown() const
{
    return m_model->windowFirst();
}

void ArchiveGrid::layoutWindow()
{
    const int records = m_model->recordCount();
    const int rows = fullRows();
    const QSignalBlocker blocker(m_scroll);
    m_scroll->setRange(0, qMax(0, records - rows));
    m_scroll->setPageStep(rows);
    m_scroll->setValue(qBound(0, m_model->windowFirst(), m_scroll->maximum()));
    m_model->setWindow(m_scroll->value(), rows + 1);
    showCurrent();
}

void ArchiveGrid::scrollTo(int first)
{
    m_scroll->setValue(qBound(0, first, m_scroll->maximum()));
}

void ArchiveGrid::showCurrent()
{
    const int row = m_model->rowOfRecord(m_current);
    const QSignalBlocker blocker(m_view->selectionModel());
    if (row < 0) {
        m_view->selectionModel()->clearSelection();
        return;
    }
    m_view->setCurrentIndex(m_model->index(row, qMax(0, m_view->currentIndex().column())));
    m_view->selectRow(row);
}

void ArchiveGrid::setCurrentRecord(int record)
{
    const int records = m_model->recordCount();
    if (records == 0) {
        m_current = -1;
        return;
    }
    m_current = qBound(0, record, records - 1);
    m_model->setIndicatorRow(m_current);
    const int first = m_model->windowFirst();
    const int rows = fullRows();
    if (m_current < first)
        scrollTo(m_current);
    else if (m_current >= first + rows)
        scrollTo(m_current - rows + 1);
    showCurrent();
}

void ArchiveGrid::moveToLast()
{
    setCurrentRecord(m_model->recordCount() - 1);
}

void ArchiveGrid::fitColumns()
{
    for (int c = 0; c < m_model->columnCount(); ++c) {
        m_view->resizeColumnToContents(c); // the rows on screen only
        m_view->setColumnWidth(c, qMax(m_model->columnWidth(c), m_view->columnWidth(c)));
    }
}

bool ArchiveGrid::navigate(int key, Qt::KeyboardModifiers modifiers)
{
    const int rows = fullRows();
    const int current = qMax(0, m_current);
    switch (key) {
    case Qt::Key_Up:
        setCurrentRecord(current - 1);
        return true;
    case Qt::Key_Down:
        setCurrentRecord(m_current < 0 ? 0 : current + 1);
        return true;
    case Qt::Key_PageUp:
        setCurrentRecord(current - rows);
        return true;
    case Qt::Key_PageDown:
        setCurrentRecord(current + rows);
        return true;
    case Qt::Key_Home:
        if (!(modifiers & Qt::ControlModifier))
            return false;
        setCurrentRecord(0);
        return true;
    case Qt::Key_End:
        if (!(modifiers & Qt::ControlModifier))
            return false;
        moveToLast();
        return true;
    default:
        return false;
    }
}

bool ArchiveGrid::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (navigate(key->key(), key->modifiers()))
            return true;
    }
    if (watched == m_view->viewport()) {
        if (event->type() == QEvent::Wheel) {
            const int steps = static_cast<QWheelEvent *>(event)->angleDelta().y() / 120;
            scrollTo(m_scroll->value() - steps * WheelRows);
            return true;
        }
        if (event->type() == QEvent::Resize)
            layoutWindow();
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace zeltar
