#include "ui/archive_table_model.h"

#include "core/number_text.h"
#include "history/table_records.h"

namespace zeltar {

namespace {

// Enough rows for a full screen and a page on either side of it.
constexpr int CachedRows = 512;
// Records whose deletion flags are read in one go.
constexpr int ScanBlock = 8192;

const QString RecordMarker = QStringLiteral("\u25B6");

} // namespace

QVector<ArchiveColumn> ArchiveGridColumns()
{
    return {
        {QStringLiteral("DATA"), QStringLiteral("Дата"), 50},
        {QStringLiteral("TIME"), QStringLiteral("Время"), 50},
        {QStringLiteral("ZNAC"), QStringLiteral("Значение"), 60},
        {QStringLiteral("RELE"), QStringLiteral("Уставки"), 60},
        {QStringLiteral("STEP"), QStringLiteral("Шаг.рег."), 60},
    };
}

QVector<ArchiveColumn> DownloadedGridColumns()
{
    return ArchiveGridColumns().mid(0, 3);
}

QVariant ColumnHeaderData(const QVector<ArchiveColumn> &columns, int section, int role)
{
    if (section < 0 || section >= columns.size())
        return {};
    if (role == Qt::DisplayRole)
        return columns.at(section).title;
    if (role == ArchiveFieldRole)
        return columns.at(section).field;
    return {};
}

ArchiveTableModel::ArchiveTableModel(QObject *parent)
    : QAbstractTableModel(parent), m_columns(ArchiveGridColumns()), m_rows(CachedRows)
{}

ArchiveTableModel::~ArchiveTableModel() = default;

void ArchiveTableModel::setColumns(const QVector<ArchiveColumn> &columns)
{
    beginResetModel();
    m_columns = columns;
    m_rows.clear();
    resolveColumns();
    endResetModel();
}

int ArchiveTableModel::columnWidth(int column) const
{
    return column >= 0 && column < m_columns.size() ? m_columns.at(column).width : 0;
}

int ArchiveTableModel::columnOf(const QString &field) const
{
    for (int i = 0; i < m_columns.size(); ++i) {
        if (m_columns.at(i).field.compare(field, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool ArchiveTableModel::setTable(const QString &path)
{
    beginResetModel();
    m_rows.clear();
    m_recordsRead = 0;
    m_indicatorRow = -1;
    m_first = 0;
    m_error.clear();
    const bool opened = m_table.open(path, ArchiveTable::Mode::Read);
    if (!opened)
        m_error = m_table.errorString();
    m_scanned = 0;
    m_anyDeleted = false;
    m_kept.clear();
    m_rowCount = opened ? takeInRecords(m_table.recordCount()) : 0;
    resolveColumns();
    endResetModel();
    return opened;
}

void ArchiveTableModel::closeTable()
{
    beginResetModel();
    m_table.close();
    m_rows.clear();
    m_rowCount = 0;
    m_scanned = 0;
    m_anyDeleted = false;
    m_kept.clear();
    m_indicatorRow = -1;
    m_first = 0;
    resolveColumns();
    endResetModel();
}

int ArchiveTableModel::refresh()
{
    const int fileCount = m_table.refresh();
    if (fileCount < m_scanned) {
        // The file was replaced by a shorter one: look at every record again.
        m_scanned = 0;
        m_anyDeleted = false;
        m_kept.clear();
    }
    const int count = takeInRecords(fileCount);
    if (m_window > 0) {
        // Rows appear only where the window is not yet full; the view follows the count.
        if (count != m_rowCount) {
            beginResetModel();
            if (count < m_rowCount)
                m_rows.clear();
            m_rowCount = count;
            m_first = qBound(0, m_first, qMax(0, m_rowCount - 1));
            if (m_indicatorRow >= count)
                m_indicatorRow = -1;
            endResetModel();
        }
        return m_rowCount;
    }
    if (count > m_rowCount) {
        beginInsertRows(QModelIndex(), m_rowCount, count - 1);
        m_rowCount = count;
        endInsertRows();
    } else if (count < m_rowCount) {
        // The file was replaced by a shorter one: nothing cached can be trusted.
        beginResetModel();
        m_rows.clear();
        m_rowCount = count;
        if (m_indicatorRow >= count)
            m_indicatorRow = -1;
        endResetModel();
    }
    return m_rowCount;
}

QString ArchiveTableModel::recordMarker()
{
    return RecordMarker;
}

void ArchiveTableModel::setIndicatorRow(int record)
{
    if (record < 0 || record >= m_rowCount)
        record = -1;
    const int previous = m_indicatorRow;
    if (record == previous)
        return;
    m_indicatorRow = record;
    for (int marked : {previous, record}) {
        const int row = rowOfRecord(marked);
        if (row >= 0)
            emit headerDataChanged(Qt::Vertical, row, row);
    }
}

void ArchiveTableModel::setWindow(int first, int rows)
{
    first = qBound(0, first, qMax(0, m_rowCount - 1));
    rows = qMax(0, rows);
    if (first == m_first && rows == m_window)
        return;
    const int shownBefore = rowCount();
    const int rowsBefore = m_window;
    m_first = first;
    m_window = rows;
    if (rows != rowsBefore || rowCount() != shownBefore) {
        beginResetModel();
        endResetModel();
        return;
    }
    // Same number of rows, other records in them.
    if (shownBefore > 0) {
        emit dataChanged(index(0, 0), index(shownBefore - 1, columnCount() - 1));
        emit headerDataChanged(Qt::Vertical, 0, shownBefore - 1);
    }
}

int ArchiveTableModel::rowOfRecord(int record) const
{
    const int row = record - m_first;
    return record >= 0 && row >= 0 && row < rowCount() ? row : -1;
}

int ArchiveTableModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    if (m_window == 0)
        return m_rowCount;
    return qBound(0, m_rowCount - m_first, m_window);
}

int ArchiveTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columns.size();
}

QVariant ArchiveTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= m_columns.size())
        return {};
    const int column = index.column();
    const int record = recordOfRow(index.row());
    switch (role) {
    case Qt::DisplayRole: {
        const Row *values = row(record);
        const QVariant value = values ? values->at(column) : QVariant();
        if (!value.isValid())
            return QString();
        return isNumeric(column) ? FormatNumber(value.toDouble()) : value.toString();
    }
    case ArchiveValueRole: {
        const Row *values = row(record);
        return values ? values->at(column) : QVariant();
    }
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::AlignVCenter |
                                   (isNumeric(column) ? Qt::AlignRight : Qt::AlignLeft));
    default:
        return {};
    }
}

