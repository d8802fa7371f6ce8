#pragma once

#include "report/report_data.h"

#include <QString>

class QPagedPaintDevice;

namespace zeltar {

// A report's pages: A4 portrait with margins of 15 mm.
void SetReportPage(QPagedPaintDevice &device);

// Draws the report on the device's pages (a PDF writer, a printer): the title, station,
// range and moment made; the chart; the statistics and alarms; the table of hours or days;
// the signature lines; a page number on every page. The device's painter is begun and
// ended here. False when the device cannot be painted on.
bool DrawReport(const ReportData &data, QPagedPaintDevice &device);

// Writes the report as a PDF with its font embedded, replacing the file only when the
// whole of it is written. False with error otherwise.
bool WriteReportPdf(const ReportData &data, const QString &path, QString *error);

} // namespace zeltar
