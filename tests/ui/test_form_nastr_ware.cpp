// The settings window offscreen: entering, leaving a node with valid and invalid entries,
// saving, closing, adding and deleting devices, and the instrument operations through its
// buttons against zeltar-sim. Message boxes are answered by the recorder.
#include "acquisition/station.h"
#include "config/device_keys.h"
#include "config/ini_file.h"
#include "core/clock.h"
#include "message_recorder.h"
#include "sim_process.h"
#include "ui/alarm_page.h"
#include "ui/chart_widget.h"
#include "ui/file_dialogs.h"
#include "ui/form_info_ustr.h"
#include "ui/form_main.h"
#include "ui/form_nastr_ware.h"
#include "ui/instrument_pages.h"
#include "ui/up_down.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

using namespace zeltar;
using zeltar::test::SimProcess;

namespace {

QStringList visibleTabs(const FormNastrWare &form)
{
    QStringList tabs;
    for (int i = 0; i < form.pcNastr->count(); ++i)
        if (form.pcNastr->isTabVisible(i))
            tabs.append(form.pcNastr->widget(i)->objectName());
    return tabs;
}

QByteArray ReadBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList nodeTexts(const QTreeWidget *tree)
{
    QStringList texts;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        texts.append(tree->topLevelItem(i)->text(0));
    return texts;
}

// Every field of a record as text, numbers with all the digits of a single.
struct RecordText
{
    QStringList fields;
    void add(const char *key, const QString &value) { fields << key + (QLatin1Char('=') + value); }
    void text(const char *key, const QString &value) { add(key, value); }
    void byte(const char *key, quint8 value, ByteRule) { add(key, QString::number(value)); }
    void int16(const char *key, qint16 value) { add(key, QString::number(value)); }
    void number(const char *key, float value) { add(key, QString::number(value, 'g', 9)); }
    void slotGroup(const char *key, float a, float b, float c, float d)
    {
        for (float value : {a, b, c, d})
            number(key, value);
    }
    void program(quint8 count, const std::array<ProgramStep, MaxProgramSteps + 1> &steps)
    {
        for (int k = 0; k < count; ++k)
            add("Point", QStringLiteral("%1:%2;%3")
                             .arg(steps[k].Hours)
                             .arg(steps[k].Minutes)
                             .arg(steps[k].Value, 0, 'g', 9));
    }
};

QStringList recordText(const InstrumentSettings &record)
{
    RecordText text;
    VisitDeviceKeys(record, text);
    return text.fields;
}

} // namespace

class FormNastrWareTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MessageRecorder> m_messages;
    std::unique_ptr<Station> m_station;
    std::unique_ptr<FormNastrWare> m_form;
    ClockFieldTexts m_clockFields;

    QString dir() const { return m_dir->path(); }
    // An operation's job runs on its line: wait until its end has come back to the window.
    void settle() { QTRY_VERIFY_WITH_TIMEOUT(!m_form->isBusy(), 20000); }
    QString dataFolder() const { return dir() + QStringLiteral("/Data/"); }

    // Three devices, the first and the third on COM1 (the simulator's line when one is
    // given), the second on COM2, which no line answers.
    void start(const QString &line = QStringLiteral("/nonexistent"))
    {
        QVERIFY(QDir(dir()).mkpath(QStringLiteral("Data")));
        QFile file(dir() + QStringLiteral("/Zeltar.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QStringLiteral("[MAIN]\nAutoStart=0\nPathArh=%1\nTimeOpr=5\nTimeArh=12\n"
                                  "CountUstr=3\n"
                                  "[ZELTAR1]\nPribName=Печь 1\nPribVkl=1\nPribPort=1\n"
                                  "PribBaud=2\nPribAdr=1\nPribType=3\nPribDiap=4\n"
                                  "PribUst=00000100;00000020;00000000;00000000;\n"
                                  "AlarmHigh=1000\n"
                                  "PribPoint=2\nPoint1=01;001:00;00000050;\n"
                                  "Point2=02;002:30;000012,5;\n"
                                  "[ZELTAR2]\nPribName=Котёл\nPribVkl=0\nPribPort=2\n"
                                  "[ZELTAR3]\nPribName=Сушка\nPribVkl=1\nPribPort=1\n"
                                  "[PORTS]\nCOM1=%2\nCOM2=/nonexistent/line\n")
                       .arg(dataFolder(), line)
                       .toUtf8());
        file.close();
        m_station = std::make_unique<Station>(dir());
        m_station->journal.load(m_station->journalPath());
        QVERIFY(m_station->loadConfiguration());
        m_form = std::make_unique<FormNastrWare>(*m_station, nullptr, &m_clockFields);
        m_form->prepareEntering();
        m_form->show();
    }

    // A click on the node, as the operator selects it.
    void select(int node)
    {
        QTreeWidget *tree = m_form->twNastr;
        const QRect rect = tree->visualItemRect(tree->topLevelItem(node));
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
        QCoreApplication::processEvents();
    }

    // A click on a row of the program grid.
    void clickStep(int row)
    {
        QTableWidget *grid = m_form->pages()->sgProg;
        const QRect rect = grid->visualItemRect(grid->item(row, 1));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, rect.center());
    }

    QList<int> highlightedNodes() const
    {
        QList<int> nodes;
        for (QTreeWidgetItem *item : m_form->twNastr->selectedItems())
            nodes.append(m_form->twNastr->indexOfTopLevelItem(item));
        return nodes;
    }

    IniFile savedFile() const { return IniFile(dir() + QStringLiteral("/Zeltar.ini")); }

