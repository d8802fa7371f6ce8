#include "ui/history_panel.h"

#include "acquisition/archive_keeper.h"
#include "acquisition/archive_names.h"
#include "acquisition/station.h"
#include "core/clock.h"
#include "core/message_service.h"
#include "history/csv_export.h"
#include "history/history_series.h"
#include "ui/archive_cell_delegate.h"
#include "ui/file_dialogs.h"
#include "ui/range_chart_widget.h"
#include "ui/range_table_model.h"
#include "ui/report_preview.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace zeltar {

namespace {

const QString MomentFormat = QStringLiteral("dd.MM.yyyy HH:mm:ss");
const QString PeriodFormat = QStringLiteral("dd.MM.yyyy HH:mm");
constexpr int PathRole = Qt::UserRole;

template <typename T> T *named(T *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

// Lets timers (polling among them) run while a long read goes on; the operator's input
// waits until it is done.
void ServeTimers()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

QString RecordsText(qint64 count)
{
    return QStringLiteral("%1 зап.").arg(count);
}

QString RangeRecordsText(const HistoryRange &range)
{
    QString text = RecordsText(range.records);
    if (range.unreadable > 0) {
        text +=
            QStringLiteral(", %1 с нечитаемой датой или временем не показаны (%2)")
                .arg(RecordsText(range.unreadable), QFileInfo(range.unreadableTable).fileName());
    }
    return text;
}

// A moment whole seconds, as the fields show it.
QDateTime WholeSeconds(const QDateTime &moment)
{
    return FromWallSeconds(ToWallSeconds(moment));
}

// "07:00:03 – 07:59:58", the earliest and latest record, with the dates when they lie on
// different days.
QString SpanText(const ArchiveTableEntry &table)
{
    if (!table.earliest || !table.latest)
        return QString();
    const QDateTime first = FromWallSeconds(*table.earliest);
    const QDateTime last = FromWallSeconds(*table.latest);
    const QString format = first.date() == last.date() ? QStringLiteral("HH:mm:ss") : MomentFormat;
    return first.toString(format) + QStringLiteral(" – ") + last.toString(format);
}

} // namespace

HistoryPanel::HistoryPanel(Station &station, QWidget *parent) : QWidget(parent), m_station(station)
{
    setObjectName(QStringLiteral("tsHistory"));
    auto *splitter = new QSplitter(Qt::Horizontal, this);
    QWidget *choice = createChoicePanel();
    QWidget *shown = createShowPanel();
    // The actions on what is on show sit under the choices, so the page stays narrow.
    auto *actions = new QGridLayout;
    actions->addWidget(btnHistReset, 0, 0);
    actions->addWidget(btnHistPicture, 0, 1);
    actions->addWidget(btnHistCsv, 1, 0);
    actions->addWidget(btnHistCsvMachine, 1, 1);
    actions->addWidget(btnHistReport, 2, 0, 1, 2);
    static_cast<QVBoxLayout *>(choice->layout())->addLayout(actions);
    splitter->addWidget(choice);
    splitter->addWidget(shown);
    // The choices take what they need; the chart and the grid have the rest.
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({choice->minimumSizeHint().width(), 10000});
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(splitter);
    // Tables made while the page is open (a new period, a download, another poller) join
    // the list; a moment's quiet first, as a rollover makes a table for every device.
    m_folderWatch = new QFileSystemWatcher(this);
    auto *settle = new QTimer(this);
    settle->setSingleShot(true);
    settle->setInterval(300);
    connect(m_folderWatch, &QFileSystemWatcher::directoryChanged, settle,
            qOverload<>(&QTimer::start));
    connect(settle, &QTimer::timeout, this, &HistoryPanel::archivesChanged);
    setDevice(0);
}

QWidget *HistoryPanel::createChoicePanel()
{
    auto *panel = new QWidget(this);
    cbHistArchive = named(new QComboBox(panel), "cbHistArchive");
    cbHistArchive->setToolTip(QStringLiteral("Архивы прибора или архивы под прежним именем"));
    connect(cbHistArchive, qOverload<int>(&QComboBox::activated), this, [this] {
        fillPeriods();
        offerLastDay();
    });

    lvHistPeriods = named(new QTreeWidget(panel), "lvHistPeriods");
    lvHistPeriods->setToolTip(QStringLiteral("Периоды архива"));
    lvHistPeriods->setHeaderLabels(
        {QStringLiteral("Начало периода"), QStringLiteral("Записей"), QStringLiteral("Время")});
    lvHistPeriods->setRootIsDecorated(false);
    lvHistPeriods->setUniformRowHeights(true);
    // The titles stay whole in the panel's width; a long span is cut short (its tooltip and a
    // wider panel show it).
    lvHistPeriods->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    lvHistPeriods->header()->setStretchLastSection(false);
    lvHistPeriods->header()->setSectionResizeMode(2, QHeaderView::Stretch);
    connect(lvHistPeriods, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem *item) { periodChosen(item); });
    connect(lvHistPeriods, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem *item) { periodChosen(item); });

    dtHistFrom = named(new QDateTimeEdit(panel), "dtHistFrom");
    dtHistTo = named(new QDateTimeEdit(panel), "dtHistTo");
    for (QDateTimeEdit *edit : {dtHistFrom, dtHistTo}) {
        edit->setDisplayFormat(MomentFormat);
        edit->setCalendarPopup(true);
    }
    btnHistShow = named(new QPushButton(QStringLiteral("Показать"), panel), "btnHistShow");
    btnHistShow->setToolTip(QStringLiteral("Показать записи за время с ... по ..."));
    connect(btnHistShow, &QPushButton::clicked, this, [this] {
        showRange(ToWallSeconds(dtHistFrom->dateTime()), ToWallSeconds(dtHistTo->dateTime()));
    });
    btnHistHour = named(new QPushButton(QStringLiteral("Последний час"), panel), "btnHistHour");
    btnHist8Hours = named(new QPushButton(QStringLiteral("8 часов"), panel), "btnHist8Hours");
    btnHistDay = named(new QPushButton(QStringLiteral("Сутки"), panel), "btnHistDay");
    btnHistWeek = named(new QPushButton(QStringLiteral("Неделя"), panel), "btnHistWeek");
    const std::pair<QPushButton *, int> quick[] = {
        {btnHistHour, 1}, {btnHist8Hours, 8}, {btnHistDay, 24}, {btnHistWeek, 168}};
    for (const auto &[button, hours] : quick) {
        const int shown = hours;
        connect(button, &QPushButton::clicked, this, [this, shown] { showLastHours(shown); });
    }
    btnHistOpen =
        named(new QPushButton(QStringLiteral("Открыть таблицу..."), panel), "btnHistOpen");
    btnHistOpen->setToolTip(QStringLiteral("Открыть сохраненный архив прибора (.dbf)"));
    connect(btnHistOpen, &QPushButton::clicked, this, &HistoryPanel::openTableFile);

    auto *range = new QGridLayout;
    range->addWidget(new QLabel(QStringLiteral("с"), panel), 0, 0);
    range->addWidget(dtHistFrom, 0, 1, 1, 2);
    range->addWidget(new QLabel(QStringLiteral("по"), panel), 1, 0);
    range->addWidget(dtHistTo, 1, 1, 1, 2);
    range->addWidget(btnHistShow, 2, 1, 1, 2);
    range->addWidget(btnHistHour, 3, 1);
    range->addWidget(btnHist8Hours, 3, 2);
    range->addWidget(btnHistDay, 4, 1);
    range->addWidget(btnHistWeek, 4, 2);

    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Архив:"), panel));
    layout->addWidget(cbHistArchive);
    layout->addWidget(lvHistPeriods, 1);
    layout->addWidget(new QLabel(QStringLiteral("Записи за время:"), panel));
    layout->addLayout(range);
    layout->addWidget(btnHistOpen);
    return panel;
}

