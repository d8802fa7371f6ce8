#include "bench_tables.h"

#include "acquisition/archive_table.h"
#include "acquisition/dbf_field_text.h"
#include "acquisition/polling_state.h"

#include <QDir>
#include <QFile>
#include <QVector>
#include <QtEndian>

#include <cmath>

namespace zeltar::bench {

namespace {

QByteArray RecordBytes(const ArchiveRecord &record)
{
    const QVector<ArchiveField> layout = ArchiveLayout();
    const QVariantList values = ArchiveValues(record);
    QByteArray bytes(1, ' ');
    for (int i = 0; i < layout.size(); ++i)
        bytes +=
            DbfFieldBytes(layout[i].type, layout[i].width, layout[i].decimals, values.value(i));
    return bytes;
}

} // namespace

ArchiveRecord SampleRecord(int i)
{
    ArchiveRecord record;
    record.data = QStringLiteral("13.05.2008");
    record.time = QStringLiteral("14:%1:%2")
                      .arg(i / 60 % 60, 2, 10, QLatin1Char('0'))
                      .arg(i % 60, 2, 10, QLatin1Char('0'));
    record.znac = 20.0f + float(i % 100) / 10.0f;
    record.rele = i % 16;
    return record;
}

// Fills a fresh copy of the template with records written straight into the file.
bool FillTable(const QString &path, int records)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || !file.seek(file.size() - 1)) // over the end marker
        return false;
    QByteArray block;
    for (int i = 0; i < 1000; ++i)
        block += RecordBytes(SampleRecord(i));
    for (int written = 0; written < records; written += 1000) {
        if (file.write(block) != block.size())
            return false;
    }
    file.write("\x1A", 1);
    uchar count[4];
    qToLittleEndian<quint32>(records, count);
    return file.seek(4) && file.write(reinterpret_cast<char *>(count), 4) == 4;
}

bool WriteTable(const QString &path, int count, const std::function<ArchiveRecord(int)> &record)
{
    if (!ArchiveTable::create(path, ArchiveLayout()))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || !file.seek(file.size() - 1)) // over the end marker
        return false;
    QByteArray block;
    for (int i = 0; i < count; ++i)
        block += RecordBytes(record(i));
    block += '\x1A';
    uchar written[4];
    qToLittleEndian<quint32>(quint32(count), written);
    return file.write(block) == block.size() && file.seek(4) &&
           file.write(reinterpret_cast<char *>(written), 4) == 4;
}

ArchiveRecord WaveRecord(const QDateTime &moment, int n)
{
    ArchiveRecord record;
    record.data = moment.date().toString(QStringLiteral("dd.MM.yyyy"));
    record.time = moment.time().toString(QStringLiteral("HH:mm:ss"));
    record.znac = n % 50000 < 20
                      ? NoLinkValue
                      : float(100.0 + 50.0 * std::sin(n / 3000.0) + (n * 7919 % 100) / 10.0);
    record.noLink = record.znac == NoLinkValue;
    record.stat = 3;
    record.rele = n % 16;
    record.step = 1;
    return record;
}

const QString MonthDevice = QStringLiteral("Печь 1");
const QDateTime MonthStart(QDate(2026, 11, 9), QTime(0, 0));

bool WriteMonth(const QString &folder, int stepSeconds)
{
    const int perTable = 3600 / stepSeconds;
    for (int hour = 0; hour < MonthDays * 24; ++hour) {
        const QDateTime period = MonthStart.addSecs(qint64(hour) * 3600);
        const QString path = QDir(folder).filePath(
            MonthDevice + period.toString(QStringLiteral("_yy_MM_dd_HH")) + QStringLiteral(".dbf"));
        const bool written = WriteTable(path, perTable, [&](int i) {
            return WaveRecord(period.addSecs(qint64(i) * stepSeconds), hour * perTable + i);
        });
        if (!written)
            return false;
    }
    return true;
}

long ResidentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

QString SixteenInstrumentsIni(const QStringList &lines)
{
    QString text = QStringLiteral("[MAIN]\nTimeOpr=1\nTimeArh=1\nCountUstr=16\n");
    for (int n = 1; n <= 16; ++n)
        text += QStringLiteral("[ZELTAR%1]\nPribName=Прибор %1\nPribVkl=1\nPribPort=%2\n"
                               "PribBaud=2\nPribAdr=%3\n")
                    .arg(n)
                    .arg((n - 1) / 8 + 1)
                    .arg((n - 1) % 8 + 1);
    return text + QStringLiteral("[PORTS]\nCOM1=%1\nCOM2=%2\n").arg(lines.value(0), lines.value(1));
}

} // namespace zeltar::bench
