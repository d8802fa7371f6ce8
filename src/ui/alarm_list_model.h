#pragma once

#include "alarms/alarm_rules.h"

#include <QAbstractTableModel>
#include <QVector>

namespace zeltar {

class AlarmMonitor;
class Station;

// The alarms that are not normal, newest first: time raised, device, kind, value, limit and
// state. Active alarms that wait for acknowledgement are bold on red, returned ones that
// still wait are red; acknowledged ones are plain.
class AlarmListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    AlarmListModel(const AlarmMonitor &monitor, const Station &station, QObject *parent = nullptr);

    // Takes the monitor's alarms afresh.
    void refresh();

    struct Row
    {
        int device = 0;
        AlarmKind kind = AlarmKind::High;
    };
    Row alarmAt(int row) const { return m_rows.at(row); }
    // Raised and not returned, whether acknowledged or not.
    int activeCount() const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    const AlarmCondition &conditionAt(int row) const;

    const AlarmMonitor &m_monitor;
    const Station &m_station;
    QVector<Row> m_rows;
};

} // namespace zeltar
