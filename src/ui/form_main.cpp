#include "ui/form_main.h"

#include "acquisition/archive_download.h"
#include "acquisition/archive_keeper.h"
#include "acquisition/archive_template.h"
#include "acquisition/polling_cycle.h"
#include "acquisition/station.h"
#include "alarms/alarm_monitor.h"
#include "config/device_list.h"
#include "core/message_service.h"
#include "link/serial_session.h"
#include "ui/alarms_panel.h"
#include "ui/archive_download_flow.h"
#include "ui/archive_grid.h"
#include "ui/archive_table_model.h"
#include "ui/chart_fill.h"
#include "ui/chart_page.h"
#include "ui/chart_widget.h"
#include "ui/current_view.h"
#include "ui/file_dialogs.h"
#include "ui/form_about.h"
#include "ui/form_nastr_ware.h"
#include "ui/history_panel.h"
#include "ui/maker.h"
#include "ui/station_icons.h"
#include "ui/window_helpers.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <QUrlQuery>
#include <QVBoxLayout>

namespace zeltar {

namespace {

const QString WindowCaption = QStringLiteral("Система сбора данных с приборов ЗЕЛТАР v2.33");

QLabel *sunkenText(const char *name, QWidget *parent)
{
    auto *label = named(new QLabel(parent), name);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setAutoFillBackground(true);
    label->setMinimumWidth(90);
    return label;
}

// Button face, or red for a field that a rule marks.
void setMarked(QLabel *label, bool red)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window,
                     red ? QColor(Qt::red) : QApplication::palette().color(QPalette::Button));
    label->setPalette(palette);
}

QGroupBox *boldGroup(const QString &caption, QWidget *parent)
{
    auto *group = new QGroupBox(caption, parent);
    QFont font = group->font();
    font.setBold(true);
    group->setFont(font);
    return group;
}

// Group children keep the normal weight; only the caption is bold.
void plainFont(QWidget *widget)
{
    QFont font = widget->font();
    font.setBold(false);
    widget->setFont(font);
}

} // namespace

FormMain::FormMain(Station &station, QWidget *parent)
    : QMainWindow(parent), m_station(station), m_cycle(new PollingCycle(station, this)),
      m_alarms(new AlarmMonitor(station, this))
{
    setObjectName(QStringLiteral("formMain"));
    setWindowTitle(WindowCaption);
    resize(750, 551);
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    createToolbar();
    splitter = named(new QSplitter(Qt::Horizontal, this), "splitter");
    splitter->addWidget(createTreePanel());
    createPages();
    splitter->addWidget(PageControl1);
    // The tree keeps its width however the window is resized; the pages take the rest.
    splitter->setStretchFactor(0, 0);
    splitter->setStretchFactor(1, 1);
    splitter->setCollapsible(0, false);
    splitter->setSizes({185, 565});
    setCentralWidget(splitter);

    sbMain = named(new QStatusBar(this), "sbMain");
    setStatusBar(sbMain);
    stAlarmCount = named(new QLabel(sbMain), "stAlarmCount");
    QPalette alarmColours = stAlarmCount->palette();
    alarmColours.setColor(QPalette::WindowText, Qt::red);
    stAlarmCount->setPalette(alarmColours);
    QFont alarmFont = stAlarmCount->font();
    alarmFont.setBold(true);
    stAlarmCount->setFont(alarmFont);
    sbMain->addPermanentWidget(stAlarmCount);
    stAlarmCount->hide();
    // Acknowledging by key works on every page.
    addActions({tsAlarms->actAlarmAck, tsAlarms->actAlarmAckAll});
    connect(tsAlarms, &AlarmsPanel::alarmsChanged, this, &FormMain::markAlarms);

    timerIcon = named(new QTimer(this), "timerIcon");
    timerIcon->setInterval(400);
    connect(timerIcon, &QTimer::timeout, this, &FormMain::timerIconTimer);

    connectPolling();

    // The archive download holds the buttons that would start another exchange.
    m_download = new ArchiveDownloadFlow(m_station, this, sbMain);
    connect(m_download, &ArchiveDownloadFlow::started, this, [this] { holdExchangeButtons(true); });
    connect(m_download, &ArchiveDownloadFlow::ended, this, [this] { holdExchangeButtons(false); });
    connect(m_download, &ArchiveDownloadFlow::fileChosen, this, &FormMain::showDownloadedArchive);

    // Status-bar hints: the hint of the control under the pointer, cleared elsewhere.
    auto *hints = new StatusHints(sbMain, false, this);
    hints->hint({twData, stCurrentUstr, memoProgMes, btnStart, btnStop, btnNastrWare,
                 SpeedBtn_About, SpeedBtn_WWW, SpeedBtn_Mail, btnExit, btnReadArh, btnClearJournal,
                 tsGraf->editGrafMin, tsGraf->editGrafMax, tsGraf->editGrafN});
    hints->clear({Panel1, sbMain, tsCurrentData, PageControl1});
    showJournal();
}

