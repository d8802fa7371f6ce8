#include "ui/alarm_history_panel.h"

#include "acquisition/archive_names.h"
#include "acquisition/station.h"
#include "alarms/alarm_history.h"
#include "alarms/alarm_texts.h"
#include "core/clock.h"
#include "core/message_service.h"
#include "core/number_text.h"
#include "ui/file_dialogs.h"
#include "ui/window_helpers.h"

#include <QDateTimeEdit>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

namespace zeltar {

namespace {

const QString MomentFormat = QStringLiteral("dd.MM.yyyy HH:mm:ss");

QString NumberCell(const QString &kind, const std::optional<double> &value)
{
    const std::optional<AlarmKind> k = AlarmKindFromWord(kind);
    if (k)
        return AlarmNumberText(*k, value);
    return value ? FormatNumber(*value) : QString();
}

} // namespace

AlarmHistoryPanel::AlarmHistoryPanel(Station &station, QWidget *parent)
    : QGroupBox(QStringLiteral(" История тревог "), parent), m_station(station)
{
    setObjectName(QStringLiteral("gbAlarmHistory"));
    dtAlarmFrom = named(new QDateTimeEdit(this), QStringLiteral("dtAlarmFrom"));
    dtAlarmTo = named(new QDateTimeEdit(this), QStringLiteral("dtAlarmTo"));
    for (QDateTimeEdit *edit : {dtAlarmFrom, dtAlarmTo}) {
        edit->setDisplayFormat(MomentFormat);
        edit->setCalendarPopup(true);
    }
    btnAlarmHistShow = named(new QPushButton(QStringLiteral("Показать"), this),
                             QStringLiteral("btnAlarmHistShow"));
    btnAlarmHistShow->setToolTip(QStringLiteral("Показать тревоги за время с ... по ..."));
    btnAlarmHistDay =
        named(new QPushButton(QStringLiteral("Сутки"), this), QStringLiteral("btnAlarmHistDay"));
    btnAlarmHistWeek =
        named(new QPushButton(QStringLiteral("Неделя"), this), QStringLiteral("btnAlarmHistWeek"));
    btnAlarmHistCsv = named(new QPushButton(QStringLiteral("Экспорт в CSV"), this),
                            QStringLiteral("btnAlarmHistCsv"));
    btnAlarmHistCsv->setToolTip(
        QStringLiteral("Сохранить историю тревог за время с ... по ... в файл CSV"));
    stAlarmHist = named(new QLabel(this), QStringLiteral("stAlarmHist"));

    gridAlarmHist = named(new QTableWidget(0, 8, this), QStringLiteral("gridAlarmHist"));
    gridAlarmHist->setHorizontalHeaderLabels(
        {QStringLiteral("Дата"), QStringLiteral("Время"), QStringLiteral("№"),
         QStringLiteral("Прибор"), QStringLiteral("Тревога"), QStringLiteral("Событие"),
         QStringLiteral("Значение"), QStringLiteral("Граница")});
    gridAlarmHist->setEditTriggers(QAbstractItemView::NoEditTriggers);
    gridAlarmHist->setSelectionBehavior(QAbstractItemView::SelectRows);
    gridAlarmHist->verticalHeader()->hide();
    gridAlarmHist->horizontalHeader()->setStretchLastSection(true);

    connect(btnAlarmHistShow, &QPushButton::clicked, this, [this] {
        m_lastHours = 0;
        showRange(ToWallSeconds(dtAlarmFrom->dateTime()), ToWallSeconds(dtAlarmTo->dateTime()));
    });
    connect(btnAlarmHistDay, &QPushButton::clicked, this, [this] { showLastHours(24); });
    connect(btnAlarmHistWeek, &QPushButton::clicked, this, [this] { showLastHours(168); });
    connect(btnAlarmHistCsv, &QPushButton::clicked, this, &AlarmHistoryPanel::exportCsv);

    // Two rows of controls, so that the page is no wider than the window's other pages.
    auto *layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("с"), this), 0, 0);
    layout->addWidget(dtAlarmFrom, 0, 1);
    layout->addWidget(new QLabel(QStringLiteral("по"), this), 0, 2);
    layout->addWidget(dtAlarmTo, 0, 3);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btnAlarmHistShow);
    buttons->addWidget(btnAlarmHistDay);
    buttons->addWidget(btnAlarmHistWeek);
    buttons->addStretch();
    buttons->addWidget(btnAlarmHistCsv);
    layout->addLayout(buttons, 1, 0, 1, 5);
    layout->setColumnStretch(4, 1);
    layout->addWidget(gridAlarmHist, 2, 0, 1, 5);
    layout->addWidget(stAlarmHist, 3, 0, 1, 5);

    const QDateTime now = FromWallSeconds(ToWallSeconds(Clock::now()));
    dtAlarmTo->setDateTime(now);
    dtAlarmFrom->setDateTime(now.addDays(-1));
}

