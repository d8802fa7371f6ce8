#pragma once

#include "history/record_moment.h"

#include <QGroupBox>

class QDateTimeEdit;
class QLabel;
class QPushButton;
class QTableWidget;

namespace zeltar {

class Station;

// The alarm history for a time range: every raise, return and acknowledgement from
// Alarms.dbf in the archive folder, shown in a grid and exported as CSV in the form
// `zeltarctl alarms` prints.
class AlarmHistoryPanel : public QGroupBox
{
    Q_OBJECT
public:
    explicit AlarmHistoryPanel(Station &station, QWidget *parent = nullptr);

    // Shows the records between two moments (both included), or of the last hours.
    void showRange(WallSeconds from, WallSeconds to);
    void showLastHours(int hours);
    // A record was added: the last hours on show move on to now, so that it appears; a
    // range the operator set stays as it is.
    void recordAdded();

    QDateTimeEdit *dtAlarmFrom;
    QDateTimeEdit *dtAlarmTo;
    QPushButton *btnAlarmHistShow;
    QPushButton *btnAlarmHistDay;
    QPushButton *btnAlarmHistWeek;
    QPushButton *btnAlarmHistCsv;
    QTableWidget *gridAlarmHist;
    QLabel *stAlarmHist;

protected:
    // The first time it is on show it shows the last day.
    void showEvent(QShowEvent *event) override;

private:
    void exportCsv();

    Station &m_station;
    bool m_shownOnce = false;
    int m_lastHours = 0; // the last hours on show; 0 for a range the operator set
};

} // namespace zeltar
