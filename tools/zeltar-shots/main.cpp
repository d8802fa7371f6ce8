// zeltar-shots: renders the main window's pages, as a station folder shows them after a
// few seconds of polling, to PNG files. For the README and for checking the look of the
// window without a display (run with QT_QPA_PLATFORM=offscreen).
#include "acquisition/polling_cycle.h"
#include "acquisition/station.h"
#include "alarms/alarm_monitor.h"
#include "alarms/alarm_settings.h"
#include "core/message_service.h"
#include "ui/alarm_history_panel.h"
#include "ui/alarm_page.h"
#include "ui/alarms_panel.h"
#include "ui/chart_page.h"
#include "ui/form_main.h"
#include "ui/form_nastr_ware.h"

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>

using namespace zeltar;

namespace {

void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool save(FormMain &form, QWidget *page, const QString &file)
{
    form.PageControl1->setCurrentWidget(page);
    settle(300);
    return form.grab().save(file);
}

// The settings window's three pages, shown without its modal loop.
bool saveSettings(Station &station, FormMain &form, const QString &outDir)
{
    FormNastrWare settings(station, &form);
    settings.prepareEntering();
    settings.show();
    settle(300);
    bool ok = settings.grab().save(outDir + QStringLiteral("/settings-program.png"));
    settings.twNastr->setCurrentItem(settings.twNastr->topLevelItem(1));
    settle(300);
    ok = ok && settings.grab().save(outDir + QStringLiteral("/settings-instrument.png"));
    settings.pcNastr->setCurrentWidget(settings.tabNastrReg);
    settle(300);
    ok = ok && settings.grab().save(outDir + QStringLiteral("/settings-regulation.png"));
    settings.hide();
    return ok;
}

// The alarms, set once the other pages are saved (those show a station without alarms):
// a high limit on the first instrument and a low one on the second, which the demo's wave
// keeps one of them beyond, and no link on the silent third. Then the alarm list with its
// history after some polls, the no-link alarm acknowledged, and the settings page.
bool saveAlarms(Station &station, FormMain &form, const QString &outDir, int seconds)
{
    DeviceAlarmSettings high;
    high.AlarmHigh = 40;
    high.AlarmDeadband = 2;
    DeviceAlarmSettings low;
    low.AlarmLow = 60;
    DeviceAlarmSettings silent;
    silent.AlarmNoLink = 2;
    if (!WriteDeviceAlarms(station.ini, 1, high) || !WriteDeviceAlarms(station.ini, 2, low) ||
        !WriteDeviceAlarms(station.ini, 3, silent))
        return false;
    form.alarms().load();
    form.tsAlarms->load();
    form.RebuildMainTree();
    form.cycle().btnStartClick();
    settle(seconds * 1000);
    form.alarms().acknowledge(3, AlarmKind::NoLink);
    form.twData->setCurrentItem(form.twData->topLevelItem(1));
    form.tsAlarms->AlarmHistory->btnAlarmHistDay->click();
    bool ok = save(form, form.tsAlarms, outDir + QStringLiteral("/alarms.png"));
    form.cycle().btnStopClick();
    settle(2000);

    FormNastrWare settings(station, &form);
    settings.prepareEntering();
    settings.show();
    settings.twNastr->setCurrentItem(settings.twNastr->topLevelItem(1));
    settings.pcNastr->setCurrentWidget(settings.tabNastrAlarm);
    settle(300);
    ok = ok && settings.grab().save(outDir + QStringLiteral("/settings-alarms.png"));
    settings.hide();
    return ok;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: zeltar-shots STATION_DIR OUTPUT_DIR [SECONDS]\n");
        return 2;
    }
    const QString outDir = args.at(2);
    const int seconds = args.size() > 3 ? args.at(3).toInt() : 8;
    QDir().mkpath(outDir);

    Station station(args.at(1));
    FormMain form(station);
    form.show();
    if (!form.FormShow())
        return 1;
    settle(seconds * 1000);

    form.twData->setCurrentItem(form.twData->topLevelItem(1));
    bool ok = save(form, form.tsCurrentData, outDir + QStringLiteral("/current-values.png")) &&
              save(form, form.tsArh, outDir + QStringLiteral("/table.png")) &&
              save(form, form.tsGraf, outDir + QStringLiteral("/chart.png"));
    form.twData->setCurrentItem(form.twData->topLevelItem(0));
    ok = ok && save(form, form.tsProgJournal, outDir + QStringLiteral("/journal.png"));
    form.cycle().btnStopClick();
    ok = ok && saveSettings(station, form, outDir);
    ok = ok && saveAlarms(station, form, outDir, qMax(6, seconds / 2));
    form.closeWithoutQuestion();
    std::printf("%s\n", ok ? "pages saved" : "a page could not be saved");
    return ok ? 0 : 1;
}
