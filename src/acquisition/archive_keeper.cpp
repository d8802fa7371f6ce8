#include "acquisition/archive_keeper.h"

#include "acquisition/archive_names.h"
#include "acquisition/archive_table.h"
#include "acquisition/archive_template.h"
#include "acquisition/dbf_table_file.h"
#include "acquisition/station.h"
#include "core/clock.h"
#include "core/date_time_text.h"
#include "core/file_sync.h"

#include <QDir>
#include <QFileInfo>

namespace zeltar {

void ArchiveKeeper::CheckPeriod()
{
    PollingState &state = m_station.state;
    ProgramSettings &settings = m_station.settings;
    state.NewArh = false;
    const QDateTime now = Clock::now();
    if (!IsNewPeriod(settings.TimeLastArh, settings.TimeArh, HourNumber(now)))
        return;

    // The tables of the period that ends are left clean: a partial record that a crash or a
    // full disk left behind would otherwise stay in them for good.
    for (int pos = 1; pos <= state.CountVkl; ++pos) {
        const QString ending = CurrentTableName(state.listed(pos));
        QString ignored;
        if (QFileInfo(ending).isFile())
            RepairDbfFile(ending, &ignored, IsArchiveLayout);
    }
    settings.TimeLastArh = HourNumber(now);
    state.NewArh = true;
    const QString namePart = PeriodNamePart(now);
    const QString templatePath = m_station.templatePath();
    ensureTemplate();
    for (int pos = 1; pos <= state.CountVkl; ++pos) {
        // A table of that name may exist already (clock set back, restart within the same
        // hour): its records stay and the new ones are appended to it.
        const int n = state.listed(pos);
        CopyTemplate(
            templatePath,
            ArchiveTablePath(settings.PathArh, m_station.table.device(n).PribName, namePart),
            TemplateCopy::KeepExisting);
    }
    settings.TimeLastArh1 = namePart;
    if (!WriteArchivePeriod(m_station.ini, settings)) {
        // The period goes on in memory; a restart begins another one.
        m_station.journal.AddProgMes(QStringLiteral("Период архива не сохранён. ") +
                                     m_station.ini.errorString());
    }
    m_station.journal.AddProgMes(QStringLiteral("Созданы новые архивы данных"));
}

QString ArchiveKeeper::CurrentTableName(int n) const
{
    return ArchiveTablePath(m_station.settings.PathArh, m_station.table.device(n).PribName,
                            m_station.settings.TimeLastArh1);
}

void ArchiveKeeper::ensureTemplate()
{
    QString aside;
    EnsureTemplate(m_station.ProgDir(), &aside);
    if (!aside.isEmpty()) {
        m_station.journal.AddProgMes(
            QStringLiteral("Шаблон архива %1 испорчен и сохранён как %2, сделан новый")
                .arg(ArchiveTemplateName, QFileInfo(aside).fileName()));
    }
}

bool ArchiveKeeper::makeTable(const QString &name)
{
    ensureTemplate();
    // An archive folder removed while polling is made again; only the folder itself, so
    // that a missing mount point never gets a folder of that name on another disk.
    const QString folder = QFileInfo(name).absolutePath();
    if (!QFileInfo::exists(folder) && QDir().mkdir(folder))
        SyncFolderOf(folder);
    return CopyTemplate(m_station.templatePath(), name, TemplateCopy::KeepExisting);
}

bool ArchiveKeeper::setAside(const QString &name)
{
    // Records cannot go into it; it is kept under another name for whoever wants to look.
    const QString aside = SetAside(name);
    if (aside.isEmpty())
        return false;
    m_station.journal.AddProgMes(QStringLiteral("Архив %1 испорчен и сохранён как %2, начат новый")
                                     .arg(QFileInfo(name).fileName(), QFileInfo(aside).fileName()));
    return true;
}

bool ArchiveKeeper::EnsureCurrentTable(int n)
{
    const QString name = CurrentTableName(n);
    if (QFileInfo::exists(name))
        return true;
    // A link that points nowhere is never followed to make a table elsewhere.
    if (QFileInfo(name).isSymLink())
        return setAside(name) && makeTable(name);
    if (!makeTable(name))
        return false;
    m_station.journal.AddProgMes(QStringLiteral("Восстановлен архив ") +
                                 QFileInfo(name).fileName());
    return true;
}

bool ArchiveKeeper::OpenCurrentTable(int n, ArchiveTable &table, QString *error)
{
    const QString name = CurrentTableName(n);
    if (!EnsureCurrentTable(n)) {
        *error = QStringLiteral("Не могу создать архив %1").arg(name);
        return false;
    }
    if (table.open(name, ArchiveTable::Mode::Append))
        return true;
    *error = QStringLiteral("Не могу открыть архив %1: %2").arg(name, table.errorString());
    if (!table.notATable())
        return false; // out of reach for now (rights, a lock): tried again at the next tick
    if (!setAside(name))
        return false;
    if (!makeTable(name)) {
        *error = QStringLiteral("Не могу создать архив %1").arg(name);
        return false;
    }
    if (table.open(name, ArchiveTable::Mode::Append))
        return true;
    *error = QStringLiteral("Не могу открыть архив %1: %2").arg(name, table.errorString());
    return false;
}

ArchiveRecord ArchiveKeeper::PollRecord(const DevicePollState &poll, const QDateTime &now)
{
    ArchiveRecord record;
    record.data = ArchiveDateText(now.date());
    record.time = ArchiveTimeText(now.time());
    record.znac = poll.PribZnac;
    record.stat = poll.PribStat;
    record.rele = poll.PribRele;
    record.step = poll.PribNomReg;
    record.noLink = poll.PribNoLink;
    return record;
}

} // namespace zeltar