QWidget *HistoryPanel::createShowPanel()
{
    auto *panel = new QWidget(this);
    stHistShown = named(new QLabel(panel), "stHistShown");
    QFont bold = stHistShown->font();
    bold.setBold(true);
    stHistShown->setFont(bold);
    // A long text wraps rather than widening the page, which would narrow the device tree.
    stHistShown->setWordWrap(true);

    chartHist = named(new RangeChartWidget(panel), "chartHist");
    chartHist->setToolTip(
        QStringLiteral("Колесо мыши - масштаб, левая кнопка - выделить область, правая - сдвиг, "
                       "двойной щелчок - весь график"));
    stHistCursor = named(new QLabel(panel), "stHistCursor");
    stHistCursor->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    stHistCursor->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    connect(chartHist, &RangeChartWidget::readoutChanged, stHistCursor, &QLabel::setText);

    HistView = new RangeTableModel(this);
    HistView->setObjectName(QStringLiteral("HistView"));
    gridHist = named(new QTableView(panel), "gridHist");
    gridHist->setModel(HistView);
    gridHist->setItemDelegate(new ArchiveCellDelegate(gridHist));
    gridHist->setEditTriggers(QAbstractItemView::NoEditTriggers);
    gridHist->setSelectionBehavior(QAbstractItemView::SelectRows);
    gridHist->verticalHeader()->hide();
    gridHist->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    gridHist->verticalHeader()->setDefaultSectionSize(gridHist->fontMetrics().height() + 4);
    gridHist->horizontalHeader()->setStretchLastSection(true);
    // Each column as wide as its title or its widest value: titles whole, no room wasted.
    const QFontMetrics metrics = gridHist->fontMetrics();
    const int padding = 2 * gridHist->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 8;
    const QString samples[] = {QStringLiteral("00.00.0000"), QStringLiteral("00:00:00"),
                               QStringLiteral("Нет связи")};
    for (int c = 0; c < HistView->columnCount(); ++c) {
        const QString title = HistView->headerData(c, Qt::Horizontal).toString();
        const QString sample = c < 3 ? samples[c] : QString();
        gridHist->setColumnWidth(
            c, qMax(metrics.horizontalAdvance(title), metrics.horizontalAdvance(sample)) + padding);
    }

    btnHistReset = named(new QPushButton(QStringLiteral("Весь график"), panel), "btnHistReset");
    btnHistReset->setToolTip(QStringLiteral("Сбросить масштаб графика"));
    connect(btnHistReset, &QPushButton::clicked, chartHist, &RangeChartWidget::resetView);
    btnHistCsv = named(new QPushButton(QStringLiteral("Экспорт в CSV"), panel), "btnHistCsv");
    btnHistCsv->setToolTip(QStringLiteral("Сохранить записи для электронной таблицы (;)"));
    connect(btnHistCsv, &QPushButton::clicked, this, [this] { exportCsv(false); });
    btnHistCsvMachine =
        named(new QPushButton(QStringLiteral("CSV для программ"), panel), "btnHistCsvMachine");
    btnHistCsvMachine->setToolTip(QStringLiteral("Сохранить записи в формате RFC 4180 (,)"));
    connect(btnHistCsvMachine, &QPushButton::clicked, this, [this] { exportCsv(true); });
    btnHistPicture =
        named(new QPushButton(QStringLiteral("Сохранить график"), panel), "btnHistPicture");
    btnHistPicture->setToolTip(QStringLiteral("Сохранить график рисунком PNG или SVG"));
    connect(btnHistPicture, &QPushButton::clicked, this, &HistoryPanel::savePicture);
    btnHistReport = named(new QPushButton(QStringLiteral("Отчёт…"), panel), "btnHistReport");
    btnHistReport->setToolTip(
        QStringLiteral("Отчёт за время на графике: просмотр, печать, сохранение в PDF"));
    connect(btnHistReport, &QPushButton::clicked, this, &HistoryPanel::makeReport);

    auto *views = new QSplitter(Qt::Vertical, panel);
    views->addWidget(chartHist);
    views->addWidget(gridHist);
    views->setStretchFactor(0, 3);
    views->setStretchFactor(1, 2);

    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(stHistShown);
    layout->addWidget(views, 1);
    layout->addWidget(stHistCursor);
    return panel;
}

