#pragma once

#include "report/report_data.h"

class QPrintPreviewDialog;
class QWidget;

namespace zeltar {

// Opens the print preview of a report over parent, from which the operator prints it or
// saves it as PDF (the print dialog's "print to file"). The dialog is window-modal, keeps
// the report's data and deletes itself when closed.
QPrintPreviewDialog *OpenReportPreview(QWidget *parent, ReportData data);

} // namespace zeltar
