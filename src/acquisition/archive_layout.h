#pragma once

#include <QString>
#include <QVariantList>
#include <QVector>

namespace zeltar {

// One field of a dBase table: name (at most 10 characters), type ('C' text, 'N'
// number, ...), width in characters and decimals.
struct ArchiveField
{
    QString name;
    char type = 'C';
    int width = 1;
    int decimals = 0;
};

// Positions of the archive record's fields, counted from 0. Records are written by
// position; the names matter only to readers.
enum ArchivePosition : int
{
    ArchiveNum = 0, // left blank by the station
    ArchiveData = 1,
    ArchiveTime = 2,
    ArchiveZnac = 3,
    ArchiveStat = 4,
    ArchiveRele = 5,
    ArchiveStep = 6,
    ArchiveNoLink = 7,
    ArchiveFieldCount = 8
};

// The station's field layout of the archive tables and their template.
QVector<ArchiveField> ArchiveLayout();

// Whether records of the station can be appended to a table with these fields: text at
// DATA and TIME, numbers at ZNAC to NOLINK. Names and widths may differ (a template from
// elsewhere); the positions and kinds may not.
bool IsArchiveLayout(const QVector<ArchiveField> &fields);

// Whether a table's fields are those its writer appends to (IsArchiveLayout for archives).
using LayoutCheck = bool (*)(const QVector<ArchiveField> &fields);

// The values of one poll (or one record of an instrument's own archive) for positions
// 1 to 7; position 0 keeps the table's default.
struct ArchiveRecord
{
    QString data;   // date in the locale's short format
    QString time;   // time with seconds
    float znac = 0; // measured value; 200000 no link, 100000 sensor break
    int stat = 0;   // status 0 to 15
    int rele = 0;   // setpoint relay bits 0 to 15
    int step = 0;   // regulation point 0 to 15
    int noLink = 0; // 1 when the instrument did not answer
};

// The record's values by field position, ready for ArchiveTable::appendValues.
QVariantList ArchiveValues(const ArchiveRecord &record);

} // namespace zeltar
