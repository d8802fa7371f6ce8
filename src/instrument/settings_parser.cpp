#include "instrument/settings_parser.h"

#include "core/number_text.h"

#include <QtGlobal>

#include <cmath>
#include <initializer_list>
#include <optional>

namespace zeltar {

namespace {

constexpr int ListClosed = 0; // "Замкнуто" in the contact lists
constexpr int ListOpen = 1;   // "Разомкнуто"
constexpr int ListAbove = 0;  // "Больше" in the setpoint type lists
constexpr int ListThreeWire = 0;
constexpr int ListProgram = 1;

// One number field of the window: its text, the field it fills, the message when it is not
// a number and, for the three bounded fields, the accepted range and its message.
struct NumberEntry
{
    const QString &text;
    float InstrumentSettings::*field;
    const char *message;
    float min = 0;
    float max = 0;
    const char *rangeMessage = nullptr;
};

// The entry as a single, or nullopt when it is not a number a single can hold.
std::optional<float> EntryValue(const QString &text)
{
    const std::optional<double> value = ParseEnteredNumber(text);
    if (!value)
        return std::nullopt;
    const float single = ToSingle(*value);
    if (!std::isfinite(single))
        return std::nullopt;
    return single;
}

// Takes the entries in their order into settings; the message of the first failure, or an
// empty text. The range is checked on the value as stored, both bounds accepted.
QString TakeNumbers(std::initializer_list<NumberEntry> entries, InstrumentSettings *settings)
{
    for (const NumberEntry &entry : entries) {
        const std::optional<float> value = EntryValue(entry.text);
        if (!value)
            return QString::fromUtf8(entry.message);
        if (entry.rangeMessage && (*value < entry.min || *value > entry.max))
            return QString::fromUtf8(entry.rangeMessage);
        settings->*entry.field = *value;
    }
    return {};
}

quint8 Bit(bool set, int bit)
{
    return set ? static_cast<quint8>(1u << bit) : 0;
}

// Setpoint or relay j (0 to 3 for 1 to 4) has bit 3 - j in the low nibble of the flag
// bytes: relay 1 is bit 3, relay 4 bit 0.
int RelayBit(int j)
{
    return 3 - j;
}

quint8 AssembleM(const SettingsEntries &e)
{
    return Bit(e.checkSQR, 0) | Bit(e.checkM, 1) | Bit(e.checkDist, 2) | Bit(e.checkReg, 3) |
           Bit(e.cbFlagPodkl == ListThreeWire, 4);
}

quint8 AssembleSostRele(const SettingsEntries &e)
{
    quint8 flags = 0;
    for (int j = 0; j < 4; ++j) {
        flags |= Bit(e.cbIshSostRele[j] == ListClosed, RelayBit(j));
        flags |= Bit(e.cbTypeUst[j] == ListAbove, RelayBit(j) + 4);
    }
    return flags;
}

quint8 AssembleRegUpr(const SettingsEntries &e)
{
    quint8 flags = 0;
    for (int j = 0; j < 4; ++j)
        flags |= Bit(e.checkVklUst[j], RelayBit(j));
    return flags | Bit(e.checkXC, 4) | Bit(e.checkIvih, 5) | Bit(e.cbTypeReg == ListProgram, 6) |
           Bit(e.cbVklPrib, 7);
}

// A relay is switched over when its current contact state differs from its initial one.
quint8 AssembleRegRele(const SettingsEntries &e)
{
    quint8 flags = 0;
    for (int j = 0; j < 4; ++j)
        flags |= Bit((e.cbPribRegRele[j] == ListClosed) != (e.cbIshSostRele[j] == ListClosed),
                     RelayBit(j));
    return flags;
}

int OtherContact(int contact)
{
    return contact == ListClosed ? ListOpen : ListClosed;
}

quint8 Selection(int index)
{
    return static_cast<quint8>(qBound(0, index, 255));
}

} // namespace

QString ParseSettings(const SettingsEntries &e, InstrumentSettings *staging)
{
    InstrumentSettings s = *staging;

    s.PribPort = Selection(e.cbPribPort + 1);
    s.PribVkl = e.cbVkl ? 1 : 0;
    s.PribName = e.editNamePrib;
    s.PribBaud = Selection(e.cbPribBaud);
    s.PribAdr = Selection(qBound(0, e.upPribAdr, 99));
    s.PribType = Selection(e.cbPribType);
    s.PribDiap = Selection(e.cbPribDiap);
    s.PribTypeReg = Selection(e.cbPribTypeReg);
    s.PribPeriod = Selection(e.cbPribPeriod);

    QString error = TakeNumbers(
        {
            {e.editPribUst[0], &InstrumentSettings::PribUst1, "Неверное значение уставки 1"},
            {e.editPribUst[1], &InstrumentSettings::PribUst2, "Неверное значение уставки 2"},
            {e.editPribUst[2], &InstrumentSettings::PribUst3, "Неверное значение уставки 3"},
            {e.editPribUst[3], &InstrumentSettings::PribUst4, "Неверное значение уставки 4"},
            {e.editPribGist[0], &InstrumentSettings::PribGist1,
             "Неверное значение зоны возврата 1ой уставки"},
            {e.editPribGist[1], &InstrumentSettings::PribGist2,
             "Неверное значение зоны возврата 2ой уставки"},
            {e.editPribGist[2], &InstrumentSettings::PribGist3,
             "Неверное значение зоны возврата 3ой уставки"},
            {e.editPribGist[3], &InstrumentSettings::PribGist4,
             "Неверное значение зоны возврата 4ой уставки"},
            {e.editPribPoprDat, &InstrumentSettings::PribPoprDat,
             "Неверное значение поправки к показаниям термодатчика"},
            {e.editPribPoprXC, &InstrumentSettings::PribPoprXC,
             "Неверное значение поправки к измерению температуры холодного спая"},
            {e.editPribM1, &InstrumentSettings::PribM1,
             "Неверное значение начала диапазона масшабирования"},
            {e.editPribM2, &InstrumentSettings::PribM2,
             "Неверное значение конца диапазона масшабирования"},
        },
        &s);
    if (!error.isEmpty())
        return error;

    s.PribM = AssembleM(e);
    s.PribSostRele = AssembleSostRele(e);
    s.PribZap = Selection(e.cbPribZap);
    s.PribPeriodArh = static_cast<qint16>(qBound(0, e.upPribPeriodArh, 1000));

    error = TakeNumbers(
        {
            {e.editPribKp, &InstrumentSettings::PribKp, "Неверное значение коэффициента Kп"},
            {e.editPribKi, &InstrumentSettings::PribKi, "Неверное значение коэффициента Kи"},
            {e.editPribKd, &InstrumentSettings::PribKd, "Неверное значение коэффициента Kд"},
            {e.editPribRegZnac, &InstrumentSettings::PribRegZnac,
             "Неверное значение регулирования"},
            {e.editPribPerZap, &InstrumentSettings::PribPerZap,
             "Неверное значение переходного запаздывания То", 0, 1000,
             "Значение переходного запаздывания должно быть в диапазоне 0<То<1000"},
            {e.editPribKo, &InstrumentSettings::PribKo,
             "Неверное значение коэффициента эффективности Ко", 0, 1,
             "Значение коэффициента эффективности должно быть в диапазоне 0<Ко<1"},
            {e.editPribTrZap, &InstrumentSettings::PribTrZap,
             "Неверное значение коэффициента транспортного запаздывания Tz", 0, 1000,
             "Значение транспортного запаздывания должно быть в диапазоне 0<Tz<1000"},
            {e.editPribTimePer, &InstrumentSettings::PribTimePer,
             "Неверное значение коэффициента Tиу/Yн"},
            {e.editPribDlitImp, &InstrumentSettings::PribDlitImp,
             "Неверное значение коэффициента Tим/Yн"},
        },
        &s);
    if (!error.isEmpty())
        return error;

    s.PribRegUpr = AssembleRegUpr(e);
    s.PribRegRele = AssembleRegRele(e);

    *staging = s;
    return {};
}

SettingsEntries EntriesFromSettings(const InstrumentSettings &s, EntryNumbers numbers)
{
    // Every number below is written in the form asked for.
    const auto FormatNumber = [numbers](float value) {
        return numbers == EntryNumbers::Exact ? GeneralNumberText(value)
                                              : zeltar::FormatNumber(value);
    };
    SettingsEntries e;
    e.editNamePrib = s.PribName;
    e.cbVkl = s.PribVkl != 0;
    e.cbPribPort = s.PribPort - 1;
    e.cbPribBaud = s.PribBaud;
    e.upPribAdr = s.PribAdr;
    e.cbPribType = s.PribType;
    e.cbPribDiap = s.PribDiap;
    e.cbPribTypeReg = s.PribTypeReg;
    e.cbPribPeriod = s.PribPeriod;
    e.cbPribZap = s.PribZap;
    e.upPribPeriodArh = s.PribPeriodArh;

    const float ust[] = {s.PribUst1, s.PribUst2, s.PribUst3, s.PribUst4};
    const float gist[] = {s.PribGist1, s.PribGist2, s.PribGist3, s.PribGist4};
    for (int j = 0; j < 4; ++j) {
        e.editPribUst[j] = FormatNumber(ust[j]);
        e.editPribGist[j] = FormatNumber(gist[j]);
    }
    e.editPribPoprDat = FormatNumber(s.PribPoprDat);
    e.editPribPoprXC = FormatNumber(s.PribPoprXC);
    e.editPribM1 = FormatNumber(s.PribM1);
    e.editPribM2 = FormatNumber(s.PribM2);
    e.editPribKp = FormatNumber(s.PribKp);
    e.editPribKi = FormatNumber(s.PribKi);
    e.editPribKd = FormatNumber(s.PribKd);
    e.editPribRegZnac = FormatNumber(s.PribRegZnac);
    e.editPribPerZap = FormatNumber(s.PribPerZap);
    e.editPribKo = FormatNumber(s.PribKo);
    e.editPribTrZap = FormatNumber(s.PribTrZap);
    e.editPribTimePer = FormatNumber(s.PribTimePer);
    e.editPribDlitImp = FormatNumber(s.PribDlitImp);

    const auto isSet = [](quint8 flags, int bit) { return (flags >> bit & 1) != 0; };
    e.checkSQR = isSet(s.PribM, 0);
    e.checkM = isSet(s.PribM, 1);
    e.checkDist = isSet(s.PribM, 2);
    e.checkReg = isSet(s.PribM, 3);
    e.cbFlagPodkl = isSet(s.PribM, 4) ? ListThreeWire : 1;

    for (int j = 0; j < 4; ++j) {
        const int bit = RelayBit(j);
        e.cbIshSostRele[j] = isSet(s.PribSostRele, bit) ? ListClosed : ListOpen;
        e.cbTypeUst[j] = isSet(s.PribSostRele, bit + 4) ? ListAbove : 1;
        e.checkVklUst[j] = isSet(s.PribRegUpr, bit);
        const int initial = e.cbIshSostRele[j];
        e.cbPribRegRele[j] = isSet(s.PribRegRele, bit) ? OtherContact(initial) : initial;
    }
    e.checkXC = isSet(s.PribRegUpr, 4);
    e.checkIvih = isSet(s.PribRegUpr, 5);
    e.cbTypeReg = isSet(s.PribRegUpr, 6) ? ListProgram : 0;
    e.cbVklPrib = isSet(s.PribRegUpr, 7);
    return e;
}

} // namespace zeltar
