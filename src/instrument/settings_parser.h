#pragma once

#include "instrument/instrument_settings.h"

#include <QString>

#include <array>

namespace zeltar {

// What the instrument pages of the settings window hold, as plain data: the texts of the
// number fields, the list indexes, the check states and the up-down positions. Arrays of
// four are indexed by setpoint or relay number - 1. List indexes follow the lists of
// value_tables.h.
struct SettingsEntries
{
    QString editNamePrib;
    bool cbVkl = false;      // polled by the station
    int cbPribPort = 0;      // 0 = "COM1"
    int cbPribBaud = 0;      // baud index
    int upPribAdr = 0;       // 0 to 99
    int cbPribType = 0;      // sensor type
    int cbPribDiap = 0;      // range of the sensor type
    int cbPribTypeReg = 0;   // regulation law
    int cbPribPeriod = 0;    // chart rotation period
    int cbPribZap = 0;       // decimal point position
    int upPribPeriodArh = 0; // 0 to 1000 seconds

    std::array<QString, 4> editPribUst;
    std::array<QString, 4> editPribGist;
    QString editPribPoprDat;
    QString editPribPoprXC;
    QString editPribM1;
    QString editPribM2;

    QString editPribKp;
    QString editPribKi;
    QString editPribKd;
    QString editPribRegZnac;
    QString editPribPerZap;
    QString editPribKo;
    QString editPribTrZap;
    QString editPribTimePer;
    QString editPribDlitImp;

    bool checkSQR = false;  // square-root extraction
    bool checkM = false;    // scaling of unified signals
    bool checkDist = false; // remote relay control
    bool checkReg = false;  // manual regulation
    int cbFlagPodkl = 1;    // 0 = "3х", 1 = "4х"

    std::array<int, 4> cbIshSostRele{1, 1, 1, 1}; // initial contact: 0 closed, 1 open
    std::array<int, 4> cbTypeUst{1, 1, 1, 1};     // 0 = "Больше", 1 = "Меньше"
    std::array<bool, 4> checkVklUst{};            // setpoint enabled
    std::array<int, 4> cbPribRegRele{1, 1, 1, 1}; // current contact: 0 closed, 1 open

    bool checkXC = false;   // cold-junction compensation
    bool checkIvih = false; // current output
    int cbTypeReg = 0;      // 0 = "Значение", 1 = "Программа"
    bool cbVklPrib = false; // measurement on in the instrument
};

// Converts the entries into *staging in the order of the checks, every number accepting
// "," or "." as its decimal separator. Returns an empty text on success, or the message of
// the first failed check (to be shown with the error icon); on failure *staging is left as
// it was. PribPoint and the program have no entries and are not touched, so a caller that
// copies the whole staging record back seeds it with the instrument's record first.
QString ParseSettings(const SettingsEntries &entries, InstrumentSettings *staging);

// How EntriesFromSettings writes the numbers: in the "0.####" form the window shows, or
// in full, so that ParseSettings gives back exactly the record's singles.
enum class EntryNumbers
{
    Shown,
    Exact
};

// The entries that show a record (the reverse of ParseSettings): numbers as asked, the
// current contact state of each relay worked out from its initial state and the
// switched-over bit of PribRegRele. Indexes are the stored values as they stand; one that
// lies outside its list (a baud index above 6, say) is for the window to deal with.
SettingsEntries EntriesFromSettings(const InstrumentSettings &settings,
                                    EntryNumbers numbers = EntryNumbers::Shown);

} // namespace zeltar