private Q_SLOTS:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        Clock::setNow(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
        m_dir = std::make_unique<QTemporaryDir>();
        m_messages = std::make_unique<MessageRecorder>();
        m_clockFields = {};
    }

    void cleanup()
    {
        QVERIFY(m_messages->settled());
        m_form.reset();
        m_station.reset();
        m_messages.reset();
        m_dir.reset();
        Clock::reset();
    }

    void enteringShowsTheProgramSettings()
    {
        start();
        QVERIFY(m_station->journal.lines().first().endsWith(
            QStringLiteral("]- Вход в режим настройки")));
        QCOMPARE(nodeTexts(m_form->twNastr),
                 (QStringList{"Программа", "Печь 1", "Котёл", "Сушка"}));
        QCOMPARE(m_form->selectedNode(), 0);
        QCOMPARE(visibleTabs(*m_form), QStringList{"tabNastrProg"});
        QVERIFY(!m_form->cbAutoStart->isChecked());
        QCOMPARE(m_form->editPathArh->text(), dataFolder());
        QCOMPARE(m_form->editTimeOpr->text(), QStringLiteral("5"));
        QCOMPARE(m_form->editTimeArh->text(), QStringLiteral("12"));
        QCOMPARE(m_form->pages()->stSysDate->text(), QStringLiteral("05:03:24"));
        QCOMPARE(m_form->pages()->stSysTime->text(), QStringLiteral("14:07:09"));
        QVERIFY(m_messages->messages().isEmpty());
        // No maximise button: the window keeps the size it opens at, as dialogs do.
        QVERIFY(!(m_form->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(m_form->minimumSize(), m_form->maximumSize());
    }

    void leavingTheProgramNodeChecksAndWritesIt()
    {
        start();
        m_form->editTimeOpr->setText(QStringLiteral("x"));
        select(1);
        QCOMPARE(m_messages->lastText(),
                 QStringLiteral("Период опроса должнен изменяться от 1 до 999 сек"));
        QCOMPARE(m_form->selectedNode(), 0);
        QCOMPARE(visibleTabs(*m_form), QStringList{"tabNastrProg"});
        QCOMPARE(m_station->settings.TimeOpr, 5);

        m_form->editTimeOpr->setText(QStringLiteral("7"));
        select(1);
        QCOMPARE(m_form->selectedNode(), 1);
        QCOMPARE(visibleTabs(*m_form),
                 (QStringList{"tabNastrPrib", "tabNastrReg", "tabNastrAlarm"}));
        QCOMPARE(m_station->settings.TimeOpr, 7);
        QCOMPARE(savedFile().readInteger("MAIN", "TimeOpr", 0), 7);
        QCOMPARE(m_messages->messages().size(), 1);
    }

    // Every write of Zeltar.ini that fails says so; what was taken stays in effect.
    void failedWritesAreTold()
    {
        start();
        const QString path = m_station->configPath();
        const QByteArray before = ReadBytes(path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        const QString told = QStringLiteral("Настройки не сохранены. Ошибка записи файла %1: "
                                            "файл защищён от записи")
                                 .arg(path);
        m_form->editTimeOpr->setText(QStringLiteral("7"));
        m_form->btn_Save->click();
        QCOMPARE(m_messages->texts(), QStringList{told});
        QCOMPARE(m_station->settings.TimeOpr, 7);
        select(1);
        m_form->btnAddDevice->click();
        QCOMPARE(m_station->settings.CountUstr, 4);
        QVERIFY(m_form->close());
        // Save, leaving the program node, taking the device's entries before the add, the
        // added device and leaving the one before it for it, closing.
        QCOMPARE(m_messages->texts(), QStringList(6, told));
        QCOMPARE(ReadBytes(path), before);
    }

    void fastLinkIsAProgramSetting()
    {
        start();
        QVERIFY(!m_form->cbFastLink->isChecked());
        QVERIFY(!m_form->cbFastLink->toolTip().isEmpty());
        select(1); // unchanged: a file without the section stays without it
        QVERIFY(!savedFile().hasSection(QStringLiteral("LINK")));

        select(0);
        // On its box: a click beside the text does not toggle it.
        QTest::mouseClick(m_form->cbFastLink, Qt::LeftButton, {},
                          QPoint(5, m_form->cbFastLink->height() / 2));
        select(1);
        QCOMPARE(savedFile().readString("LINK", "Mode", QString()), QStringLiteral("fast"));
        QVERIFY(m_station->lines.linkMode().fast);
        select(0);
        QVERIFY(m_form->cbFastLink->isChecked());
    }

    void deviceNodeShowsItsRecord()
    {
        start();
        select(1);
        QCOMPARE(m_form->pages()->editNamePrib->text(), QStringLiteral("Печь 1"));
        QVERIFY(m_form->pages()->cbVkl->isChecked());
        QCOMPARE(m_form->pages()->cbPribBaud->currentText(), QStringLiteral("9600"));
        QCOMPARE(m_form->pages()->cbPribType->currentText(), QStringLiteral("Термопара K"));
        QCOMPARE(m_form->pages()->cbPribDiap->count(), 11);
        QCOMPARE(m_form->pages()->cbPribDiap->currentText(), QStringLiteral("(0...1100) C"));
        QCOMPARE(m_form->pages()->editPribUst[0]->text(), QStringLiteral("100"));
        QCOMPARE(m_form->pages()->cbPribAdr->text(), QStringLiteral("1"));
        // The program in the "0.####" form, and its chart.
        QCOMPARE(m_form->pages()->sgProg->rowCount(), 2);
        QCOMPARE(m_form->pages()->sgProg->horizontalHeaderItem(0)->text(), QStringLiteral("№"));
        QCOMPARE(m_form->pages()->sgProg->item(1, 1)->text(), QStringLiteral("02:30"));
        QCOMPARE(m_form->pages()->sgProg->item(1, 2)->text(), QStringLiteral("12,5"));
        QCOMPARE(m_form->pages()->ChartProg->points().size(), 2);
        QCOMPARE(m_form->pages()->ChartProg->points().at(1).x, 150.0);

        // The operator's type change refills the ranges; J has only one.
        m_form->pages()->cbPribType->setCurrentIndex(8);
        emit m_form->pages()->cbPribType->activated(8);
        QCOMPARE(m_form->pages()->cbPribDiap->count(), 1);
        QCOMPARE(m_form->pages()->cbPribDiap->currentText(), QStringLiteral("(0...2200) C"));
    }

    void renamedDeviceReachesTreeAndFile()
    {
        start();
        select(1);
        m_form->pages()->editNamePrib->setText(QStringLiteral("Печь 2"));
        select(3);
        QCOMPARE(m_form->twNastr->topLevelItem(1)->text(0), QStringLiteral("Печь 2"));
        QCOMPARE(m_station->table.device(1).PribName, QStringLiteral("Печь 2"));
        QCOMPARE(savedFile().readString("ZELTAR1", "PribName", {}), QStringLiteral("Печь 2"));
        QCOMPARE(m_form->pages()->editNamePrib->text(), QStringLiteral("Сушка"));
    }

    void invalidEntryKeepsNodeAndRecord()
    {
        start();
        select(1);
        m_form->pages()->editPribUst[0]->setText(QStringLiteral("55"));
        m_form->pages()->editPribUst[1]->setText(QStringLiteral("a"));
        m_form->pages()->editPribKp->setText(QStringLiteral("b"));
        select(2);
        QCOMPARE(m_messages->texts(), QStringList{"Неверное значение уставки 2"});
        QCOMPARE(m_messages->messages().last().icon, MessageIcon::Error);
        QCOMPARE(m_form->selectedNode(), 1);
        QCOMPARE(m_station->table.device(1).PribUst1, 100.0f);
        QCOMPARE(m_form->pages()->editPribUst[0]->text(), QStringLiteral("55"));

        // Closing is refused the same way.
        m_form->close();
        QVERIFY(m_form->isVisible());
        QCOMPARE(m_messages->lastText(), QStringLiteral("Неверное значение уставки 2"));
    }

    void saveAppliesTheFolderRules_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("accepted");
        // {data} stands for the test's archive folder without its separator.
        QTest::newRow("no separator") << "{data}"
                                      << "{data}/" << true;
        QTest::newRow("separator") << "{data}/"
                                   << "{data}/" << true;
        QTest::newRow("two characters") << "C:"
                                        << "C:" << false;
    }

    void saveAppliesTheFolderRules()
    {
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        QFETCH(bool, accepted);
        start();
        const QString data = QDir::cleanPath(dataFolder());
        typed.replace(QStringLiteral("{data}"), data);
        shown.replace(QStringLiteral("{data}"), data);
        m_form->editPathArh->setText(typed);
        m_form->editTimeArh->setText(QStringLiteral("6"));
        m_form->btn_Save->click();
        QCOMPARE(m_form->editPathArh->text(), shown);
        QCOMPARE(savedFile().readInteger("MAIN", "TimeArh", 0), accepted ? 6 : 12);
        if (accepted)
            QCOMPARE(m_station->settings.PathArh, shown);
        else
            QCOMPARE(m_messages->lastText(), QStringLiteral("Папка:C:\rНе существует\r"));
    }

    void saveWithAnInvalidEntryWritesTheUnchangedRecord()
    {
        start();
        m_form->editTimeOpr->setText(QStringLiteral("9"));
        select(2);
        m_form->pages()->editNamePrib->setText(QStringLiteral("Котёл 2"));
        m_form->pages()->editPribKo->setText(QStringLiteral("2"));
        m_form->btn_Save->click();
        QCOMPARE(m_messages->lastText(),
                 QStringLiteral("Значение коэффициента эффективности должно быть в диапазоне "
                                "0<Ко<1"));
        const IniFile file = savedFile();
        QCOMPARE(file.readInteger("MAIN", "TimeOpr", 0), 9);
        QCOMPARE(file.readString("ZELTAR2", "PribName", {}), QStringLiteral("Котёл"));
        QCOMPARE(m_form->twNastr->topLevelItem(2)->text(0), QStringLiteral("Котёл"));
    }

    void closingWritesEveryDeviceAndRebuildsTheMainTree()
    {
        start();
        FormMain main(*m_station);
        connect(m_form.get(), &FormNastrWare::settingsClosed, &main, &FormMain::RebuildMainTree);
        select(2);
        m_form->pages()->cbVkl->setChecked(true);
        m_station->table.device(3).PribName = QStringLiteral("Сушка 2");
        QVERIFY(m_form->close());
        QVERIFY(!m_form->isVisible());

        const IniFile file = savedFile();
        QCOMPARE(file.readInteger("ZELTAR2", "PribVkl", 0), 1);
        QCOMPARE(file.readString("ZELTAR3", "PribName", {}), QStringLiteral("Сушка 2"));
        QCOMPARE(nodeTexts(main.twData), (QStringList{"Программа", "Печь 1", "Котёл", "Сушка 2"}));
        QCOMPARE(main.twData->topLevelItem(2)->data(0, Qt::UserRole).toInt(), 7);
        QCOMPARE(m_station->state.CountVkl, 3);
    }

    void addAndDeleteDevices()
    {
        start();
        // Adding takes what was typed on the node shown, as leaving it does, or is refused.
        select(1);
        m_form->pages()->editNamePrib->setText(QStringLiteral("Печь 1а"));
        m_form->pages()->editPribUst[1]->setText(QStringLiteral("x"));
        m_form->btnAddDevice->click();
        QCOMPARE(m_messages->texts(), QStringList{"Неверное значение уставки 2"});
        QCOMPARE(m_station->settings.CountUstr, 3);
        QCOMPARE(m_form->selectedNode(), 1);
        m_form->pages()->editPribUst[1]->setText(QStringLiteral("20"));
        m_form->btnAddDevice->click();
        QCOMPARE(nodeTexts(m_form->twNastr),
                 (QStringList{"Программа", "Печь 1а", "Котёл", "Сушка", "Новое устройство"}));
        QCOMPARE(savedFile().readString("ZELTAR1", "PribName", {}), QStringLiteral("Печь 1а"));
        QCOMPARE(m_form->selectedNode(), 4);
        QCOMPARE(m_form->pages()->editNamePrib->text(), QStringLiteral("Новое устройство"));
        QCOMPARE(savedFile().readInteger("MAIN", "CountUstr", 0), 4);

        // The root is never deleted; No keeps the device.
        select(0);
        m_form->btnDelDevice->click();
        select(2);
        m_messages->setNextAnswer(false);
        m_form->btnDelDevice->click();
        QCOMPARE(m_station->settings.CountUstr, 4);

        m_messages->setNextAnswer(true);
        m_form->btnDelDevice->click();
        QCOMPARE(m_messages->lastText(), QStringLiteral("Удалить устройство ?"));
        QCOMPARE(nodeTexts(m_form->twNastr),
                 (QStringList{"Программа", "Печь 1а", "Сушка", "Новое устройство"}));
        QCOMPARE(m_form->selectedNode(), 2);
        QCOMPARE(m_form->pages()->editNamePrib->text(), QStringLiteral("Сушка"));
        QCOMPARE(savedFile().readInteger("MAIN", "CountUstr", 0), 3);

        // The last one gone, the root and its page come back.
        for (int i = 0; i < 3; ++i) {
            select(m_station->settings.CountUstr);
            m_messages->setNextAnswer(true);
            m_form->btnDelDevice->click();
        }
        QCOMPARE(nodeTexts(m_form->twNastr), QStringList{"Программа"});
        QCOMPARE(m_form->selectedNode(), 0);
        QCOMPARE(visibleTabs(*m_form), QStringList{"tabNastrProg"});
    }

    void programStepsThroughTheButtons()
    {
        start();
        m_station->table.device(1).Program[1].Value = 25.3f;
        select(1);
        m_form->pcNastr->setCurrentWidget(m_form->tabNastrReg);
        clickStep(0);
        m_form->pages()->BtnAddSnap->click();
        QCOMPARE(m_station->table.device(1).PribPoint, 3);
        QCOMPARE(m_form->pages()->sgProg->item(1, 1)->text(), QStringLiteral("01:00"));
        QCOMPARE(m_form->pages()->sgProg->item(1, 2)->text(), QStringLiteral("0"));
        // A stored single in the fewest digits that give it back.
        QCOMPARE(m_form->pages()->sgProg->item(2, 2)->text(), QStringLiteral("25,3"));
        clickStep(2);
        m_form->pages()->BtnDelSnap->click();
        QCOMPARE(m_form->pages()->sgProg->rowCount(), 2);
        QCOMPARE(m_station->table.device(1).PribPoint, 2);
    }

    void clockFieldsAreCheckedBeforeAnyTransfer()
    {
        start();
        select(1);
        m_form->pages()->BtnUstSistTime->click();
        QCOMPARE(m_form->pages()->DateEdit->text(), QStringLiteral("05.03.2024"));
        QCOMPARE(m_form->pages()->MaskTime->text(), QStringLiteral("14:07:09"));

        m_form->pages()->DateEdit->setText(QStringLiteral("15.00.2024"));
        m_form->pages()->BtnWriteTime->click();
        settle();
        QCOMPARE(m_messages->texts(), QStringList{"Значение номера месяца должно быть от 0 до 12"});
        QVERIFY(m_form->isEnabled() && !m_form->isBusy());

        // The port of device 1 cannot be opened here.
        m_form->pages()->BtnReadTime->click();
        settle();
        QCOMPARE(m_messages->messages().last().icon, MessageIcon::Error);
        QCOMPARE(m_form->pages()->DateEdit->text(), QStringLiteral("15.00.2024"));
        QVERIFY(m_form->isEnabled() && m_form->pcNastr->isEnabled());
    }

    // The window goes (its owner closed) while its read is still on the line: the read's
    // end finds no window and touches nothing.
    void windowGoneBeforeItsOperationEnds()
    {
        SimProcess sim({"--late", "300"});
        QVERIFY(sim.start());
        start(sim.portPath());
        select(1);
        const QStringList before = recordText(m_station->table.device(1));
        m_form->pages()->BtnRead->click();
        QVERIFY(m_form->isBusy());
        m_form.reset();
        QVERIFY(!m_station->lines.idle());
        QTRY_VERIFY_WITH_TIMEOUT(m_station->lines.idle(), 20000);
        QCOMPARE(recordText(m_station->table.device(1)), before);
        QVERIFY(m_messages->texts().isEmpty());
    }

    // The alarm page shows the device's keys and writes only what was changed, at the end of
    // the device's section; a device without alarms keeps a section without alarm keys.
    void alarmPageWritesTheStationKeys()
    {
        start();
        select(1);
        AlarmPage *page = m_form->tabNastrAlarm;
        QCOMPARE(page->editAlarmHigh->text(), QStringLiteral("1000"));
        QVERIFY(page->editAlarmLow->text().isEmpty());
        QCOMPARE(page->editAlarmNoLink->text(), QStringLiteral("0"));
        page->editAlarmHigh->setText(QStringLiteral("1043.25"));
        page->editAlarmLow->setText(QStringLiteral("20,5"));
        page->editAlarmDelay->setText(QStringLiteral("10"));
        page->checkAlarmBreak->setChecked(true);
        select(2);
        select(0);
        const QString text = QString::fromUtf8(ReadBytes(m_station->configPath()));
        QVERIFY(text.contains(QStringLiteral("AlarmHigh=1043.25\r\n")) ||
                text.contains(QStringLiteral("AlarmHigh=1043.25\n")));
        const QString device1 = text.section(QStringLiteral("[ZELTAR1]"), 1).section('[', 0, 0);
        QVERIFY2(device1.trimmed().endsWith(
                     QStringLiteral("AlarmLow=20.5\nAlarmDelay=10\nAlarmBreak=1")),
                 qPrintable(device1));
        QVERIFY(!text.section(QStringLiteral("[ZELTAR2]"), 1).contains(QStringLiteral("Alarm")));
        select(1);
        QCOMPARE(page->editAlarmLow->text(), QStringLiteral("20,5"));

        // Emptied, a limit is off and keeps its key with no value.
        page->editAlarmHigh->clear();
        QVERIFY(m_form->close());
        QCOMPARE(savedFile().value("ZELTAR1", "AlarmHigh"), std::optional<QString>(QString()));
        QVERIFY(m_messages->messages().isEmpty());
    }

    void settingsReadAndWriteAgainstTheSimulator()
    {
        SimProcess sim;
        QVERIFY(sim.start());
        start(sim.portPath());
        select(1);
        QCOMPARE(m_form->pages()->cbPribType->currentIndex(), 3);
        // Name and polling flag are the station's: the read leaves them as typed.
        m_form->pages()->editNamePrib->setText(QStringLiteral("Печь 9"));
        m_form->pages()->cbVkl->setChecked(false);
        // So are the alarms.
        m_form->tabNastrAlarm->editAlarmHigh->setText(QStringLiteral("900"));

        // While busy only the animation stays in colour, and the window cannot be closed.
        QList<bool> whileBusy;
        QTimer::singleShot(0, m_form.get(), [&] {
            m_form->close();
            whileBusy = {m_form->isBusy(),
                         m_form->isVisible(),
                         m_form->pages()->gifOperate->isEnabled(),
                         m_form->pages()->BtnWrite->isEnabled(),
                         m_form->twNastr->isEnabled(),
                         m_form->btn_Save->isEnabled()};
        });
        m_form->pages()->BtnRead->click();
        settle();
        QCOMPARE(whileBusy, (QList<bool>{true, true, true, false, false, false}));
        QCOMPARE(m_messages->lastText(), QStringLiteral("Чтение настроек завершено успешно"));
        QVERIFY(m_form->isEnabled() && m_form->pcNastr->isEnabled() && !m_form->isBusy());
        QVERIFY(m_form->pages()->BtnWrite->isEnabled() && m_form->twNastr->isEnabled());
        QCOMPARE(m_form->pages()->editPribUst[0]->text(), QStringLiteral("70"));
        QCOMPARE(m_form->pages()->cbPribType->currentIndex(), 0);
        QCOMPARE(m_station->table.device(1).PribUst1, 70.0f);
        QCOMPARE(m_form->pages()->editNamePrib->text(), QStringLiteral("Печь 9"));
        QVERIFY(!m_form->pages()->cbVkl->isChecked());
        QCOMPARE(m_form->tabNastrAlarm->editAlarmHigh->text(), QStringLiteral("900"));
        // The instrument's clock, read with the settings, runs on the PC's own.
        QVERIFY(m_form->pages()->DateEdit->text().endsWith(QDate::currentDate().toString("yyyy")));

        m_form->pages()->editPribUst[0]->setText(QStringLiteral("55,5"));
        m_form->pages()->BtnWrite->click();
        settle();
        QCOMPARE(m_messages->lastText(), QStringLiteral("Данные в прибор записаны успешно"));
        m_form->pages()->editPribUst[0]->clear();
        m_form->pages()->BtnRead->click();
        settle();
        QCOMPARE(m_form->pages()->editPribUst[0]->text(), QStringLiteral("55,5"));
        QCOMPARE(m_messages->messages().size(), 3);
        QCOMPARE(m_station->table.device(1).PribName, QStringLiteral("Печь 9"));
        QCOMPARE(m_station->table.device(1).PribVkl, quint8(0));

        // The read goes out on the port shown, which no line answers here, and the list
        // keeps it.
        m_form->pages()->cbPribPort->setCurrentIndex(1);
        m_form->pages()->BtnRead->click();
        settle();
        QCOMPARE(m_messages->lastText(), QStringLiteral("Ошибка связи с прибором: 1"));
        QCOMPARE(m_form->pages()->cbPribPort->currentText(), QStringLiteral("COM2"));
        QCOMPARE(m_station->table.device(1).PribPort, quint8(1));
    }

    void linkTestDisablesTheWindowUntilTheDialogCloses()
    {
        SimProcess sim;
        QVERIFY(sim.start());
        start(sim.portPath());
        select(1);
        // The title bar's close box does nothing while the test holds the port.
        bool visibleAfterClose = false;
        QTimer::singleShot(0, m_form.get(), [&] {
            m_form->close();
            visibleAfterClose = m_form->isVisible();
        });
        m_form->BtnTestUstr->click();
        settle();
        QVERIFY(visibleAfterClose);
        FormInfoUstr *info = m_form->infoDialog();
        QVERIFY(info->isVisible());
        QCOMPARE(info->windowTitle(), QStringLiteral("Найден прибор"));
        QCOMPARE(info->stQW->text(), QStringLiteral("Хорошее (10/10)"));
        QCOMPARE(info->StVer->text(), QStringLiteral("1.5"));
        QVERIFY(!m_form->isEnabled());
        info->close();
        QVERIFY(m_form->isEnabled());

        // The test reaches the instrument as the page shows it, before anything is taken:
        // an address typed that nothing answers at finds nothing, same closing rule ...
        m_form->pages()->cbPribAdr->setText(QStringLiteral("42"));
        m_form->BtnTestUstr->click();
        settle();
        QCOMPARE(info->windowTitle(), QStringLiteral("Устройство не найдено"));
        QVERIFY(info->stNoFind->isVisible());
        info->Button1->click();
        QVERIFY(m_form->isEnabled());

        // ... and a device stored elsewhere, shown on the simulator's COM1 at its rate and
        // address, is found there.
        select(2);
        m_form->pages()->cbPribPort->setCurrentIndex(0);
        m_form->pages()->cbPribBaud->setCurrentIndex(2);
        m_form->pages()->cbPribAdr->setText(QStringLiteral("1"));
        m_form->BtnTestUstr->click();
        settle();
        QCOMPARE(info->windowTitle(), QStringLiteral("Найден прибор"));
        QCOMPARE(info->stPort->text(), QStringLiteral("COM1"));
        info->Button1->click();
        QCOMPARE(m_station->table.device(2).PribPort, quint8(2));
    }

    // Values the lists and fields cannot show in their usual way, as an instrument's read
    // or a hand-edited file leaves them: opening, moving about and closing without edits
    // changes nothing, and neither does a write.
    void untouchedWindowChangesNothing()
    {
        start();
        m_station->settings.TimeOpr = 1500;
        m_station->settings.TimeArh = 24;
        InstrumentSettings &device = m_station->table.device(1);
        device.PribName = QStringLiteral("Печь обжига номер один, цех 4");
        device.PribBaud = 9;
        device.PribPeriod = 13;
        device.PribAdr = 150;
        device.PribType = 8; // one range only
        device.PribDiap = 7;
        device.PribPeriodArh = 2000;
        device.PribUst1 = 20.1478271484375f;
        device.PribKo = 0.123456f;
        device.PribM = 0xE0; // bits no control stands for
        device.Program[0].Value = 25.3f;
        m_station->table.device(3).PribType = 40;
        // A relative archive folder stays relative: the station folder may move.
        m_station->settings.PathArhText = QStringLiteral("Data");
        m_form->prepareEntering();
        QVERIFY(WriteProgramSettings(m_station->ini, m_station->settings));
        for (int n = 1; n <= 3; ++n)
            QVERIFY(WriteDevice(m_station->ini, m_station->table, n));
        QFile file(dir() + QStringLiteral("/Zeltar.ini"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray fileBefore = file.readAll();
        file.close();
        QList<QStringList> before;
        for (int n = 1; n <= 3; ++n)
            before.append(recordText(m_station->table.device(n)));

        QCOMPARE(m_form->editTimeOpr->text(), QStringLiteral("1500"));
        QCOMPARE(m_form->editPathArh->text(), QStringLiteral("Data"));
        select(1);
        QCOMPARE(m_form->pages()->editNamePrib->text(), device.PribName);
        QCOMPARE(m_form->pages()->cbPribBaud->currentText(), QStringLiteral("9"));
        QCOMPARE(m_form->pages()->cbPribPeriod->currentText(), QStringLiteral("13"));
        QCOMPARE(m_form->pages()->cbPribDiap->currentText(), QStringLiteral("7"));
        QCOMPARE(m_form->pages()->cbPribAdr->text(), QStringLiteral("150"));
        QCOMPARE(m_form->pages()->editPribPeriodArh->text(), QStringLiteral("2000"));
        select(3);
        QCOMPARE(m_form->pages()->cbPribType->currentText(), QStringLiteral("40"));
        QCOMPARE(m_form->pages()->cbPribBaud->findText(QStringLiteral("9")), -1);
        select(2);
        select(1);
        // The write fails at the port here; what it would send is the record as it is.
        m_form->pages()->BtnWrite->click();
        settle();
        QCOMPARE(m_messages->messages().size(), 1);
        QCOMPARE(recordText(m_station->table.staging), before.at(0));
        select(0);
        QVERIFY(m_form->close());

        QCOMPARE(m_station->settings.TimeOpr, 1500);
        for (int n = 1; n <= 3; ++n)
            QCOMPARE(recordText(m_station->table.device(n)), before.at(n - 1));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), fileBefore);

        // An edit takes only what was edited; a list value picked replaces the raw one.
        m_form->prepareEntering();
        select(1);
        m_form->pages()->editPribUst[1]->setText(QStringLiteral("7,5"));
        m_form->pages()->cbPribBaud->setCurrentIndex(2);
        m_form->pages()->cbPribDiap->setCurrentIndex(0);
        select(2);
        QCOMPARE(device.PribUst2, 7.5f);
        QCOMPARE(device.PribBaud, quint8(2));
        QCOMPARE(device.PribDiap, quint8(0));
        QCOMPARE(device.PribUst1, 20.1478271484375f);
        QCOMPARE(device.PribAdr, quint8(150));
        QCOMPARE(device.PribM, quint8(0xE0));
    }

    // Length limits bound typing only: a longer stored text stays whole, typing can
    // shorten it and cannot lengthen it.
    void lengthLimitsBoundTypingOnly()
    {
        start();
        m_form->editTimeOpr->setText(QStringLiteral("1500"));
        QCOMPARE(m_form->editTimeOpr->text(), QStringLiteral("1500"));
        m_form->editTimeOpr->end(false);
        QTest::keyClicks(m_form->editTimeOpr, QStringLiteral("7"));
        QCOMPARE(m_form->editTimeOpr->text(), QStringLiteral("1500"));
        QTest::keyClick(m_form->editTimeOpr, Qt::Key_Backspace);
        QTest::keyClicks(m_form->editTimeOpr, QStringLiteral("2"));
        QCOMPARE(m_form->editTimeOpr->text(), QStringLiteral("150"));
        m_form->editTimeOpr->selectAll();
        QTest::keyClicks(m_form->editTimeOpr, QStringLiteral("98765"));
        QCOMPARE(m_form->editTimeOpr->text(), QStringLiteral("987"));

        select(1);
        const QString name = QStringLiteral("Oven ") + QString(30, QLatin1Char('x'));
        m_form->pages()->editNamePrib->setText(name);
        QCOMPARE(m_form->pages()->editNamePrib->text(), name);
        m_form->pages()->editNamePrib->clear();
        QTest::keyClicks(m_form->pages()->editNamePrib, name);
        QCOMPARE(m_form->pages()->editNamePrib->text(), name.left(24));
    }

    // A node change refused for an invalid entry, started by a click: the highlight, the
    // current item and the pages all stay with the node left, and deleting deletes it.
    void refusedNodeChangeKeepsTheTreeWithThePages_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("message");
        QTest::newRow("device") << 1 << "editPribUst2"
                                << "x"
                                << "Неверное значение уставки 2";
        QTest::newRow("program") << 0 << "editTimeOpr"
                                 << "x"
                                 << "Период опроса должнен изменяться от 1 до 999 сек";
        // Beyond the arrows' range: refused, not brought into it.
        QTest::newRow("address") << 1 << "cbPribAdr"
                                 << "150"
                                 << "Значение адреса прибора должно быть в диапазоне 0...99";
        QTest::newRow("no address") << 1 << "cbPribAdr"
                                    << ""
                                    << "Значение адреса прибора должно быть в диапазоне 0...99";
        QTest::newRow("archive period")
            << 1 << "editPribPeriodArh"
            << "1001"
            << "Значение периода архивирования должно быть в диапазоне 0...1000 сек";
        // The alarm page's checks; device 1 has a high limit of 1000.
        QTest::newRow("alarm high") << 1 << "editAlarmHigh"
                                    << "10o0"
                                    << "Неверное значение верхней границы сигнализации";
        QTest::newRow("alarm low above high")
            << 1 << "editAlarmLow"
            << "1000.5"
            << "Нижняя граница сигнализации не может быть выше верхней";
        QTest::newRow("alarm deadband") << 1 << "editAlarmDeadband"
                                        << "-1"
                                        << "Значение зоны возврата сигнализации не может быть "
                                           "меньше 0";
        QTest::newRow("alarm delay")
            << 1 << "editAlarmDelay"
            << "86401"
            << "Значение задержки сигнализации должно быть в диапазоне 0...86400 сек";
        QTest::newRow("alarm no link") << 1 << "editAlarmNoLink"
                                       << "2,5"
                                       << "Число опросов без ответа должно быть в диапазоне "
                                          "0...86400";
    }

    void refusedNodeChangeKeepsTheTreeWithThePages()
    {
        QFETCH(int, from);
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, message);
        start();
        select(from);
        auto *edit = m_form->findChild<QLineEdit *>(field);
        edit->setText(typed);
        select(2);
        QCOMPARE(m_messages->lastText(), message);
        QCOMPARE(m_form->selectedNode(), from);
        QCOMPARE(highlightedNodes(), QList<int>{from});
        QCOMPARE(visibleTabs(*m_form).first(),
                 from == 0 ? QStringLiteral("tabNastrProg") : QStringLiteral("tabNastrPrib"));

        // The root is never deleted; a device is, after its question.
        edit->setText(from == 0 ? QStringLiteral("5") : QStringLiteral("20"));
        if (from > 0)
            m_messages->setNextAnswer(true);
        m_form->btnDelDevice->click();
        const QStringList left = from == 0 ? QStringList{"Программа", "Печь 1", "Котёл", "Сушка"}
                                           : QStringList{"Программа", "Котёл", "Сушка"};
        QCOMPARE(nodeTexts(m_form->twNastr), left);
    }

    // Enter in a field starts nothing: no button of the window is its default.
    void enterInAFieldStartsNothing()
    {
        start();
        for (const QPushButton *button : m_form->findChildren<QPushButton *>())
            if (button->window() == m_form.get())
                QVERIFY2(!button->isDefault() && !button->autoDefault(),
                         qPrintable(button->objectName()));
        m_form->editTimeOpr->setFocus();
        QTest::keyClick(m_form->editTimeOpr, Qt::Key_Return);
        QVERIFY(m_form->isVisible());
        QVERIFY(FileDialogs::queueEmpty());
    }

    // Names in the tree and the program grid's titles are not cut at the desktop's font.
    void treeAndGridFitTheirTexts()
    {
        start();
        QTreeWidget *tree = m_form->twNastr;
        QTreeWidgetItem *item = tree->topLevelItem(1);
        item->setText(0, QStringLiteral("Сушильная камера номер два"));
        m_station->table.device(1).PribName = item->text(0);
        m_form->prepareEntering();
        const QRect rect = tree->visualItemRect(tree->topLevelItem(1));
        QVERIFY(tree->viewport()->width() >= rect.left() + tree->fontMetrics().horizontalAdvance(
                                                               tree->topLevelItem(1)->text(0)));
        QHeaderView *titles = m_form->pages()->sgProg->horizontalHeader();
        for (int column = 0; column < 3; ++column)
            QVERIFY(titles->sectionSize(column) >= titles->sectionSizeHint(column));
    }

    // The clock fields keep their contents for the station's run, across openings.
    void clockFieldsOutliveTheWindow()
    {
        start();
        select(1);
        m_form->pages()->DateEdit->setText(QStringLiteral("01.02.2025"));
        m_form->pages()->MaskTime->setText(QStringLiteral("10:20:30"));
        QVERIFY(m_form->close());
        m_form = std::make_unique<FormNastrWare>(*m_station, nullptr, &m_clockFields);
        m_form->prepareEntering();
        m_form->show();
        QCOMPARE(m_form->pages()->DateEdit->text(), QStringLiteral("01.02.2025"));
        QCOMPARE(m_form->pages()->MaskTime->text(), QStringLiteral("10:20:30"));
    }
};

QTEST_MAIN(FormNastrWareTest)
#include "test_form_nastr_ware.moc"
