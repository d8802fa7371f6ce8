#pragma once

#include "instrument/instrument_settings.h"
#include "instrument/register_codec.h"

#include <array>

namespace zeltar {

// What a poll stores when the instrument gave no valid reply (the instrument's own mark
// of a broken sensor, SensorBreakValue, is in the register codec). Any value above
// MaxMeasurement is a mark, not a measurement.
constexpr float NoLinkValue = 200000.0f;
constexpr float MaxMeasurement = 99999.0f;

// What the last poll of one instrument reported. All zero until its first poll.
struct DevicePollState
{
    float PribZnac = 0.0f;
    quint8 PribStat = 0;   // low nibble of input register 2, high byte
    quint8 PribRele = 0;   // setpoint relay bits: bit 3 setpoint 1 ... bit 0 setpoint 4
    quint8 PribNomReg = 0; // program step the instrument is at
    quint8 PribNoLink = 0; // 1: the last poll got no valid reply
};

// The station's picture of the instruments and of where the polling cycle stands.
struct PollingState
{
    std::array<DevicePollState, MaxDevices> devices{};

    bool OprRun = false;                   // polling is on
    bool OprBusy = false;                  // a tick's exchange is out on some line
    std::array<int, MaxDevices> ListVkl{}; // enabled device numbers, positions 1 to CountVkl
    int CountVkl = 0;
    int PosOpr = 0;      // position in ListVkl of the next tick's device; 0 when stopped
    bool NewArh = false; // this tick began a new archive period

    // View state of the main window.
    int SelUstr = 0;   // device selected in the device tree; 0 for the root
    qint32 GrafN = 50; // newest records drawn in the chart
    double GrafMax = 500.0;
    double GrafMin = 0.0;

    DevicePollState &device(int n) { return devices.at(static_cast<size_t>(n - 1)); }
    const DevicePollState &device(int n) const { return devices.at(static_cast<size_t>(n - 1)); }
    // Device number at position pos (1 to CountVkl) of ListVkl.
    int listed(int pos) const { return ListVkl.at(static_cast<size_t>(pos - 1)); }
};

} // namespace zeltar
