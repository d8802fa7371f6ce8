// Writes past polling archives for trying the history page by hand and for its screenshots:
// one-hour tables of a device for the given number of days before the current hour, a
// record every 10 s, a slow daily wave with a dip in the night and a no-link run now and
// then.
//   bench_history_data FOLDER DEVICE_NAME DAYS
#include "acquisition/polling_state.h"
#include "bench_tables.h"

#include <QCoreApplication>
#include <QDir>

#include <cmath>
#include <cstdio>

using namespace zeltar;

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: bench_history_data FOLDER DEVICE_NAME DAYS\n");
        return 3;
    }
    const QString folder = args.at(1);
    const QString device = args.at(2);
    const int hours = args.at(3).toInt() * 24;
    QDir().mkpath(folder);
    const QDateTime now = QDateTime::currentDateTime();
    const QDateTime thisHour(now.date(), QTime(now.time().hour(), 0));
    for (int h = hours; h >= 1; --h) {
        const QDateTime period = thisHour.addSecs(-3600LL * h);
        const QString path = QDir(folder).filePath(
            device + period.toString(QStringLiteral("_yy_MM_dd_HH")) + QStringLiteral(".dbf"));
        bench::WriteTable(path, 360, [&](int i) {
            const QDateTime moment = period.addSecs(10LL * i);
            const double hour = moment.time().msecsSinceStartOfDay() / 3600000.0;
            ArchiveRecord record;
            record.data = moment.date().toString(QStringLiteral("dd.MM.yyyy"));
            record.time = moment.time().toString(QStringLiteral("HH:mm:ss"));
            const bool dip = hour >= 3.0 && hour < 3.5;
            record.znac = float(60.0 + 15.0 * std::sin(hour / 24.0 * 2 * M_PI) -
                                (dip ? 25.0 : 0.0) + (i * 7919 % 50) / 25.0);
            if (h % 17 == 0 && i >= 100 && i < 130) {
                record.znac = NoLinkValue;
                record.noLink = 1;
            }
            record.stat = 3;
            record.rele = record.znac > 70 && !record.noLink ? 8 : 0;
            record.step = 1;
            return record;
        });
    }
    std::printf("%d tables of %s in %s\n", hours, qPrintable(device), qPrintable(folder));
    return 0;
}
