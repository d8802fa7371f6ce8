#pragma once

#include "instrument/regulation_program.h"
#include "instrument/settings_parser.h"

#include <QObject>
#include <QSize>

#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTimer;

namespace zeltar {

class ChartWidget;
class UpDown;

// The instrument pages of the settings window, "Настройка прибора" and "Настройка
// регулирования": their controls, a record shown in them and the controls read back as
// entries. What the buttons do with the instrument and its record is the window's.
class InstrumentPages : public QObject
{
    Q_OBJECT
public:
    explicit InstrumentPages(QWidget *window);

    // The record in the controls, the program in the "0.####" form; what the controls give
    // now is what they showed, for the edits to be told from it.
    void show(const InstrumentSettings &record);
    // The program of record in the step grid and the chart.
    void showProgram(const InstrumentSettings &record,
                     ProgramValueFormat format = ProgramValueFormat::General);
    // What the pages hold now, as plain entries, and what they held when last shown.
    SettingsEntries entries() const;
    const SettingsEntries &shownEntries() const { return m_shown; }

    // The refusal of an address or archive period typed outside its control's range, or an
    // empty text. A stored value shown and left as it is passes: the record keeps it.
    QString positionRefusal() const;
    // The port, baud index and address that the page shows, into *device; false after the
    // refusal's message when the address typed cannot be used.
    bool shownLink(InstrumentSettings *device) const;
    // The program row selected in the grid, counted from 1; 0 with none.
    int selectedProgramRow() const;
    // The size the instrument page's groups need without scrolling.
    QSize instrumentPageHint() const;

    QWidget *instrumentPage; // tabNastrPrib, scrolling when the window is smaller
    QWidget *regulationPage; // tabNastrReg

    // Controls, named as the operators and the tests know them.
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

private:
    QWidget *createInstrumentPage();
    QGroupBox *createMeasurementGroup(QWidget *parent);
    QGroupBox *createWorkGroup(QWidget *parent);
    QGroupBox *createSetpointGroup(QWidget *parent);
    QGroupBox *createUnifiedGroup(QWidget *parent);
    QGroupBox *createRegulationGroup(QWidget *parent);
    QGroupBox *createColdJunctionGroup(QWidget *parent);
    QGroupBox *createClockGroup(QWidget *parent);
    QWidget *createRegulationPage();

    void showEntries(const SettingsEntries &shown);
    void fillRanges(int type);
    void cbPribTypeChange(int index);

    QWidget *m_window;
    // The entries as the pages were filled from a record: what still reads the same has
    // not been edited and keeps its stored value.
    SettingsEntries m_shown;
};

} // namespace zeltar
