#include "acquisition/archive_download.h"

#include "acquisition/archive_layout.h"
#include "acquisition/archive_table.h"
#include "acquisition/archive_template.h"
#include "core/file_replacement.h"
#include "core/number_text.h"
#include "instrument/register_codec.h"
#include "link/link_result.h"
#include "link/modbus_master.h"
#include "link/serial_session.h"
#include "link/timing.h"

#include <QFile>
#include <QtMath>

namespace zeltar {

namespace {

QString twoDigits(quint8 value)
{
    return PadZero(QString::number(value), 2);
}

// One record from start; an error code is tried once more.
QByteArray readRecord(ModbusMaster &master, const InstrumentSettings &device, quint16 start)
{
    QByteArray reply;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const TimingProfile timing =
            SetTiming(TimingArchive04, device.PribBaud, ArchiveRecordRegisters);
        reply = master.ModBusRead04(device.PribAdr, start, ArchiveRecordRegisters, timing);
        if (!IsLinkError(reply))
            break;
    }
    return reply;
}

// An instrument with an empty archive answers the first read with zeros, which is no date.
bool holdsRecord(const QByteArray &data)
{
    return DataByte(data, 4) != 0 && DataByte(data, 5) != 0;
}

} // namespace

DownloadedRecord DecodeArchiveRecord(const QByteArray &data)
{
    DownloadedRecord record;
    record.time = twoDigits(DataByte(data, 1)) + QLatin1Char(':') + twoDigits(DataByte(data, 2)) +
                  QLatin1Char(':') + twoDigits(DataByte(data, 3));
    record.data = twoDigits(DataByte(data, 4)) + QLatin1Char('.') + twoDigits(DataByte(data, 5)) +
                  QLatin1Char('.') + twoDigits(DataByte(data, 6));
    record.znac = MeasuredValue(DataSingle(data, 7));
    return record;
}

int DownloadPercent(int record)
{
    return qRound(100.0 * record / DownloadMaxRecords);
}

QString DownloadProgressText(int percent)
{
    return QStringLiteral("Считывание архива: ") + QString::number(percent) + QLatin1Char('%');
}

QString ArchiveDownload::message() const
{
    switch (outcome) {
    case DownloadOutcome::Complete:
        return {};
    case DownloadOutcome::NoLink:
        return DownloadNoLinkMessage;
    case DownloadOutcome::ReadFailed:
        return DownloadFailedMessage;
    }
    return {};
}

ArchiveDownload DownloadArchive(SerialSession &port, const InstrumentSettings &device,
                                const DownloadProgress &progress)
{
    ArchiveDownload download;
    // A port that does not open shows up as failed reads.
    port.OpenPort(device.PribPort, device.PribBaud);
    ModbusMaster master(port);

    QByteArray previous = readRecord(master, device, ArchiveFirstRegister);
    if (IsLinkError(previous)) {
        port.ClosePort();
        return download;
    }
    // The first record is a record of its own: when the next read repeats it, the archive
    // held just this one.
    download.firstRecordKept = holdsRecord(ReplyData(previous));
    if (download.firstRecordKept)
        download.records.append(DecodeArchiveRecord(ReplyData(previous)));

    download.outcome = DownloadOutcome::Complete;
    for (int i = 2; i <= DownloadMaxRecords; ++i) {
        const int percent = DownloadPercent(i);
        if (progress)
            progress(DownloadProgressText(percent), percent);
        const QByteArray reply = readRecord(master, device, ArchiveNextRegister);
        if (IsLinkError(reply)) {
            download.outcome = DownloadOutcome::ReadFailed;
            download.records.clear();
            break;
        }
        if (reply == previous)
            break;
        previous = reply;
        download.records.append(DecodeArchiveRecord(ReplyData(reply)));
    }
    port.ClosePort();
    return download;
}

ArchiveSave SaveDownloadedArchive(const QVector<DownloadedRecord> &records, const QString &progDir,
                                  const QString &file)
{
    const QString templatePath = ArchiveTemplatePath(progDir);
    const ArchiveSave copyFailed{false, QStringLiteral("Не могу сохранить файл (код 2). ") +
                                            templatePath + QLatin1Char(' ') + file};
    FileReplacement replacement(file);
    if (!EnsureTemplate(progDir) || !replacement.begin())
        return copyFailed;
    {
        QFile source(templatePath);
        if (!source.open(QIODevice::ReadOnly) || !replacement.write(source.readAll()) ||
            source.error() != QFileDevice::NoError)
            return copyFailed;
    }

    const ArchiveSave failed{false, QStringLiteral("Не могу сохранить файл (код 1)")};
    ArchiveTable table;
    if (!table.open(replacement.temporaryPath(), ArchiveTable::Mode::Append))
        return failed;
    // The whole file goes to the disk once, when the replacement is committed.
    table.setSyncOnAppend(false);
    for (const DownloadedRecord &r : records) {
        ArchiveRecord record;
        record.data = r.data;
        record.time = r.time;
        record.znac = r.znac;
        if (!table.appendRecord(record))
            return failed;
    }
    table.close();
    if (!replacement.commit())
        return failed;
    return {true, {}};
}

} // namespace zeltar
