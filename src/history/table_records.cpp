#include "history/table_records.h"

#include "acquisition/archive_table.h"
#include "acquisition/dbf_table_file.h"

#include <charconv>

namespace zeltar {

namespace {

const char *const FieldNames[HistoryFieldCount] = {"DATA", "TIME", "ZNAC",  "STAT",
                                                   "RELE", "STEP", "NOLINK"};

} // namespace

bool TableRecords::open(const QString &path)
{
    close();
    ArchiveTable table;
    if (!table.open(path, ArchiveTable::Mode::Read)) {
        m_error = table.errorString();
        return false;
    }
    // A record starts with its deletion flag, then the fields in header order.
    std::array<int, HistoryFieldCount> positions{};
    for (int f = 0; f < HistoryFieldCount; ++f)
        positions[f] = table.fieldIndex(QLatin1String(FieldNames[f]));
    int offset = 1;
    for (int position = 0; position < table.fieldCount(); ++position) {
        const int width = table.field(position).width;
        for (int f = 0; f < HistoryFieldCount; ++f) {
            if (positions[f] == position)
                m_places[f] = {offset, width};
        }
        offset += width;
    }
    table.close();

    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly)) {
        m_error = QStringLiteral("Не могу открыть таблицу %1").arg(path);
        return false;
    }
    const std::optional<DbfGeometry> geometry = ReadDbfGeometry(m_file);
    if (!geometry || geometry->recordLength < offset) {
        m_error = QStringLiteral("%1 не является таблицей архива").arg(path);
        close();
        return false;
    }
    m_headerLength = geometry->headerLength;
    m_recordLength = geometry->recordLength;
    m_count = int(geometry->readableCount());
    return true;
}

bool TableRecords::use(const QString &path)
{
    return (m_file.isOpen() && m_file.fileName() == path) || open(path);
}

void TableRecords::close()
{
    m_file.close();
    m_places.fill({});
    m_count = 0;
    m_loaded = 0;
    m_block.clear();
}

bool TableRecords::load(int first, int count)
{
    m_loaded = 0;
    count = qMin(count, m_count - first);
    if (first < 0 || count <= 0)
        return count == 0;
    m_block.resize(qsizetype(count * m_recordLength));
    if (!m_file.seek(m_headerLength + first * m_recordLength) ||
        m_file.read(m_block.data(), m_block.size()) != m_block.size()) {
        m_error = QStringLiteral("Не могу прочитать таблицу %1").arg(m_file.fileName());
        return false;
    }
    m_first = first;
    m_loaded = count;
    return true;
}

bool TableRecords::deleted(int i) const
{
    return i >= 0 && i < m_loaded && m_block.at(qsizetype(i) * m_recordLength) == '*';
}

QByteArrayView TableRecords::field(int i, HistoryField field) const
{
    const Place &place = m_places[size_t(field)];
    if (place.offset < 0 || i < 0 || i >= m_loaded)
        return {};
    // dBase pads fields with blanks; a plain loop is much cheaper here than a general trim.
    const char *begin = m_block.constData() + i * m_recordLength + place.offset;
    const char *end = begin + place.width;
    while (begin < end && static_cast<unsigned char>(*begin) <= ' ')
        ++begin;
    while (end > begin && static_cast<unsigned char>(end[-1]) <= ' ')
        --end;
    return QByteArrayView(begin, end);
}

std::optional<double> TableRecords::value(int i) const
{
    const QByteArrayView text = field(i, HistoryField::Value);
    double number = 0;
    const char *end = text.data() + text.size();
    const auto [rest, error] = std::from_chars(text.data(), end, number);
    if (text.isEmpty() || error != std::errc() || rest != end)
        return std::nullopt;
    return number;
}

int TableRecords::number(int i, HistoryField field) const
{
    const QByteArrayView text = this->field(i, field);
    int number = 0;
    std::from_chars(text.data(), text.data() + text.size(), number);
    return number;
}

std::optional<WallSeconds> TableRecords::moment(int i)
{
    return m_moments.read(field(i, HistoryField::Date), field(i, HistoryField::Time));
}

bool ForEachMoment(TableRecords &records,
                   const std::function<bool(int i, std::optional<WallSeconds> moment)> &visit)
{
    constexpr int BlockRecords = 4096;
    for (int start = 0; start < records.count(); start += BlockRecords) {
        if (!records.load(start, BlockRecords))
            return false;
        for (int i = 0; i < records.loaded(); ++i) {
            if (!records.deleted(i) && !visit(start + i, records.moment(i)))
                return true;
        }
    }
    return true;
}

QByteArray ShortestValueText(const TableRecords &records, int i)
{
    const std::optional<double> value = records.value(i);
    if (!value)
        return records.field(i, HistoryField::Value).toByteArray();
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, *value, std::chars_format::fixed);
    return QByteArray(text, int(result.ptr - text));
}

} // namespace zeltar