FormMain::~FormMain()
{
    m_cycle->shutdown();
}

void FormMain::createToolbar()
{
    Panel1 = named(new QToolBar(this), "Panel1");
    Panel1->setMovable(false);
    Panel1->setIconSize(QSize(24, 24));
    Panel1->setContextMenuPolicy(Qt::PreventContextMenu);
    addToolBar(Panel1);

    auto button = [this](const char *name, const QString &hint, const QString &icon) {
        auto *b = named(new QToolButton(Panel1), name);
        b->setToolTip(hint);
        b->setIcon(StationIcons::toolbarIcon(icon));
        b->setAutoRaise(true);
        Panel1->addWidget(b);
        return b;
    };
    btnStart = button("btnStart", QStringLiteral("Запустить сбор данных с приборов"),
                      QStringLiteral("start"));
    btnStop = button("btnStop", QStringLiteral("Остановить сбор данных с приборов"),
                     QStringLiteral("stop"));
    btnStart->setCheckable(true);
    btnStop->setCheckable(true);
    btnStop->setChecked(true);
    Panel1->addSeparator();
    btnNastrWare = button("btnNastrWare", QStringLiteral("Настройка параметров сети"),
                          QStringLiteral("settings"));
    btnReadArh = button("btnReadArh", QStringLiteral("Cчитать архив данных прибора"),
                        QStringLiteral("read-archive"));
    Panel1->addSeparator();
    btnClearJournal = button("btnClearJournal", QStringLiteral("Очистить журнал программы"),
                             QStringLiteral("clear-journal"));
    Panel1->addSeparator();
    SpeedBtn_About =
        button("SpeedBtn_About", QStringLiteral("О программе"), QStringLiteral("about"));
    SpeedBtn_WWW = button("SpeedBtn_WWW", QStringLiteral("Перейти на ") + MakerWebAddress,
                          QStringLiteral("web"));
    SpeedBtn_Mail = button("SpeedBtn_Mail", QStringLiteral("Написать письмо ") + MakerMail,
                           QStringLiteral("mail"));
    SpeedBtn_Mail->setText(QStringLiteral("Написать письмо"));
    SpeedBtn_Mail->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    Panel1->addSeparator();
    btnExit = button("btnExit", QStringLiteral("Выйти из программы"), QStringLiteral("exit"));

    // Start and stop are one group: pressing one releases the other.
    connect(btnStart, &QToolButton::clicked, this, [this] {
        btnStart->setChecked(true);
        btnStop->setChecked(false);
        m_cycle->btnStartClick();
    });
    connect(btnStop, &QToolButton::clicked, this, [this] {
        btnStop->setChecked(true);
        btnStart->setChecked(false);
        m_cycle->btnStopClick();
    });
    connect(btnNastrWare, &QToolButton::clicked, this, &FormMain::btnNastrWareClick);
    connect(btnReadArh, &QToolButton::clicked, this, &FormMain::btnReadArhClick);
    connect(btnClearJournal, &QToolButton::clicked, this, &FormMain::btnClearJournalClick);
    connect(SpeedBtn_About, &QToolButton::clicked, this, &FormMain::SpeedBtn_AboutClick);
    connect(SpeedBtn_WWW, &QToolButton::clicked, this, &FormMain::SpeedBtn_WWWClick);
    connect(SpeedBtn_Mail, &QToolButton::clicked, this, &FormMain::SpeedBtn_MailClick);
    connect(btnExit, &QToolButton::clicked, this, &QWidget::close);
}

