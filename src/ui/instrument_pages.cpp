// The instrument pages of the settings window: their controls, a record shown in them, the
// controls read back as entries, and the program grid and chart.
#include "ui/instrument_pages.h"

#include "core/message_service.h"
#include "instrument/regulation_program.h"
#include "instrument/value_tables.h"
#include "ui/chart_widget.h"
#include "ui/field_values.h"
#include "ui/station_icons.h"
#include "ui/up_down.h"
#include "ui/window_helpers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>

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

InstrumentPages::InstrumentPages(QWidget *window) : QObject(window), m_window(window)
{
    instrumentPage = createInstrumentPage();
    regulationPage = createRegulationPage();
    connect(cbPribType, QOverload<int>::of(&QComboBox::activated), this,
            &InstrumentPages::cbPribTypeChange);
}

void InstrumentPages::show(const InstrumentSettings &record)
{
    showEntries(EntriesFromSettings(record));
    showProgram(record, ProgramValueFormat::Fixed);
    m_shown = entries();
}

QSize InstrumentPages::instrumentPageHint() const
{
    return qobject_cast<QScrollArea *>(instrumentPage)->widget()->sizeHint();
}

QString InstrumentPages::positionRefusal() const
{
    if (!PositionTakes(cbPribAdr, m_shown.upPribAdr, 0, 99))
        return AddressRangeMessage;
    if (!PositionTakes(editPribPeriodArh, m_shown.upPribPeriodArh, 0, 1000))
        return PeriodArhRangeMessage;
    return {};
}

bool InstrumentPages::shownLink(InstrumentSettings *device) const
{
    if (!PositionTakes(cbPribAdr, m_shown.upPribAdr, 0, 99)) {
        ShowError(AddressRangeMessage);
        return false;
    }
    // A stored address above 99 is used as it is; the record keeps a byte.
    device->PribPort = static_cast<quint8>(qBound(0, ListValue(cbPribPort) + 1, 255));
    device->PribBaud = static_cast<quint8>(qBound(0, ListValue(cbPribBaud), 255));
    device->PribAdr = static_cast<quint8>(qBound(0, upPribAdr->position(), 255));
    return true;
}

SettingsEntries InstrumentPages::entries() const
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

void InstrumentPages::showEntries(const SettingsEntries &shown)
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

void InstrumentPages::fillRanges(int type)
{
    cbPribDiap->clear();
    cbPribDiap->addItems(SensorRanges(type));
}

void InstrumentPages::cbPribTypeChange(int)
{
    fillRanges(ListValue(cbPribType));
    cbPribDiap->setCurrentIndex(0);
}

