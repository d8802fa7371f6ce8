// zeltar-shots: renders the main window's pages, as a station folder shows them after a
// few seconds of polling, to PNG files. For the README and for checking the look of the
// window without a display (run with QT_QPA_PLATFORM=offscreen).
#include "acquisition/archive_layout.h"
#include "acquisition/archive_names.h"
#include "acquisition/archive_table.h"
#include "acquisition/polling_cycle.h"
#include "acquisition/station.h"
#include "alarms/alarm_monitor.h"
#include "alarms/alarm_settings.h"
#include "core/message_service.h"
#include "history/record_moment.h"
#include "ui/alarm_history_panel.h"
#include "ui/alarm_page.h"
#include "ui/alarms_panel.h"
#include "ui/chart_page.h"
#include "ui/form_main.h"
#include "ui/form_nastr_ware.h"
#include "ui/history_panel.h"
#include "ui/range_chart_widget.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLibraryInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QTranslator>
#include <QTreeWidget>

#include <cmath>
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

// A day of hourly tables of the first device before the current hour, 10-second records: a
// furnace slowly cycling, a dip when its door was opened and a few minutes without link.
bool writePastDay(Station &station)
{
    const QString name = station.table.device(1).PribName;
    const QDateTime thisHour(QDate::currentDate(), QTime(QTime::currentTime().hour(), 0));
    const QDateTime start = thisHour.addSecs(-24 * 3600);
    const QDateTime dip = thisHour.addSecs(-5 * 3600 + 1200);
    const QDateTime silent = thisHour.addSecs(-14 * 3600 + 1800);
    for (int hour = 0; hour < 24; ++hour) {
        const QDateTime periodStart = start.addSecs(hour * 3600);
        const QString path =
            ArchiveTablePath(station.settings.PathArh, name, PeriodNamePart(periodStart));
        ArchiveTable table;
        if (!ArchiveTable::create(path, ArchiveLayout()) ||
            !table.open(path, ArchiveTable::Mode::Append))
            return false;
        table.setSyncOnAppend(false);
        for (int i = 0; i < 360; ++i) {
            const QDateTime moment = periodStart.addSecs(i * 10);
            const double t = start.secsTo(moment) / 3600.0;
            double value = 62 + 12 * std::sin(t * 2 * M_PI / 8) + 0.6 * std::sin(i * 1.7);
            const qint64 intoDip = dip.secsTo(moment);
            if (intoDip >= 0 && intoDip < 900)
                value -= 18 * std::sin(M_PI * intoDip / 900.0);
            const qint64 intoSilence = silent.secsTo(moment);
            const bool noLink = intoSilence >= 0 && intoSilence < 300;
            ArchiveRecord record;
            record.data = moment.toString(QStringLiteral("dd.MM.yyyy"));
            record.time = moment.toString(QStringLiteral("HH:mm:ss"));
            record.znac = noLink ? 200000.0f : float(value);
            record.stat = noLink ? 0 : 3;
            record.rele = value > 70 ? 1 : 0;
            record.step = 1;
            record.noLink = noLink ? 1 : 0;
            if (!table.appendRecord(record))
                return false;
        }
    }
    return true;
}

// The window with the dialog that is open over it, as the screen shows them.
QPixmap grabWithDialog(FormMain &form, QWidget *dialog)
{
    QPixmap picture = form.grab();
    QPainter painter(&picture);
    painter.drawPixmap(dialog->mapToGlobal(QPoint(0, 0)) - form.mapToGlobal(QPoint(0, 0)),
                       dialog->grab());
    return picture;
}

// The history page: an earlier period, the last day and its report, a zoom into the dip and
// the CSV export of what is on show.
bool saveHistory(FormMain &form, const QString &outDir)
{
    HistoryPanel *history = form.tsHistory;
    form.PageControl1->setCurrentWidget(history);
    settle(300);
    if (history->lvHistPeriods->topLevelItemCount() < 7)
        return false;
    QTreeWidgetItem *period = history->lvHistPeriods->topLevelItem(6);
    history->lvHistPeriods->setCurrentItem(period);
    Q_EMIT history->lvHistPeriods->itemClicked(period, 0);
    settle(500);
    bool ok = form.grab().save(outDir + QStringLiteral("/history-period.png"));

    history->btnHistDay->click();
    settle(500);
    ok = ok && form.grab().save(outDir + QStringLiteral("/history-day.png"));

    // The report of the day in its print preview over the window.
    history->btnHistReport->click();
    settle(1000);
    if (auto *preview = form.findChild<QPrintPreviewDialog *>()) {
        preview->resize(760, 900);
        settle(500);
        ok = ok && preview->grab().save(outDir + QStringLiteral("/history-report.png"));
        preview->close();
        settle(300);
    } else {
        ok = false;
    }

    const QDateTime thisHour(QDate::currentDate(), QTime(QTime::currentTime().hour(), 0));
    const WallSeconds dip = ToWallSeconds(thisHour.addSecs(-5 * 3600 + 1200));
    history->chartHist->setTimeWindow(double(dip - 1800), double(dip + 2700));
    settle(300);
    // The readout at the bottom of the dip, as the mouse there shows it.
    const QRect plot = history->chartHist->rect();
    QMouseEvent move(QEvent::MouseMove, QPointF(plot.width() * 0.52, plot.height() / 2.0),
                     history->chartHist->mapToGlobal(QPointF(plot.width() * 0.52, 0)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(history->chartHist, &move);
    settle(300);
    ok = ok && form.grab().save(outDir + QStringLiteral("/history-zoom.png"));

    QTimer::singleShot(800, &form, [&form, &ok, outDir] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            ok = false;
            return;
        }
        ok =
            ok && grabWithDialog(form, dialog).save(outDir + QStringLiteral("/history-export.png"));
        dialog->reject();
    });
    history->btnHistCsv->click();
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
    // Qt's own dialogs in Russian, as the station shows them.
    QTranslator qtTranslations;
    if (qtTranslations.load(QStringLiteral("qtbase_ru"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslations);
    const QStringList args = QApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: zeltar-shots STATION_DIR OUTPUT_DIR [SECONDS]\n");
        return 2;
    }
    const QString outDir = args.at(2);
    const int seconds = args.size() > 3 ? args.at(3).toInt() : 8;
    QDir().mkpath(outDir);

    Station station(args.at(1));
    if (!station.loadConfiguration() || !writePastDay(station)) {
        std::fprintf(stderr, "the past day's tables could not be written\n");
        return 1;
    }
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
    form.twData->setCurrentItem(form.twData->topLevelItem(1));
    ok = ok && saveHistory(form, outDir);
    form.cycle().btnStopClick();
    ok = ok && saveSettings(station, form, outDir);
    ok = ok && saveAlarms(station, form, outDir, qMax(6, seconds / 2));
    form.closeWithoutQuestion();
    std::printf("%s\n", ok ? "pages saved" : "a page could not be saved");
    return ok ? 0 : 1;
}
