// Measures the archive table layer on a table of 1,000,000 records against an empty one:
// the cost of appending one record (as the polling tick does it: open, append, close;
// with and without waiting for the disk) and of reading the newest 500 records as the
// chart does. Prints its figures; asserts nothing.
#include "acquisition/archive_layout.h"
#include "acquisition/archive_table.h"
#include "acquisition/archive_template.h"
#include "bench_tables.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace zeltar;
using zeltar::bench::FillTable;
using zeltar::bench::SampleRecord;

namespace {

constexpr int BigTableRecords = 1000000;
constexpr int Appends = 100;
constexpr int NewestRecords = 500;

double Median(std::vector<double> samples)
{
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

// Median microseconds of one tick's append: open for appending, append, close.
double AppendMicroseconds(const QString &path, bool sync)
{
    std::vector<double> samples;
    for (int i = 0; i < Appends; ++i) {
        QElapsedTimer timer;
        timer.start();
        ArchiveTable table;
        table.open(path, ArchiveTable::Mode::Append);
        table.setSyncOnAppend(sync);
        table.appendRecord(SampleRecord(i));
        table.close();
        samples.push_back(timer.nsecsElapsed() / 1000.0);
    }
    return Median(samples);
}

// Median milliseconds to open the table and read TIME and ZNAC of its newest records.
double NewestMilliseconds(const QString &path)
{
    std::vector<double> samples;
    double sink = 0;
    for (int round = 0; round < 20; ++round) {
        QElapsedTimer timer;
        timer.start();
        ArchiveTable table;
        table.open(path, ArchiveTable::Mode::Read);
        const int count = table.recordCount();
        for (int record = std::max(0, count - NewestRecords); record < count; ++record) {
            sink += table.readText(record, QStringLiteral("TIME")).size();
            sink += table.readDouble(record, QStringLiteral("ZNAC"));
        }
        samples.push_back(timer.nsecsElapsed() / 1e6);
    }
    if (sink < 0)
        std::puts("");
    return Median(samples);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    const QString progDir = folder.path() + QLatin1Char('/');
    const QString empty = progDir + QStringLiteral("empty.dbf");
    const QString big = progDir + QStringLiteral("big.dbf");
    if (!EnsureTemplate(progDir) || !CopyTemplate(ArchiveTemplatePath(progDir), empty) ||
        !CopyTemplate(ArchiveTemplatePath(progDir), big)) {
        std::fprintf(stderr, "cannot make the tables in %s\n", qPrintable(progDir));
        return 1;
    }
    QElapsedTimer fill;
    fill.start();
    if (!FillTable(big, BigTableRecords)) {
        std::fprintf(stderr, "cannot fill %s\n", qPrintable(big));
        return 1;
    }
    std::printf("table of %d records written in %lld ms (%.1f MB)\n", BigTableRecords,
                static_cast<long long>(fill.elapsed()), QFile(big).size() / 1e6);

    for (const bool sync : {true, false}) {
        const double emptyUs = AppendMicroseconds(empty, sync);
        const double bigUs = AppendMicroseconds(big, sync);
        std::printf("append (open, append, close), %s: empty table %.0f us, %d records %.0f us, "
                    "ratio %.2f (goal <= 1.5)\n",
                    sync ? "synced to disk" : "without sync", emptyUs, BigTableRecords, bigUs,
                    bigUs / emptyUs);
    }
    std::printf("open and read the newest %d records of %d: %.2f ms (goal <= 10 ms)\n",
                NewestRecords, BigTableRecords, NewestMilliseconds(big));
    return 0;
}
