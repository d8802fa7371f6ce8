#pragma once

#include "instrument/instrument_settings.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <functional>

namespace zeltar {

class SerialSession;

// Texts of the download of an instrument's own archive.
inline const QString DownloadNoLinkMessage = QStringLiteral("Нет связи с прибором");
inline const QString DownloadFailedMessage = QStringLiteral("Ошибка считывания архива");
inline const QString DownloadDoneStatus = QStringLiteral("Считывание завершено");
inline const QString DownloadSaveTitle = QStringLiteral("Выберите файл для сохранения архива");
inline const QString DownloadNoDeviceMessage = QStringLiteral("Выберите прибор в дереве.");

constexpr int DownloadMaxRecords = 2972;
constexpr quint16 ArchiveFirstRegister = 22; // the first record
constexpr quint16 ArchiveNextRegister = 34;  // each read gives the next record
constexpr quint16 ArchiveRecordRegisters = 5;

// One record of the instrument's archive, as the table and the chart take it.
struct DownloadedRecord
{
    QString data; // dd.mm.yy
    QString time; // hh:mm:ss
    float znac = 0;
};

// The ten data bytes of a record: hour, minute, second, day, month, year within the
// century (plain binary), then the value as a single, least significant byte first.
DownloadedRecord DecodeArchiveRecord(const QByteArray &data);

// Share of the largest archive read before reading record i (2 to 2972), rounded.
int DownloadPercent(int record);
// "Считывание архива: 37%".
QString DownloadProgressText(int percent);

enum class DownloadOutcome
{
    Complete,   // the records are all there
    NoLink,     // the first record could not be read
    ReadFailed, // a later record could not be read; the records read are not to be kept
};

struct ArchiveDownload
{
    DownloadOutcome outcome = DownloadOutcome::NoLink;
    // In the instrument's order.
    QVector<DownloadedRecord> records;
    // Whether records starts with the record of registers 22 to 26; it is left out when
    // undated (day or month 0). Only the records after it widen the chart's value range.
    bool firstRecordKept = false;

    bool complete() const { return outcome == DownloadOutcome::Complete; }
    // The error message of a failed download (error icon); empty when complete.
    QString message() const;
};

// Called before every read after the first with the status-bar text and its percent.
using DownloadProgress = std::function<void(const QString &status, int percent)>;

// Reads the instrument's archive record by record until a read repeats the reply before
// it, or 2972 records are in. Every read is tried twice before it counts as failed. The
// port is opened at the start and closed at the end.
ArchiveDownload DownloadArchive(SerialSession &port, const InstrumentSettings &device,
                                const DownloadProgress &progress = {});

struct ArchiveSave
{
    bool saved = false;
    QString message; // why not (error icon)
};

// Replaces file by a copy of the archive template of progDir (made from the field layout
// when it is missing) with the records appended in their order: date, time and value,
// the status fields 0. The table is built beside file and takes its name only when it is
// whole and on the disk; any failure leaves an existing file as it was.
ArchiveSave SaveDownloadedArchive(const QVector<DownloadedRecord> &records, const QString &progDir,
                                  const QString &file);

} // namespace zeltar
