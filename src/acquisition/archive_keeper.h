#pragma once

#include "acquisition/archive_layout.h"
#include "acquisition/polling_state.h"

#include <QDateTime>
#include <QString>

namespace zeltar {

class ArchiveTable;
class Station;

// The archive tables of the polling cycle: the period check and rollover, the current
// table of a device, made again when it has gone missing, and the record of a poll.
class ArchiveKeeper
{
public:
    explicit ArchiveKeeper(Station &station) : m_station(station) {}

    // Starts a new period when the current one has run out (or the clock was set back by
    // more than a period): a table for every device of ListVkl, the period written to the
    // configuration file, the journal line. Sets state.NewArh accordingly.
    void CheckPeriod();

    // The table of device n in the current period.
    QString CurrentTableName(int n) const;

    // Makes the current table of device n from the template when it does not exist (the
    // archive folder too), with its journal line; a link there that points nowhere is set
    // aside first. False when it still does not exist.
    bool EnsureCurrentTable(int n);

    // Opens the current table of device n for appending, made as EnsureCurrentTable does.
    // A file or folder there that is no table of the archive layout is set aside and a
    // fresh table made, with one journal line naming both. False, with the operator's
    // message in error, when no table could be opened.
    bool OpenCurrentTable(int n, ArchiveTable &table, QString *error);

    // The record of a poll of device n, stamped with the moment its reply was read.
    static ArchiveRecord PollRecord(const DevicePollState &poll, const QDateTime &now);

private:
    // The template, made afresh (with a journal line) when the one there is unusable.
    void ensureTemplate();
    bool makeTable(const QString &name);
    // Renames a table that records cannot go into, with its journal line.
    bool setAside(const QString &name);

    Station &m_station;
};

} // namespace zeltar