void HistoryPanel::setDevice(int n)
{
    m_device = n;
    showRecords(HistoryRange(), QString());
    const QDateTime now = WholeSeconds(Clock::now());
    dtHistTo->setDateTime(now);
    dtHistFrom->setDateTime(now.addDays(-1));
    m_offeredTo = dtHistTo->dateTime();
    m_offeredFrom = dtHistFrom->dateTime();
    m_stale = true;
    if (isVisible())
        refreshList();
}

void HistoryPanel::archivesChanged()
{
    m_stale = true;
    if (isVisible())
        refreshList();
}

void HistoryPanel::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_stale)
        refreshList();
}

void HistoryPanel::refreshList()
{
    m_stale = false;
    m_index.setFolder(m_station.settings.PathArh);
    m_index.refresh(ServeTimers);
    const QString folder = QFileInfo(m_station.settings.PathArh).absoluteFilePath();
    if (m_folderWatch->directories() != QStringList{folder}) {
        if (!m_folderWatch->directories().isEmpty())
            m_folderWatch->removePaths(m_folderWatch->directories());
        if (QFileInfo(folder).isDir())
            m_folderWatch->addPath(folder);
    }

    // The device's own tables first, then those of names no configured device has.
    QStringList configured;
    for (int n = 1; n <= m_station.settings.CountUstr; ++n)
        configured.append(DeviceNamePart(m_station.table.device(n).PribName));
    const QString own = m_device > 0 && m_device <= m_station.settings.CountUstr
                            ? configured.at(m_device - 1)
                            : QString();
    const QString chosen = chosenNamePart();
    const QSignalBlocker blocker(cbHistArchive);
    cbHistArchive->clear();
    if (!own.isEmpty())
        cbHistArchive->addItem(own, own);
    // A configured device's tables may carry its name shortened to fit a file name.
    QStringList claimed = configured;
    for (const QString &part : configured) {
        for (const ArchiveTableEntry &table : m_index.tablesOf(part))
            claimed.append(table.namePart);
    }
    for (const QString &part : m_index.nameParts()) {
        if (!claimed.contains(part))
            cbHistArchive->addItem(part + QStringLiteral(" (нет в конфигурации)"), part);
    }
    cbHistArchive->setCurrentIndex(qMax(0, cbHistArchive->findData(chosen)));
    fillPeriods();
    offerLastDay();
}