void AlarmHistoryPanel::showEvent(QShowEvent *event)
{
    QGroupBox::showEvent(event);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    showLastHours(24);
}

void AlarmHistoryPanel::recordAdded()
{
    if (m_shownOnce && m_lastHours > 0)
        showLastHours(m_lastHours);
}

void AlarmHistoryPanel::showLastHours(int hours)
{
    m_lastHours = hours;
    const QDateTime now = FromWallSeconds(ToWallSeconds(Clock::now()));
    dtAlarmTo->setDateTime(now);
    dtAlarmFrom->setDateTime(now.addSecs(-qint64(hours) * 3600));
    showRange(ToWallSeconds(dtAlarmFrom->dateTime()), ToWallSeconds(dtAlarmTo->dateTime()));
}

void AlarmHistoryPanel::showRange(WallSeconds from, WallSeconds to)
{
    QVector<AlarmHistoryRecord> records;
    QString error;
    const bool read = ReadAlarmHistory(m_station.settings.PathArh, from, to, &records, &error);
    gridAlarmHist->setRowCount(static_cast<int>(records.size()));
    for (int row = 0; row < records.size(); ++row) {
        const AlarmHistoryRecord &r = records.at(row);
        const QString cells[] = {r.date,
                                 r.time,
                                 QString::number(r.device),
                                 r.name,
                                 AlarmKindWordText(r.kind),
                                 AlarmChangeWordText(r.state),
                                 NumberCell(r.kind, r.value),
                                 NumberCell(r.kind, r.limit)};
        for (int column = 0; column < 8; ++column)
            gridAlarmHist->setItem(row, column, new QTableWidgetItem(cells[column]));
    }
    gridAlarmHist->resizeColumnsToContents();
    gridAlarmHist->scrollToBottom();
    if (!read) {
        stAlarmHist->setText(error);
        ShowError(error);
        return;
    }
    stAlarmHist->setText(QStringLiteral("%1 зап.").arg(records.size()));
}

void AlarmHistoryPanel::exportCsv()
{
    const WallSeconds from = ToWallSeconds(dtAlarmFrom->dateTime());
    const WallSeconds to = ToWallSeconds(dtAlarmTo->dateTime());
    const QString format = QStringLiteral("yyyy-MM-dd HH-mm");
    const QString name =
        QStringLiteral("Тревоги %1 - %2.csv")
            .arg(FromWallSeconds(from).toString(format), FromWallSeconds(to).toString(format));
    const QString file = FileDialogs::saveFileName(
        this, QStringLiteral("Экспорт в CSV"), QStringLiteral("Файлы CSV (*.csv)"),
        QStringLiteral("csv"), FileInFolder(m_station.settings.PathArh, name));
    if (file.isEmpty())
        return;
    QString error;
    const qint64 written =
        ExportAlarmHistoryCsv(m_station.settings.PathArh, from, to, file, &error);
    if (written < 0)
        ShowError(error);
    else
        stAlarmHist->setText(
            QStringLiteral("Записано %1 зап. в %2").arg(written).arg(QFileInfo(file).fileName()));
}

} // namespace zeltar
