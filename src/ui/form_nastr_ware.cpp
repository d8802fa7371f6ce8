#include "ui/form_nastr_ware.h"

#include "acquisition/station.h"
#include "alarms/alarm_settings.h"
#include "config/configuration.h"
#include "config/device_list.h"
#include "config/link_settings.h"
#include "core/clock.h"
#include "core/message_service.h"
#include "instrument/clock_operations.h"
#include "instrument/settings_edits.h"
#include "ui/alarm_page.h"
#include "ui/file_dialogs.h"
#include "ui/form_edit_snap.h"
#include "ui/form_info_ustr.h"
#include "ui/instrument_pages.h"
#include "ui/station_icons.h"
#include "ui/window_helpers.h"

#include <QCheckBox>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace zeltar {

namespace {

const QString ChooseDevice = QStringLiteral("Выберите прибор в дереве");

// The tree's width at the font the window was laid out for, and the room the pages take
// beside the instrument page's own width.
constexpr int TreeWidth = 137;
constexpr int PageExtras = 48;

} // namespace

FormNastrWare::FormNastrWare(Station &station, QWidget *parent, ClockFieldTexts *clockFields)
    : QDialog(parent), m_station(station), m_clockFields(clockFields)
{
    setObjectName(QStringLiteral("formNastrWare"));
    setWindowTitle(QStringLiteral("Настройка программы и конфигурации прибора"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setModal(true);
    resize(763, 550);

    createToolbar();
    createPages();
    splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("splitter"));
    splitter->addWidget(createTreePanel());
    splitter->addWidget(pcNastr);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({TreeWidth, 626});
    sbNastr = new QStatusBar(this);
    sbNastr->setObjectName(QStringLiteral("sbNastr"));
    sbNastr->setSizeGripEnabled(false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1);
    layout->addWidget(splitter, 1);
    layout->addWidget(sbNastr);

    m_animation = new QTimer(this);
    m_animation->setInterval(150);
    connect(m_animation, &QTimer::timeout, this, &FormNastrWare::nextAnimationFrame);

    m_info = new FormInfoUstr(this);
    m_editSnap = new FormEditSnap(this);
    RebuildSettingsTree();
    fitToInstrumentPage();

    connect(twNastr, &QTreeWidget::currentItemChanged, this, &FormNastrWare::currentNodeChanged);
    connect(btn_Save, &QToolButton::clicked, this, &FormNastrWare::btn_SaveClick);
    connect(btnAddDevice, &QToolButton::clicked, this, &FormNastrWare::btnAddDeviceClick);
    connect(btnDelDevice, &QToolButton::clicked, this, &FormNastrWare::btnDelDeviceClick);
    connect(BtnTestUstr, &QToolButton::clicked, this, &FormNastrWare::BtnTestUstrClick);
    connect(btnSelDir, &QPushButton::clicked, this, &FormNastrWare::btnSelDirClick);
    connect(m_pages->BtnRead, &QPushButton::clicked, this, &FormNastrWare::BtnReadClick);
    connect(m_pages->BtnWrite, &QPushButton::clicked, this, &FormNastrWare::BtnWriteClick);
    connect(m_pages->BtnDefault, &QPushButton::clicked, this, &FormNastrWare::BtnDefaultClick);
    connect(m_pages->BtnReadTime, &QPushButton::clicked, this, &FormNastrWare::BtnReadTimeClick);
    connect(m_pages->BtnWriteTime, &QPushButton::clicked, this, &FormNastrWare::BtnWriteTimeClick);
    connect(m_pages->BtnUstSistTime, &QPushButton::clicked, this,
            &FormNastrWare::BtnUstSistTimeClick);
    connect(m_pages->BtnWriteSistTime, &QPushButton::clicked, this,
            &FormNastrWare::BtnWriteSistTimeClick);
    connect(m_pages->TimerOutTime, &QTimer::timeout, this, &FormNastrWare::TimerOutTimeTimer);
    connect(m_pages->sgProg, &QTableWidget::cellDoubleClicked, this,
            &FormNastrWare::sgProgDblClick);
    connect(m_pages->BtnAddSnap, &QPushButton::clicked, this, &FormNastrWare::BtnAddSnapClick);
    connect(m_pages->BtnDelSnap, &QPushButton::clicked, this, &FormNastrWare::BtnDelSnapClick);

    installHints();
    if (m_clockFields != nullptr) {
        m_pages->DateEdit->setText(m_clockFields->date);
        m_pages->MaskTime->setText(m_clockFields->time);
    }
    // Enter in a field starts nothing: no button becomes the default one.
    for (QPushButton *button : findChildren<QPushButton *>())
        if (button->window() == this)
            button->setAutoDefault(false);
}

FormNastrWare::~FormNastrWare() = default;

void FormNastrWare::prepareEntering()
{
    RebuildSettingsTree();
    m_station.journal.AddProgMes(QStringLiteral("Вход в режим настройки"));
    showProgramSettings();
    showProgramPage();
}

int FormNastrWare::enter()
{
    prepareEntering();
    return exec();
}

void FormNastrWare::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    TimerOutTimeTimer();
    m_pages->TimerOutTime->start();
    twNastr->setFocus();
}

