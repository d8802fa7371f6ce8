#include "ui/report_preview.h"

#include "report/report_document.h"

#include <QPrintPreviewDialog>
#include <QPrinter>

namespace zeltar {

QPrintPreviewDialog *OpenReportPreview(QWidget *parent, ReportData data)
{
    auto *dialog = new QPrintPreviewDialog(parent);
    dialog->setObjectName(QStringLiteral("FormReportPreview"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    const auto [from, to] = ReportMoments(data);
    dialog->setWindowTitle(QStringLiteral("Отчёт по прибору %1: %2 – %3")
                               .arg(data.deviceName, WallText(from), WallText(to)));
    QPrinter *printer = dialog->printer();
    SetReportPage(*printer);
    printer->setDocName(dialog->windowTitle());
    QObject::connect(dialog, &QPrintPreviewDialog::paintRequested, dialog,
                     [data = std::move(data)](QPrinter *target) { DrawReport(data, *target); });
    dialog->open();
    return dialog;
}

} // namespace zeltar
