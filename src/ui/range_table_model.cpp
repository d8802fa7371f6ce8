#include "ui/range_table_model.h"

#include "acquisition/dbf_field_text.h"
#include "core/number_text.h"

#include <algorithm>

namespace zeltar {

namespace {

constexpr int BlockRows = 128;
constexpr int CachedBlocks = 8;

HistoryField FieldOf(const QString &name)
{
    static const QHash<QString, HistoryField> Fields = {
        {QStringLiteral("DATA"), HistoryField::Date},
        {QStringLiteral("TIME"), HistoryField::Time},
        {QStringLiteral("ZNAC"), HistoryField::Value},
        {QStringLiteral("STAT"), HistoryField::Status},
        {QStringLiteral("RELE"), HistoryField::Relays},
        {QStringLiteral("STEP"), HistoryField::Step},
        {QStringLiteral("NOLINK"), HistoryField::NoLink}};
    return Fields.value(name.toUpper(), HistoryField::Value);
}

bool IsText(HistoryField field)
{
    return field == HistoryField::Date || field == HistoryField::Time;
}

} // namespace

RangeTableModel::RangeTableModel(QObject *parent)
    : QAbstractTableModel(parent), m_columns(ArchiveGridColumns()), m_blocks(CachedBlocks)
{
    for (const ArchiveColumn &column : m_columns)
        m_fields.append(FieldOf(column.field));
}

RangeTableModel::~RangeTableModel() = default;

void RangeTableModel::setRange(const HistoryRange &range)
{
    beginResetModel();
    m_range = range;
    m_segmentStarts.clear();
    qint64 start = 0;
    for (const RangeSegment &segment : m_range.segments) {
        m_segmentStarts.append(start);
        start += segment.count;
    }
    m_blocks.clear();
    m_blocksRead = 0;
    endResetModel();
}

int RangeTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(qMin<qint64>(m_range.records, INT_MAX));
}

int RangeTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columns.size();
}

QVariant RangeTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= m_columns.size())
        return {};
    const int column = index.column();
    const bool text = IsText(m_fields.at(column));
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignVCenter | (text ? Qt::AlignLeft : Qt::AlignRight));
    if (role != Qt::DisplayRole && role != ArchiveValueRole)
        return {};
    const int first = index.row() - index.row() % BlockRows;
    const Block *values = block(first);
    const QVariant value =
        values ? values->value((index.row() - first) * m_columns.size() + column) : QVariant();
    if (role == ArchiveValueRole)
        return value;
    if (!value.isValid())
        return QString();
    return text ? value.toString() : FormatNumber(value.toDouble());
}

QVariant RangeTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    return ColumnHeaderData(m_columns, section, role);
}

Qt::ItemFlags RangeTableModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

// The rows first .. first + BlockRows - 1, read from their tables when they are not kept;
// a block may span two segments.
const RangeTableModel::Block *RangeTableModel::block(int first) const
{
    if (const Block *kept = m_blocks.object(first))
        return kept;
    auto values = new Block;
    const int rows = qMin<qint64>(BlockRows, m_range.records - first);
    values->reserve(rows * m_columns.size());
    int segment = int(std::upper_bound(m_segmentStarts.cbegin(), m_segmentStarts.cend(), first) -
                      m_segmentStarts.cbegin()) -
                  1;
    qint64 row = first;
    TableRecords records;
    while (row < first + rows && segment >= 0 && segment < m_range.segments.size()) {
        const RangeSegment &part = m_range.segments.at(segment);
        const int offset = int(row - m_segmentStarts.at(segment));
        const int count = int(qMin<qint64>(part.count - offset, first + rows - row));
        if (!records.use(part.path) || !records.load(part.first + offset, count))
            break;
        for (int i = 0; i < records.loaded(); ++i) {
            for (HistoryField field : m_fields) {
                const QByteArrayView bytes = records.field(i, field);
                if (bytes.isEmpty())
                    values->append(QVariant());
                else if (IsText(field))
                    values->append(DbfDecodeText(bytes.toByteArray()));
                else if (field == HistoryField::Value)
                    values->append(records.value(i).value_or(0.0));
                else
                    values->append(records.number(i, field));
            }
        }
        row += count;
        ++segment;
    }
    values->resize(rows * m_columns.size());
    ++m_blocksRead;
    m_blocks.insert(first, values);
    return values;
}

} // namespace zeltar