QWidget *FormMain::createTreePanel()
{
    auto *panel = new QWidget(this);
    panel->setMinimumWidth(120);
    twData = named(new QTreeWidget(panel), "twData");
    twData->setToolTip(QStringLiteral("Сеть"));
    twData->setHeaderHidden(true);
    twData->setRootIsDecorated(false);
    twData->setEditTriggers(QAbstractItemView::NoEditTriggers);
    twData->setIconSize(QSize(16, 16));
    connect(twData, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *item) { twDataChanging(item); });
    // A click on the node already selected ends a downloaded archive's view too.
    connect(twData, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) {
        if (ArhPribView)
            twDataChanging(item);
    });

    stCurrentUstr = named(new QLabel(panel), "stCurrentUstr");
    stCurrentUstr->setToolTip(QStringLiteral("Текущее устройство"));
    stCurrentUstr->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    QFont bold = stCurrentUstr->font();
    bold.setBold(true);
    stCurrentUstr->setFont(bold);
    stCurrentUstr->setMinimumHeight(22);

    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(twData, 1);
    layout->addWidget(stCurrentUstr);
    return panel;
}

void FormMain::createPages()
{
    PageControl1 = named(new QTabWidget(this), "PageControl1");
    PageControl1->setUsesScrollButtons(false);

    tsProgJournal = named(new QWidget(PageControl1), "tsProgJournal");
    memoProgMes = named(new QPlainTextEdit(tsProgJournal), "memoProgMes");
    memoProgMes->setReadOnly(true);
    memoProgMes->setToolTip(QStringLiteral("Журнал событий программы"));
    memoProgMes->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memoProgMes->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto *journalLayout = new QVBoxLayout(tsProgJournal);
    journalLayout->setContentsMargins(2, 2, 2, 2);
    journalLayout->addWidget(memoProgMes);

    tsCurrentData = createCurrentPage();
    tsArh = createTablePage();
    tsGraf = new ChartPage(m_station.state, PageControl1);

    PageControl1->addTab(tsProgJournal, QStringLiteral("Журнал программы"));
    PageControl1->addTab(tsCurrentData, QStringLiteral("Текущие значения прибора"));
    PageControl1->addTab(tsArh, QStringLiteral("Таблица значений"));
    PageControl1->addTab(tsGraf, QStringLiteral("График"));
    tsHistory = new HistoryPanel(m_station, PageControl1);
    PageControl1->addTab(tsHistory, QStringLiteral("История"));
    tsAlarms = new AlarmsPanel(*m_alarms, m_station, PageControl1);
    PageControl1->addTab(tsAlarms, QStringLiteral("Тревоги"));
    connect(tsHistory, &HistoryPanel::liveViewRequested, this,
            [this] { PageControl1->setCurrentWidget(tsArh); });
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        PageControl1Changing(index);
        PageControl1Change(index);
    });

    auto updateJournal = [this] {
        memoProgMes->setPlainText(m_station.journal.lines().join(QLatin1Char('\n')));
    };
    connect(&m_station.journal, &Journal::changed, this, updateJournal);
    updateJournal();
}

QWidget *FormMain::createCurrentPage()
{
    auto *page = named(new QWidget(PageControl1), "tsCurrentData");

    QGroupBox *nameGroup = boldGroup(QStringLiteral(" Имя прибора "), page);
    stPribName = sunkenText("stPribName", nameGroup);
    stVkl = sunkenText("stVkl", nameGroup);
    auto *nameLayout = new QVBoxLayout(nameGroup);
    nameLayout->addWidget(stPribName);
    nameLayout->addWidget(stVkl);

    QGroupBox *valueGroup = boldGroup(QStringLiteral(" Значение  "), page);
    stPribZnac = sunkenText("stPribZnac", valueGroup);
    stPribNomReg = sunkenText("stPribNomReg", valueGroup);
    QFont big = stPribZnac->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    auto *valueLayout = new QGridLayout(valueGroup);
    valueLayout->addWidget(new QLabel(QStringLiteral("Измеряемое значение:"), valueGroup), 0, 0);
    valueLayout->addWidget(stPribZnac, 0, 1);
    valueLayout->addWidget(new QLabel(QStringLiteral("Точка регулирования:"), valueGroup), 1, 0);
    valueLayout->addWidget(stPribNomReg, 1, 1);

    QGroupBox *stateGroup = boldGroup(QStringLiteral(" Состояние "), page);
    auto *stateLayout = new QGridLayout(stateGroup);
    stateLayout->addWidget(new QLabel(QStringLiteral("Значение"), stateGroup), 0, 1);
    QLabel **setpoints[] = {&stUst1, &stUst2, &stUst3, &stUst4};
    const char *names[] = {"stUst1", "stUst2", "stUst3", "stUst4"};
    for (int i = 0; i < 4; ++i) {
        *setpoints[i] = sunkenText(names[i], stateGroup);
        stateLayout->addWidget(new QLabel(QStringLiteral("Уставка %1").arg(i + 1), stateGroup),
                               i + 1, 0);
        stateLayout->addWidget(*setpoints[i], i + 1, 1);
    }
    for (QGroupBox *group : {nameGroup, valueGroup, stateGroup})
        for (QWidget *child : group->findChildren<QWidget *>())
            plainFont(child);
    stPribZnac->setFont(big);

    auto *layout = new QVBoxLayout(page);
    layout->addWidget(nameGroup);
    layout->addWidget(valueGroup);
    layout->addWidget(stateGroup);
    layout->addStretch();
    return page;
}

