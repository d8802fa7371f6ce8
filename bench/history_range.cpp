// Measures the archive history on a month of polling: 30 days of one-hour tables of one
// device with a record every 3 s (720 tables, 864,000 records). Prints the time to open
// the whole range on the chart from cold files and warm, a redraw on zoom and pan, the
// export of the whole range in both forms, the memory above the baseline, the index of a
// folder of 10,000 tables, and the lateness of a 1 s timer tick (as polling's) while a
// range is opened and while it is zoomed and panned. Run offscreen and with nice; the
// figures assert nothing.
//   bench_history_range [FOLDER]   the month's tables in FOLDER, made there when missing
#include "acquisition/polling_state.h"
#include "bench_tables.h"
#include "history/archive_index.h"
#include "history/csv_export.h"
#include "history/history_series.h"
#include "ui/range_chart_widget.h"
#include "ui/range_table_model.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <ctime>

#ifdef __linux__
#include <fcntl.h>
#include <unistd.h>
#endif

using namespace zeltar;

namespace {

const QString &Device = bench::MonthDevice;
const QDateTime &Start = bench::MonthStart;
constexpr int Days = bench::MonthDays;

// Puts the folder's files out of the page cache, as after a restart of the machine.
void MakeCold(const QString &folder)
{
#ifdef __linux__
    for (const QFileInfo &info : QDir(folder).entryInfoList(QDir::Files)) {
        const int fd = ::open(QFile::encodeName(info.filePath()).constData(), O_RDONLY);
        if (fd >= 0) {
            ::fdatasync(fd);
            ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
            ::close(fd);
        }
    }
#else
    Q_UNUSED(folder)
#endif
}

double Ms(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

// Wall-clock and processor time of a piece of work; on a shared machine the processor time
// says what the work costs, the wall-clock time what the operator waited.
struct Stopwatch
{
    QElapsedTimer wall;
    std::clock_t cpu = 0;

    Stopwatch() { restart(); }
    void restart()
    {
        wall.start();
        cpu = std::clock();
    }
    double wallMs() const { return Ms(wall); }
    double cpuMs() const { return double(std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC; }
};

// Opening the month as the history page does: index brought up to date (the page keeps
// its index, so only the first opening reads every table), range, series, grid model,
// first paint.
Stopwatch OpenMonth(ArchiveIndex &index, RangeChartWidget &chart, RangeTableModel &model,
                    QImage &surface, double *cpuMs)
{
    Stopwatch timer;
    index.refresh();
    const HistoryRange range = RangeOfTables(index.tablesOf(Device), ToWallSeconds(Start),
                                             ToWallSeconds(Start.addDays(Days)));
    HistorySeries series;
    LoadSeries(range, &series);
    chart.setSeries(std::move(series));
    model.setRange(range);
    QPainter painter(&surface);
    chart.paintChart(painter, surface.size());
    *cpuMs = timer.cpuMs();
    return timer;
}

// Lateness of a 1 s precise timer's ticks while work runs between them.
struct Lateness
{
    double worst = 0;
    double sum = 0;
    int ticks = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    QTemporaryDir dir;
    // A folder given on the command line keeps the month's tables for the next run.
    const QString month = argc > 1 ? QString::fromLocal8Bit(argv[1]) : dir.filePath("month");
    QDir().mkpath(month);
    const bool made = QDir(month).entryList(QDir::Files).size() == Days * 24;
    QElapsedTimer timer;
    timer.start();
    if (!made) {
        bench::WriteMonth(month, 3);
        std::printf("made 720 tables, 864000 records in %.0f ms\n", Ms(timer));
    }

    RangeChartWidget chart;
    chart.resize(1000, 400);
    RangeTableModel model;
    QTableView grid;
    grid.setModel(&model);
    QImage surface(chart.size(), QImage::Format_ARGB32_Premultiplied);
    const long baseline = bench::ResidentKb();

    MakeCold(month);
    double coldCpu = 0;
    double warmCpu = 0;
    ArchiveIndex monthIndex(month);
    const double cold = OpenMonth(monthIndex, chart, model, surface, &coldCpu).wallMs();
    const double warm = OpenMonth(monthIndex, chart, model, surface, &warmCpu).wallMs();
    std::printf("open 30 days on the chart: cold %.0f ms (cpu %.0f ms; goal 1000), warm %.0f ms "
                "(cpu %.0f ms; goal 200), %d records drawn of %d\n",
                cold, coldCpu, warm, warmCpu, chart.drawnRecords(), chart.series().size());
    const long afterOpen = bench::ResidentKb();

    // Zoom in step by step around the middle, then pan across the month.
    double worstRedraw = 0;
    double sumRedraw = 0;
    double cpuRedraw = 0;
    int redraws = 0;
    auto redraw = [&] {
        Stopwatch paint;
        QPainter painter(&surface);
        chart.paintChart(painter, surface.size());
        const double ms = paint.wallMs();
        worstRedraw = std::max(worstRedraw, ms);
        sumRedraw += ms;
        cpuRedraw += paint.cpuMs();
        ++redraws;
    };
    const double middle = (chart.viewFrom() + chart.viewTo()) / 2;
    for (int step = 0; step < 30; ++step) {
        chart.zoomTime(0.8, middle);
        redraw();
    }
    chart.resetView();
    chart.zoomTime(0.1, chart.viewFrom());
    for (int step = 0; step < 30; ++step) {
        chart.panTime((chart.viewTo() - chart.viewFrom()) / 3);
        redraw();
    }
    std::printf("redraw on zoom and pan: mean %.1f ms (cpu %.1f ms), worst %.1f ms (goal 50) "
                "over %d\n",
                sumRedraw / redraws, cpuRedraw / redraws, worstRedraw, redraws);

    for (const CsvForm form : {CsvForm::Spreadsheet, CsvForm::Machine}) {
        Stopwatch exporting;
        const qint64 rows = ExportCsvFile(model.range(), form, dir.filePath("month.csv"));
        std::printf("export of the whole range (%s): %.0f ms (cpu %.0f ms; goal 3000), %lld "
                    "records, %lld bytes\n",
                    form == CsvForm::Machine ? "machine" : "spreadsheet", exporting.wallMs(),
                    exporting.cpuMs(), static_cast<long long>(rows),
                    static_cast<long long>(QFileInfo(dir.filePath("month.csv")).size()));
    }
    const long afterExport = bench::ResidentKb();
    std::printf("memory above the baseline: %ld kB after opening, %ld kB after the exports "
                "(goal 65536)\n",
                afterOpen - baseline, afterExport - baseline);

    // Ticks of a 1 s timer while the range is opened again (cold) and while it is zoomed
    // and panned for a few seconds.
    auto measureTicks = [&](const char *what, const std::function<void()> &work) {
        Lateness lateness;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(1000);
        QElapsedTimer since;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            const double late = std::max(0.0, Ms(since) - 1000.0);
            lateness.worst = std::max(lateness.worst, late);
            lateness.sum += late;
            ++lateness.ticks;
            since.restart();
        });
        since.start();
        tick.start();
        work();
        std::printf("tick lateness %s: mean %.1f ms, worst %.1f ms over %d ticks\n", what,
                    lateness.ticks ? lateness.sum / lateness.ticks : 0.0, lateness.worst,
                    lateness.ticks);
    };
    measureTicks("while zooming and panning for 6 s", [&] {
        QElapsedTimer run;
        run.start();
        while (run.elapsed() < 6000) {
            chart.zoomTime(run.elapsed() % 2000 < 1000 ? 0.9 : 1.1, middle);
            redraw();
            QEventLoop loop;
            QTimer::singleShot(50, &loop, &QEventLoop::quit);
            loop.exec();
        }
    });
    const auto serveTimers = [] {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
    for (int i = 1; i <= 3; ++i) {
        MakeCold(month);
        measureTicks("while the month is opened from cold files", [&] {
            ArchiveIndex index(month);
            index.refresh(serveTimers);
            const HistoryRange range = RangeOfTables(index.tablesOf(Device), ToWallSeconds(Start),
                                                     ToWallSeconds(Start.addDays(Days)));
            HistorySeries series;
            LoadSeries(range, &series, nullptr, serveTimers);
            // Long enough for a tick to fall inside the opening.
            QEventLoop loop;
            QTimer::singleShot(1100, &loop, &QEventLoop::quit);
            loop.exec();
        });
    }

    // The index of a folder of 10,000 tables.
    const QString many = dir.filePath(QStringLiteral("many"));
    QDir().mkpath(many);
    for (int t = 0; t < 10000; ++t) {
        const QDateTime period = Start.addSecs(qint64(t) * 3600);
        bench::WriteTable(QDir(many).filePath(QStringLiteral("Прибор %1").arg(t % 16) +
                                              period.toString(QStringLiteral("_yy_MM_dd_HH")) +
                                              QStringLiteral(".dbf")),
                          10, [&](int i) { return bench::WaveRecord(period.addSecs(i * 3), i); });
    }
    MakeCold(many);
    ArchiveIndex index(many);
    Stopwatch indexing;
    index.refresh();
    const double coldIndex = indexing.wallMs();
    const double coldIndexCpu = indexing.cpuMs();
    ArchiveIndex again(many);
    indexing.restart();
    again.refresh();
    const double warmIndex = indexing.wallMs();
    const double warmIndexCpu = indexing.cpuMs();
    indexing.restart();
    again.refresh();
    std::printf("index of %d tables: cold %.0f ms (cpu %.0f ms), warm %.0f ms (cpu %.0f ms; goal "
                "2000); refresh with nothing changed %.0f ms (cpu %.0f ms)\n",
                int(index.tables().size()), coldIndex, coldIndexCpu, warmIndex, warmIndexCpu,
                indexing.wallMs(), indexing.cpuMs());
    return 0;
}