void FormNastrWare::hideEvent(QHideEvent *event)
{
    m_pages->TimerOutTime->stop();
    if (m_clockFields != nullptr)
        *m_clockFields = {m_pages->DateEdit->text(), m_pages->MaskTime->text()};
    QDialog::hideEvent(event);
}

// ---- Tree and pages -------------------------------------------------------------------

int FormNastrWare::selectedNode() const
{
    QTreeWidgetItem *item = twNastr->currentItem();
    return item == nullptr ? -1 : twNastr->indexOfTopLevelItem(item);
}

bool FormNastrWare::isDevice(int n) const
{
    return n >= 1 && n <= m_station.settings.CountUstr;
}

void FormNastrWare::RebuildSettingsTree()
{
    const DeviceList devices(m_station.ini, m_station.settings, m_station.table);
    const QSignalBlocker blocker(twNastr);
    twNastr->clear();
    for (const TreeNode &node : devices.SettingsTree()) {
        auto *item = new QTreeWidgetItem(twNastr, {node.text});
        item->setIcon(0, StationIcons::treeImage(node.image));
    }
    // With no node selected before, selecting the root takes nothing and shows nothing.
    twNastrChanging(-1, 0);
    twNastr->setCurrentItem(twNastr->topLevelItem(0));
    fitTreeToNames();
}

