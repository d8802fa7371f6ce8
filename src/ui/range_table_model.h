#pragma once

#include "history/history_range.h"
#include "ui/archive_table_model.h"

#include <QAbstractTableModel>
#include <QCache>

namespace zeltar {

// A read-only grid model over the records of a range of archive tables, with the columns
// of the table page. Like the table page's model it reads only what the view asks for, a
// block of records at a time, and keeps the last few blocks.
class RangeTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit RangeTableModel(QObject *parent = nullptr);
    ~RangeTableModel() override;

    void setRange(const HistoryRange &range);
    const HistoryRange &range() const { return m_range; }
    // How many blocks of records were read since the range was set.
    int blocksRead() const { return m_blocksRead; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    // The values of a block of rows, column by column of each row.
    using Block = QVector<QVariant>;

    const Block *block(int first) const;

    HistoryRange m_range;
    QVector<qint64> m_segmentStarts; // the first row of each segment
    QVector<ArchiveColumn> m_columns;
    QVector<HistoryField> m_fields;
    mutable QCache<int, Block> m_blocks;
    mutable int m_blocksRead = 0;
};

} // namespace zeltar
