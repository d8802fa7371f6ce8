#include "history/csv_export.h"

#include "acquisition/dbf_field_text.h"
#include "core/file_sync.h"

#include <QSaveFile>

#include <algorithm>
#include <charconv>

namespace zeltar {

namespace {

struct CsvStyle
{
    char separator;
    char decimal;
    QByteArray start; // byte-order mark, or nothing
    QByteArray header;
};

CsvStyle StyleOf(CsvForm form)
{
    if (form == CsvForm::Machine)
        return {',', '.', QByteArray(), "date,time,value,status,relays,step,nolink"};
    return {';', ',', QByteArray("\xEF\xBB\xBF"),
            QStringLiteral("Дата;Время;Значение;Состояние;Реле;Шаг;Нет связи").toUtf8()};
}

// A text field of the table (Windows-1251) as UTF-8.
void AppendText(QByteArray &out, QByteArrayView field, char separator)
{
    const bool ascii = std::all_of(field.begin(), field.end(), [](char c) { return c >= 0; });
    if (ascii)
        AppendCsvField(out, field, separator);
    else
        AppendCsvField(out, DbfDecodeText(field.toByteArray()).toUtf8(), separator);
}

void AppendNumber(QByteArray &out, int number)
{
    char text[16];
    out.append(text, std::to_chars(text, text + sizeof text, number).ptr - text);
}

} // namespace

// Appends a field, quoted as RFC 4180 asks when it holds the separator, a quote or a line
// end.
void AppendCsvField(QByteArray &out, QByteArrayView field, char separator)
{
    const bool plain = std::none_of(field.begin(), field.end(), [separator](char c) {
        return c == separator || c == '"' || c == '\n' || c == '\r';
    });
    if (plain) {
        out.append(field);
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

qint64 WriteCsv(const HistoryRange &range, CsvForm form, QIODevice &device, QString *error)
{
    const CsvStyle style = StyleOf(form);
    QByteArray buffer = style.start + style.header + "\r\n";
    bool written = true;
    auto writeOut = [&] {
        written = device.write(buffer) == buffer.size();
        buffer.resize(0); // keeps its room for the next block
        return written;
    };
    qint64 count = 0;
    const bool read = ForEachRecord(
        range,
        [&](TableRecords &records, int i) {
            const char separator = style.separator;
            AppendText(buffer, records.field(i, HistoryField::Date), separator);
            buffer += separator;
            AppendText(buffer, records.field(i, HistoryField::Time), separator);
            buffer += separator;
            QByteArray value = ShortestValueText(records, i);
            value.replace('.', style.decimal);
            AppendCsvField(buffer, value, separator);
            for (HistoryField field :
                 {HistoryField::Status, HistoryField::Relays, HistoryField::Step}) {
                buffer += separator;
                AppendNumber(buffer, records.number(i, field));
            }
            buffer += separator;
            AppendNumber(buffer, records.number(i, HistoryField::NoLink));
            buffer += "\r\n";
            ++count;
            return buffer.size() < 1 << 16 || writeOut();
        },
        error);
    if (read && written)
        writeOut();
    if (!written && error)
        *error = QStringLiteral("Не могу записать файл: %1").arg(DeviceErrorText(device));
    return read && written ? count : -1;
}

qint64 ExportCsvFile(const HistoryRange &range, CsvForm form, const QString &path, QString *error)
{
    return WriteCsvFile(
        path,
        [&](QIODevice &device, QString *failure) { return WriteCsv(range, form, device, failure); },
        error);
}

qint64 WriteCsvFile(const QString &path, const std::function<qint64(QIODevice &, QString *)> &write,
                    QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("Не могу создать файл %1").arg(path);
        return -1;
    }
    const qint64 count = write(file, error);
    if (count < 0 || !file.flush() || !file.commit()) {
        file.cancelWriting();
        if (count >= 0 && error)
            *error = QStringLiteral("Не могу записать файл %1").arg(path);
        return -1;
    }
    return count;
}

} // namespace zeltar
