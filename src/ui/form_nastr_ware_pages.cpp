// The controls of the settings window: toolbar, tree, the three pages and the status bar.
#include "instrument/value_tables.h"
#include "ui/chart_widget.h"
#include "ui/field_values.h"
#include "ui/form_nastr_ware.h"
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
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace zeltar {

namespace {

QLineEdit *numberField(const QString &name, QWidget *parent, int width = 70)
{
    auto *edit = named(new QLineEdit(parent), name);
    edit->setMaximumWidth(width);
    return edit;
}

QComboBox *list(const QString &name, const QStringList &items, QWidget *parent)
{
    auto *combo = named(new QComboBox(parent), name);
    combo->addItems(items);
    return combo;
}

QGroupBox *group(const QString &caption, QWidget *parent)
{
    return new QGroupBox(caption, parent);
}

// A label and its field in the next row of a two-column grid.
void addRow(QGridLayout *grid, const QString &label, QWidget *field, QWidget *extra = nullptr)
{
    const int row = grid->rowCount();
    grid->addWidget(new QLabel(label, field->parentWidget()), row, 0);
    if (extra == nullptr) {
        grid->addWidget(field, row, 1);
        return;
    }
    auto *pair = new QHBoxLayout;
    pair->setSpacing(2);
    pair->addWidget(field);
    pair->addWidget(extra);
    pair->addStretch();
    grid->addLayout(pair, row, 1);
}

} // namespace

void FormNastrWare::createToolbar()
{
    Panel1 = named(new QToolBar(this), QStringLiteral("Panel1"));
    Panel1->setMovable(false);
    Panel1->setIconSize(QSize(24, 24));
    Panel1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    auto button = [this](const QString &name, const QString &caption, const QString &hint,
                         const QIcon &icon) {
        auto *b = named(new QToolButton(Panel1), name);
        b->setText(caption);
        b->setToolTip(hint);
        b->setIcon(icon);
        b->setAutoRaise(true);
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        Panel1->addWidget(b);
        return b;
    };
    btn_Save = button(QStringLiteral("btn_Save"), QStringLiteral("Сохранить настройки"),
                      QStringLiteral("Сохранить настройки"),
                      style()->standardIcon(QStyle::SP_DialogSaveButton));
    Panel1->addSeparator();
    btnAddDevice =
        button(QStringLiteral("btnAddDevice"), QStringLiteral("Добавить устройство в сеть"),
               QStringLiteral("Добавить устройство в сеть"),
               StationIcons::treeImage(StationIcons::TreeInstrument));
    btnDelDevice =
        button(QStringLiteral("btnDelDevice"), QStringLiteral("Удалить устройство из сети"),
               QStringLiteral("Удалить устройство из сети"),
               StationIcons::treeImage(StationIcons::TreeInstrumentOff));
    Panel1->addSeparator();
    BtnTestUstr =
        button(QStringLiteral("BtnTestUstr"), QStringLiteral("Установить связь с прибором"),
               QStringLiteral("Установить связь с устройством"),
               StationIcons::treeImage(StationIcons::TreeInstrumentNoLink));
}

QWidget *FormNastrWare::createTreePanel()
{
    twNastr = named(new QTreeWidget(this), QStringLiteral("twNastr"));
    twNastr->setToolTip(QStringLiteral("Дерево настроек"));
    twNastr->setHeaderHidden(true);
    twNastr->setRootIsDecorated(false);
    twNastr->setEditTriggers(QAbstractItemView::NoEditTriggers);
    twNastr->setIconSize(QSize(StationIcons::TreeImageSize, StationIcons::TreeImageSize));
    twNastr->setMinimumWidth(100);
    return twNastr;
}

void FormNastrWare::createPages()
{
    pcNastr = named(new QTabWidget(this), QStringLiteral("pcNastr"));
    tabNastrProg = createProgramPage();
    tabNastrPrib = createInstrumentPage();
    tabNastrReg = createRegulationPage();
    pcNastr->addTab(tabNastrProg, QStringLiteral("Настройка программы"));
    pcNastr->addTab(tabNastrPrib, QStringLiteral("Настройка прибора"));
    pcNastr->addTab(tabNastrReg, QStringLiteral("Настройка регулирования"));
}

QWidget *FormNastrWare::createProgramPage()
{
    auto *page = named(new QWidget(this), QStringLiteral("tabNastrProg"));

    groupProgParams = named(group(QStringLiteral("  Настройка параметров программы  "), page),
                            QStringLiteral("groupProgParams"));
    cbAutoStart = named(
        new QCheckBox(QStringLiteral("Автозапуск программы при включении ПК"), groupProgParams),
        QStringLiteral("cbAutoStart"));
    cbAutoStart->setToolTip(QStringLiteral("Установите автозапуск программы при включении"));
    cbFastLink = named(new QCheckBox(QStringLiteral("Быстрый обмен с приборами"), groupProgParams),
                       QStringLiteral("cbFastLink"));
    cbFastLink->setToolTip(
        QStringLiteral("Ответ прибора принимается, как только пришёл весь кадр, а порт не "
                       "закрывается между запросами: опрос и считывание архива идут быстрее.\n"
                       "Снимите флажок, если прибор или преобразователь интерфейса не успевает "
                       "за таким обменом."));
    auto *paramsLayout = new QVBoxLayout(groupProgParams);
    paramsLayout->addWidget(cbAutoStart);
    paramsLayout->addWidget(cbFastLink);

    groupDataCollection = named(group(QStringLiteral("  Настройка сбора данных  "), page),
                                QStringLiteral("groupDataCollection"));
    QWidget *data = groupDataCollection;
    editPathArh = named(new QLineEdit(data), QStringLiteral("editPathArh"));
    editPathArh->setToolTip(QStringLiteral("Выберите директорию для хранения данных"));
    btnSelDir = named(new QPushButton(QStringLiteral("..."), data), QStringLiteral("btnSelDir"));
    btnSelDir->setToolTip(editPathArh->toolTip());
    btnSelDir->setFixedWidth(28);
    editTimeOpr = numberField(QStringLiteral("editTimeOpr"), data, 50);
    LimitTyping(editTimeOpr, 3);
    editTimeOpr->setToolTip(QStringLiteral("Введите период опроса "));
    editTimeArh = numberField(QStringLiteral("editTimeArh"), data, 50);
    LimitTyping(editTimeArh, 3);
    editTimeArh->setToolTip(QStringLiteral("Введите период опроса "));

    auto *dataLayout = new QGridLayout(data);
    dataLayout->addWidget(
        new QLabel(QStringLiteral("Директория для хранения архивов данных:"), data), 0, 0, 1, 3);
    auto *folder = new QHBoxLayout;
    folder->addWidget(editPathArh, 1);
    folder->addWidget(btnSelDir);
    dataLayout->addLayout(folder, 1, 0, 1, 3);
    dataLayout->addWidget(new QLabel(QStringLiteral("Период опроса"), data), 2, 0);
    dataLayout->addWidget(editTimeOpr, 2, 1);
    dataLayout->addWidget(new QLabel(QStringLiteral("сек"), data), 2, 2);
    dataLayout->addWidget(new QLabel(QStringLiteral("Период архивирования данных"), data), 3, 0);
    dataLayout->addWidget(editTimeArh, 3, 1);
    dataLayout->addWidget(new QLabel(QStringLiteral("ч"), data), 3, 2);
    dataLayout->setColumnStretch(3, 1);

    auto *layout = new QVBoxLayout(page);
    layout->addWidget(groupProgParams);
    layout->addWidget(groupDataCollection);
    layout->addStretch();
    return page;
}

QWidget *FormNastrWare::createInstrumentPage()
{
    // The page scrolls when the window is smaller than its many groups.
    auto *scroll = named(new QScrollArea(this), QStringLiteral("tabNastrPrib"));
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto *page = new QWidget(scroll);
    scroll->setWidget(page);

    auto *top = group(QString(), page);
    editNamePrib = named(new QLineEdit(top), QStringLiteral("editNamePrib"));
    LimitTyping(editNamePrib, 24);
    cbVkl = named(new QCheckBox(QStringLiteral("Включить прибор в опрос"), top),
                  QStringLiteral("cbVkl"));
    cbVklPrib = named(new QCheckBox(QStringLiteral("Включить измерение в приборе"), top),
                      QStringLiteral("cbVklPrib"));
    auto *animationBox = group(QString(), top);
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

    auto *buttonsDefault = group(QString(), page);
    BtnDefault = named(new QPushButton(QStringLiteral("По умолчанию"), buttonsDefault),
                       QStringLiteral("BtnDefault"));
    BtnDefault->setToolTip(QStringLiteral("Установить в окне заводские установки"));
    auto *defaultLayout = new QHBoxLayout(buttonsDefault);
    defaultLayout->addWidget(BtnDefault);

    auto *buttonsTransfer = group(QString(), page);
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

QGroupBox *FormNastrWare::createMeasurementGroup(QWidget *parent)
{
    auto *box = group(QStringLiteral(" Тип измерения "), parent);
    cbPribType = list(QStringLiteral("cbPribType"), SensorTypeNames(), box);
    cbPribDiap = list(QStringLiteral("cbPribDiap"), {}, box);
    cbFlagPodkl = list(QStringLiteral("cbFlagPodkl"), ConnectionTexts(), box);
    editPribPoprDat = numberField(QStringLiteral("editPribPoprDat"), box);
    auto *grid = new QGridLayout(box);
    addRow(grid, QStringLiteral("Тип датчика"), cbPribType);
    addRow(grid, QStringLiteral("Диапазон"), cbPribDiap);
    addRow(grid, QStringLiteral("Тип подключения"), cbFlagPodkl);
    addRow(grid, QStringLiteral("Поправка"), editPribPoprDat);
    return box;
}

QGroupBox *FormNastrWare::createWorkGroup(QWidget *parent)
{
    auto *box = group(QStringLiteral(" Работа прибора "), parent);
    cbPribPort = list(QStringLiteral("cbPribPort"), PortTexts(), box);
    cbPribBaud = list(QStringLiteral("cbPribBaud"), BaudTexts(), box);
    cbPribAdr = numberField(QStringLiteral("cbPribAdr"), box, 40);
    upPribAdr = named(new UpDown(cbPribAdr, 0, 99, box), QStringLiteral("upPribAdr"));
    cbPribPeriod = list(QStringLiteral("cbPribPeriod"), PeriodTexts(), box);
    editPribPeriodArh = numberField(QStringLiteral("editPribPeriodArh"), box, 50);
    upPribPeriodArh =
        named(new UpDown(editPribPeriodArh, 0, 1000, box), QStringLiteral("upPribPeriodArh"));
    checkIvih =
        named(new QCheckBox(QStringLiteral("Включить Iвых"), box), QStringLiteral("checkIvih"));
    auto *grid = new QGridLayout(box);
    addRow(grid, QStringLiteral("Порт"), cbPribPort);
    addRow(grid, QStringLiteral("Скорость"), cbPribBaud);
    addRow(grid, QStringLiteral("Адрес"), cbPribAdr, upPribAdr);
    addRow(grid, QStringLiteral("Период оборота диска"), cbPribPeriod);
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

QGroupBox *FormNastrWare::createSetpointGroup(QWidget *parent)
{
    auto *box = group(QStringLiteral(" Уставки "), parent);
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
        editPribUst[at] = numberField(QStringLiteral("editPribUst") + number, box);
        editPribGist[at] = numberField(QStringLiteral("editPribGist") + number, box);
        cbIshSostRele[at] =
            list(QStringLiteral("cbIshSostRele") + number, ContactStateTexts(), box);
        checkVklUst[at] = named(new QCheckBox(box), QStringLiteral("checkVklUst") + number);
        cbTypeUst[at] = list(QStringLiteral("cbTypeUst") + number, SetpointTypeTexts(), box);
        cbPribRegRele[at] =
            list(QStringLiteral("cbPribRegRele") + number, ContactStateTexts(), box);
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

QGroupBox *FormNastrWare::createUnifiedGroup(QWidget *parent)
{
    auto *box = group(QStringLiteral(" Унифицированные сигналы "), parent);
    editPribM1 = numberField(QStringLiteral("editPribM1"), box);
    editPribM2 = numberField(QStringLiteral("editPribM2"), box);
    checkSQR = named(new QCheckBox(QStringLiteral("Включить корнеизвлечение"), box),
                     QStringLiteral("checkSQR"));
    checkM = named(new QCheckBox(QStringLiteral("Включить масштабирование"), box),
                   QStringLiteral("checkM"));
    cbPribZap = list(QStringLiteral("cbPribZap"), DecimalPointTexts(), box);
    auto *grid = new QGridLayout(box);
    addRow(grid, QStringLiteral("Начало диаппазона"), editPribM1);
    addRow(grid, QStringLiteral("Конец диаппазона"), editPribM2);
    grid->addWidget(checkSQR, grid->rowCount(), 0, 1, 2);
    grid->addWidget(checkM, grid->rowCount(), 0, 1, 2);
    addRow(grid, QStringLiteral("Положение запятой"), cbPribZap);
    return box;
}

QGroupBox *FormNastrWare::createRegulationGroup(QWidget *parent)
{
    auto *box = group(QStringLiteral(" Регулирование "), parent);
    cbPribTypeReg = list(QStringLiteral("cbPribTypeReg"), RegulationLawTexts(), box);
    cbTypeReg = list(QStringLiteral("cbTypeReg"), RegulationModeTexts(), box);
    checkReg = named(new QCheckBox(QStringLiteral("Ручной режим регулирования"), box),
                     QStringLiteral("checkReg"));
    auto *grid = new QGridLayout(box);
    addRow(grid, QStringLiteral("Закон регулирования"), cbPribTypeReg);
    addRow(grid, QStringLiteral("Тип регулирования"), cbTypeReg);
    grid->addWidget(checkReg, grid->rowCount(), 0, 1, 2);
    return box;
}

QGroupBox *FormNastrWare::createColdJunctionGroup(QWidget *parent)
{
    auto *box = group(QStringLiteral(" Компенсация холодного спая "), parent);
    checkXC = named(new QCheckBox(QStringLiteral("Включить компенсацию ХС"), box),
                    QStringLiteral("checkXC"));
    editPribPoprXC = numberField(QStringLiteral("editPribPoprXC"), box);
    auto *grid = new QGridLayout(box);
    grid->addWidget(checkXC, 0, 0, 1, 2);
    addRow(grid, QStringLiteral("Поправка к значению ХС"), editPribPoprXC);
    return box;
}

QGroupBox *FormNastrWare::createClockGroup(QWidget *parent)
{
    auto *box = group(QStringLiteral("Дата и Время "), parent);
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

QWidget *FormNastrWare::createRegulationPage()
{
    auto *page = named(new QWidget(this), QStringLiteral("tabNastrReg"));

    auto *coefficients = group(QStringLiteral(" Коэффициенты "), page);
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
        *field.edit = numberField(QLatin1String(field.name), coefficients);
        (*field.edit)->setToolTip(field.hint);
        const int row = index % 4;
        const int column = (index / 4) * 2;
        grid->addWidget(new QLabel(field.label, coefficients), row, column);
        grid->addWidget(*field.edit, row, column + 1);
        ++index;
    }

    auto *byValue = group(QStringLiteral(" Регулирование по значению "), page);
    editPribRegZnac = numberField(QStringLiteral("editPribRegZnac"), byValue);
    auto *valueLayout = new QGridLayout(byValue);
    addRow(valueLayout, QStringLiteral("Значение регулирования"), editPribRegZnac);
    valueLayout->setColumnStretch(2, 1);

    auto *byProgram = group(QStringLiteral(" Регулирование по программе "), page);
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

void FormNastrWare::installHints()
{
    // The hint of the control under the pointer goes to the status bar; the background
    // clears it, and so does leaving a hinted control.
    auto *hints = new StatusHints(sbNastr, true, this);
    hints->hint({btn_Save, btnAddDevice, btnDelDevice, BtnTestUstr, twNastr});
    hints->clear(
        {this, Panel1, sbNastr, pcNastr, tabNastrProg, groupProgParams, groupDataCollection});
}

} // namespace zeltar
