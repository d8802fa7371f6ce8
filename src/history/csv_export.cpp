#include "history/csv_export.h"

#include "acquisition/dbf_field_text.h"

#include <QSaveFile>

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

// A field quoted as RFC 4180 asks when it holds the separator, a quote or a line end.
QByteArray Quoted(const QByteArray &field, char separator)
{
    if (!field.contains(separator) && !field.contains('"') && !field.contains('\n') &&
        !field.contains('\r'))
        return field;
    QByteArray quoted = field;
    quoted.replace("\"", "\"\"");
    return '"' + quoted + '"';
}

QByteArray TextField(const TableRecords &records, int i, HistoryField field, char separator)
{
    return Quoted(DbfDecodeText(records.field(i, field).toByteArray()).toUtf8(), separator);
}

} // namespace

qint64 WriteCsv(const HistoryRange &range, CsvForm form, QIODevice &device, QString *error)
{
    const CsvStyle style = StyleOf(form);
    QByteArray buffer = style.start + style.header + "\r\n";
    bool written = true;
    auto writeOut = [&] {
        written = device.write(buffer) == buffer.size();
        buffer.clear();
        return written;
    };
    qint64 count = 0;
    const bool read = ForEachRecord(
        range,
        [&](TableRecords &records, int i) {
            const char separator = style.separator;
            QByteArray value = ShortestValueText(records, i);
            value.replace('.', style.decimal);
            buffer += TextField(records, i, HistoryField::Date, separator) + separator +
                      TextField(records, i, HistoryField::Time, separator) + separator +
                      Quoted(value, separator) + separator;
            for (HistoryField field :
                 {HistoryField::Status, HistoryField::Relays, HistoryField::Step}) {
                buffer += QByteArray::number(records.number(i, field));
                buffer += separator;
            }
            buffer += QByteArray::number(records.number(i, HistoryField::NoLink)) + "\r\n";
            ++count;
            return buffer.size() < 1 << 16 || writeOut();
        },
        error);
    if (read && written)
        writeOut();
    if (!written && error)
        *error = QStringLiteral("Не могу записать файл: %1").arg(device.errorString());
    return read && written ? count : -1;
}

qint64 ExportCsvFile(const HistoryRange &range, CsvForm form, const QString &path, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = QStringLiteral("Не могу создать файл %1").arg(path);
        return -1;
    }
    const qint64 count = WriteCsv(range, form, file, error);
    if (count < 0 || !file.flush() || !file.commit()) {
        file.cancelWriting();
        if (count >= 0 && error)
            *error = QStringLiteral("Не могу записать файл %1").arg(path);
        return -1;
    }
    return count;
}

} // namespace zeltar
