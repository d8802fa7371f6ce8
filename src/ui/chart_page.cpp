#include "ui/chart_page.h"

#include "acquisition/polling_state.h"
#include "core/message_service.h"
#include "core/number_text.h"
#include "ui/chart_settings.h"
#include "ui/chart_widget.h"
#include "ui/field_values.h"
#include "ui/up_down.h"
#include "ui/window_helpers.h"

#include <QCheckBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace zeltar {

ChartPage::ChartPage(PollingState &state, QWidget *parent) : QWidget(parent), m_state(state)
{
    setObjectName(QStringLiteral("tsGraf"));
    cbAutoGraf = named(new QCheckBox(QStringLiteral("Автообновление"), this), "cbAutoGraf");
    cbAutoGraf->setToolTip(QStringLiteral("Включить автообновление графика"));
    editGrafMin = named(new QLineEdit(this), "editGrafMin");
    editGrafMin->setToolTip(QStringLiteral("Минимальное значение точки на графике"));
    editGrafMax = named(new QLineEdit(this), "editGrafMax");
    editGrafMax->setToolTip(QStringLiteral("Максимальное значение точки на графике"));
    editGrafN = named(new QLineEdit(this), "editGrafN");
    editGrafN->setToolTip(QStringLiteral("Количество точек на графике"));
    UpDown2 = named(new UpDown(editGrafN, 0, 500, this), "UpDown2");
    btnApplyGraf = named(new QPushButton(QStringLiteral("Применить"), this), "btnApplyGraf");
    btnApplyGraf->setToolTip(QStringLiteral("Применить значения"));
    connect(btnApplyGraf, &QPushButton::clicked, this, &ChartPage::btnApplyGrafClick);
    for (QLineEdit *edit : {editGrafMin, editGrafMax, editGrafN}) {
        edit->setMaximumWidth(80);
        edit->installEventFilter(this); // Enter applies, as the button does
    }

    auto *bar = new QHBoxLayout;
    bar->addWidget(cbAutoGraf);
    bar->addSpacing(12);
    const QString axisHint = QStringLiteral("Число отсчетов по оси Х");
    auto addLabelled = [&](const QString &text, QWidget *field) {
        auto *label = new QLabel(text, this);
        label->setToolTip(axisHint);
        bar->addWidget(label);
        bar->addWidget(field);
    };
    addLabelled(QStringLiteral("Мин"), editGrafMin);
    addLabelled(QStringLiteral("Макс"), editGrafMax);
    addLabelled(QStringLiteral("Точек"), editGrafN);
    bar->addWidget(UpDown2);
    bar->addWidget(btnApplyGraf);
    bar->addStretch();

    Chart1 = named(new ChartWidget(this), "Chart1");
    Chart1->setToolTip(QStringLiteral("График"));
    Chart1->setValueRange(-100, 200);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addLayout(bar);
    layout->addWidget(Chart1, 1);
}

void ChartPage::showSettings()
{
    editGrafN->setText(QString::number(m_state.GrafN));
    ShowFromStart(editGrafMax, GeneralNumberText(m_state.GrafMax));
    ShowFromStart(editGrafMin, GeneralNumberText(m_state.GrafMin));
    Chart1->clear();
}

void ChartPage::fill(const ArchiveTableModel &model)
{
    Chart1->setPoints(ArchiveChartPoints(model, m_state.GrafN, m_state.GrafMax));
}

void ChartPage::showDownloadedRange(const QVector<ChartRecord> &records, bool firstRecordKept)
{
    const DownloadedRange range = DownloadedChartRange(records, firstRecordKept);
    Chart1->clear();
    Chart1->setValueRange(range.axis().min, range.axis().max);
    ShowFromStart(editGrafMax, GeneralNumberText(range.highest));
    ShowFromStart(editGrafMin, GeneralNumberText(range.lowest));
    editGrafN->setText(QString::number(records.size()));
}

void ChartPage::drawDownloaded(const QVector<ChartRecord> &records)
{
    Chart1->setPoints(DownloadedChartPoints(records));
}

void ChartPage::btnApplyGrafClick()
{
    const ChartSettingsCheck check =
        CheckChartSettings(editGrafN->text(), editGrafMax->text(), editGrafMin->text());
    if (!check.accepted) {
        ShowError(check.message);
        return;
    }
    m_state.GrafN = check.settings.GrafN;
    m_state.GrafMax = check.settings.GrafMax;
    m_state.GrafMin = check.settings.GrafMin;
    Chart1->setValueRange(m_state.GrafMin, m_state.GrafMax);
}

bool ChartPage::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            btnApplyGrafClick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace zeltar
