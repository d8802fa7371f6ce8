#pragma once

#include "instrument/instrument_settings.h"

namespace zeltar {

// The record an instrument leaves the factory with. PribName and PribVkl are the
// station's own and have no factory value (empty and 0 here).
InstrumentSettings FactoryDefaults();

// Sets every field that has a factory value to it and empties the program (no steps, the
// end marker in entry 1); PribName and PribVkl are kept.
void ApplyFactoryDefaults(InstrumentSettings &settings);

} // namespace zeltar
