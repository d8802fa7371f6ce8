#include "ui/alarm_list_model.h"

#include "acquisition/station.h"
#include "alarms/alarm_monitor.h"
#include "alarms/alarm_texts.h"
#include "core/date_time_text.h"

#include <QColor>
#include <QFont>

#include <algorithm>

namespace zeltar {

namespace {

enum Column
{
    TimeColumn,
    DeviceColumn,
    KindColumn,
    ValueColumn,
    LimitColumn,
    StateColumn,
    ColumnCount
};

} // namespace

AlarmListModel::AlarmListModel(const AlarmMonitor &monitor, const Station &station, QObject *parent)
    : QAbstractTableModel(parent), m_monitor(monitor), m_station(station)
{}

void AlarmListModel::refresh()
{
    beginResetModel();
    m_rows.clear();
    for (int n = 1; n <= m_station.settings.CountUstr; ++n)
        for (AlarmKind kind : AlarmKinds)
            if (m_monitor.condition(n, kind).state != AlarmState::Normal)
                m_rows.append({n, kind});
    std::stable_sort(m_rows.begin(), m_rows.end(), [this](const Row &a, const Row &b) {
        return m_monitor.condition(a.device, a.kind).raised >
               m_monitor.condition(b.device, b.kind).raised;
    });
    endResetModel();
}

int AlarmListModel::activeCount() const
{
    return static_cast<int>(std::count_if(m_rows.begin(), m_rows.end(), [this](const Row &r) {
        return m_monitor.condition(r.device, r.kind).holds();
    }));
}

const AlarmCondition &AlarmListModel::conditionAt(int row) const
{
    const Row &r = m_rows.at(row);
    return m_monitor.condition(r.device, r.kind);
}

int AlarmListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int AlarmListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant AlarmListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const Row &r = m_rows.at(index.row());
    const AlarmCondition &c = conditionAt(index.row());
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case TimeColumn:
            return c.raised.isValid() ? DateTimeText(c.raised.toLocalTime()) : QString();
        case DeviceColumn:
            return m_station.table.device(r.device).PribName;
        case KindColumn:
            return AlarmKindText(r.kind);
        case ValueColumn:
            return AlarmNumberText(r.kind, c.value);
        case LimitColumn:
            return AlarmNumberText(r.kind, c.limit);
        case StateColumn:
            return AlarmStateText(c.state);
        }
        return {};
    case Qt::FontRole:
        if (c.state == AlarmState::Active) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::BackgroundRole:
        if (c.state == AlarmState::Active)
            return QColor(255, 190, 190);
        return {};
    case Qt::ForegroundRole:
        if (c.state == AlarmState::Active || c.state == AlarmState::Returned)
            return QColor(Qt::darkRed);
        return {};
    case Qt::TextAlignmentRole:
        if (index.column() == ValueColumn || index.column() == LimitColumn)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    }
    return {};
}

QVariant AlarmListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char *const Titles[] = {"Время",    "Прибор",  "Тревога",
                                         "Значение", "Граница", "Состояние"};
    return section >= 0 && section < ColumnCount ? QString::fromUtf8(Titles[section]) : QString();
}

} // namespace zeltar
