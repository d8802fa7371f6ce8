#pragma once

#include "acquisition/line_worker.h"
#include "config/configuration.h"
#include "instrument/register_codec.h"
#include "instrument/regulation_program.h"
#include "instrument/settings_parser.h"

#include <QDialog>

#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSplitter;
class QStatusBar;
class QTabWidget;
class QTableWidget;
class QTimer;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace zeltar {

class ChartWidget;
class FormEditSnap;
class FormInfoUstr;
class Station;
class UpDown;

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

    // What the instrument pages hold now, as plain entries.
    SettingsEntries entries() const;

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
    QStatusBar *sbNastr;

    QGroupBox *groupProgParams;
    QGroupBox *groupDataCollection;
    QCheckBox *cbAutoStart;
    QCheckBox *cbFastLink;
    QLineEdit *editPathArh;
    QPushButton *btnSelDir;
    QLineEdit *editTimeOpr;
    QLineEdit *editTimeArh;

    QLineEdit *editNamePrib;
    QCheckBox *cbVkl;
    QCheckBox *cbVklPrib;
    QLabel *gifOperate;
    QComboBox *cbPribType;
    QComboBox *cbPribDiap;
    QComboBox *cbFlagPodkl;
    QLineEdit *editPribPoprDat;
    QComboBox *cbPribPort;
    QComboBox *cbPribBaud;
    QLineEdit *cbPribAdr;
    UpDown *upPribAdr;
    QComboBox *cbPribPeriod;
    QLineEdit *editPribPeriodArh;
    UpDown *upPribPeriodArh;
    QCheckBox *checkIvih;
    std::array<QLineEdit *, 4> editPribUst;
    std::array<QLineEdit *, 4> editPribGist;
    std::array<QComboBox *, 4> cbIshSostRele;
    std::array<QCheckBox *, 4> checkVklUst;
    std::array<QComboBox *, 4> cbTypeUst;
    std::array<QComboBox *, 4> cbPribRegRele;
    QCheckBox *checkDist;
    QLineEdit *editPribM1;
    QLineEdit *editPribM2;
    QCheckBox *checkSQR;
    QCheckBox *checkM;
    QComboBox *cbPribZap;
    QComboBox *cbPribTypeReg;
    QComboBox *cbTypeReg;
    QCheckBox *checkReg;
    QCheckBox *checkXC;
    QLineEdit *editPribPoprXC;
    QLineEdit *DateEdit;
    QLineEdit *MaskTime;
    QLabel *stSysDate;
    QLabel *stSysTime;
    QPushButton *BtnReadTime;
    QPushButton *BtnWriteTime;
    QPushButton *BtnUstSistTime;
    QPushButton *BtnWriteSistTime;
    QTimer *TimerOutTime;
    QPushButton *BtnDefault;
    QPushButton *BtnRead;
    QPushButton *BtnWrite;

    QLineEdit *editPribKp;
    QLineEdit *editPribKi;
    QLineEdit *editPribKd;
    QLineEdit *editPribPerZap;
    QLineEdit *editPribKo;
    QLineEdit *editPribTrZap;
    QLineEdit *editPribTimePer;
    QLineEdit *editPribDlitImp;
    QLineEdit *editPribRegZnac;
    QTableWidget *sgProg;
    QPushButton *BtnAddSnap;
    QPushButton *BtnDelSnap;
    ChartWidget *ChartProg;

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
    QWidget *createInstrumentPage();
    QGroupBox *createMeasurementGroup(QWidget *parent);
    QGroupBox *createWorkGroup(QWidget *parent);
    QGroupBox *createSetpointGroup(QWidget *parent);
    QGroupBox *createUnifiedGroup(QWidget *parent);
    QGroupBox *createRegulationGroup(QWidget *parent);
    QGroupBox *createColdJunctionGroup(QWidget *parent);
    QGroupBox *createClockGroup(QWidget *parent);
    QWidget *createRegulationPage();
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
    // The record of device n with the operator's edits of the instrument pages, into
    // *settings; false (and *settings untouched) when a check refuses an entry.
    bool takeEdits(int n, InstrumentSettings *settings);
    bool takeDeviceEntries(int n);
    // The refusal of an address or archive period typed outside its control's range, or an
    // empty text. A stored value shown and left as it is passes: the record keeps it.
    QString positionRefusal() const;
    // The port, baud index and address that the page shows, into *device; false after the
    // refusal's message when the address typed cannot be used.
    bool shownLink(InstrumentSettings *device) const;
    void showEntries(const SettingsEntries &shown);
    void fillRanges(int type);

    // Handlers.
    void btn_SaveClick();
    void btnSelDirClick();
    void cbPribTypeChange(int index);
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
    int selectedProgramRow() const;
    void showClock(const InstrumentClock &clock, int century);

    Station &m_station;
    ClockFieldTexts *m_clockFields;
    FormInfoUstr *m_info;
    FormEditSnap *m_editSnap;
    QTimer *m_animation;
    int m_animationFrame = 1;
    // The clock value edited in the window, shared by the clock operations and the read.
    InstrumentClock m_clock;
    // The node selected in the tree as the selection handler last let it be; -1 before
    // the first rebuild.
    int m_current = -1;
    // The entries as the pages were filled from a record or the program settings: what
    // still reads the same has not been edited and keeps its stored value.
    SettingsEntries m_shownEntries;
    ProgramSettingsEntry m_shownProgram;
    bool m_busy = false;
};

} // namespace zeltar
