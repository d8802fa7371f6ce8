#include "ui/alarms_panel.h"

#include "acquisition/station.h"
#include "alarms/alarm_monitor.h"
#include "alarms/alarm_sound.h"
#include "core/message_service.h"
#include "ui/alarm_history_panel.h"
#include "ui/alarm_list_model.h"
#include "ui/window_helpers.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

namespace zeltar {

namespace {

QAction *Action(const QString &name, const QString &text, const QKeySequence &key, QObject *parent)
{
    auto *action = new QAction(text, parent);
    action->setObjectName(name);
    action->setShortcut(key);
    action->setShortcutContext(Qt::WindowShortcut);
    action->setToolTip(QStringLiteral("%1 (%2)").arg(text, key.toString(QKeySequence::NativeText)));
    return action;
}

} // namespace

AlarmsPanel::AlarmsPanel(AlarmMonitor &monitor, Station &station, QWidget *parent)
    : QWidget(parent), m_monitor(monitor), m_station(station)
{
    setObjectName(QStringLiteral("tsAlarms"));
    actAlarmAck = Action(QStringLiteral("actAlarmAck"), QStringLiteral("Квитировать"),
                         QKeySequence(Qt::Key_F8), this);
    actAlarmAckAll = Action(QStringLiteral("actAlarmAckAll"), QStringLiteral("Квитировать все"),
                            QKeySequence(Qt::SHIFT | Qt::Key_F8), this);
    actAlarmSound = new QAction(QStringLiteral("Звуковой сигнал"), this);
    actAlarmSound->setObjectName(QStringLiteral("actAlarmSound"));
    actAlarmSound->setCheckable(true);
    actAlarmSound->setToolTip(QStringLiteral("Короткий звуковой сигнал при новой тревоге"));
    actAlarmSound->setChecked(true);
    connect(actAlarmAck, &QAction::triggered, this, &AlarmsPanel::acknowledgeSelected);
    connect(actAlarmAckAll, &QAction::triggered, &m_monitor, &AlarmMonitor::acknowledgeAll);
    connect(actAlarmSound, &QAction::toggled, this, &AlarmsPanel::soundToggled);

    AlarmList = new AlarmListModel(m_monitor, m_station, this);
    AlarmList->setObjectName(QStringLiteral("AlarmList"));
    gridAlarms = named(new QTableView(this), QStringLiteral("gridAlarms"));
    gridAlarms->setModel(AlarmList);
    gridAlarms->setToolTip(QStringLiteral("Тревоги: F8 квитирует выбранную, Shift+F8 все"));
    gridAlarms->setSelectionBehavior(QAbstractItemView::SelectRows);
    gridAlarms->setSelectionMode(QAbstractItemView::SingleSelection);
    gridAlarms->setEditTriggers(QAbstractItemView::NoEditTriggers);
    gridAlarms->verticalHeader()->hide();
    gridAlarms->horizontalHeader()->setStretchLastSection(true);
    gridAlarms->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto *separator = new QAction(this);
    separator->setSeparator(true);
    gridAlarms->addActions({actAlarmAck, actAlarmAckAll, separator, actAlarmSound});
    connect(gridAlarms->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &AlarmsPanel::updateActions);

    btnAlarmAck = named(new QPushButton(actAlarmAck->text(), this), QStringLiteral("btnAlarmAck"));
    btnAlarmAck->setToolTip(QStringLiteral("Квитировать выбранную тревогу (F8)"));
    btnAlarmAckAll =
        named(new QPushButton(actAlarmAckAll->text(), this), QStringLiteral("btnAlarmAckAll"));
    btnAlarmAckAll->setToolTip(QStringLiteral("Квитировать все тревоги (Shift+F8)"));
    connect(btnAlarmAck, &QPushButton::clicked, actAlarmAck, &QAction::trigger);
    connect(btnAlarmAckAll, &QPushButton::clicked, actAlarmAckAll, &QAction::trigger);
    btnAlarmSound = named(new QToolButton(this), QStringLiteral("btnAlarmSound"));
    btnAlarmSound->setDefaultAction(actAlarmSound);
    btnAlarmSound->setToolButtonStyle(Qt::ToolButtonTextOnly);
    stAlarmHint = named(new QLabel(this), QStringLiteral("stAlarmHint"));

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(btnAlarmAck);
    buttons->addWidget(btnAlarmAckAll);
    buttons->addWidget(stAlarmHint, 1);
    buttons->addWidget(btnAlarmSound);
    auto *listPart = new QWidget(this);
    auto *listLayout = new QVBoxLayout(listPart);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->addLayout(buttons);
    listLayout->addWidget(gridAlarms, 1);

    AlarmHistory = new AlarmHistoryPanel(m_station, this);
    auto *splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(listPart);
    splitter->addWidget(AlarmHistory);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(splitter);

    connect(&m_monitor, &AlarmMonitor::alarmChanged, this, &AlarmsPanel::alarmChanged);
    refresh();
}

void AlarmsPanel::load()
{
    {
        const QSignalBlocker quiet(actAlarmSound);
        actAlarmSound->setChecked(AlarmSoundOn(m_station.ini));
    }
    refresh();
}

void AlarmsPanel::refresh()
{
    AlarmList->refresh();
    gridAlarms->resizeColumnsToContents();
    updateActions();
    Q_EMIT alarmsChanged();
}

int AlarmsPanel::activeCount() const
{
    return AlarmList->activeCount();
}

void AlarmsPanel::alarmChanged(const AlarmEvent &event)
{
    // The selection follows its alarm through the list's new order.
    const QModelIndex current = gridAlarms->currentIndex();
    const std::optional<AlarmListModel::Row> selected =
        current.isValid() ? std::optional(AlarmList->alarmAt(current.row())) : std::nullopt;
    refresh();
    if (selected) {
        for (int row = 0; row < AlarmList->rowCount(); ++row) {
            const AlarmListModel::Row r = AlarmList->alarmAt(row);
            if (r.device == selected->device && r.kind == selected->kind)
                gridAlarms->selectRow(row);
        }
    }
    AlarmHistory->recordAdded();
    if (event.change == AlarmChange::Raised && actAlarmSound->isChecked()) {
        QApplication::beep();
        Q_EMIT soundPlayed();
    }
}

void AlarmsPanel::acknowledgeSelected()
{
    const QModelIndex current = gridAlarms->currentIndex();
    if (!current.isValid() || !gridAlarms->selectionModel()->isRowSelected(current.row()))
        return;
    const AlarmListModel::Row r = AlarmList->alarmAt(current.row());
    m_monitor.acknowledge(r.device, r.kind);
}

void AlarmsPanel::soundToggled(bool on)
{
    if (!WriteAlarmSound(m_station.ini, on))
        ShowError(QStringLiteral("Настройки не сохранены. ") + m_station.ini.errorString());
}

void AlarmsPanel::updateActions()
{
    const QModelIndex current = gridAlarms->currentIndex();
    bool oneWaits = false;
    bool anyWaits = false;
    for (int row = 0; row < AlarmList->rowCount(); ++row) {
        const AlarmListModel::Row r = AlarmList->alarmAt(row);
        const AlarmState state = m_monitor.condition(r.device, r.kind).state;
        const bool waits = state == AlarmState::Active || state == AlarmState::Returned;
        anyWaits = anyWaits || waits;
        if (current.isValid() && row == current.row() &&
            gridAlarms->selectionModel()->isRowSelected(row))
            oneWaits = waits;
    }
    actAlarmAck->setEnabled(oneWaits);
    actAlarmAckAll->setEnabled(anyWaits);
    btnAlarmAck->setEnabled(oneWaits);
    btnAlarmAckAll->setEnabled(anyWaits);
    stAlarmHint->setText(AlarmList->rowCount() == 0 ? QStringLiteral("Тревог нет") : QString());
}

} // namespace zeltar
