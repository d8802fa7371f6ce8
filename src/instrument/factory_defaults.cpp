#include "instrument/factory_defaults.h"

namespace zeltar {

InstrumentSettings FactoryDefaults()
{
    InstrumentSettings s;
    s.PribPort = 2;
    s.PribBaud = 2; // 9600 baud
    s.PribAdr = 1;
    s.PribType = 0;    // current
    s.PribDiap = 1;    // 4 to 20 mA
    s.PribTypeReg = 0; // no regulation
    s.PribPeriod = 3;  // 8 hours per revolution
    s.PribUst1 = s.PribUst2 = s.PribUst3 = s.PribUst4 = 0;
    s.PribGist1 = s.PribGist2 = s.PribGist3 = s.PribGist4 = 0;
    s.PribPoprDat = 0;
    s.PribPoprXC = 0;
    s.PribM1 = 0;
    s.PribM2 = 1;
    s.PribM = 0;
    s.PribSostRele = 0;
    s.PribZap = 0;
    s.PribPeriodArh = 999;
    s.PribKp = 0.1f;
    s.PribKi = 0.005f;
    s.PribKd = 2;
    s.PribRegZnac = 0;
    s.PribPerZap = 4;
    s.PribKo = 0.01f;
    s.PribTrZap = 0;
    s.PribTimePer = 0;
    s.PribDlitImp = 0;
    s.PribRegUpr = 0;
    s.PribRegRele = 0;
    s.PribPoint = 0;
    s.Program = {};
    s.Program[0].Hours = ProgramEndHours;
    return s;
}

void ApplyFactoryDefaults(InstrumentSettings &settings)
{
    InstrumentSettings defaults = FactoryDefaults();
    defaults.PribName = settings.PribName;
    defaults.PribVkl = settings.PribVkl;
    settings = defaults;
}

} // namespace zeltar