QWidget *FormMain::createTablePage()
{
    auto *page = named(new QWidget(PageControl1), "tsArh");
    cbAutoArhData = named(new QCheckBox(QStringLiteral("Автообновление"), page), "cbAutoArhData");
    cbAutoArhData->setChecked(true);

    TableView = new ArchiveTableModel(this);
    TableView->setObjectName(QStringLiteral("TableView"));
    TableView->setColumns(ArchiveGridColumns());
    DBGridArhDataMod = named(new ArchiveGrid(TableView, page), "DBGridArhDataMod");

    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(cbAutoArhData);
    layout->addWidget(DBGridArhDataMod, 1);
    return page;
}

void FormMain::connectPolling()
{
    connect(m_cycle, &PollingCycle::pollingStarted, this, [this] {
        btnNastrWare->setEnabled(false);
        btnReadArh->setEnabled(false);
        btnStart->setChecked(true);
        btnStop->setChecked(false);
        resetIconAnimation();
        timerIcon->start();
    });
    // The operations come back once the last exchange of polling has ended, not at the
    // click: until then the line is still polling's.
    connect(m_cycle, &PollingCycle::pollingEnded, this, [this] {
        btnNastrWare->setEnabled(true);
        btnReadArh->setEnabled(true);
    });
    connect(m_cycle, &PollingCycle::pollingStopped, this, [this] {
        timerIcon->stop();
        const QIcon calm = StationIcons::animationFrame(1);
        QApplication::setWindowIcon(calm);
        setWindowIcon(calm);
    });
    connect(m_cycle, &PollingCycle::startRefused, this, [this] {
        btnStop->setChecked(true);
        btnStart->setChecked(false);
    });
    connect(m_cycle, &PollingCycle::currentDeviceChanged, stCurrentUstr, &QLabel::setText);
    connect(m_cycle, &PollingCycle::linkImageChanged, this, &FormMain::setLinkImage);
    connect(m_cycle, &PollingCycle::archivesRolledOver, this, [this] {
        if (m_station.state.SelUstr != 0 && !ArhPribView) {
            TableView->closeTable();
            openTableView();
        }
        tsGraf->Chart1->clear();
        tsHistory->archivesChanged();
        RefreshViews();
    });
    // The alarms see the poll first, so the views show its alarms with it.
    connect(m_cycle, &PollingCycle::devicePolled, m_alarms, &AlarmMonitor::devicePolled);
    connect(m_cycle, &PollingCycle::devicePolled, this, [this](int n) {
        if (n == m_station.state.SelUstr)
            RefreshViews();
    });
    connect(m_cycle, &PollingCycle::lineTaken, this,
            [this](const QString &text) { sbMain->showMessage(text); });
    connect(m_cycle, &PollingCycle::tableError, this, [](const QString &text) {
        // Shown after the tick has ended, so the box never holds a tick open.
        QTimer::singleShot(0, [text] { ShowError(text); });
    });
}

