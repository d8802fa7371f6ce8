#pragma once

#include "acquisition/polling_state.h"
#include "instrument/instrument_settings.h"

#include <QString>

#include <array>

namespace zeltar {

// The texts of the current-value page for one device and which of its fields are red;
// every other field is on the button face.
struct CurrentView
{
    QString stPribName;
    QString stVkl;
    QString stPribZnac;
    QString stPribNomReg;
    std::array<QString, 4> stUst; // setpoints 1 to 4
    bool vklRed = false;
    bool znacRed = false;
    std::array<bool, 4> ustRed{};
};

// What the current-value page shows for a device, given its last poll and whether
// polling runs.
CurrentView CurrentViewOf(const InstrumentSettings &device, const DevicePollState &poll,
                          bool oprRun);

} // namespace zeltar