QVariant ArchiveTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical) {
        if (role == Qt::DisplayRole)
            return recordOfRow(section) == m_indicatorRow ? RecordMarker : QString();
        return {};
    }
    return ColumnHeaderData(m_columns, section, role);
}

Qt::ItemFlags ArchiveTableModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

// The values of one record in the order of the columns, read from the file when it is
// not among the rows kept; null when the record cannot be read.
const ArchiveTableModel::Row *ArchiveTableModel::row(int record) const
{
    if (const Row *kept = m_rows.object(record))
        return kept;
    if (!m_table.isOpen() || record < 0 || record >= m_rowCount)
        return nullptr;
    auto values = new Row(m_columns.size());
    for (int column = 0; column < m_columns.size(); ++column) {
        const int position = m_positions.at(column);
        const QString text = m_table.readText(fileRecord(record), position);
        if (text.isEmpty())
            continue;
        (*values)[column] = isNumeric(column)
                                ? QVariant(m_table.readDouble(fileRecord(record), position))
                                : QVariant(text);
    }
    ++m_recordsRead;
    m_rows.insert(record, values);
    return values;
}

int ArchiveTableModel::takeInRecords(int fileCount)
{
    if (fileCount > m_scanned) {
        TableRecords records;
        if (records.open(m_table.path())) {
            // The header may count a record the file does not yet wholly hold; it is
            // looked at with the next refresh.
            fileCount = qMin(fileCount, records.count());
            for (int first = m_scanned; first < fileCount; first += ScanBlock) {
                if (!records.load(first, qMin(ScanBlock, fileCount - first)))
                    break;
                for (int i = 0; i < records.loaded(); ++i) {
                    const int record = records.recordNumber(i);
                    if (records.deleted(i) && !m_anyDeleted) {
                        m_anyDeleted = true;
                        m_kept.reserve(record);
                        for (int kept = 0; kept < record; ++kept)
                            m_kept.append(kept);
                    }
                    if (m_anyDeleted && !records.deleted(i))
                        m_kept.append(record);
                    m_scanned = record + 1;
                }
            }
        } else if (!m_anyDeleted) {
            // Not a table that history reads (an instrument's own archive): shown whole.
            m_scanned = fileCount;
        }
    }
    return m_anyDeleted ? int(m_kept.size()) : m_scanned;
}

void ArchiveTableModel::resolveColumns()
{
    m_positions.clear();
    for (const ArchiveColumn &column : m_columns)
        m_positions.append(m_table.fieldIndex(column.field));
}

bool ArchiveTableModel::isNumeric(int column) const
{
    const char type = m_table.field(m_positions.value(column, -1)).type;
    return type == 'N' || type == 'F';
}

} // namespace zeltar
