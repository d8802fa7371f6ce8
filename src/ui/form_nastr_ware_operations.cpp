// The instrument operations of the settings window. Each takes the device selected in the
// tree, hands its exchanges to the device's line as one job, keeps the window busy until the
// job's end has come back, and ends with one message. The job works on copies; what it
// found is taken into the station's records only when it has ended.
#include "acquisition/station.h"
#include "core/message_service.h"
#include "instrument/clock_operations.h"
#include "instrument/factory_defaults.h"
#include "instrument/link_test.h"
#include "instrument/settings_read.h"
#include "instrument/settings_write.h"
#include "link/serial_session.h"
#include "ui/field_values.h"
#include "ui/form_info_ustr.h"
#include "ui/form_nastr_ware.h"
#include "ui/instrument_pages.h"
#include "ui/up_down.h"
#include "ui/window_helpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QScopeGuard>

namespace zeltar {

void FormNastrWare::runOperation(int port, LineWorker::Job job, std::function<void()> done)
{
    setBusy(true);
    m_station.lines.worker(port).post(std::move(job), this, [this, done = std::move(done)] {
        // Whatever the end does, the window takes input again.
        const auto release = qScopeGuard([this] {
            if (m_busy)
                setBusy(false);
        });
        done();
    });
}

void FormNastrWare::BtnReadClick()
{
    const int k = operationDevice();
    if (k == 0)
        return;
    InstrumentSettings link = m_station.table.device(k);
    if (!m_pages->shownLink(&link))
        return;
    // Name, polling flag and port are the station's, not the instrument's: the read leaves
    // them as the operator typed them, to be taken with the rest when the node is left.
    const QString typedName = m_pages->editNamePrib->text();
    const bool typedVkl = m_pages->cbVkl->isChecked();
    const int typedPort = ListValue(m_pages->cbPribPort);
    const quint8 storedPort = m_station.table.device(k).PribPort;
    auto table = std::make_shared<DeviceTable>(m_station.table);
    table->device(k).PribPort = link.PribPort;
    auto clock = std::make_shared<InstrumentClock>(m_clock);
    auto code = std::make_shared<int>(SettingsReadNoPort);
    runOperation(
        link.PribPort,
        [=](SerialSession &port) {
            *code =
                ReadInstrumentSettings(port, *table, k, link.PribBaud, link.PribAdr, clock.get());
        },
        [=] {
            m_station.table = *table;
            m_station.table.device(k).PribPort = storedPort;
            m_clock = *clock;
            if (*code != SettingsReadOk)
                ShowError(SettingsReadFailureText(*code));
            showClock(m_clock, 2000);
            ShowPribSettings(k);
            m_pages->editNamePrib->setText(typedName);
            m_pages->cbVkl->setChecked(typedVkl);
            ShowListValue(m_pages->cbPribPort, typedPort, QString::number(typedPort + 1));
            setBusy(false);
            if (*code == SettingsReadOk)
                ShowInformation(SettingsReadSuccessText());
        });
}

void FormNastrWare::BtnWriteClick()
{
    const int k = operationDevice();
    if (k == 0)
        return;
    const InstrumentSettings &record = m_station.table.device(k);
    if (WriteChangesLink(record, ListValue(m_pages->cbPribBaud), m_pages->upPribAdr->position()) &&
        !AskYesNo(LinkChangeQuestionText(), MessageIcon::Warning))
        return;
    if (!takeEdits(k, &m_station.table.staging))
        return;
    auto table = std::make_shared<DeviceTable>(m_station.table);
    auto code = std::make_shared<int>(SettingsWriteNoPort);
    runOperation(
        record.PribPort,
        [=](SerialSession &port) { *code = WriteInstrumentSettings(port, *table, k); },
        [=] {
            m_station.table = *table;
            const InstrumentSettings &written = m_station.table.device(k);
            if (*code == SettingsWriteLink) {
                // The instrument kept its link settings: so does the window, for the next try.
                ShowListValue(m_pages->cbPribPort, written.PribPort - 1,
                              QString::number(written.PribPort));
                ShowListValue(m_pages->cbPribBaud, written.PribBaud);
                m_pages->upPribAdr->setPosition(written.PribAdr);
            }
            if (*code == SettingsWriteOk)
                ShowInformation(SettingsWriteSuccessText());
            else
                ShowError(SettingsWriteFailureText(*code));
        });
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
    if (!isDevice(k) || m_busy)
        return;
    // The test reaches the instrument as the page shows it, before anything is taken.
    InstrumentSettings device = m_station.table.device(k);
    if (!m_pages->shownLink(&device))
        return;
    setEnabled(false);
    m_info->beginTest();
    CentreOver(m_info, this);
    m_info->show();
    m_busy = true;
    auto result = std::make_shared<LinkTestResult>();
    FormInfoUstr *info = m_info;
    const auto progress =
        ProgressTo(info, [info](const QString &caption) { info->showProgress(caption); });
    m_station.lines.worker(device.PribPort)
        .post([device, result,
               progress](SerialSession &port) { *result = RunLinkTest(port, device, progress); },
              this,
              [this, result] {
                  m_busy = false;
                  if (result->portOpened)
                      m_info->showResult(*result);
                  else
                      ShowError(LinkTestPortMessage);
                  // The settings window comes back when the operator closes the dialog.
                  m_info->endTest();
              });
}

// ---- Clock ----------------------------------------------------------------------------

void FormNastrWare::showClock(const InstrumentClock &clock, int century)
{
    // A clock that is no calendar date cannot be edited as one: the fields keep theirs.
    if (!IsCalendarClock(clock, century))
        return;
    m_pages->DateEdit->setText(ClockDateText(clock, century));
    m_pages->MaskTime->setText(ClockTimeText(clock));
}

void FormNastrWare::BtnReadTimeClick()
{
    const int k = operationDevice();
    if (k == 0)
        return;
    const InstrumentSettings device = m_station.table.device(k);
    auto clock = std::make_shared<InstrumentClock>();
    auto result = std::make_shared<ClockReadResult>(ClockReadResult::NoPort);
    runOperation(
        device.PribPort,
        [=](SerialSession &port) { *result = ReadInstrumentClock(port, device, clock.get()); },
        [=] {
            if (*result == ClockReadResult::Ok)
                showClock(*clock, CurrentCentury());
            else
                ShowError(ClockReadMessage(*result, *clock));
            setBusy(false);
            if (*result == ClockReadResult::Ok)
                ShowInformation(ClockReadMessage(*result, *clock));
        });
}

void FormNastrWare::BtnWriteTimeClick()
{
    const int k = operationDevice();
    if (k == 0)
        return;
    // The masked fields keep blanks in their empty places, which the checks expect.
    const ClockEntries checked =
        CheckClockEntries(m_pages->DateEdit->displayText(), m_pages->MaskTime->displayText());
    if (!checked.ok()) {
        ShowError(checked.message);
        return;
    }
    m_clock = checked.clock;
    const InstrumentSettings device = m_station.table.device(k);
    const InstrumentClock clock = m_clock;
    auto result = std::make_shared<ClockWriteResult>(ClockWriteResult::NoPort);
    runOperation(
        device.PribPort,
        [=](SerialSession &port) { *result = WriteInstrumentClock(port, device, clock); },
        [=] {
            if (*result != ClockWriteResult::Ok)
                ShowError(ClockWriteMessage(*result));
            setBusy(false);
            if (*result == ClockWriteResult::Ok)
                ShowInformation(ClockWriteMessage(*result));
        });
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
