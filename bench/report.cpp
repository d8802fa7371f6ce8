// Times a report over a month of records every 3 s (864 000 in 30 daily tables): the
// range found, the records read and summed up, the PDF drawn and written.
//   bench_report [FILE.pdf]   (the report is kept in FILE when given)
#include "acquisition/polling_state.h"
#include "bench_tables.h"
#include "history/archive_index.h"
#include "report/report_document.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>

using namespace zeltar;

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    QTemporaryDir dir;
    const QString output = argc > 1 ? QString::fromLocal8Bit(argv[1]) : dir.filePath("month.pdf");
    const QDate first(2026, 11, 1);
    constexpr int Days = 30;
    constexpr int PerDay = 86400 / 3;
    for (int day = 0; day < Days; ++day) {
        const QDate date = first.addDays(day);
        const QString path = dir.filePath(
            QStringLiteral("Печь 1_%1_00.dbf").arg(date.toString(QStringLiteral("yy_MM_dd"))));
        const bool written = bench::WriteTable(path, PerDay, [&](int i) {
            ArchiveRecord record;
            record.data = date.toString(QStringLiteral("dd.MM.yyyy"));
            record.time = QTime(0, 0).addSecs(3 * i).toString(QStringLiteral("HH:mm:ss"));
            record.znac = float(800.0 + 150.0 * std::sin((day * PerDay + i) / 20000.0) +
                                (i * 7919 % 40) / 10.0);
            if (day % 7 == 3 && i >= 5000 && i < 5400) {
                record.znac = NoLinkValue;
                record.noLink = 1;
            }
            record.stat = 3;
            return record;
        });
        if (!written) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }

    QElapsedTimer timer;
    timer.start();
    ArchiveIndex index(dir.path());
    index.refresh();
    ReportSource source;
    source.deviceName = QStringLiteral("Печь 1");
    source.stationDir = dir.path();
    source.range =
        RangeOfTables(index.tablesOf(source.deviceName), std::numeric_limits<WallSeconds>::min(),
                      std::numeric_limits<WallSeconds>::max());
    ReportData data;
    QString error;
    if (!LoadReportData(source, QDateTime::currentDateTime(), &data, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const qint64 loaded = timer.elapsed();
    if (!WriteReportPdf(data, output, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const qint64 total = timer.elapsed();
    std::printf("report over %lld records in %d tables: %lld ms (index, range, records and "
                "statistics %lld ms, PDF %lld ms), %lld kB\n",
                data.statistics.records, Days, total, loaded, total - loaded,
                QFileInfo(output).size() / 1024);
    return 0;
}
