#pragma once

#include "acquisition/line_worker.h"
#include "alarms/alarm_settings.h"
#include "config/configuration.h"
#include "instrument/register_codec.h"
#include "instrument/regulation_program.h"
#include "instrument/settings_parser.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QSplitter;
class QStatusBar;
class QTimer;
class QTabWidget;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace zeltar {

class AlarmPage;
class FormEditSnap;
class FormInfoUstr;
class InstrumentPages;
class Station;

// The texts of the settings window's clock fields. The window is built anew at every
// opening; its owner keeps these for the station's run, so the fields come back as the
// operator left them.
struct ClockFieldTexts
{
    QString date;
    QString time;
};

// The settings window: the program settings, the settings of every instrument, adding and
// deleting instruments, and the operations on the instrument selected in the tree. Leaving
// a node, saving and closing check the entries of that node and write them to the
// configuration file; invalid entries keep the operator where he is.
class FormNastrWare : public QDialog
{
    Q_OBJECT
public:
    explicit FormNastrWare(Station &station, QWidget *parent = nullptr,
                           ClockFieldTexts *clockFields = nullptr);
    ~FormNastrWare() override;

    // Everything entering does before the window shows: the tree rebuilt with the program
    // node selected, the journal line, the program page filled and alone.
    void prepareEntering();
    // prepareEntering(), then the window modally; returns when it has closed.
    int enter();

    // The record of device n in the instrument pages.
    void ShowPribSettings(int n);
    // The program of device n in the step grid and the chart; the grid writes the values
    // in the "0.####" form when the whole page is filled, else in the general form.
    void ShowProgram(int n, ProgramValueFormat format = ProgramValueFormat::General);

    // The node selected in twNastr: 0 the program settings, n device n, -1 none.
    int selectedNode() const;
    // Whether an instrument operation is talking to the instrument.
    bool isBusy() const { return m_busy; }

    // The instrument pages and their controls.
    InstrumentPages *pages() const { return m_pages; }

    FormInfoUstr *infoDialog() const { return m_info; }

    // Controls, named as the operators and the tests know them.
    QToolBar *Panel1;
    QToolButton *btn_Save;
    QToolButton *btnAddDevice;
    QToolButton *btnDelDevice;
    QToolButton *BtnTestUstr;
    QTreeWidget *twNastr;
    QSplitter *splitter;
    QTabWidget *pcNastr;
    QWidget *tabNastrProg;
    QWidget *tabNastrPrib;
    QWidget *tabNastrReg;
    AlarmPage *tabNastrAlarm; // the station's alarms of the device
    QStatusBar *sbNastr;

    QGroupBox *groupProgParams;
    QGroupBox *groupDataCollection;
    QCheckBox *cbAutoStart;
    QCheckBox *cbFastLink;
    QLineEdit *editPathArh;
    QPushButton *btnSelDir;
    QLineEdit *editTimeOpr;
    QLineEdit *editTimeArh;

Q_SIGNALS:
    // The window has closed after writing everything: the main tree is to be rebuilt.
    void settingsClosed();

protected:
    void reject() override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void fitToInstrumentPage();
    void fitTreeToNames();
    int treeWidthForNames() const;
    int instrumentPageWidth() const;
    void createToolbar();
    QWidget *createTreePanel();
    void createPages();
    QWidget *createProgramPage();
    void installHints();

    // Tree and pages.
    void RebuildSettingsTree();
    void selectAfterRebuild(int node);
    void currentNodeChanged(QTreeWidgetItem *current, QTreeWidgetItem *previous);
    bool twNastrChanging(int cur, int next);
    void keepShownNodeSelected();
    // Takes the entries of node n and writes them to the configuration file, as leaving the
    // node does; false (after the refusal's message) when a check refuses an entry.
    bool takeNode(int n);
    void showProgramPage();
    void showInstrumentPages();
    void showProgramSettings();
    void setNodeText(int n);
    bool isDevice(int n) const;

    // Taking the entries into memory; each shows its message on refusal.
    ProgramSettingsEntry programEntry() const;
    bool acceptProgramSettings();
    void takeLinkMode();
    // Tells the operator that a write of Zeltar.ini failed; what was taken stays in effect.
    void reportUnsaved(bool written);
    // The record of device n with the operator's edits of the instrument pages, into
    // *settings; false (and *settings untouched) when a check refuses an entry.
    bool takeEdits(int n, InstrumentSettings *settings);
    bool takeDeviceEntries(int n);
    // The alarm page's entries of device n into *settings; false after the refusal's
    // message when a check refuses one.
    bool takeAlarmEntries(DeviceAlarmSettings *settings);
    // Takes the instrument and alarm entries of device n into memory; false (nothing taken)
    // when a check refuses an entry.
    bool takeDeviceNode(int n);
    // Writes device n's record, then the alarms last taken of it when they differ from the
    // file's, so that new alarm keys end its section. False when a write failed.
    bool writeDeviceKeys(int n);

    // Handlers.
    void btn_SaveClick();
    void btnSelDirClick();
    void btnAddDeviceClick();
    void btnDelDeviceClick();
    void BtnTestUstrClick();
    void BtnReadClick();
    void BtnWriteClick();
    void BtnDefaultClick();
    void BtnReadTimeClick();
    void BtnWriteTimeClick();
    void BtnUstSistTimeClick();
    void BtnWriteSistTimeClick();
    void TimerOutTimeTimer();
    void sgProgDblClick();
    void BtnAddSnapClick();
    void BtnDelSnapClick();
    bool FormCloseQuery();

    // The device an instrument operation works on: the selected device node, or 0 after
    // telling the operator to choose one.
    int operationDevice();
    void setBusy(bool busy);
    // Runs job on port's line as the window's operation: busy until done has run.
    void runOperation(int port, LineWorker::Job job, std::function<void()> done);
    void nextAnimationFrame();
    void showClock(const InstrumentClock &clock, int century);

    Station &m_station;
    ClockFieldTexts *m_clockFields;
    FormInfoUstr *m_info;
    FormEditSnap *m_editSnap;
    QTimer *m_animation;
    int m_animationFrame = 1;
    // The clock value edited in the window, shared by the clock operations and the read.
    InstrumentClock m_clock;
    InstrumentPages *m_pages;
    // The program settings as the page was filled: what still reads the same has not been
    // edited and keeps its stored value.
    ProgramSettingsEntry m_shownProgram;
    // The node selected in the tree as the selection handler last let it be; -1 before
    // the first rebuild.
    int m_current = -1;

    bool m_busy = false;
    // The alarms last taken from the page and not yet written, and their device (0: none).
    int m_alarmsDevice = 0;
    DeviceAlarmSettings m_takenAlarms;
};

} // namespace zeltar
