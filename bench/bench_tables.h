#pragma once

#include "acquisition/archive_layout.h"

#include <QString>

namespace zeltar::bench {

// A plausible poll record, the i-th of a series.
ArchiveRecord SampleRecord(int i);

// Fills a fresh copy of the template with records written straight into the file (far
// faster than appending them one by one with a sync each).
bool FillTable(const QString &path, int records);

} // namespace zeltar::bench