bool FormMain::FormShow()
{
    PollingState &state = m_station.state;
    ArhPribView = false;
    state.OprRun = false;
    m_iconFrame = 1;
    state.GrafMax = 500.0;
    state.GrafMin = 0.0;
    state.GrafN = 50;
    state.SelUstr = 0;

    m_station.journal.load(m_station.journalPath());
    m_station.journal.AddProgMes(QStringLiteral("Открытие программы"));

    if (!QFileInfo::exists(m_station.configPath()) &&
        !AskYesNo(QStringLiteral("Не найден файл конфигурации\rСоздать новый файл ?"),
                  MessageIcon::Error))
        return false;
    if (!m_station.loadConfiguration()) {
        ShowError(QStringLiteral("Файл конфигурации не найден"));
        return false;
    }

    loadAlarms();
    RebuildMainTree();

    if (m_station.settings.AutoStart) {
        if (state.CountVkl > 0) {
            btnStart->setChecked(true);
            btnStop->setChecked(false);
            m_cycle->btnStartClick();
            m_station.journal.AddProgMes(
                QStringLiteral("Начат сбор данных с приборов(Автозапуск)"));
        } else {
            m_station.journal.AddProgMes(
                QStringLiteral("Автозапуск запрещен. Нет включенных приборов"));
        }
    }

    twData->setFocus();
    if (QTreeWidgetItem *root = twData->topLevelItem(0))
        twData->setCurrentItem(root);
    m_started = true;
    return true;
}

void FormMain::RebuildMainTree()
{
    DeviceList devices(m_station.ini, m_station.settings, m_station.table);
    const QList<TreeNode> nodes = devices.MainTree(&m_station.state.CountVkl);
    const QSignalBlocker blocker(twData);
    twData->clear();
    for (const TreeNode &node : nodes) {
        auto *item = new QTreeWidgetItem(twData, {node.text});
        item->setIcon(0, StationIcons::treeImage(node.image));
        item->setData(0, Qt::UserRole, node.image);
    }
    twData->setCurrentItem(nullptr);
    markAlarms();
}

void FormMain::loadAlarms()
{
    m_alarms->load();
    tsAlarms->load();
    showAlarmsTab();
}

void FormMain::showAlarmsTab()
{
    // With no alarm configured the window is as it always was: no alarm page.
    PageControl1->setTabVisible(PageControl1->indexOf(tsAlarms), m_alarms->configured());
}

void FormMain::markAlarms()
{
    const int count = m_station.settings.CountUstr;
    for (int n = 1; n <= count && n < twData->topLevelItemCount(); ++n) {
        QTreeWidgetItem *item = twData->topLevelItem(n);
        const bool active = m_alarms->anyActive(n);
        QFont font = twData->font();
        font.setBold(active);
        item->setFont(0, font);
        item->setForeground(0, active ? QBrush(Qt::red) : QBrush());
        item->setToolTip(0, active ? QStringLiteral("Тревога") : QString());
        item->setData(0, AlarmMarkRole, active);
    }
    const int active = tsAlarms->activeCount();
    stAlarmCount->setText(QStringLiteral("Активных тревог: %1").arg(active));
    stAlarmCount->setVisible(active > 0);
}

void FormMain::setLinkImage(int n, int image)
{
    QTreeWidgetItem *item = twData->topLevelItem(n);
    if (item == nullptr || item->data(0, Qt::UserRole).toInt() == image)
        return;
    item->setIcon(0, StationIcons::treeImage(image));
    item->setData(0, Qt::UserRole, image);
}

int FormMain::selectedDevice() const
{
    const int n = m_station.state.SelUstr;
    return n >= 1 && n <= m_station.settings.CountUstr ? n : 0;
}

void FormMain::twDataChanging(QTreeWidgetItem *item)
{
    if (item == nullptr)
        return;
    ArhPribView = false;
    const int n = twData->indexOfTopLevelItem(item);
    m_station.state.SelUstr = n;
    if (n == 0) {
        showJournal();
        return;
    }
    PageControl1->setTabVisible(PageControl1->indexOf(tsCurrentData), true);
    PageControl1->setTabVisible(PageControl1->indexOf(tsArh), true);
    PageControl1->setTabVisible(PageControl1->indexOf(tsGraf), true);
    PageControl1->setTabVisible(PageControl1->indexOf(tsProgJournal), false);
    PageControl1->setTabVisible(PageControl1->indexOf(tsHistory), true);
    showAlarmsTab();
    tsHistory->setDevice(n);
    ShowCurrent(n);
}