int FormNastrWare::treeWidthForNames() const
{
    QStyleOptionViewItem option;
    option.initFrom(twNastr->viewport());
    option.decorationSize = twNastr->iconSize();
    int widest = 0;
    for (int row = 0; row < twNastr->topLevelItemCount(); ++row) {
        const QModelIndex index = twNastr->model()->index(row, 0);
        widest = qMax(widest, twNastr->itemDelegate()->sizeHint(option, index).width());
    }
    return qMax(TreeWidth, widest + 2 * twNastr->frameWidth() +
                               twNastr->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
}

int FormNastrWare::instrumentPageWidth() const
{
    return m_pages->instrumentPageHint().width() + PageExtras;
}

void FormNastrWare::fitTreeToNames()
{
    // The tree is 137 pixels wide at least and as wide as its longest name, up to a third
    // of the window (the instrument page scrolls where the screen is too small for both);
    // the operator may still move the splitter.
    const int tree = qMin(treeWidthForNames(), qMax(TreeWidth, width() / 3));
    if (splitter->sizes().value(0) < tree)
        splitter->setSizes({tree, width() - tree});
}

void FormNastrWare::selectAfterRebuild(int node)
{
    // Leaving the root checks and writes the program settings as always.
    if (node > 0)
        twNastr->setCurrentItem(twNastr->topLevelItem(node));
    // The pages may still show the device that was selected before the rebuild.
    if (selectedNode() == 0) {
        showProgramSettings();
        showProgramPage();
    }
}

void FormNastrWare::currentNodeChanged(QTreeWidgetItem *current, QTreeWidgetItem *previous)
{
    if (current == nullptr)
        return;
    const int next = twNastr->indexOfTopLevelItem(current);
    if (twNastrChanging(m_current, next))
        return;
    const QSignalBlocker blocker(twNastr);
    twNastr->setCurrentItem(previous);
    // A mouse press goes on to highlight the item it hit once this returns; the highlight
    // is put back after it, so that it shows the node the pages show and the toolbar acts on.
    QMetaObject::invokeMethod(this, &FormNastrWare::keepShownNodeSelected, Qt::QueuedConnection);
}

void FormNastrWare::keepShownNodeSelected()
{
    QTreeWidgetItem *shown = twNastr->topLevelItem(m_current);
    if (shown == nullptr)
        return;
    const QSignalBlocker blocker(twNastr);
    twNastr->setCurrentItem(shown);
    twNastr->clearSelection();
    shown->setSelected(true);
}

bool FormNastrWare::twNastrChanging(int cur, int next)
{
    if (cur < 0) {
        // Right after a rebuild of the tree nothing is taken and nothing is shown.
        m_current = next;
        return true;
    }
    if (!takeNode(cur))
        return false;
    m_current = next;
    if (next == 0) {
        showProgramPage();
        showProgramSettings();
    } else {
        showInstrumentPages();
        ShowPribSettings(next);
        if (isDevice(next))
            tabNastrAlarm->show(ReadDeviceAlarms(m_station.ini, next));
    }
    return true;
}

bool FormNastrWare::takeNode(int n)
{
    if (n == 0) {
        if (!acceptProgramSettings())
            return false;
        reportUnsaved(WriteProgramSettings(m_station.ini, m_station.settings));
    } else if (isDevice(n)) {
        if (!takeDeviceNode(n))
            return false;
        IniFile::WriteGroup group(m_station.ini);
        const bool written = writeDeviceKeys(n);
        reportUnsaved(group.commit() && written);
        setNodeText(n);
    }
    return true;
}

void FormNastrWare::showProgramPage()
{
    pcNastr->setTabVisible(pcNastr->indexOf(tabNastrProg), true);
    pcNastr->setTabVisible(pcNastr->indexOf(tabNastrPrib), false);
    pcNastr->setTabVisible(pcNastr->indexOf(tabNastrReg), false);
    pcNastr->setTabVisible(pcNastr->indexOf(tabNastrAlarm), false);
    pcNastr->setCurrentWidget(tabNastrProg);
}

void FormNastrWare::showInstrumentPages()
{
    pcNastr->setTabVisible(pcNastr->indexOf(tabNastrPrib), true);
    pcNastr->setTabVisible(pcNastr->indexOf(tabNastrReg), true);
    pcNastr->setTabVisible(pcNastr->indexOf(tabNastrAlarm), true);
    pcNastr->setTabVisible(pcNastr->indexOf(tabNastrProg), false);
    if (pcNastr->currentWidget() == tabNastrProg)
        pcNastr->setCurrentWidget(tabNastrPrib);
}

void FormNastrWare::showProgramSettings()
{
    const ProgramSettings &settings = m_station.settings;
    cbAutoStart->setChecked(settings.AutoStart);
    cbFastLink->setChecked(m_station.lines.linkMode().fast);
    editPathArh->setText(settings.PathArhText.isEmpty() ? settings.PathArh : settings.PathArhText);
    editTimeOpr->setText(QString::number(settings.TimeOpr));
    editTimeArh->setText(QString::number(settings.TimeArh));
    m_shownProgram = programEntry();
}

void FormNastrWare::setNodeText(int n)
{
    QTreeWidgetItem *item = twNastr->topLevelItem(n);
    const QString &name = m_station.table.device(n).PribName;
    if (item != nullptr && item->text(0) != name) {
        item->setText(0, name);
        fitTreeToNames();
    }
}

// ---- Taking the entries ---------------------------------------------------------------

ProgramSettingsEntry FormNastrWare::programEntry() const
{
    return {cbAutoStart->isChecked(), editPathArh->text(), editTimeOpr->text(),
            editTimeArh->text()};
}

bool FormNastrWare::acceptProgramSettings()
{
    const ProgramSettingsEntry entry = programEntry();
    // Settings the operator has not touched stay as stored, even where the checks would
    // not take them (a poll period of 1500 s written into the file by hand).
    const bool untouched = entry.autoStart == m_shownProgram.autoStart &&
                           entry.folder == m_shownProgram.folder &&
                           entry.pollPeriod == m_shownProgram.pollPeriod &&
                           entry.archivePeriod == m_shownProgram.archivePeriod;
    if (!untouched) {
        const QString refusal =
            AcceptProgramSettings(entry, m_station.ProgDir(), m_station.settings);
        if (!refusal.isEmpty()) {
            ShowError(refusal);
            return false;
        }
    }
    takeLinkMode();
    return true;
}

void FormNastrWare::takeLinkMode()
{
    // The link mode has a section of its own, written only when it changes.
    LinkMode mode = m_station.lines.linkMode();
    mode.fast = cbFastLink->isChecked();
    m_station.lines.setLinkMode(mode);
    reportUnsaved(LinkSettings::write(m_station.ini, mode));
}

void FormNastrWare::reportUnsaved(bool written)
{
    if (!written)
        ShowError(QStringLiteral("Настройки не сохранены. ") + m_station.ini.errorString());
}

bool FormNastrWare::takeEdits(int n, InstrumentSettings *settings)
{
    const InstrumentSettings &record = m_station.table.device(n);
    // The program has no entries of its own: it comes along from the record.
    InstrumentSettings taken = record;
    QString refusal = m_pages->positionRefusal();
    if (refusal.isEmpty())
        refusal = ParseSettings(m_pages->entries(), &taken);
    if (!refusal.isEmpty()) {
        ShowError(refusal);
        return false;
    }
    InstrumentSettings shown = record;
    if (ParseSettings(m_pages->shownEntries(), &shown).isEmpty())
        taken = WithEdits(record, shown, taken);
    *settings = taken;
    return true;
}

bool FormNastrWare::takeDeviceEntries(int n)
{
    DeviceTable &table = m_station.table;
    if (!takeEdits(n, &table.staging))
        return false;
    table.device(n) = table.staging;
    return true;
}

bool FormNastrWare::takeAlarmEntries(DeviceAlarmSettings *settings)
{
    const QString refusal = tabNastrAlarm->take(settings);
    if (refusal.isEmpty())
        return true;
    pcNastr->setCurrentWidget(tabNastrAlarm);
    ShowError(refusal);
    return false;
}

bool FormNastrWare::takeDeviceNode(int n)
{
    DeviceAlarmSettings alarms;
    if (!takeAlarmEntries(&alarms) || !takeDeviceEntries(n))
        return false;
    m_alarmsDevice = n;
    m_takenAlarms = alarms;
    tabNastrAlarm->show(alarms);
    return true;
}

bool FormNastrWare::writeDeviceKeys(int n)
{
    const bool device = WriteDevice(m_station.ini, m_station.table, n);
    if (n != m_alarmsDevice)
        return device;
    // Taken once, written once: the device's number may pass to another one later.
    m_alarmsDevice = 0;
    const bool alarms = m_takenAlarms == ReadDeviceAlarms(m_station.ini, n) ||
                        WriteDeviceAlarms(m_station.ini, n, m_takenAlarms);
    return device && alarms;
}

// ---- Save and close -------------------------------------------------------------------

void FormNastrWare::btn_SaveClick()
{
    if (editPathArh->text().size() > 2)
        editPathArh->setText(WithTrailingSeparator(editPathArh->text()));

    int n = selectedNode();
    if (n < 0) {
        ShowError(ChooseDevice);
        n = 0;
    }
    if (!acceptProgramSettings()) {
        if (isDevice(n))
            setNodeText(n);
        return;
    }
    const bool device = isDevice(n);
    if (device)
        takeDeviceNode(n);
    IniFile::WriteGroup group(m_station.ini);
    bool written = WriteProgramSettings(m_station.ini, m_station.settings);
    if (device)
        written = writeDeviceKeys(n) && written;
    reportUnsaved(group.commit() && written);
    if (isDevice(n))
        setNodeText(n);
}

bool FormNastrWare::FormCloseQuery()
{
    const int n = selectedNode();
    if (n == 0 && !acceptProgramSettings())
        return false;
    if (isDevice(n) && !takeDeviceNode(n))
        return false;

    // A failed write is told and the window closes: the settings stay in effect until the
    // station ends.
    IniFile::WriteGroup group(m_station.ini);
    bool written = WriteProgramSettings(m_station.ini, m_station.settings);
    for (int d = 1; d <= m_station.settings.CountUstr; ++d)
        written = writeDeviceKeys(d) && written;
    reportUnsaved(group.commit() && written);
    return true;
}

void FormNastrWare::reject()
{
    // Closing by the title bar, the system menu or Escape: only with valid entries.
    // Not while an operation or the link test holds the port, nor while the test's dialog
    // keeps the window disabled.
    if (m_busy || !isEnabled() || !FormCloseQuery())
        return;
    QDialog::reject();
    emit settingsClosed();
}

void FormNastrWare::fitToInstrumentPage()
{
    // 763 x 550 suits the font the pages were laid out for. Where the desktop's font needs
    // more room, open large enough to show the instrument page without scrolling, as far
    // as the screen allows; the page scrolls beyond that. Like every dialog of the station it
    // keeps that size and has no maximise button.
    const QSize page = m_pages->instrumentPageHint();
    QSize wanted(qMax(width(), instrumentPageWidth() + treeWidthForNames()),
                 qMax(height(), page.height() + Panel1->sizeHint().height() +
                                    sbNastr->sizeHint().height() + 64));
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        wanted = wanted.boundedTo(screen->availableGeometry().size());
    setFixedSize(wanted);
}

// ---- Program page ---------------------------------------------------------------------

void FormNastrWare::btnSelDirClick()
{
    const QString folder =
        FileDialogs::existingDirectory(this, QStringLiteral("Выберите директорию"));
    if (!folder.isEmpty())
        editPathArh->setText(QDir::toNativeSeparators(folder));
}

// ---- Device list ----------------------------------------------------------------------

void FormNastrWare::btnAddDeviceClick()
{
    // The new device's node is selected next: what was typed on the node shown is taken
    // first, as leaving it by the tree takes it, and an invalid entry keeps the operator there.
    if (!takeNode(m_current))
        return;
    DeviceList devices(m_station.ini, m_station.settings, m_station.table);
    const DeviceList::AddResult added = devices.Add();
    if (!added.refusal.isEmpty()) {
        ShowWarning(added.refusal);
        return;
    }
    reportUnsaved(added.written);
    RebuildSettingsTree();
    selectAfterRebuild(added.device);
}

void FormNastrWare::btnDelDeviceClick()
{
    const int d = selectedNode();
    if (d < 1)
        return;
    if (!AskYesNo(QStringLiteral("Удалить устройство ?")))
        return;
    DeviceList devices(m_station.ini, m_station.settings, m_station.table);
    bool written = true;
    const int next = devices.Delete(d, &written);
    reportUnsaved(written);
    RebuildSettingsTree();
    selectAfterRebuild(next);
}

// ---- Instrument pages -----------------------------------------------------------------

int FormNastrWare::operationDevice()
{
    const int k = selectedNode();
    if (k < 0) {
        ShowError(ChooseDevice);
        return 0;
    }
    return isDevice(k) ? k : 0;
}

void FormNastrWare::setBusy(bool busy)
{
    m_busy = busy;
    if (busy) {
        m_animation->start();
    } else {
        m_animation->stop();
        m_animationFrame = 1;
        m_pages->gifOperate->setPixmap(StationIcons::animationFrame(1).pixmap(24, 24));
    }
    // Everything but the animation stops taking input. Disabling the whole window would
    // grey the animation with it, so the controls beside its way up are disabled instead.
    for (QWidget *kept = m_pages->gifOperate; kept != this; kept = kept->parentWidget()) {
        const auto siblings =
            kept->parentWidget()->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        for (QWidget *sibling : siblings)
            if (sibling != kept && !sibling->isWindow())
                sibling->setEnabled(!busy);
    }
}

void FormNastrWare::nextAnimationFrame()
{
    m_animationFrame = m_animationFrame % StationIcons::AnimationFrameCount + 1;
    m_pages->gifOperate->setPixmap(StationIcons::animationFrame(m_animationFrame).pixmap(24, 24));
}

void FormNastrWare::TimerOutTimeTimer()
{
    const QDateTime now = Clock::now();
    m_pages->stSysDate->setText(SysDateText(now));
    m_pages->stSysTime->setText(SysTimeText(now));
}

} // namespace zeltar
