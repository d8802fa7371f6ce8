// The controls of the settings window: toolbar, tree, the program page and the status bar;
// the instrument pages are a class of their own.
#include "ui/alarm_page.h"
#include "ui/field_values.h"
#include "ui/form_nastr_ware.h"
#include "ui/instrument_pages.h"
#include "ui/station_icons.h"
#include "ui/window_helpers.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace zeltar {

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
    m_pages = new InstrumentPages(this);
    tabNastrPrib = m_pages->instrumentPage;
    tabNastrReg = m_pages->regulationPage;
    pcNastr->addTab(tabNastrProg, QStringLiteral("Настройка программы"));
    pcNastr->addTab(tabNastrPrib, QStringLiteral("Настройка прибора"));
    pcNastr->addTab(tabNastrReg, QStringLiteral("Настройка регулирования"));
    tabNastrAlarm = new AlarmPage(this);
    pcNastr->addTab(tabNastrAlarm, QStringLiteral("Сигнализация"));
}

QWidget *FormNastrWare::createProgramPage()
{
    auto *page = named(new QWidget(this), QStringLiteral("tabNastrProg"));

    groupProgParams =
        named(new QGroupBox(QStringLiteral("  Настройка параметров программы  "), page),
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

    groupDataCollection = named(new QGroupBox(QStringLiteral("  Настройка сбора данных  "), page),
                                QStringLiteral("groupDataCollection"));
    QWidget *data = groupDataCollection;
    editPathArh = named(new QLineEdit(data), QStringLiteral("editPathArh"));
    editPathArh->setToolTip(QStringLiteral("Выберите директорию для хранения данных"));
    btnSelDir = named(new QPushButton(QStringLiteral("..."), data), QStringLiteral("btnSelDir"));
    btnSelDir->setToolTip(editPathArh->toolTip());
    btnSelDir->setFixedWidth(28);
    editTimeOpr = NumberField(QStringLiteral("editTimeOpr"), data, 50);
    LimitTyping(editTimeOpr, 3);
    editTimeOpr->setToolTip(QStringLiteral("Введите период опроса "));
    editTimeArh = NumberField(QStringLiteral("editTimeArh"), data, 50);
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