void FormMain::showJournal()
{
    PageControl1->setTabVisible(PageControl1->indexOf(tsProgJournal), true);
    PageControl1->setTabVisible(PageControl1->indexOf(tsCurrentData), false);
    PageControl1->setTabVisible(PageControl1->indexOf(tsArh), false);
    PageControl1->setTabVisible(PageControl1->indexOf(tsGraf), false);
    PageControl1->setTabVisible(PageControl1->indexOf(tsHistory), false);
    showAlarmsTab();
}

void FormMain::ShowCurrent(int n)
{
    if (n < 1 || n > m_station.settings.CountUstr)
        return;
    const CurrentView view =
        CurrentViewOf(m_station.table.device(n), m_station.state.device(n), m_station.state.OprRun);
    stPribName->setText(view.stPribName);
    stVkl->setText(view.stVkl);
    stPribZnac->setText(view.stPribZnac);
    stPribNomReg->setText(view.stPribNomReg);
    setMarked(stVkl, view.vklRed);
    setMarked(stPribZnac, view.znacRed);
    QLabel *setpoints[] = {stUst1, stUst2, stUst3, stUst4};
    for (int i = 0; i < 4; ++i) {
        setpoints[i]->setText(view.stUst.at(static_cast<size_t>(i)));
        setMarked(setpoints[i], view.ustRed.at(static_cast<size_t>(i)));
    }
}

void FormMain::PageControl1Changing(int newIndex)
{
    // The page being left is the one shown before this change.
    if (!ArhPribView && PageControl1->widget(m_shownPage) == tsArh && newIndex != m_shownPage)
        TableView->closeTable();
    m_shownPage = newIndex;
}

bool FormMain::openTableView()
{
    const int n = selectedDevice();
    if (n == 0)
        return false;
    const QString name = ArchiveKeeper(m_station).CurrentTableName(n);
    if (!QFileInfo::exists(name))
        return false;
    return TableView->setTable(name);
}

void FormMain::PageControl1Change(int index)
{
    if (ArhPribView)
        return;
    QWidget *page = PageControl1->widget(index);
    if (page == tsArh && m_station.state.SelUstr != 0) {
        cbAutoArhData->setChecked(true);
        TableView->setColumns(ArchiveGridColumns());
        TableView->closeTable();
        const int n = selectedDevice();
        const QString name = n == 0 ? QString() : ArchiveKeeper(m_station).CurrentTableName(n);
        if (n != 0 && QFileInfo::exists(name) && !TableView->setTable(name))
            ShowError(QStringLiteral("Ошибка 389. Обратитесь к разработчику."));
        DBGridArhDataMod->fitColumns();
        return;
    }
    if (page == tsGraf) {
        tsGraf->showSettings();
        if (m_station.state.SelUstr != 0) {
            tsGraf->cbAutoGraf->setChecked(true);
            TableView->closeTable();
            if (openTableView())
                fillChart();
        }
    }
}

void FormMain::fillChart()
{
    tsGraf->fill(*TableView);
}

void FormMain::RefreshViews()
{
    QWidget *page = PageControl1->currentWidget();
    if (page == tsCurrentData)
        ShowCurrent(m_station.state.SelUstr);
    if (page == tsArh && cbAutoArhData->isChecked() && TableView->isOpen()) {
        TableView->refresh();
        DBGridArhDataMod->moveToLast();
    }
    if (page == tsGraf && tsGraf->cbAutoGraf->isChecked()) {
        tsGraf->Chart1->setBottomAutomatic();
        if (m_station.state.NewArh || !TableView->isOpen()) {
            TableView->closeTable();
            if (!openTableView()) {
                tsGraf->Chart1->clear();
                return;
            }
        }
        TableView->refresh();
        tsGraf->Chart1->clear();
        fillChart();
        tsGraf->Chart1->setBottomAutomatic();
    }
}

void FormMain::resetIconAnimation()
{
    m_iconFrame = 1;
}

void FormMain::timerIconTimer()
{
    const QIcon frame = StationIcons::animationFrame(m_iconFrame);
    QApplication::setWindowIcon(frame);
    setWindowIcon(frame);
    m_iconFrame = m_iconFrame + 1;
    if (m_iconFrame == 7)
        m_iconFrame = 1;
}

