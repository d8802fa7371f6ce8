#pragma once

#include "acquisition/archive_layout.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>

namespace zeltar::bench {

// A plausible poll record, the i-th of a series.
ArchiveRecord SampleRecord(int i);

// Fills a fresh copy of the template with records written straight into the file (far
// faster than appending them one by one with a sync each).
bool FillTable(const QString &path, int records);

// Writes a new table at path with records made by record(0) .. record(count - 1).
bool WriteTable(const QString &path, int count, const std::function<ArchiveRecord(int)> &record);

// The n-th record of a series polled at moment: a slow wave with noise, a short no-link
// run now and then.
ArchiveRecord WaveRecord(const QDateTime &moment, int n);

// The benchmarks' month of one device: MonthDevice's hourly tables from MonthStart for
// MonthDays days, a WaveRecord every stepSeconds, written into folder. False when a table
// cannot be written.
extern const QString MonthDevice;
extern const QDateTime MonthStart;
constexpr int MonthDays = 30;
bool WriteMonth(const QString &folder, int stepSeconds);

// Zeltar.ini of a station polling 16 instruments at TimeOpr 1, addresses 1 to 8 on each of
// the two lines given (COM1 and COM2).
QString SixteenInstrumentsIni(const QStringList &lines);

// Resident memory of this process in kB (0 where /proc is not there).
long ResidentKb();

} // namespace zeltar::bench
