#pragma once

#include "ui/form_nastr_ware.h"

#include <QMainWindow>

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QSplitter;
class QStatusBar;
class QTabWidget;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace zeltar {

class AlarmMonitor;
class AlarmsPanel;
class ArchiveDownloadFlow;
class ArchiveGrid;
struct ArchiveDownload;
class ArchiveTableModel;
class ChartPage;
class HistoryPanel;
class PollingCycle;
class Station;

// The main window: the device tree, the journal, the current values, the archive table
// and the chart of the selected instrument, and the toolbar that starts and stops polling.
class FormMain : public QMainWindow
{
    Q_OBJECT
public:
    explicit FormMain(Station &station, QWidget *parent = nullptr);
    ~FormMain() override;

    // The start-up sequence when the window first appears: journal, configuration (asking
    // to create it when missing), device tree, automatic start. False when the station is
    // to end (the operator declined a new configuration file).
    bool FormShow();

    // Closes the station in order without asking (SIGINT, SIGTERM).
    void closeWithoutQuestion();

    void RebuildMainTree();
    void ShowCurrent(int n);
    void RefreshViews();

    PollingCycle &cycle() { return *m_cycle; }
    // The station's alarms, fed with every poll; loaded at the start and after the settings
    // window has closed.
    AlarmMonitor &alarms() { return *m_alarms; }
    Station &station() { return m_station; }
    // Set on a device node of the tree while the device has an active alarm.
    static constexpr int AlarmMarkRole = Qt::UserRole + 1;
    // The icon frame that the next animation step shows, 1 to 6.
    int iconFrame() const { return m_iconFrame; }
    bool ArhPribView = false;

    // Controls, named as the station's operators and tests know them.
    QToolBar *Panel1;
    QToolButton *btnStart;
    QToolButton *btnStop;
    QToolButton *btnNastrWare;
    QToolButton *btnReadArh;
    QToolButton *btnClearJournal;
    QToolButton *SpeedBtn_About;
    QToolButton *SpeedBtn_WWW;
    QToolButton *SpeedBtn_Mail;
    QToolButton *btnExit;
    QTreeWidget *twData;
    QLabel *stCurrentUstr;
    QSplitter *splitter;
    QTabWidget *PageControl1;
    QWidget *tsProgJournal;
    QWidget *tsCurrentData;
    QWidget *tsArh;
    ChartPage *tsGraf;       // the chart of the selected instrument
    HistoryPanel *tsHistory; // earlier periods and time ranges
    AlarmsPanel *tsAlarms;   // the alarms and their history; shown when any is configured
    QPlainTextEdit *memoProgMes;
    QLabel *stPribName;
    QLabel *stVkl;
    QLabel *stPribZnac;
    QLabel *stPribNomReg;
    QLabel *stUst1;
    QLabel *stUst2;
    QLabel *stUst3;
    QLabel *stUst4;
    QCheckBox *cbAutoArhData;
    ArchiveGrid *DBGridArhDataMod;
    QStatusBar *sbMain;
    QLabel *stAlarmCount; // the count of active alarms, in the status bar while there are any
    QTimer *timerIcon;

    // The table behind the table page and the chart.
    ArchiveTableModel *TableView;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool event(QEvent *event) override;

private:
    void createToolbar();
    QWidget *createTreePanel();
    void createPages();
    QWidget *createCurrentPage();
    QWidget *createTablePage();
    void connectPolling();

    void twDataChanging(QTreeWidgetItem *item);
    void PageControl1Changing(int newIndex);
    void PageControl1Change(int index);
    void timerIconTimer();
    void btnReadArhClick();
    void holdExchangeButtons(bool held);
    void showDownloadedArchive(const ArchiveDownload &download, const QString &file);
    void btnClearJournalClick();
    void SpeedBtn_AboutClick();
    void btnNastrWareClick();
    void SpeedBtn_WWWClick();
    void SpeedBtn_MailClick();
    void FormActivate();

    void showJournal();
    void loadAlarms();
    void showAlarmsTab();
    // The tree's device nodes and the status bar after the alarms changed.
    void markAlarms();
    void setLinkImage(int n, int image);
    void resetIconAnimation();
    bool openTableView();
    void fillChart();
    // The device selected in the tree when it is still configured, else 0.
    int selectedDevice() const;
    bool shutDownInOrder();

    Station &m_station;
    PollingCycle *m_cycle;
    AlarmMonitor *m_alarms;
    int m_iconFrame = 1;
    int m_shownPage = 0;
    bool m_started = false;
    bool m_closing = false;
    bool m_askOnClose = true;
    ArchiveDownloadFlow *m_download;
    ClockFieldTexts m_settingsClock; // the settings window's clock fields, kept between openings
    bool m_templateFailureShown = false;
};

} // namespace zeltar