void InstrumentPages::showProgram(const InstrumentSettings &record, ProgramValueFormat format)
{
    // The program class edits a record in place; showing works on a copy.
    InstrumentSettings shown = record;
    const RegulationProgram program(shown);
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

int InstrumentPages::selectedProgramRow() const
{
    const QList<QTableWidgetItem *> selected = sgProg->selectedItems();
    return selected.isEmpty() ? 0 : selected.first()->row() + 1;
}

// ---- Building the pages --------------------------------------------------------------

QWidget *InstrumentPages::createInstrumentPage()
{
    // The page scrolls when the window is smaller than its many groups.
    auto *scroll = named(new QScrollArea(m_window), QStringLiteral("tabNastrPrib"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto *page = new QWidget(scroll);
    scroll->setWidget(page);

    auto *top = new QGroupBox(QString(), page);
    editNamePrib = named(new QLineEdit(top), QStringLiteral("editNamePrib"));
    LimitTyping(editNamePrib, 24);
    cbVkl = named(new QCheckBox(QStringLiteral("Включить прибор в опрос"), top),
                  QStringLiteral("cbVkl"));
    cbVklPrib = named(new QCheckBox(QStringLiteral("Включить измерение в приборе"), top),
                      QStringLiteral("cbVklPrib"));
    auto *animationBox = new QGroupBox(QString(), top);
    gifOperate = named(new QLabel(animationBox), QStringLiteral("gifOperate"));
    gifOperate->setPixmap(StationIcons::animationFrame(1).pixmap(24, 24));
    auto *animationLayout = new QHBoxLayout(animationBox);
    animationLayout->setContentsMargins(4, 4, 4, 4);
    animationLayout->addWidget(gifOperate);
    auto *topLayout = new QGridLayout(top);
    topLayout->addWidget(new QLabel(QStringLiteral("Имя прибора"), top), 0, 0);
    topLayout->addWidget(editNamePrib, 0, 1);
    topLayout->addWidget(animationBox, 0, 2, 2, 1);
    topLayout->addWidget(cbVkl, 1, 0);
    topLayout->addWidget(cbVklPrib, 1, 1);

    auto *buttonsDefault = new QGroupBox(QString(), page);
    BtnDefault = named(new QPushButton(QStringLiteral("По умолчанию"), buttonsDefault),
                       QStringLiteral("BtnDefault"));
    BtnDefault->setToolTip(QStringLiteral("Установить в окне заводские установки"));
    auto *defaultLayout = new QHBoxLayout(buttonsDefault);
    defaultLayout->addWidget(BtnDefault);

    auto *buttonsTransfer = new QGroupBox(QString(), page);
    BtnRead = named(new QPushButton(QStringLiteral("<<Cчитать"), buttonsTransfer),
                    QStringLiteral("BtnRead"));
    BtnRead->setToolTip(QStringLiteral("Считать настройки прибора"));
    BtnWrite = named(new QPushButton(QStringLiteral("Записать>>"), buttonsTransfer),
                     QStringLiteral("BtnWrite"));
    BtnWrite->setToolTip(QStringLiteral("Записать настройки в прибор"));
    auto *transferLayout = new QHBoxLayout(buttonsTransfer);
    transferLayout->addWidget(BtnRead);
    transferLayout->addWidget(BtnWrite);

    auto *left = new QVBoxLayout;
    left->addWidget(top);
    left->addWidget(createMeasurementGroup(page));
    left->addWidget(createWorkGroup(page));
    left->addWidget(createUnifiedGroup(page));
    left->addStretch();
    auto *right = new QVBoxLayout;
    right->addWidget(createSetpointGroup(page));
    auto *rightBottom = new QGridLayout;
    rightBottom->addWidget(createRegulationGroup(page), 0, 0);
    rightBottom->addWidget(createColdJunctionGroup(page), 1, 0);
    rightBottom->addWidget(createClockGroup(page), 0, 1, 2, 1);
    right->addLayout(rightBottom);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(buttonsDefault);
    buttons->addStretch();
    buttons->addWidget(buttonsTransfer);
    right->addLayout(buttons);
    right->addStretch();

    auto *layout = new QHBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(left);
    layout->addLayout(right, 1);
    return scroll;
}

QGroupBox *InstrumentPages::createMeasurementGroup(QWidget *parent)
{
    auto *box = new QGroupBox(QStringLiteral(" Тип измерения "), parent);
    cbPribType = ListField(QStringLiteral("cbPribType"), SensorTypeNames(), box);
    cbPribDiap = ListField(QStringLiteral("cbPribDiap"), {}, box);
    cbFlagPodkl = ListField(QStringLiteral("cbFlagPodkl"), ConnectionTexts(), box);
    editPribPoprDat = NumberField(QStringLiteral("editPribPoprDat"), box);
    auto *grid = new QGridLayout(box);
    AddRow(grid, QStringLiteral("Тип датчика"), cbPribType);
    AddRow(grid, QStringLiteral("Диапазон"), cbPribDiap);
    AddRow(grid, QStringLiteral("Тип подключения"), cbFlagPodkl);
    AddRow(grid, QStringLiteral("Поправка"), editPribPoprDat);
    return box;
}

QGroupBox *InstrumentPages::createWorkGroup(QWidget *parent)
{
    auto *box = new QGroupBox(QStringLiteral(" Работа прибора "), parent);
    cbPribPort = ListField(QStringLiteral("cbPribPort"), PortTexts(), box);
    cbPribBaud = ListField(QStringLiteral("cbPribBaud"), BaudTexts(), box);
    cbPribAdr = NumberField(QStringLiteral("cbPribAdr"), box, 40);
    upPribAdr = named(new UpDown(cbPribAdr, 0, 99, box), QStringLiteral("upPribAdr"));
    cbPribPeriod = ListField(QStringLiteral("cbPribPeriod"), PeriodTexts(), box);
    editPribPeriodArh = NumberField(QStringLiteral("editPribPeriodArh"), box, 50);
    upPribPeriodArh =
        named(new UpDown(editPribPeriodArh, 0, 1000, box), QStringLiteral("upPribPeriodArh"));
    checkIvih =
        named(new QCheckBox(QStringLiteral("Включить Iвых"), box), QStringLiteral("checkIvih"));
    auto *grid = new QGridLayout(box);
    AddRow(grid, QStringLiteral("Порт"), cbPribPort);
    AddRow(grid, QStringLiteral("Скорость"), cbPribBaud);
    AddRow(grid, QStringLiteral("Адрес"), cbPribAdr, upPribAdr);
    AddRow(grid, QStringLiteral("Период оборота диска"), cbPribPeriod);
    auto *periodArh = new QHBoxLayout;
    periodArh->setSpacing(2);
    periodArh->addWidget(editPribPeriodArh);
    periodArh->addWidget(upPribPeriodArh);
    periodArh->addWidget(new QLabel(QStringLiteral("сек"), box));
    periodArh->addStretch();
    const int row = grid->rowCount();
    grid->addWidget(new QLabel(QStringLiteral("Период архивирования"), box), row, 0);
    grid->addLayout(periodArh, row, 1);
    grid->addWidget(checkIvih, row + 1, 0, 1, 2);
    return box;
}

QGroupBox *InstrumentPages::createSetpointGroup(QWidget *parent)
{
    auto *box = new QGroupBox(QStringLiteral(" Уставки "), parent);
    auto *grid = new QGridLayout(box);
    grid->setHorizontalSpacing(4);
    const QStringList titles = {QStringLiteral("Значение"),       QStringLiteral("Зона возвр."),
                                QStringLiteral("Исх.сост.конт."), QStringLiteral("Вкл"),
                                QStringLiteral("Тип уставки"),    QStringLiteral("Тек.сост.конт.")};
    const QStringList hints = {QStringLiteral("Значение уставки"),
                               QStringLiteral("Зона возврата из уставки"),
                               QStringLiteral("Исходное состояние контактов реле"),
                               QStringLiteral("Включение выключение уставки"),
                               QStringLiteral("Тип уставки"),
                               QStringLiteral("Текущее состояние контактов реле")};
    for (int column = 0; column < titles.size(); ++column) {
        auto *title = new QLabel(titles.at(column), box);
        title->setToolTip(hints.at(column));
        grid->addWidget(title, 0, column + 1);
    }
    for (int i = 0; i < 4; ++i) {
        const QString number = QString::number(i + 1);
        const auto at = static_cast<size_t>(i);
        editPribUst[at] = NumberField(QStringLiteral("editPribUst") + number, box);
        editPribGist[at] = NumberField(QStringLiteral("editPribGist") + number, box);
        cbIshSostRele[at] =
            ListField(QStringLiteral("cbIshSostRele") + number, ContactStateTexts(), box);
        checkVklUst[at] = named(new QCheckBox(box), QStringLiteral("checkVklUst") + number);
        cbTypeUst[at] = ListField(QStringLiteral("cbTypeUst") + number, SetpointTypeTexts(), box);
        cbPribRegRele[at] =
            ListField(QStringLiteral("cbPribRegRele") + number, ContactStateTexts(), box);
        QWidget *row[] = {editPribUst[at], editPribGist[at], cbIshSostRele[at],
                          checkVklUst[at], cbTypeUst[at],    cbPribRegRele[at]};
        grid->addWidget(new QLabel(QStringLiteral("Уставка ") + number, box), i + 1, 0);
        for (int column = 0; column < 6; ++column) {
            row[column]->setToolTip(hints.at(column));
            grid->addWidget(row[column], i + 1, column + 1);
        }
    }
    checkDist = named(new QCheckBox(QStringLiteral("Включить дистанционное управление реле"), box),
                      QStringLiteral("checkDist"));
    grid->addWidget(checkDist, 5, 0, 1, 7);
    return box;
}

QGroupBox *InstrumentPages::createUnifiedGroup(QWidget *parent)
{
    auto *box = new QGroupBox(QStringLiteral(" Унифицированные сигналы "), parent);
    editPribM1 = NumberField(QStringLiteral("editPribM1"), box);
    editPribM2 = NumberField(QStringLiteral("editPribM2"), box);
    checkSQR = named(new QCheckBox(QStringLiteral("Включить корнеизвлечение"), box),
                     QStringLiteral("checkSQR"));
    checkM = named(new QCheckBox(QStringLiteral("Включить масштабирование"), box),
                   QStringLiteral("checkM"));
    cbPribZap = ListField(QStringLiteral("cbPribZap"), DecimalPointTexts(), box);
    auto *grid = new QGridLayout(box);
    AddRow(grid, QStringLiteral("Начало диаппазона"), editPribM1);
    AddRow(grid, QStringLiteral("Конец диаппазона"), editPribM2);
    grid->addWidget(checkSQR, grid->rowCount(), 0, 1, 2);
    grid->addWidget(checkM, grid->rowCount(), 0, 1, 2);
    AddRow(grid, QStringLiteral("Положение запятой"), cbPribZap);
    return box;
}

QGroupBox *InstrumentPages::createRegulationGroup(QWidget *parent)
{
    auto *box = new QGroupBox(QStringLiteral(" Регулирование "), parent);
    cbPribTypeReg = ListField(QStringLiteral("cbPribTypeReg"), RegulationLawTexts(), box);
    cbTypeReg = ListField(QStringLiteral("cbTypeReg"), RegulationModeTexts(), box);
    checkReg = named(new QCheckBox(QStringLiteral("Ручной режим регулирования"), box),
                     QStringLiteral("checkReg"));
    auto *grid = new QGridLayout(box);
    AddRow(grid, QStringLiteral("Закон регулирования"), cbPribTypeReg);
    AddRow(grid, QStringLiteral("Тип регулирования"), cbTypeReg);
    grid->addWidget(checkReg, grid->rowCount(), 0, 1, 2);
    return box;
}

QGroupBox *InstrumentPages::createColdJunctionGroup(QWidget *parent)
{
    auto *box = new QGroupBox(QStringLiteral(" Компенсация холодного спая "), parent);
    checkXC = named(new QCheckBox(QStringLiteral("Включить компенсацию ХС"), box),
                    QStringLiteral("checkXC"));
    editPribPoprXC = NumberField(QStringLiteral("editPribPoprXC"), box);
    auto *grid = new QGridLayout(box);
    grid->addWidget(checkXC, 0, 0, 1, 2);
    AddRow(grid, QStringLiteral("Поправка к значению ХС"), editPribPoprXC);
    return box;
}

QGroupBox *InstrumentPages::createClockGroup(QWidget *parent)
{
    auto *box = new QGroupBox(QStringLiteral("Дата и Время "), parent);
    DateEdit = named(new QLineEdit(box), QStringLiteral("DateEdit"));
    DateEdit->setInputMask(QStringLiteral("99.99.9999; "));
    DateEdit->setMaximumWidth(90);
    MaskTime = named(new QLineEdit(box), QStringLiteral("MaskTime"));
    MaskTime->setInputMask(QStringLiteral("99:99:99; "));
    MaskTime->setMaximumWidth(90);
    stSysDate = named(new QLabel(box), QStringLiteral("stSysDate"));
    stSysTime = named(new QLabel(box), QStringLiteral("stSysTime"));
    for (QLabel *label : {stSysDate, stSysTime})
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    BtnReadTime =
        named(new QPushButton(QStringLiteral("<<Считать"), box), QStringLiteral("BtnReadTime"));
    BtnWriteTime =
        named(new QPushButton(QStringLiteral("Записать>>"), box), QStringLiteral("BtnWriteTime"));
    BtnUstSistTime =
        named(new QPushButton(QStringLiteral("<<"), box), QStringLiteral("BtnUstSistTime"));
    BtnWriteSistTime = named(new QPushButton(QStringLiteral("Зап.сист.вр>>"), box),
                             QStringLiteral("BtnWriteSistTime"));
    TimerOutTime = named(new QTimer(this), QStringLiteral("TimerOutTime"));
    TimerOutTime->setInterval(1000);

    auto *grid = new QGridLayout(box);
    grid->addWidget(DateEdit, 0, 0);
    grid->addWidget(BtnUstSistTime, 0, 1, 2, 1);
    grid->addWidget(stSysDate, 0, 2);
    grid->addWidget(MaskTime, 1, 0);
    grid->addWidget(stSysTime, 1, 2);
    grid->addWidget(BtnReadTime, 2, 0);
    grid->addWidget(BtnWriteTime, 3, 0);
    grid->addWidget(BtnWriteSistTime, 2, 2, 2, 1);
    return box;
}

QWidget *InstrumentPages::createRegulationPage()
{
    auto *page = named(new QWidget(m_window), QStringLiteral("tabNastrReg"));

    auto *coefficients = new QGroupBox(QStringLiteral(" Коэффициенты "), page);
    struct Field
    {
        QLineEdit **edit;
        const char *name;
        QString label;
        QString hint;
    };
    const Field fields[] = {
        {&editPribKp, "editPribKp", QStringLiteral("Кп"),
         QStringLiteral("Коэффициент пропорциональности")},
        {&editPribKi, "editPribKi", QStringLiteral("Ки"),
         QStringLiteral("Коэффициент интегрирования")},
        {&editPribKd, "editPribKd", QStringLiteral("Кд"),
         QStringLiteral("Коэффициент дифференцирования")},
        {&editPribPerZap, "editPribPerZap", QStringLiteral("Т0"),
         QStringLiteral("Переходное запаздывание объекта, от 0 до 1000")},
        {&editPribKo, "editPribKo", QStringLiteral("К0"),
         QStringLiteral("Коэффициент эффективности объекта, от 0 до 1")},
        {&editPribTrZap, "editPribTrZap", QStringLiteral("Тz"),
         QStringLiteral("Транспортное запаздывание объекта, от 0 до 1000")},
        {&editPribTimePer, "editPribTimePer", QStringLiteral("Tиу/Yн"),
         QStringLiteral("Параметр выхода регулятора Tиу/Yн")},
        {&editPribDlitImp, "editPribDlitImp", QStringLiteral("Tим/Yв"),
         QStringLiteral("Параметр выхода регулятора Tим/Yв")},
    };
    auto *grid = new QGridLayout(coefficients);
    int index = 0;
    for (const Field &field : fields) {
        *field.edit = NumberField(QLatin1String(field.name), coefficients);
        (*field.edit)->setToolTip(field.hint);
        const int row = index % 4;
        const int column = (index / 4) * 2;
        grid->addWidget(new QLabel(field.label, coefficients), row, column);
        grid->addWidget(*field.edit, row, column + 1);
        ++index;
    }

    auto *byValue = new QGroupBox(QStringLiteral(" Регулирование по значению "), page);
    editPribRegZnac = NumberField(QStringLiteral("editPribRegZnac"), byValue);
    auto *valueLayout = new QGridLayout(byValue);
    AddRow(valueLayout, QStringLiteral("Значение регулирования"), editPribRegZnac);
    valueLayout->setColumnStretch(2, 1);

    auto *byProgram = new QGroupBox(QStringLiteral(" Регулирование по программе "), page);
    sgProg = named(new QTableWidget(1, 3, byProgram), QStringLiteral("sgProg"));
    sgProg->setHorizontalHeaderLabels(
        {QStringLiteral("№"), QStringLiteral("Время"), QStringLiteral("Значение")});
    sgProg->verticalHeader()->hide();
    sgProg->setSelectionBehavior(QAbstractItemView::SelectRows);
    sgProg->setSelectionMode(QAbstractItemView::SingleSelection);
    sgProg->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // 30, 60 and 60 pixels at least, as wide as the titles need at the desktop's font.
    const int widths[] = {30, 60, 60};
    int gridWidth =
        2 * sgProg->frameWidth() + sgProg->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    for (int column = 0; column < 3; ++column) {
        const int width = qMax(widths[column], sgProg->horizontalHeader()->sectionSizeHint(column));
        sgProg->setColumnWidth(column, width);
        gridWidth += width;
    }
    sgProg->setFixedWidth(gridWidth);
    BtnAddSnap = named(new QPushButton(QStringLiteral("Добавить шаг"), byProgram),
                       QStringLiteral("BtnAddSnap"));
    BtnDelSnap = named(new QPushButton(QStringLiteral("Удалить шаг"), byProgram),
                       QStringLiteral("BtnDelSnap"));
    ChartProg = named(new ChartWidget(byProgram), QStringLiteral("ChartProg"));
    ChartProg->setTitle(QStringLiteral("Программа регулирования"));
    ChartProg->setAutomaticValueRange();
    auto *programLayout = new QGridLayout(byProgram);
    programLayout->addWidget(sgProg, 0, 0, 1, 2);
    programLayout->addWidget(BtnAddSnap, 1, 0);
    programLayout->addWidget(BtnDelSnap, 1, 1);
    programLayout->addWidget(ChartProg, 0, 2, 2, 1);
    programLayout->setColumnStretch(2, 1);

    auto *layout = new QVBoxLayout(page);
    layout->addWidget(coefficients);
    layout->addWidget(byValue);
    layout->addWidget(byProgram, 1);
    return page;
}

} // namespace zeltar