void FormMain::btnReadArhClick()
{
    ArhPribView = false;
    QTreeWidgetItem *selected = twData->currentItem();
    if (selected == nullptr || m_download->running())
        return;
    const int k = twData->indexOfTopLevelItem(selected);
    if (k == 0 || k > m_station.settings.CountUstr) {
        ShowWarning(DownloadNoDeviceMessage);
        return;
    }
    m_download->start(m_station.table.device(k));
}

void FormMain::holdExchangeButtons(bool held)
{
    // While a download holds its line, the window stays alive with the buttons that would
    // start another exchange held; afterwards they follow the polling state again.
    btnStart->setEnabled(!held);
    btnStop->setEnabled(!held);
    btnNastrWare->setEnabled(!held && !m_station.state.OprRun);
    btnReadArh->setEnabled(!held && !m_station.state.OprRun);
}

void FormMain::showDownloadedArchive(const ArchiveDownload &download, const QString &file)
{
    const ArchiveSave save = SaveDownloadedArchive(download.records, m_station.ProgDir(), file);
    if (!save.saved) {
        ShowError(save.message);
        TableView->closeTable();
        return;
    }

    QVector<ChartRecord> records;
    records.reserve(download.records.size());
    for (const DownloadedRecord &record : download.records)
        records.append({record.znac, record.time});
    tsGraf->showDownloadedRange(records, download.firstRecordKept);

    TableView->setColumns(DownloadedGridColumns());
    if (!TableView->setTable(file)) {
        ShowError(QStringLiteral("Не могу сохранить файл (код 1)"));
        TableView->closeTable();
        return;
    }
    tsGraf->drawDownloaded(records);
    DBGridArhDataMod->fitColumns();
    ArhPribView = true;
    PageControl1->setCurrentWidget(tsArh); // the downloaded archive is on show
}

void FormMain::btnClearJournalClick()
{
    m_station.journal.clear();
}

void FormMain::SpeedBtn_AboutClick()
{
    FormAbout about(this);
    CentreOver(&about, this);
    about.exec();
}

void FormMain::btnNastrWareClick()
{
    if (m_station.state.OprRun) // the button is disabled while polling runs
        return;
    FormNastrWare settings(m_station, this, &m_settingsClock);
    CentreOver(&settings, this);
    connect(&settings, &FormNastrWare::settingsClosed, this, [this] {
        loadAlarms();
        RebuildMainTree();
    });
    settings.enter();
}

void FormMain::SpeedBtn_WWWClick()
{
    sbMain->clearMessage();
    QDesktopServices::openUrl(QUrl(MakerWebAddress));
}

void FormMain::SpeedBtn_MailClick()
{
    sbMain->clearMessage();
    QUrl mail(QStringLiteral("mailto:") + MakerMail);
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("subject"), QStringLiteral("Programma Zeltar"));
    mail.setQuery(query);
    QDesktopServices::openUrl(mail);
}

void FormMain::FormActivate()
{
    // The archive tables need their template; say so once, not at every activation.
    if (EnsureTemplate(m_station.ProgDir())) {
        m_templateFailureShown = false;
        return;
    }
    if (m_templateFailureShown)
        return;
    m_templateFailureShown = true;
    ShowInformation(QStringLiteral("Ошибка инициализации BDE"));
}

bool FormMain::shutDownInOrder()
{
    if (m_closing)
        return true;
    m_closing = true;
    m_download->abandon();
    timerIcon->stop();
    m_station.journal.AddProgMes(QStringLiteral("Закрытие программы"));
    // A tick in the middle of a wait ends without touching a table.
    m_cycle->shutdown();
    TableView->closeTable();
    m_station.lines.stop();
    return true;
}

void FormMain::closeWithoutQuestion()
{
    m_askOnClose = false;
    close();
}

void FormMain::closeEvent(QCloseEvent *event)
{
    if (m_closing) {
        event->accept();
        return;
    }
    // The operator cannot close the station while an archive download holds the port.
    if (m_download->running() && m_askOnClose) {
        event->ignore();
        return;
    }
    if (m_askOnClose && m_started && !AskYesNo(QStringLiteral("Выйти из программы ?"))) {
        event->ignore();
        return;
    }
    shutDownInOrder();
    event->accept();
}

bool FormMain::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate && m_started)
        FormActivate();
    return QMainWindow::event(event);
}

} // namespace zeltar