void HistoryPanel::offerLastDay()
{
    // Once the operator has set the fields (or a range was shown) they stay as they are.
    if (dtHistTo->dateTime() != m_offeredTo || dtHistFrom->dateTime() != m_offeredFrom)
        return;
    std::optional<WallSeconds> last;
    for (const ArchiveTableEntry &table : m_index.tablesOf(chosenNamePart())) {
        if (table.latest)
            last = qMax(*table.latest, last.value_or(*table.latest));
    }
    const QDateTime to = last ? FromWallSeconds(*last) : WholeSeconds(Clock::now());
    dtHistTo->setDateTime(to);
    dtHistFrom->setDateTime(to.addDays(-1));
    m_offeredTo = dtHistTo->dateTime();
    m_offeredFrom = dtHistFrom->dateTime();
}

QString HistoryPanel::chosenNamePart() const
{
    return cbHistArchive->currentData().toString();
}

void HistoryPanel::fillPeriods()
{
    const QString selected = lvHistPeriods->currentItem()
                                 ? lvHistPeriods->currentItem()->data(0, PathRole).toString()
                                 : QString();
    lvHistPeriods->clear();
    const QString part = chosenNamePart();
    if (part.isEmpty())
        return;
    const bool own = cbHistArchive->currentIndex() == 0 && m_device > 0;
    const QString current =
        own ? QFileInfo(ArchiveKeeper(m_station).CurrentTableName(m_device)).fileName() : QString();
    if (own) {
        auto *item = new QTreeWidgetItem(lvHistPeriods, {QStringLiteral("Текущий период")});
        item->setData(0, PathRole, QString());
    }
    QVector<ArchiveTableEntry> tables = m_index.tablesOf(part);
    std::reverse(tables.begin(), tables.end()); // the newest first
    for (const ArchiveTableEntry &table : tables) {
        if (table.fileName == current)
            continue;
        auto *item =
            new QTreeWidgetItem(lvHistPeriods, {table.periodStart.toString(PeriodFormat),
                                                QString::number(table.records), SpanText(table)});
        item->setData(0, PathRole, table.path);
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setToolTip(0, table.fileName);
        item->setToolTip(2, SpanText(table));
        if (table.path == selected && !selected.isEmpty())
            lvHistPeriods->setCurrentItem(item);
    }
}

