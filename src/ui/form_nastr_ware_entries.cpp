// The instrument pages of the settings window: a record shown in the controls, the
// controls read back as entries, and the program grid and chart.
#include "acquisition/station.h"
#include "core/message_service.h"
#include "instrument/regulation_program.h"
#include "instrument/value_tables.h"
#include "ui/chart_widget.h"
#include "ui/field_values.h"
#include "ui/form_edit_snap.h"
#include "ui/form_nastr_ware.h"
#include "ui/up_down.h"
#include "ui/window_helpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTableWidget>

#include <algorithm>

namespace zeltar {

namespace {

const QString AddressRangeMessage =
    QStringLiteral("Значение адреса прибора должно быть в диапазоне 0...99");
const QString PeriodArhRangeMessage =
    QStringLiteral("Значение периода архивирования должно быть в диапазоне 0...1000 сек");

// Whether the whole number in field may be taken: one within its range, or the number shown
// from the record and left as it is.
bool PositionTakes(const QLineEdit *field, int shown, int minimum, int maximum)
{
    bool ok = false;
    const int value = field->text().trimmed().toInt(&ok);
    return ok && (value == shown || (value >= minimum && value <= maximum));
}

} // namespace

QString FormNastrWare::positionRefusal() const
{
    if (!PositionTakes(cbPribAdr, m_shownEntries.upPribAdr, 0, 99))
        return AddressRangeMessage;
    if (!PositionTakes(editPribPeriodArh, m_shownEntries.upPribPeriodArh, 0, 1000))
        return PeriodArhRangeMessage;
    return {};
}

bool FormNastrWare::shownLink(InstrumentSettings *device) const
{
    if (!PositionTakes(cbPribAdr, m_shownEntries.upPribAdr, 0, 99)) {
        ShowError(AddressRangeMessage);
        return false;
    }
    // A stored address above 99 is used as it is; the record keeps a byte.
    device->PribPort = static_cast<quint8>(qBound(0, ListValue(cbPribPort) + 1, 255));
    device->PribBaud = static_cast<quint8>(qBound(0, ListValue(cbPribBaud), 255));
    device->PribAdr = static_cast<quint8>(qBound(0, upPribAdr->position(), 255));
    return true;
}

SettingsEntries FormNastrWare::entries() const
{
    SettingsEntries e;
    e.editNamePrib = editNamePrib->text();
    e.cbVkl = cbVkl->isChecked();
    e.cbPribPort = ListValue(cbPribPort);
    e.cbPribBaud = ListValue(cbPribBaud);
    e.upPribAdr = upPribAdr->position();
    e.cbPribType = ListValue(cbPribType);
    e.cbPribDiap = ListValue(cbPribDiap);
    e.cbPribTypeReg = ListValue(cbPribTypeReg);
    e.cbPribPeriod = ListValue(cbPribPeriod);
    e.cbPribZap = ListValue(cbPribZap);
    e.upPribPeriodArh = upPribPeriodArh->position();
    for (size_t i = 0; i < 4; ++i) {
        e.editPribUst[i] = editPribUst[i]->text();
        e.editPribGist[i] = editPribGist[i]->text();
        e.cbIshSostRele[i] = cbIshSostRele[i]->currentIndex();
        e.cbTypeUst[i] = cbTypeUst[i]->currentIndex();
        e.checkVklUst[i] = checkVklUst[i]->isChecked();
        e.cbPribRegRele[i] = cbPribRegRele[i]->currentIndex();
    }
    e.editPribPoprDat = editPribPoprDat->text();
    e.editPribPoprXC = editPribPoprXC->text();
    e.editPribM1 = editPribM1->text();
    e.editPribM2 = editPribM2->text();
    e.editPribKp = editPribKp->text();
    e.editPribKi = editPribKi->text();
    e.editPribKd = editPribKd->text();
    e.editPribRegZnac = editPribRegZnac->text();
    e.editPribPerZap = editPribPerZap->text();
    e.editPribKo = editPribKo->text();
    e.editPribTrZap = editPribTrZap->text();
    e.editPribTimePer = editPribTimePer->text();
    e.editPribDlitImp = editPribDlitImp->text();
    e.checkSQR = checkSQR->isChecked();
    e.checkM = checkM->isChecked();
    e.checkDist = checkDist->isChecked();
    e.checkReg = checkReg->isChecked();
    e.cbFlagPodkl = cbFlagPodkl->currentIndex();
    e.checkXC = checkXC->isChecked();
    e.checkIvih = checkIvih->isChecked();
    e.cbTypeReg = cbTypeReg->currentIndex();
    e.cbVklPrib = cbVklPrib->isChecked();
    return e;
}

void FormNastrWare::ShowPribSettings(int n)
{
    if (!isDevice(n))
        return;
    showEntries(EntriesFromSettings(m_station.table.device(n)));
    ShowProgram(n, ProgramValueFormat::Fixed);
    m_shownEntries = entries();
}

void FormNastrWare::showEntries(const SettingsEntries &shown)
{
    cbVkl->setChecked(shown.cbVkl);
    editNamePrib->setText(shown.editNamePrib);
    ShowListValue(cbPribPort, shown.cbPribPort, QString::number(shown.cbPribPort + 1));
    ShowListValue(cbPribBaud, shown.cbPribBaud);
    upPribAdr->setPosition(shown.upPribAdr);
    ShowListValue(cbPribType, shown.cbPribType);
    // The ranges belong to the type shown; a type outside its list has none.
    fillRanges(shown.cbPribType);
    ShowListValue(cbPribDiap, shown.cbPribDiap);
    ShowListValue(cbPribTypeReg, shown.cbPribTypeReg);
    ShowListValue(cbPribPeriod, shown.cbPribPeriod);
    for (size_t i = 0; i < 4; ++i)
        editPribUst[i]->setText(shown.editPribUst[i]);
    for (size_t i = 0; i < 4; ++i)
        editPribGist[i]->setText(shown.editPribGist[i]);
    editPribPoprDat->setText(shown.editPribPoprDat);
    editPribPoprXC->setText(shown.editPribPoprXC);
    editPribM1->setText(shown.editPribM1);
    editPribM2->setText(shown.editPribM2);
    checkSQR->setChecked(shown.checkSQR);
    checkM->setChecked(shown.checkM);
    checkDist->setChecked(shown.checkDist);
    checkReg->setChecked(shown.checkReg);
    cbFlagPodkl->setCurrentIndex(shown.cbFlagPodkl);
    for (size_t i = 0; i < 4; ++i)
        cbTypeUst[i]->setCurrentIndex(shown.cbTypeUst[i]);
    for (size_t i = 0; i < 4; ++i)
        cbIshSostRele[i]->setCurrentIndex(shown.cbIshSostRele[i]);
    ShowListValue(cbPribZap, shown.cbPribZap);
    upPribPeriodArh->setPosition(shown.upPribPeriodArh);
    for (size_t i = 0; i < 4; ++i)
        checkVklUst[i]->setChecked(shown.checkVklUst[i]);
    checkXC->setChecked(shown.checkXC);
    checkIvih->setChecked(shown.checkIvih);
    cbTypeReg->setCurrentIndex(shown.cbTypeReg);
    cbVklPrib->setChecked(shown.cbVklPrib);
    for (size_t i = 0; i < 4; ++i)
        cbPribRegRele[i]->setCurrentIndex(shown.cbPribRegRele[i]);
    editPribKp->setText(shown.editPribKp);
    editPribKi->setText(shown.editPribKi);
    editPribKd->setText(shown.editPribKd);
    editPribRegZnac->setText(shown.editPribRegZnac);
    editPribPerZap->setText(shown.editPribPerZap);
    editPribKo->setText(shown.editPribKo);
    editPribTrZap->setText(shown.editPribTrZap);
    editPribTimePer->setText(shown.editPribTimePer);
    editPribDlitImp->setText(shown.editPribDlitImp);
}

void FormNastrWare::fillRanges(int type)
{
    cbPribDiap->clear();
    cbPribDiap->addItems(SensorRanges(type));
}

void FormNastrWare::cbPribTypeChange(int)
{
    fillRanges(ListValue(cbPribType));
    cbPribDiap->setCurrentIndex(0);
}

// ---- Regulation program ---------------------------------------------------------------

void FormNastrWare::ShowProgram(int n, ProgramValueFormat format)
{
    if (!isDevice(n))
        return;
    const RegulationProgram program(m_station.table.device(n));
    const QVector<ProgramGridRow> rows = program.gridRows(format);
    const int selected = sgProg->currentRow();
    sgProg->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        const QString cells[] = {rows.at(r).number, rows.at(r).time, rows.at(r).value};
        for (int column = 0; column < 3; ++column) {
            QTableWidgetItem *item = sgProg->item(r, column);
            if (item == nullptr) {
                item = new QTableWidgetItem;
                sgProg->setItem(r, column, item);
            }
            item->setText(cells[column]);
        }
    }
    // Like every grid, it always has a row selected, the first one to begin with.
    sgProg->selectRow(std::clamp(selected, 0, sgProg->rowCount() - 1));

    QVector<ChartPoint> points;
    for (const ProgramChartPoint &point : program.chartPoints())
        points.append({point.x, point.y, point.label, QColor(Qt::red)});
    ChartProg->setPoints(points);
}

int FormNastrWare::selectedProgramRow() const
{
    const QList<QTableWidgetItem *> selected = sgProg->selectedItems();
    return selected.isEmpty() ? 0 : selected.first()->row() + 1;
}

void FormNastrWare::BtnAddSnapClick()
{
    const int k = selectedNode();
    if (!isDevice(k))
        return;
    const QString refusal =
        RegulationProgram(m_station.table.device(k)).addStep(selectedProgramRow());
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
    if (RegulationProgram(m_station.table.device(k)).deleteStep(selectedProgramRow()))
        ShowProgram(k);
}

void FormNastrWare::sgProgDblClick()
{
    const int k = selectedNode();
    const int r = selectedProgramRow();
    if (!isDevice(k) || !RegulationProgram(m_station.table.device(k)).isStepRow(r))
        return;
    m_editSnap->prepare(m_station.table.device(k), r);
    CentreOver(m_editSnap, this);
    m_editSnap->exec();
    ShowProgram(k);
}

} // namespace zeltar
