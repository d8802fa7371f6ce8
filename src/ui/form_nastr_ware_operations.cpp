// The instrument operations of the settings window. Each takes the device selected in the
// tree, keeps the window busy while it talks to the instrument and ends with one message.
#include "acquisition/station.h"
#include "core/message_service.h"
#include "instrument/clock_operations.h"
#include "instrument/factory_defaults.h"
#include "instrument/link_test.h"
#include "instrument/settings_read.h"
#include "instrument/settings_write.h"
#include "ui/form_info_ustr.h"
#include "ui/form_nastr_ware.h"
#include "ui/up_down.h"

#include <QComboBox>
#include <QLineEdit>

namespace zeltar {

void FormNastrWare::BtnReadClick()
{
    const int k = operationDevice();
    if (k == 0)
        return;
    setBusy(true);
    const int code =
        ReadInstrumentSettings(m_station.CommModBus, m_station.table, k, cbPribBaud->currentIndex(),
                               upPribAdr->position(), &m_clock);
    if (code != SettingsReadOk)
        ShowError(SettingsReadFailureText(code));
    showClock(m_clock, 2000);
    ShowPribSettings(k);
    setBusy(false);
    if (code == SettingsReadOk)
        ShowInformation(SettingsReadSuccessText());
}

void FormNastrWare::BtnWriteClick()
{
    const int k = operationDevice();
    if (k == 0)
        return;
    DeviceTable &table = m_station.table;
    InstrumentSettings &record = table.device(k);
    setBusy(true);
    if (WriteChangesLink(record, cbPribBaud->currentIndex(), upPribAdr->position()) &&
        !AskYesNo(LinkChangeQuestionText(), MessageIcon::Warning)) {
        setBusy(false);
        return;
    }
    const EnteredSettingsWrite write =
        WriteEnteredSettings(m_station.CommModBus, table, k, entries());
    if (!write.refused() && write.code == SettingsWriteLink) {
        // The instrument kept its link settings: so does the window, for the next try.
        cbPribPort->setCurrentIndex(record.PribPort - 1);
        cbPribBaud->setCurrentIndex(record.PribBaud);
        upPribAdr->setPosition(record.PribAdr);
    }
    if (write.ok())
        ShowInformation(write.message());
    else
        ShowError(write.message());
    setBusy(false);
}

void FormNastrWare::BtnDefaultClick()
{
    const int k = operationDevice();
    if (k == 0)
        return;
    ApplyFactoryDefaults(m_station.table.device(k));
    ShowPribSettings(k);
    BtnUstSistTimeClick();
    ShowInformation(QStringLiteral("Данные по умолчанию установлены"));
}

void FormNastrWare::BtnTestUstrClick()
{
    const int k = selectedNode();
    if (!isDevice(k))
        return;
    setEnabled(false);
    m_info->beginTest();
    m_info->move(x() + width() / 2 - m_info->width() / 2,
                 y() + height() / 2 - m_info->height() / 2);
    m_info->show();
    const LinkTestResult result =
        RunLinkTest(m_station.CommModBus, m_station.table.device(k),
                    [this](const QString &caption, int) { m_info->showProgress(caption); });
    if (result.portOpened)
        m_info->showResult(result);
    else
        ShowError(LinkTestPortMessage);
    // The settings window comes back when the operator closes the dialog.
    m_info->endTest();
}

// ---- Clock ----------------------------------------------------------------------------

void FormNastrWare::showClock(const InstrumentClock &clock, int century)
{
    // A clock that is no calendar date cannot be edited as one: the fields keep theirs.
    if (!IsCalendarClock(clock, century))
        return;
    DateEdit->setText(ClockDateText(clock, century));
    MaskTime->setText(ClockTimeText(clock));
}

void FormNastrWare::BtnReadTimeClick()
{
    const int k = operationDevice();
    if (k == 0)
        return;
    setBusy(true);
    InstrumentClock clock;
    const ClockReadResult result =
        ReadInstrumentClock(m_station.CommModBus, m_station.table.device(k), &clock);
    if (result == ClockReadResult::Ok)
        showClock(clock, CurrentCentury());
    else
        ShowError(ClockReadMessage(result, clock));
    setBusy(false);
    if (result == ClockReadResult::Ok)
        ShowInformation(ClockReadMessage(result, clock));
}

void FormNastrWare::BtnWriteTimeClick()
{
    const int k = operationDevice();
    if (k == 0)
        return;
    setBusy(true);
    // The masked fields keep blanks in their empty places, which the checks expect.
    const ClockEntries checked =
        CheckClockEntries(DateEdit->displayText(), MaskTime->displayText());
    if (!checked.ok()) {
        ShowError(checked.message);
        setBusy(false);
        return;
    }
    m_clock = checked.clock;
    const ClockWriteResult result =
        WriteInstrumentClock(m_station.CommModBus, m_station.table.device(k), m_clock);
    if (result != ClockWriteResult::Ok)
        ShowError(ClockWriteMessage(result));
    setBusy(false);
    if (result == ClockWriteResult::Ok)
        ShowInformation(ClockWriteMessage(result));
}

void FormNastrWare::BtnUstSistTimeClick()
{
    m_clock = PcClock();
    showClock(m_clock, CurrentCentury());
}

void FormNastrWare::BtnWriteSistTimeClick()
{
    BtnUstSistTimeClick();
    BtnWriteTimeClick();
}

} // namespace zeltar
