#pragma once

#include "instrument/instrument_settings.h"

#include <QStringList>

namespace zeltar {

// How a byte key is read: the default passed for a missing or malformed value, and the
// value that replaces one outside low to high (after it is taken modulo 256).
struct ByteRule
{
    int missing;
    int low;
    int high;
    int replacement;
};

// Walks the keys of a device section in the order in which they are read and written,
// handing each to the visitor together with the record field(s) it holds:
//   text(key, QString), byte(key, quint8, ByteRule), slotGroup(key, float x4),
//   number(key, float), int16(key, qint16), program(PribPoint, Program).
// Record is InstrumentSettings or const InstrumentSettings, so one list serves the reader,
// the writer and the JSON view.
// Keys of the station's own features of a device (its alarms, read by alarms/alarm_settings),
// kept after the instrument's keys at the end of its section. They travel with their device
// when an earlier device is deleted, and a new device starts without them.
inline const QStringList DeviceFeatureKeys = {
    QStringLiteral("AlarmHigh"),  QStringLiteral("AlarmLow"),    QStringLiteral("AlarmDeadband"),
    QStringLiteral("AlarmDelay"), QStringLiteral("AlarmNoLink"), QStringLiteral("AlarmBreak")};

template <class Record, class Visitor> void VisitDeviceKeys(Record &r, Visitor &v)
{
    v.text("PribName", r.PribName);
    v.byte("PribVkl", r.PribVkl, ByteRule{255, 0, 1, 0});
    v.byte("PribPort", r.PribPort, ByteRule{255, 1, 8, 1});
    v.byte("PribBaud", r.PribBaud, ByteRule{255, 0, 6, 6});
    v.byte("PribAdr", r.PribAdr, ByteRule{255, 0, 99, 1});
    v.byte("PribType", r.PribType, ByteRule{255, 0, 16, 0});
    v.byte("PribDiap", r.PribDiap, ByteRule{255, 0, 10, 0});
    v.byte("PribTypeReg", r.PribTypeReg, ByteRule{255, 0, 4, 0});
    v.byte("PribPeriod", r.PribPeriod, ByteRule{255, 0, 12, 0});
    v.slotGroup("PribUst", r.PribUst1, r.PribUst2, r.PribUst3, r.PribUst4);
    v.slotGroup("PribGist", r.PribGist1, r.PribGist2, r.PribGist3, r.PribGist4);
    v.number("PribPoprDat", r.PribPoprDat);
    v.number("PribPoprXC", r.PribPoprXC);
    v.number("PribM1", r.PribM1);
    v.number("PribM2", r.PribM2);
    v.byte("PribM", r.PribM, ByteRule{0, 0, 255, 0});
    v.byte("PribSostRele", r.PribSostRele, ByteRule{0, 0, 255, 0});
    v.byte("PribZap", r.PribZap, ByteRule{0, 0, 4, 0});
    v.int16("PribPeriodArh", r.PribPeriodArh);
    v.number("PribKp", r.PribKp);
    v.number("PribKi", r.PribKi);
    v.number("PribKd", r.PribKd);
    v.number("PribRegZnac", r.PribRegZnac);
    v.number("PribPerZap", r.PribPerZap);
    v.number("PribKo", r.PribKo);
    v.number("PribTrZap", r.PribTrZap);
    v.number("PribTimePer", r.PribTimePer);
    v.number("PribDlitImp", r.PribDlitImp);
    v.byte("PribRegUpr", r.PribRegUpr, ByteRule{0, 0, 255, 0});
    v.byte("PribRegRele", r.PribRegRele, ByteRule{0, 0, 255, 0});
    v.byte("PribPoint", r.PribPoint, ByteRule{255, 0, MaxProgramSteps, 0});
    v.program(r.PribPoint, r.Program);
}

} // namespace zeltar
