#include "ui/alarm_page.h"

#include "ui/field_values.h"
#include "ui/window_helpers.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace zeltar {

namespace {

QLineEdit *numberField(const QString &name, QWidget *parent, int length, const QString &hint)
{
    QLineEdit *edit = NumberField(name, parent, 90);
    LimitTyping(edit, length);
    edit->setToolTip(hint);
    return edit;
}

} // namespace

AlarmPage::AlarmPage(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("tabNastrAlarm"));
    auto *limits = new QGroupBox(QStringLiteral(" Границы измеряемого значения "), this);
    editAlarmHigh = numberField(
        QStringLiteral("editAlarmHigh"), limits, 16,
        QStringLiteral("Тревога, когда значение выше этой границы. Пусто: без границы"));
    editAlarmLow = numberField(
        QStringLiteral("editAlarmLow"), limits, 16,
        QStringLiteral("Тревога, когда значение ниже этой границы. Пусто: без границы"));
    editAlarmDeadband = numberField(
        QStringLiteral("editAlarmDeadband"), limits, 16,
        QStringLiteral("Значение возвращается в норму, отойдя от границы на эту величину"));
    editAlarmDelay =
        numberField(QStringLiteral("editAlarmDelay"), limits, 6,
                    QStringLiteral("Сколько секунд граница должна быть нарушена до тревоги"));
    auto *limitsGrid = new QGridLayout(limits);
    AddRow(limitsGrid, QStringLiteral("Верхняя граница"), editAlarmHigh);
    AddRow(limitsGrid, QStringLiteral("Нижняя граница"), editAlarmLow);
    AddRow(limitsGrid, QStringLiteral("Зона возврата"), editAlarmDeadband);
    AddRow(limitsGrid, QStringLiteral("Задержка"), editAlarmDelay,
           new QLabel(QStringLiteral("сек"), limits));

    auto *device = new QGroupBox(QStringLiteral(" Состояние прибора "), this);
    editAlarmNoLink = numberField(
        QStringLiteral("editAlarmNoLink"), device, 6,
        QStringLiteral("Тревога «Нет связи» после стольких опросов без ответа подряд. 0: нет"));
    checkAlarmBreak = named(new QCheckBox(QStringLiteral("Тревога при обрыве датчика"), device),
                            QStringLiteral("checkAlarmBreak"));
    auto *deviceGrid = new QGridLayout(device);
    AddRow(deviceGrid, QStringLiteral("Нет связи после"), editAlarmNoLink,
           new QLabel(QStringLiteral("опросов без ответа"), device));
    deviceGrid->addWidget(checkAlarmBreak, deviceGrid->rowCount(), 0, 1, 3);

    for (QGridLayout *grid : {limitsGrid, deviceGrid})
        grid->setColumnStretch(3, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(limits);
    layout->addWidget(device);
    auto *note = new QLabel(QStringLiteral("Сигнализация — настройка станции: она не "
                                           "записывается в прибор и не считывается из него."),
                            this);
    note->setWordWrap(true);
    layout->addWidget(note);
    layout->addStretch();
}

void AlarmPage::show(const DeviceAlarmSettings &settings)
{
    m_stored = settings;
    showEntries(EntriesFromAlarms(settings));
    m_shown = entries();
}

AlarmEntries AlarmPage::entries() const
{
    return {editAlarmHigh->text(),  editAlarmLow->text(),    editAlarmDeadband->text(),
            editAlarmDelay->text(), editAlarmNoLink->text(), checkAlarmBreak->isChecked()};
}

void AlarmPage::showEntries(const AlarmEntries &e)
{
    editAlarmHigh->setText(e.editAlarmHigh);
    editAlarmLow->setText(e.editAlarmLow);
    editAlarmDeadband->setText(e.editAlarmDeadband);
    editAlarmDelay->setText(e.editAlarmDelay);
    editAlarmNoLink->setText(e.editAlarmNoLink);
    checkAlarmBreak->setChecked(e.checkAlarmBreak);
}

QString AlarmPage::take(DeviceAlarmSettings *settings) const
{
    const AlarmEntries now = entries();
    if (now == m_shown) {
        *settings = m_stored;
        return {};
    }
    return ParseAlarmEntries(now, settings);
}

} // namespace zeltar
