#include "acquisition/archive_layout.h"

namespace zeltar {

QVector<ArchiveField> ArchiveLayout()
{
    // DATA and TIME take any locale's short date and a time with seconds; ZNAC holds
    // 200000 and negative values with the digits of a single; the small integers 0 to 15
    // take two characters.
    return {
        {QStringLiteral("NUM"), 'N', 10, 0},  {QStringLiteral("DATA"), 'C', 20, 0},
        {QStringLiteral("TIME"), 'C', 20, 0}, {QStringLiteral("ZNAC"), 'N', 20, 4},
        {QStringLiteral("STAT"), 'N', 2, 0},  {QStringLiteral("RELE"), 'N', 2, 0},
        {QStringLiteral("STEP"), 'N', 2, 0},  {QStringLiteral("NOLINK"), 'N', 1, 0},
    };
}

bool IsArchiveLayout(const QVector<ArchiveField> &fields)
{
    if (fields.size() < ArchiveFieldCount)
        return false;
    const auto isText = [&](int position) { return fields.at(position).type == 'C'; };
    const auto isNumber = [&](int position) {
        return fields.at(position).type == 'N' || fields.at(position).type == 'F';
    };
    return isText(ArchiveData) && isText(ArchiveTime) && isNumber(ArchiveZnac) &&
           isNumber(ArchiveStat) && isNumber(ArchiveRele) && isNumber(ArchiveStep) &&
           isNumber(ArchiveNoLink);
}

QVariantList ArchiveValues(const ArchiveRecord &record)
{
    QVariantList values(ArchiveFieldCount);
    values[ArchiveData] = record.data;
    values[ArchiveTime] = record.time;
    values[ArchiveZnac] = QVariant::fromValue(record.znac);
    values[ArchiveStat] = record.stat;
    values[ArchiveRele] = record.rele;
    values[ArchiveStep] = record.step;
    values[ArchiveNoLink] = record.noLink;
    return values;
}

} // namespace zeltar
