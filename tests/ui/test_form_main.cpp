// The main window offscreen: the start-up sequence and its journal lines, the device tree,
// the pages shown for a selection, polling start and stop, the chart settings and the exit
// question. Message boxes are answered by the recorder; no test waits for a modal box.
#include "acquisition/archive_keeper.h"
#include "acquisition/archive_table.h"
#include "acquisition/polling_cycle.h"
#include "acquisition/station.h"
#include "alarms/alarm_monitor.h"
#include "config/ini_file.h"
#include "core/clock.h"
#include "core/single_instance.h"
#include "message_recorder.h"
#include "sim_process.h"
#include "ui/alarm_history_panel.h"
#include "ui/alarm_list_model.h"
#include "ui/alarms_panel.h"
#include "ui/archive_table_model.h"
#include "ui/chart_page.h"
#include "ui/chart_widget.h"
#include "ui/file_dialogs.h"
#include "ui/form_main.h"
#include "ui/station_app.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

using namespace zeltar;

namespace {

QString messageOf(const QString &journalLine)
{
    return journalLine.section(QStringLiteral("]- "), 1);
}

QStringList journalMessages(const Station &station)
{
    QStringList messages;
    for (const QString &line : station.journal.lines())
        messages.append(messageOf(line));
    return messages;
}

// A click on node n of the main window's tree, as the operator selects it.
void clickNode(FormMain &form, int n)
{
    form.show();
    QTreeWidget *tree = form.twData;
    const QRect rect = tree->visualItemRect(tree->topLevelItem(n));
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
}

} // namespace

class FormMainTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MessageRecorder> m_messages;

    QString dir() const { return m_dir->path(); }

    void writeIni(const QString &text)
    {
        QFile file(dir() + QStringLiteral("/Zeltar.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(text.toUtf8());
    }

    QString threeDevices(bool autoStart, const QString &line = QStringLiteral("/nonexistent"))
    {
        return QStringLiteral("[MAIN]\nAutoStart=%1\nTimeOpr=999\nCountUstr=3\n"
                              "[ZELTAR1]\nPribName=Печь 1\nPribVkl=1\nPribPort=1\nPribBaud=2\n"
                              "PribAdr=1\nPribUst=00000070;00000030;00000050;00000000;\n"
                              "[ZELTAR2]\nPribName=Котёл\nPribVkl=0\nPribPort=1\nPribAdr=2\n"
                              "[ZELTAR3]\nPribName=Сушка\nPribVkl=1\nPribPort=1\nPribBaud=2\n"
                              "PribAdr=3\n[PORTS]\nCOM1=%2\n")
            .arg(autoStart ? 1 : 0)
            .arg(line);
    }

    static QStringList visibleTabs(const FormMain &form)
    {
        QStringList tabs;
        for (int i = 0; i < form.PageControl1->count(); ++i)
            if (form.PageControl1->isTabVisible(i))
                tabs.append(form.PageControl1->widget(i)->objectName());
        return tabs;
    }

private Q_SLOTS:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
        Clock::setNow(QDateTime(QDate(2024, 3, 1), QTime(10, 15, 0)));
        m_dir = std::make_unique<QTemporaryDir>();
        m_messages = std::make_unique<MessageRecorder>();
    }

    void cleanup()
    {
        QVERIFY(FileDialogs::queueEmpty());
        QVERIFY(m_messages->settled());
        m_messages.reset();
        m_dir.reset();
        Clock::reset();
    }

    void startInAnEmptyFolder()
    {
        Station station(dir());
        FormMain form(station);
        m_messages->setNextAnswer(true);
        QVERIFY(form.FormShow());
        QCOMPARE(m_messages->lastText(),
                 QStringLiteral("Не найден файл конфигурации\rСоздать новый файл ?"));
        QCOMPARE(m_messages->messages().last().icon, MessageIcon::Error);
        QCOMPARE(journalMessages(station), QStringList{"Открытие программы"});
        QVERIFY(!QFile::exists(dir() + QStringLiteral("/Zeltar.ini")));
        QVERIFY(QFile::exists(dir() + QStringLiteral("/Zeltar.mes")));
        QVERIFY(!station.state.OprRun);
        QCOMPARE(form.memoProgMes->toPlainText(), station.journal.lines().join('\n'));
        // Only the journal page, the root selected.
        QCOMPARE(visibleTabs(form), QStringList{"tsProgJournal"});
        QCOMPARE(form.twData->topLevelItemCount(), 1);
        QCOMPARE(form.twData->currentItem(), form.twData->topLevelItem(0));
    }

    void declinedConfigurationEndsTheStation()
    {
        Station station(dir());
        FormMain form(station);
        m_messages->setNextAnswer(false);
        QVERIFY(!form.FormShow());
    }

    void automaticStart_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QStringList>("journal");
        QTest::newRow("two enabled")
            << true
            << QStringList{"Начат сбор данных с приборов(Автозапуск)",
                           "Запущена система сбора и анализа данных", "Открытие программы"};
        QTest::newRow("none enabled")
            << false
            << QStringList{"Автозапуск запрещен. Нет включенных приборов", "Открытие программы"};
    }

    void automaticStart()
    {
        QFETCH(bool, enabled);
        QFETCH(QStringList, journal);
        QString ini = threeDevices(true);
        if (!enabled)
            ini.replace(QStringLiteral("PribVkl=1"), QStringLiteral("PribVkl=0"));
        writeIni(ini);
        Station station(dir());
        FormMain form(station);
        QVERIFY(form.FormShow());
        QCOMPARE(journalMessages(station), journal);
        QCOMPARE(station.state.OprRun, enabled);
        QCOMPARE(form.btnStart->isChecked(), enabled);
        QVERIFY(m_messages->messages().isEmpty()); // unlike a manual start, no box
        form.cycle().btnStopClick();
    }

    void treeAndPages()
    {
        writeIni(threeDevices(false));
        Station station(dir());
        FormMain form(station);
        QVERIFY(form.FormShow());
        QCOMPARE(form.twData->topLevelItemCount(), 4);
        QStringList texts;
        QList<int> images;
        for (int i = 0; i < 4; ++i) {
            texts.append(form.twData->topLevelItem(i)->text(0));
            images.append(form.twData->topLevelItem(i)->data(0, Qt::UserRole).toInt());
        }
        QCOMPARE(texts, QStringList({"Программа", "Печь 1", "Котёл", "Сушка"}));
        QCOMPARE(images, QList<int>({0, 7, 13, 7}));
        QCOMPARE(station.state.CountVkl, 2);

        clickNode(form, 1);
        QCOMPARE(station.state.SelUstr, 1);
        QCOMPARE(visibleTabs(form), QStringList({"tsCurrentData", "tsArh", "tsGraf", "tsHistory"}));
        // Polling off: the device shows as switched off.
        QCOMPARE(form.stPribName->text(), QStringLiteral("Печь 1"));
        QCOMPARE(form.stVkl->text(), QStringLiteral("Состояние: Прибор отключен"));
        QCOMPARE(form.stPribZnac->text(), QStringLiteral("----"));
        QCOMPARE(form.stUst1->text(), QStringLiteral("70"));

        clickNode(form, 0);
        QCOMPARE(visibleTabs(form), QStringList{"tsProgJournal"});
    }

    void currentValuesWhilePolling()
    {
        test::SimProcess sim({"--addr", "1", "--value", "23.45"});
        QVERIFY(sim.start());
        writeIni(threeDevices(false, sim.portPath()));
        Station station(dir());
        FormMain form(station);
        QVERIFY(form.FormShow());
        clickNode(form, 1);
        form.PageControl1->setCurrentWidget(form.tsCurrentData);

        form.btnStart->click();
        QVERIFY(station.state.OprRun);
        QVERIFY(form.btnStart->isChecked());
        QVERIFY(!form.btnStop->isChecked());
        QVERIFY(!form.btnNastrWare->isEnabled());
        QVERIFY(!form.btnReadArh->isEnabled());
        QVERIFY(form.timerIcon->isActive());
        QCOMPARE(form.timerIcon->interval(), 400);

        form.cycle().timerSysTimer(); // device 1
        QTRY_VERIFY(!form.cycle().isBusy());
        QCOMPARE(form.stVkl->text(), QStringLiteral("Состояние: Прибор работает"));
        QCOMPARE(form.stPribZnac->text(), QStringLiteral("23,45"));
        QCOMPARE(form.twData->topLevelItem(1)->data(0, Qt::UserRole).toInt(), 7);

        // The icon steps through its six frames.
        const int frame = form.iconFrame();
        QTest::qWait(900);
        QVERIFY(form.iconFrame() != frame);

        // Device 3 does not answer; the stop comes while its exchange is still out. The
        // operations stay off until that exchange has ended: the line is polling's till then.
        form.cycle().timerSysTimer();
        QVERIFY(form.cycle().isBusy());
        form.btnStop->click();
        QVERIFY(!station.state.OprRun);
        QVERIFY(!form.timerIcon->isActive());
        QVERIFY(form.stCurrentUstr->text().isEmpty());
        QVERIFY(!form.btnNastrWare->isEnabled());
        QVERIFY(!form.btnReadArh->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(form.btnNastrWare->isEnabled(), 10000);
        QVERIFY(form.btnReadArh->isEnabled());
        QCOMPARE(form.twData->topLevelItem(3)->data(0, Qt::UserRole).toInt(), 14);
    }

    // A modal window open for seconds while polling: polling goes on meanwhile, a record
    // comes once a period for each device, and each carries the moment its reply came.
    void modalWindowDoesNotStallPolling()
    {
        Clock::reset();
        test::SimProcess sim({"--addr", "1", "--value", "20", "--addr", "3", "--value", "30"});
        QVERIFY(sim.start());
        writeIni(threeDevices(false, sim.portPath())
                     .replace(QStringLiteral("TimeOpr=999"), QStringLiteral("TimeOpr=1")));
        Station station(dir());
        FormMain form(station);
        form.show();
        QVERIFY(form.FormShow());
        QList<QDateTime> replies; // when the polls of device 1 came back
        connect(&form.cycle(), &PollingCycle::devicePolled, this, [&](int n) {
            if (n == 1)
                replies.append(QDateTime::currentDateTime());
        });
        form.btnStart->click();
        bool aboutClosed = false;
        QTimer::singleShot(300, &form, [&] {
            QTimer::singleShot(5000, [] {
                if (QWidget *modal = QApplication::activeModalWidget())
                    modal->close();
            });
            form.SpeedBtn_About->click();
            aboutClosed = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(aboutClosed, 15000);
        QTest::qWait(700);
        form.btnStop->click();
        QTRY_VERIFY_WITH_TIMEOUT(!form.cycle().isBusy(), 10000);

        ArchiveTable table;
        QVERIFY(table.open(ArchiveKeeper(station).CurrentTableName(1), ArchiveTable::Mode::Read));
        QVERIFY2(replies.size() >= 5, qPrintable(QString::number(replies.size())));
        QCOMPARE(table.recordCount(), replies.size());
        QDateTime previous;
        for (int i = 0; i < table.recordCount(); ++i) {
            const QDateTime stamped =
                QDateTime::fromString(table.readText(i, QStringLiteral("DATA")) + QLatin1Char(' ') +
                                          table.readText(i, QStringLiteral("TIME")),
                                      QStringLiteral("dd.MM.yyyy HH:mm:ss"));
            QVERIFY(stamped.isValid());
            QVERIFY(qAbs(stamped.msecsTo(replies.at(i))) < 1500); // the moment of its reply
            if (previous.isValid())
                QVERIFY(previous.secsTo(stamped) <= 2); // no gap while the box was open
            previous = stamped;
        }
    }

    void startWithoutEnabledDevicePressesStop()
    {
        QString ini = threeDevices(false);
        ini.replace(QStringLiteral("PribVkl=1"), QStringLiteral("PribVkl=0"));
        writeIni(ini);
        Station station(dir());
        FormMain form(station);
        QVERIFY(form.FormShow());
        form.btnStart->click();
        QCOMPARE(m_messages->lastText(), QStringLiteral("Нет включенных приборов"));
        QVERIFY(form.btnStop->isChecked());
        QVERIFY(!form.btnStart->isChecked());
    }

    void chartSettings_data()
    {
        QTest::addColumn<QString>("points");
        QTest::addColumn<QString>("minimum");
        QTest::addColumn<QString>("maximum");
        QTest::addColumn<QString>("message");
        QTest::newRow("too few") << "4"
                                 << "0"
                                 << "500"
                                 << "Число точек должно быть в диапазоне от 5 до 500";
        QTest::newRow("too many") << "501"
                                  << "0"
                                  << "500"
                                  << "Число точек должно быть в диапазоне от 5 до 500";
        QTest::newRow("not a number") << "5x"
                                      << "0"
                                      << "500"
                                      << "Неверное количество точек";
        QTest::newRow("bad maximum") << "50"
                                     << "0"
                                     << "a"
                                     << "Неверное максимальное значение";
        QTest::newRow("bad minimum") << "50"
                                     << "b"
                                     << "5"
                                     << "Неверное минимальное значение";
        QTest::newRow("equal") << "50"
                               << "5"
                               << "5"
                               << "Максимальное значение должно быть больше минимального";
        QTest::newRow("both separators") << "500"
                                         << "1,5"
                                         << "2.5"
                                         << "";
    }

    void chartSettings()
    {
        QFETCH(QString, points);
        QFETCH(QString, minimum);
        QFETCH(QString, maximum);
        QFETCH(QString, message);
        writeIni(threeDevices(false));
        Station station(dir());
        FormMain form(station);
        QVERIFY(form.FormShow());
        clickNode(form, 1);
        form.PageControl1->setCurrentWidget(form.tsGraf);
        QCOMPARE(form.tsGraf->editGrafN->text(), QStringLiteral("50"));
        QCOMPARE(form.tsGraf->editGrafMax->text(), QStringLiteral("500"));
        QCOMPARE(form.tsGraf->Chart1->valueRange().min, -100.0);

        form.tsGraf->editGrafN->setText(points);
        form.tsGraf->editGrafMin->setText(minimum);
        form.tsGraf->editGrafMax->setText(maximum);
        QTest::keyClick(form.tsGraf->editGrafN, Qt::Key_Return);
        if (message.isEmpty()) {
            QVERIFY(m_messages->messages().isEmpty());
            QCOMPARE(station.state.GrafN, 500);
            QCOMPARE(form.tsGraf->Chart1->valueRange().min, 1.5);
            QCOMPARE(form.tsGraf->Chart1->valueRange().max, 2.5);
        } else {
            QCOMPARE(m_messages->lastText(), message);
            QCOMPARE(station.state.GrafN, 50);
            QCOMPARE(form.tsGraf->Chart1->valueRange().max, 200.0);
        }
    }

    void exitQuestion()
    {
        writeIni(threeDevices(false));
        Station station(dir());
        FormMain form(station);
        form.show();
        QVERIFY(form.FormShow());
        const int lines = station.journal.lines().size();

        m_messages->setNextAnswer(false);
        form.btnExit->click();
        QCOMPARE(m_messages->lastText(), QStringLiteral("Выйти из программы ?"));
        QVERIFY(form.isVisible());
        QCOMPARE(station.journal.lines().size(), lines);

        m_messages->setNextAnswer(true);
        form.btnExit->click();
        QVERIFY(!form.isVisible());
        QCOMPARE(messageOf(station.journal.lines().first()), QStringLiteral("Закрытие программы"));
    }

    void closingWhileATickWaits()
    {
        // The instrument answers late; the operator closes the station in the middle of the
        // tick's wait. The tick ends without a record and no table is touched afterwards.
        test::SimProcess sim({"--addr", "1", "--late", "80"});
        QVERIFY(sim.start());
        writeIni(threeDevices(false, sim.portPath()) +
                 QStringLiteral("[MAIN]\nTimeLastArh=17743834\nTimeLastArh1=24_03_01_10\n"));
        Station station(dir());
        FormMain form(station);
        form.show();
        QVERIFY(form.FormShow());
        form.btnStart->click();
        connect(&form.cycle(), &PollingCycle::currentDeviceChanged, this, [&](const QString &name) {
            if (name.isEmpty())
                return;
            QTimer::singleShot(30, &form, [&] {
                m_messages->setNextAnswer(true);
                form.close();
            });
        });
        QSignalSpy polled(&form.cycle(), &PollingCycle::devicePolled);
        form.cycle().timerSysTimer();
        QTRY_VERIFY(!form.isVisible());
        QCOMPARE(polled.count(), 0);
        QCOMPARE(messageOf(station.journal.lines().first()), QStringLiteral("Закрытие программы"));
        QDir data(station.settings.PathArh);
        for (const QString &table : data.entryList({"*.dbf"}, QDir::Files)) {
            QFile file(data.filePath(table));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.size(), QFile(station.templatePath()).size()); // no record in it
        }
    }

    void downloadInstrumentArchive()
    {
        test::SimProcess sim({"--addr", "1", "--value", "42", "--archive", "5"});
        QVERIFY(sim.start());
        writeIni(threeDevices(false, sim.portPath()));
        Station station(dir());
        FormMain form(station);
        QVERIFY(form.FormShow());

        // The root selected: nothing to download from.
        form.btnReadArh->click();
        QCOMPARE(m_messages->lastText(), QStringLiteral("Выберите прибор в дереве."));
        QCOMPARE(m_messages->messages().last().icon, MessageIcon::Warning);

        clickNode(form, 1);
        const QString file = dir() + QStringLiteral("/архив прибора.dbf");
        FileDialogs::setNextFileName(file);
        // The title bar's close box does nothing while the download holds the port.
        form.show();
        bool visibleAfterClose = false;
        QTimer::singleShot(0, &form, [&] {
            form.close();
            visibleAfterClose = form.isVisible();
        });
        form.btnReadArh->click();
        QTRY_VERIFY_WITH_TIMEOUT(form.btnReadArh->isEnabled(), 20000);
        QVERIFY(visibleAfterClose);
        QVERIFY(form.isEnabled());
        QVERIFY(form.ArhPribView);
        QVERIFY(QFile::exists(file));
        QCOMPARE(form.TableView->recordCount(), 5);
        QCOMPARE(form.TableView->columnCount(), 3);
        QCOMPARE(form.tsGraf->Chart1->points().size(), 5);
        QCOMPARE(form.tsGraf->editGrafN->text(), QStringLiteral("5"));
        QCOMPARE(form.tsGraf->editGrafMax->cursorPosition(), 0); // a long number shows its start
        QCOMPARE(form.PageControl1->currentWidget(), form.tsArh);
        // Page changes keep the downloaded archive until another node is selected.
        form.PageControl1->setCurrentWidget(form.tsGraf);
        QCOMPARE(form.tsGraf->Chart1->points().size(), 5);
        clickNode(form, 3);
        QVERIFY(!form.ArhPribView);

        // A cancelled save dialog keeps nothing.
        clickNode(form, 1);
        FileDialogs::setNextFileName(QString());
        form.btnReadArh->click();
        QTRY_VERIFY_WITH_TIMEOUT(form.btnReadArh->isEnabled(), 20000);
        QVERIFY(!form.ArhPribView);
    }

    // Device 1 answers above its high limit, device 3 not at all: both alarms reach the list,
    // the tree, the status bar, the sound and the journal; F8 acknowledges the selected one,
    // Shift+F8 the rest; the history shows every change and exports it; a restart keeps them.
    void alarmsInTheWindow()
    {
        test::SimProcess sim({"--addr", "1", "--value", "1043.2"});
        QVERIFY(sim.start());
        writeIni(threeDevices(false, sim.portPath())
                     .replace(QStringLiteral("00000000;\n"),
                              QStringLiteral("00000000;\nAlarmHigh=1000\n"))
                     .replace(QStringLiteral("PribAdr=3\n"),
                              QStringLiteral("PribAdr=3\nAlarmNoLink=1\n")));
        const QString csv = dir() + QStringLiteral("/тревоги.csv");
        {
            Station station(dir());
            FormMain form(station);
            form.show();
            QApplication::setActiveWindow(&form);
            QVERIFY(QTest::qWaitForWindowActive(&form));
            QVERIFY(form.FormShow());
            QCOMPARE(visibleTabs(form), (QStringList{"tsProgJournal", "tsAlarms"}));
            AlarmsPanel *panel = form.tsAlarms;
            QSignalSpy sounds(panel, &AlarmsPanel::soundPlayed);

            form.btnStart->click();
            form.cycle().timerSysTimer(); // device 1
            QTRY_VERIFY(!form.cycle().isBusy());
            form.cycle().timerSysTimer(); // device 3, silent
            QTRY_VERIFY_WITH_TIMEOUT(!form.cycle().isBusy(), 10000);
            form.btnStop->click();

            const auto rowTexts = [panel](int row) {
                QStringList texts;
                for (int c = 0; c < panel->AlarmList->columnCount(); ++c)
                    texts.append(panel->AlarmList->index(row, c).data().toString());
                return texts;
            };
            QCOMPARE(panel->AlarmList->rowCount(), 2);
            const int high = panel->AlarmList->alarmAt(0).device == 1 ? 0 : 1;
            QCOMPARE(rowTexts(high),
                     (QStringList{"01.03.2024 10:15:00", "Печь 1", "Выше верхней границы", "1043,2",
                                  "1000", "Активна"}));
            QCOMPARE(rowTexts(1 - high).at(2), QStringLiteral("Нет связи"));
            QVERIFY(panel->AlarmList->index(high, 0).data(Qt::FontRole).value<QFont>().bold());
            QCOMPARE(sounds.count(), 2);
            QVERIFY(journalMessages(station).contains(
                QStringLiteral("Тревога: Печь 1 — значение 1043,2 выше 1000")));
            QList<bool> marks;
            for (int n = 1; n <= 3; ++n)
                marks.append(
                    form.twData->topLevelItem(n)->data(0, FormMain::AlarmMarkRole).toBool());
            QCOMPARE(marks, (QList<bool>{true, false, true}));
            QVERIFY(form.stAlarmCount->isVisible());
            QCOMPARE(form.stAlarmCount->text(), QStringLiteral("Активных тревог: 2"));

            // F8 on the row clicked; the other row still waits.
            clickNode(form, 1);
            form.PageControl1->setCurrentWidget(panel);
            QCOMPARE(panel->AlarmHistory->gridAlarmHist->rowCount(), 2); // the last day, at once
            QTableView *grid = panel->gridAlarms;
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                              grid->visualRect(panel->AlarmList->index(high, 1)).center());
            QTest::keyClick(grid, Qt::Key_F8);
            const auto states = [panel] {
                QStringList texts;
                for (int row = 0; row < panel->AlarmList->rowCount(); ++row)
                    texts.append(panel->AlarmList->index(row, 5).data().toString());
                return texts;
            };
            QStringList expected{"Активна", "Активна"};
            expected[high] = QStringLiteral("Квитирована");
            QCOMPARE(states(), expected);
            QVERIFY(!panel->AlarmList->index(high, 0).data(Qt::FontRole).value<QFont>().bold());
            // Device 3 answers again before its alarm is acknowledged.
            DevicePollState answer;
            answer.PribZnac = 50;
            form.alarms().takePoll(3, answer, Clock::now());
            expected[1 - high] = QStringLiteral("Вернулась, не квитирована");
            QCOMPARE(states(), expected);
            QCOMPARE(panel->AlarmList->index(1 - high, 0).data(Qt::ForegroundRole).value<QColor>(),
                     QColor(Qt::darkRed));
            QVERIFY(!form.twData->topLevelItem(3)->data(0, FormMain::AlarmMarkRole).toBool());
            QCOMPARE(form.stAlarmCount->text(), QStringLiteral("Активных тревог: 1"));
            // From another page, by the key the tooltip names: the returned alarm leaves the
            // list, the acknowledged one stays while it is active.
            form.PageControl1->setCurrentWidget(form.tsCurrentData);
            QVERIFY(panel->btnAlarmAckAll->toolTip().contains(QStringLiteral("Shift+F8")));
            QTest::keyClick(form.PageControl1, Qt::Key_F8, Qt::ShiftModifier);
            QCOMPARE(states(), QStringList{"Квитирована"});
            QCOMPARE(form.stAlarmCount->text(), QStringLiteral("Активных тревог: 1"));
            QVERIFY(!panel->btnAlarmAckAll->isEnabled());

            // The sound is switched off, and stays off.
            panel->actAlarmSound->trigger();
            QCOMPARE(IniFile(station.configPath()).readInteger("ALARMS", "Sound", 1), 0);

            // The last day on show took in every change as it came.
            AlarmHistoryPanel *history = panel->AlarmHistory;
            QCOMPARE(history->gridAlarmHist->rowCount(), 5);
            QCOMPARE(history->gridAlarmHist->item(0, 5)->text(), QStringLiteral("Тревога"));
            QCOMPARE(history->gridAlarmHist->item(3, 5)->text(), QStringLiteral("Норма"));
            QCOMPARE(history->gridAlarmHist->item(4, 4)->text(), QStringLiteral("Нет связи"));
            FileDialogs::setNextFileName(csv);
            history->btnAlarmHistCsv->click();
            QCOMPARE(history->stAlarmHist->text(), QStringLiteral("Записано 5 зап. в тревоги.csv"));
            // A file that cannot be made is told, and nothing else changes.
            const QString nowhere = dir() + QStringLiteral("/нет такой папки/тревоги.csv");
            FileDialogs::setNextFileName(nowhere);
            history->btnAlarmHistCsv->click();
            QCOMPARE(m_messages->lastText(), QStringLiteral("Не могу создать файл ") + nowhere);
            QCOMPARE(m_messages->messages().last().icon, MessageIcon::Error);
            // An unreadable history is told too, and shows nothing.
            QFile table(station.settings.PathArh + QStringLiteral("Alarms.dbf"));
            QVERIFY(table.open(QIODevice::WriteOnly | QIODevice::Truncate));
            table.write("not a table");
            table.close();
            history->btnAlarmHistShow->click();
            QCOMPARE(history->gridAlarmHist->rowCount(), 0);
            QCOMPARE(m_messages->messages().size(), 2);
        }
        QFile file(csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.size(), 7); // written before the table was spoilt
        QCOMPARE(lines.at(0), QByteArray("date,time,device,name,kind,state,value,limit\r"));
        QVERIFY(lines.contains("01.03.2024,10:15:00,1,Печь 1,high,active,1043.2,1000\r"));

        // A restart shows the alarms kept, with the moments they were raised, and no sound.
        Station station(dir());
        FormMain form(station);
        QVERIFY(form.FormShow());
        QCOMPARE(form.tsAlarms->AlarmList->rowCount(), 1);
        QCOMPARE(form.tsAlarms->AlarmList->index(0, 0).data().toString(),
                 QStringLiteral("01.03.2024 10:15:00"));
        QVERIFY(!form.tsAlarms->actAlarmSound->isChecked());
        QCOMPARE(form.stAlarmCount->text(), QStringLiteral("Активных тревог: 1"));
    }

    void settingsWindowFromTheToolbar()
    {
        writeIni(threeDevices(false));
        Station station(dir());
        FormMain form(station);
        QVERIFY(form.FormShow());
        QTimer::singleShot(200, [] {
            if (QWidget *modal = QApplication::activeModalWidget())
                modal->close();
        });
        form.btnNastrWare->click();
        QVERIFY(journalMessages(station).contains(QStringLiteral("Вход в режим настройки")));
        // Closing the settings window rebuilt the tree.
        QCOMPARE(form.twData->topLevelItemCount(), 4);
        QCOMPARE(station.state.CountVkl, 2);
    }

    void clearJournal()
    {
        writeIni(threeDevices(false));
        Station station(dir());
        FormMain form(station);
        QVERIFY(form.FormShow());
        form.btnClearJournal->click();
        QVERIFY(form.memoProgMes->toPlainText().isEmpty());
        QFile file(station.journalPath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().isEmpty());
    }

    void secondInstanceRefused()
    {
        // The lock lives in the temporary folder: use one of this test's own.
        const QByteArray oldTemp = qgetenv("TMPDIR");
        qputenv("TMPDIR", dir().toLocal8Bit());
        auto restore = qScopeGuard([&] { qputenv("TMPDIR", oldTemp); });
        {
            SingleInstance first;
            QVERIFY(first.tryAcquire());
            QCOMPARE(RunStation(dir(), 0), 1);
            QCOMPARE(m_messages->lastText(), QStringLiteral("Программа уже запущена"));
            QCOMPARE(m_messages->messages().last().icon, MessageIcon::Warning);
        }
        // A station with a temporary folder of its own is kept out of a folder in use all
        // the same, and told which folder and by whom.
        SingleInstance holder(SingleInstance::folderLockPath(dir()));
        QVERIFY(holder.tryAcquire());
        QCOMPARE(RunStation(dir(), 0), 1);
        QCOMPARE(m_messages->lastText(),
                 QStringLiteral("Папка станции %1 занята другой программой (процесс %2)")
                     .arg(dir())
                     .arg(QCoreApplication::applicationPid()));
        QVERIFY(!QFile::exists(dir() + QStringLiteral("/Zeltar.mes"))); // nothing written
    }
};

QTEST_MAIN(FormMainTest)
#include "test_form_main.moc"
