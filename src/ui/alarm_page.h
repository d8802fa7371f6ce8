#pragma once

#include "alarms/alarm_entries.h"

#include <QWidget>

class QCheckBox;
class QLineEdit;

namespace zeltar {

// The "Сигнализация" page of the settings window: the station's own alarms of one device.
// They are the station's keys, not the instrument's, so nothing read from the instrument
// changes them.
class AlarmPage : public QWidget
{
    Q_OBJECT
public:
    explicit AlarmPage(QWidget *parent = nullptr);

    // The settings in the fields; what the fields give now is what they showed.
    void show(const DeviceAlarmSettings &settings);
    AlarmEntries entries() const;
    void showEntries(const AlarmEntries &entries);

    // The entries taken into *settings. A page left as it was shown keeps the stored
    // settings; otherwise the refusal of an entry (and *settings untouched), or an empty text.
    QString take(DeviceAlarmSettings *settings) const;

    QLineEdit *editAlarmHigh;
    QLineEdit *editAlarmLow;
    QLineEdit *editAlarmDeadband;
    QLineEdit *editAlarmDelay;
    QLineEdit *editAlarmNoLink;
    QCheckBox *checkAlarmBreak;

private:
    DeviceAlarmSettings m_stored;
    AlarmEntries m_shown;
};

} // namespace zeltar
