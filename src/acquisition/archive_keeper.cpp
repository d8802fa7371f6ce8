#include "acquisition/archive_keeper.h"

#include "acquisition/archive_names.h"
#include "acquisition/archive_template.h"
#include "acquisition/station.h"
#include "core/clock.h"
#include "core/date_time_text.h"
#include "link/event_wait.h"

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

    settings.TimeLastArh = HourNumber(now);
    state.NewArh = true;
    const QString namePart = PeriodNamePart(now);
    const QString templatePath = m_station.templatePath();
    EnsureTemplate(m_station.ProgDir());
    for (int pos = 1; pos <= state.CountVkl; ++pos) {
        EventWait::processPending();
        // A table of that name may exist already (clock set back, restart within the same
        // hour): its records stay and the new ones are appended to it.
        const int n = state.listed(pos);
        CopyTemplate(
            templatePath,
            ArchiveTablePath(settings.PathArh, m_station.table.device(n).PribName, namePart),
            TemplateCopy::KeepExisting);
    }
    settings.TimeLastArh1 = namePart;
    WriteArchivePeriod(m_station.ini, settings);
    EventWait::pause(100);
    m_station.journal.AddProgMes(QStringLiteral("Созданы новые архивы данных"));
}

QString ArchiveKeeper::CurrentTableName(int n) const
{
    return ArchiveTablePath(m_station.settings.PathArh, m_station.table.device(n).PribName,
                            m_station.settings.TimeLastArh1);
}

bool ArchiveKeeper::EnsureCurrentTable(int n)
{
    const QString name = CurrentTableName(n);
    if (QFileInfo::exists(name))
        return true;
    EnsureTemplate(m_station.ProgDir());
    if (!CopyTemplate(m_station.templatePath(), name, TemplateCopy::KeepExisting))
        return false;
    m_station.journal.AddProgMes(QStringLiteral("Восстановлен архив ") +
                                 QFileInfo(name).fileName());
    return true;
}

ArchiveRecord ArchiveKeeper::PollRecord(const DevicePollState &poll)
{
    const QDateTime now = Clock::now();
    ArchiveRecord record;
    record.data = DateText(now.date());
    record.time = TimeText(now.time());
    record.znac = poll.PribZnac;
    record.stat = poll.PribStat;
    record.rele = poll.PribRele;
    record.step = poll.PribNomReg;
    record.noLink = poll.PribNoLink;
    return record;
}

} // namespace zeltar
