// The regulation program's buttons and the step editor of the settings window: the
// program is edited in the instrument's record itself.
#include "acquisition/station.h"
#include "core/message_service.h"
#include "instrument/regulation_program.h"
#include "ui/form_edit_snap.h"
#include "ui/form_nastr_ware.h"
#include "ui/instrument_pages.h"
#include "ui/window_helpers.h"

namespace zeltar {

void FormNastrWare::ShowPribSettings(int n)
{
    if (isDevice(n))
        m_pages->show(m_station.table.device(n));
}

void FormNastrWare::ShowProgram(int n, ProgramValueFormat format)
{
    if (isDevice(n))
        m_pages->showProgram(m_station.table.device(n), format);
}

void FormNastrWare::BtnAddSnapClick()
{
    const int k = selectedNode();
    if (!isDevice(k))
        return;
    const QString refusal =
        RegulationProgram(m_station.table.device(k)).addStep(m_pages->selectedProgramRow());
    if (!refusal.isEmpty()) {
        ShowWarning(refusal);
        return;
    }
    ShowProgram(k);
}

void FormNastrWare::BtnDelSnapClick()
{
    const int k = selectedNode();
    if (!isDevice(k))
        return;
    if (RegulationProgram(m_station.table.device(k)).deleteStep(m_pages->selectedProgramRow()))
        ShowProgram(k);
}

void FormNastrWare::sgProgDblClick()
{
    const int k = selectedNode();
    const int r = m_pages->selectedProgramRow();
    if (!isDevice(k) || !RegulationProgram(m_station.table.device(k)).isStepRow(r))
        return;
    m_editSnap->prepare(m_station.table.device(k), r);
    CentreOver(m_editSnap, this);
    m_editSnap->exec();
    ShowProgram(k);
}

} // namespace zeltar
