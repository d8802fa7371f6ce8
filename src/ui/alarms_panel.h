#pragma once

#include <QWidget>

class QAction;
class QLabel;
class QPushButton;
class QTableView;
class QToolButton;

namespace zeltar {

class AlarmHistoryPanel;
class AlarmListModel;
class AlarmMonitor;
struct AlarmEvent;
class Station;

// The "Тревоги" page: the alarms that are not normal, their acknowledgement (one or all, by
// button, menu or key), the sound on a new alarm and the alarm history. The actions carry
// the keys; the main window takes them in so they work on every page.
class AlarmsPanel : public QWidget
{
    Q_OBJECT
public:
    AlarmsPanel(AlarmMonitor &monitor, Station &station, QWidget *parent = nullptr);

    // The sound switch from the configuration and the monitor's alarms afresh, after the
    // monitor was loaded.
    void load();
    // Shows the monitor's alarms afresh.
    void refresh();
    // Raised and not returned, acknowledged or not.
    int activeCount() const;

    QTableView *gridAlarms;
    AlarmListModel *AlarmList;
    QPushButton *btnAlarmAck;
    QPushButton *btnAlarmAckAll;
    QToolButton *btnAlarmSound;
    QLabel *stAlarmHint;
    AlarmHistoryPanel *AlarmHistory;
    QAction *actAlarmAck;    // F8: the selected alarm
    QAction *actAlarmAckAll; // Shift+F8: every alarm that waits
    QAction *actAlarmSound;  // the sound on a new alarm, kept as [ALARMS] Sound

Q_SIGNALS:
    // The list changed: the tree marks and the status bar follow it.
    void alarmsChanged();
    // A new alarm was sounded.
    void soundPlayed();

private:
    void alarmChanged(const AlarmEvent &event);
    void acknowledgeSelected();
    void soundToggled(bool on);
    void updateActions();

    AlarmMonitor &m_monitor;
    Station &m_station;
};

} // namespace zeltar