void HistoryPanel::periodChosen(QTreeWidgetItem *item)
{
    if (item == nullptr || m_loading)
        return;
    const QString path = item->data(0, PathRole).toString();
    if (path.isEmpty()) {
        showRecords(HistoryRange(), QString());
        emit liveViewRequested();
        return;
    }
    showTable(path);
}

void HistoryPanel::showTable(const QString &path)
{
    const HistoryRange range = WholeTable(path);
    const std::optional<ArchiveTableName> name = ParseArchiveTableName(QFileInfo(path).fileName());
    const QString what =
        name ? QStringLiteral("Период с %1").arg(name->periodStart.toString(PeriodFormat))
             : QFileInfo(path).fileName();
    showRecords(range, what);
    const QVector<ArchiveTableEntry> listed = m_index.tablesOf(chosenNamePart());
    const bool ofChosen =
        std::any_of(listed.cbegin(), listed.cend(),
                    [&](const ArchiveTableEntry &table) { return table.path == path; });
    m_shownName = ofChosen ? chosenDeviceName() : QFileInfo(path).completeBaseName();
}

void HistoryPanel::showRange(WallSeconds from, WallSeconds to)
{
    if (from > to)
        std::swap(from, to);
    dtHistFrom->setDateTime(FromWallSeconds(from));
    dtHistTo->setDateTime(FromWallSeconds(to));
    m_index.setFolder(m_station.settings.PathArh);
    m_index.refresh(ServeTimers); // the current table grows while polling runs
    showRecords(RangeOfTables(m_index.tablesOf(chosenNamePart()), from, to),
                QStringLiteral("С %1 по %2").arg(WallText(from), WallText(to)));
    m_shownName = chosenDeviceName();
    m_askedRange = std::make_pair(from, to);
}

void HistoryPanel::showLastHours(int hours)
{
    const WallSeconds now = ToWallSeconds(Clock::now());
    showRange(now - hours * 3600, now);
}

void HistoryPanel::showRecords(const HistoryRange &range, const QString &what)
{
    // Reading a long range takes a moment; polling goes on meanwhile, the panel waits.
    m_loading = true;
    setEnabled(false);
    HistorySeries series;
    QString error;
    if (!LoadSeries(range, &series, &error, ServeTimers))
        ShowError(error);
    chartHist->setSeries(std::move(series));
    HistView->setRange(range);
    stHistShown->setText(what.isEmpty() ? QStringLiteral("Выберите период или время")
                                        : what + QStringLiteral(": ") + RangeRecordsText(range));
    m_shownName.clear();
    m_askedRange.reset();
    stHistCursor->clear();
    const bool any = range.records > 0;
    for (QPushButton *button :
         {btnHistReset, btnHistCsv, btnHistCsvMachine, btnHistPicture, btnHistReport})
        button->setEnabled(any);
    setEnabled(true);
    m_loading = false;
}

const HistoryRange &HistoryPanel::shownRange() const
{
    return HistView->range();
}

QString HistoryPanel::shownText() const
{
    return stHistShown->text();
}

