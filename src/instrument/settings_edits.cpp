#include "instrument/settings_edits.h"

namespace zeltar {

InstrumentSettings WithEdits(const InstrumentSettings &record, const InstrumentSettings &shown,
                             const InstrumentSettings &taken)
{
    using S = InstrumentSettings;
    InstrumentSettings result = record;
    const auto field = [&](auto S::*member) {
        if (!(taken.*member == shown.*member))
            result.*member = taken.*member;
    };
    const auto flags = [&](quint8 S::*member) {
        const auto edited = static_cast<quint8>(taken.*member ^ shown.*member);
        result.*member = static_cast<quint8>((record.*member & ~edited) | (taken.*member & edited));
    };

    field(&S::PribName);
    field(&S::PribVkl);
    field(&S::PribPort);
    field(&S::PribBaud);
    field(&S::PribAdr);
    field(&S::PribType);
    field(&S::PribDiap);
    field(&S::PribTypeReg);
    field(&S::PribPeriod);
    for (float S::*number :
         {&S::PribUst1,    &S::PribUst2,   &S::PribUst3,  &S::PribUst4,    &S::PribGist1,
          &S::PribGist2,   &S::PribGist3,  &S::PribGist4, &S::PribPoprDat, &S::PribPoprXC,
          &S::PribM1,      &S::PribM2,     &S::PribKp,    &S::PribKi,      &S::PribKd,
          &S::PribRegZnac, &S::PribPerZap, &S::PribKo,    &S::PribTrZap,   &S::PribTimePer,
          &S::PribDlitImp})
        field(number);
    flags(&S::PribM);
    flags(&S::PribSostRele);
    field(&S::PribZap);
    field(&S::PribPeriodArh);
    flags(&S::PribRegUpr);
    flags(&S::PribRegRele);
    return result;
}

} // namespace zeltar
