#pragma once

#include "instrument/instrument_settings.h"

namespace zeltar {

// The operator's edits carried into a record. shown is what the window's entries give as
// they were filled from record, taken what they give now. A field in which the two agree
// was not edited and keeps record's value: a number beyond the four decimals the window
// shows, an address above 99, a flag bit no control stands for. An edited field comes
// from taken; the flag bytes are merged bit by bit. The program is record's.
InstrumentSettings WithEdits(const InstrumentSettings &record, const InstrumentSettings &shown,
                             const InstrumentSettings &taken);

} // namespace zeltar
