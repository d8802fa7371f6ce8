// An archive table file in any state: opened for reading and read field by field, then
// opened for appending (which mends what a crash leaves) and appended to. A record that
// was appended must be there for the next reader.
#include "acquisition/archive_layout.h"
#include "acquisition/archive_table.h"
#include "fuzz_files.h"

using namespace zeltar;

namespace {

void ReadAll(const ArchiveTable &table)
{
    const int count = table.recordCount();
    for (int position = -1; position <= table.fieldCount(); ++position) {
        table.field(position);
        for (const int record : {-1, 0, 1, count / 2, count - 1, count}) {
            table.readText(record, position);
            table.readDouble(record, position);
            table.readInt(record, position);
        }
    }
    table.fieldIndex(QStringLiteral("ZNAC"));
}

// Whether the table has the station's fields in the station's order; only then do the
// positions of an archive record mean what they say.
bool HasStationLayout(const ArchiveTable &table)
{
    const QVector<ArchiveField> layout = ArchiveLayout();
    if (table.fieldCount() != layout.size())
        return false;
    for (int i = 0; i < layout.size(); ++i) {
        const ArchiveField field = table.field(i);
        if (field.name.compare(layout[i].name, Qt::CaseInsensitive) != 0 ||
            field.type != layout[i].type || field.width != layout[i].width ||
            field.decimals != layout[i].decimals)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = fuzz::InputFile(QStringLiteral("ZELTAR1_SSS.dbf"), data, size);
    {
        ArchiveTable reader;
        if (reader.open(path, ArchiveTable::Mode::Read)) {
            ReadAll(reader);
            reader.refresh();
        }
    }

    ArchiveTable table;
    table.setSyncOnAppend(false);
    if (!table.open(path, ArchiveTable::Mode::Append))
        return 0;
    ReadAll(table);
    const int before = table.recordCount();
    ArchiveRecord record;
    record.data = QStringLiteral("09.12.2026");
    record.time = QStringLiteral("07:45:00");
    record.znac = 25.5f;
    record.stat = 1;
    if (!table.appendRecord(record) || !HasStationLayout(table))
        return 0;
    table.close();

    ArchiveTable after;
    fuzz::Expect(after.open(path, ArchiveTable::Mode::Read));
    fuzz::Expect(after.recordCount() == before + 1);
    fuzz::Expect(after.readText(before, ArchiveData) == record.data);
    return 0;
}
