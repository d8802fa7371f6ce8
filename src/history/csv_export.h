#pragma once

#include "history/history_range.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QString>

#include <functional>

namespace zeltar {

// The two forms of an export.
enum class CsvForm
{
    // Opens in a Russian spreadsheet by a double click: ";" between fields, decimal comma,
    // UTF-8 with a byte-order mark, Russian column titles, CR LF line ends.
    Spreadsheet,
    // For programs: RFC 4180 with ",", decimal point, UTF-8 without a byte-order mark and
    // the header date,time,value,status,relays,step,nolink.
    Machine
};

// Appends a field, quoted as RFC 4180 asks when it holds the separator, a quote or a line
// end.
void AppendCsvField(QByteArray &out, QByteArrayView field, char separator);

// Writes the range's records (date and time as the table holds them, the value as stored
// with its no-link and break marks, status, relays, step, no-link flag) to device.
// Returns the records written, -1 (with error) when a table cannot be read or the device
// cannot be written.
qint64 WriteCsv(const HistoryRange &range, CsvForm form, QIODevice &device,
                QString *error = nullptr);

// Runs write into a file that replaces path only when the whole export reached the disk.
// Returns what write returned, -1 (with error) when the file could not be written.
qint64 WriteCsvFile(const QString &path, const std::function<qint64(QIODevice &, QString *)> &write,
                    QString *error = nullptr);

// Writes the export to a file, replacing it only when the whole export reached the disk.
qint64 ExportCsvFile(const HistoryRange &range, CsvForm form, const QString &path,
                     QString *error = nullptr);

} // namespace zeltar
