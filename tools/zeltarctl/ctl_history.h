#pragma once

#include "ctl_options.h"

#include <QTextStream>

namespace zeltar::ctl {

// `tables [--device N]`: the archive tables of DIR's archive folder, one line each (file
// name, records, first and last record), those of device N only when it is given.
int RunTablesCommand(const Invocation &invocation, QTextStream &out, QTextStream &err);

// `export [--from MOMENT] [--to MOMENT] [--output FILE]`: device N's records from all its
// tables within the range, as machine CSV on stdout or into FILE.
int RunExportCommand(const Invocation &invocation, QTextStream &out, QTextStream &err);

// `report [--from MOMENT] [--to MOMENT] --output FILE.pdf`: device N's report over the
// range (its chart, statistics, alarms and table of hours or days) as a PDF.
int RunReportCommand(const Invocation &invocation, QTextStream &err);

// `alarms [--from MOMENT] [--to MOMENT]`: the alarm history of DIR's archive folder as CSV
// on stdout (date,time,device,name,kind,state,value,limit).
int RunAlarmsCommand(const Invocation &invocation, QTextStream &out, QTextStream &err);

} // namespace zeltar::ctl