QString HistoryPanel::chosenDeviceName() const
{
    // The device's own name: its tables' names may hold it shortened, with "_" for "/".
    const bool own = cbHistArchive->currentIndex() == 0 && m_device > 0 &&
                     m_device <= m_station.settings.CountUstr;
    return own ? m_station.table.device(m_device).PribName : chosenNamePart();
}

QString HistoryPanel::shownTitle() const
{
    const auto [from, to] = chartHist->shownMoments();
    return QStringLiteral("%1: %2 – %3").arg(m_shownName, WallText(from), WallText(to));
}

QString HistoryPanel::suggestedFile(const QString &suffix) const
{
    const auto [from, to] = chartHist->shownMoments();
    const QString format = QStringLiteral("dd.MM.yyyy HH.mm");
    const QString name = QStringLiteral("%1 %2 - %3.%4")
                             .arg(m_shownName, FromWallSeconds(from).toString(format),
                                  FromWallSeconds(to).toString(format), suffix);
    return FileInFolder(m_station.settings.PathArh,
                        ShortenedName(SafeFileName(name), MaxTableNameBytes));
}

void HistoryPanel::exportCsv(bool machine)
{
    const QString file = FileDialogs::saveFileName(
        this, QStringLiteral("Экспорт в CSV"), QStringLiteral("Файлы CSV (*.csv)"),
        QStringLiteral("csv"), suggestedFile(QStringLiteral("csv")));
    if (file.isEmpty())
        return;
    QString error;
    const HistoryRange range = rangeOnShow(&error);
    const qint64 written =
        error.isEmpty()
            ? ExportCsvFile(range, machine ? CsvForm::Machine : CsvForm::Spreadsheet, file, &error)
            : -1;
    if (written < 0)
        ShowError(error);
    else
        stHistCursor->setText(QStringLiteral("Записано %1 в %2")
                                  .arg(RecordsText(written), QFileInfo(file).fileName()));
}

HistoryRange HistoryPanel::rangeOnShow(QString *error) const
{
    if (!chartHist->isZoomed())
        return shownRange();
    const auto [from, to] = chartHist->shownMoments();
    return WithinMoments(shownRange(), from, to, error);
}

void HistoryPanel::makeReport()
{
    ReportSource source;
    source.deviceName = m_shownName;
    // The alarms are the device's own; a table opened from a file has none.
    const bool own = cbHistArchive->currentIndex() == 0 && m_device > 0 &&
                     m_device <= m_station.settings.CountUstr && m_shownName == chosenDeviceName();
    source.device = own ? m_device : 0;
    source.stationDir = m_station.ProgDir();
    source.archiveDir = m_station.settings.PathArh;
    std::tie(source.from, source.to) =
        m_askedRange && !chartHist->isZoomed() ? *m_askedRange : chartHist->shownMoments();
    QString error;
    source.range = rangeOnShow(&error);
    ReportData data;
    if (!error.isEmpty() || !LoadReportData(source, Clock::now(), &data, &error)) {
        ShowError(error);
        return;
    }
    OpenReportPreview(this, std::move(data));
}

void HistoryPanel::savePicture()
{
    const QString file =
        FileDialogs::saveFileName(this, QStringLiteral("Сохранить график"),
                                  QStringLiteral("Рисунок PNG (*.png);;Рисунок SVG (*.svg)"),
                                  QStringLiteral("png"), suggestedFile(QStringLiteral("png")));
    if (file.isEmpty())
        return;
    QString error;
    if (!chartHist->savePicture(file, shownTitle(), &error))
        ShowError(error);
}

void HistoryPanel::openTableFile()
{
    const QString file = FileDialogs::openFileName(this, QStringLiteral("Открыть архив прибора"),
                                                   QStringLiteral("Таблицы архива (*.dbf)"),
                                                   m_station.settings.PathArh);
    if (file.isEmpty())
        return;
    TableRecords records;
    if (!records.open(file)) {
        ShowError(records.errorString());
        return;
    }
    showTable(file);
}

} // namespace zeltar
