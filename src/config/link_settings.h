#pragma once

#include "config/ini_file.h"
#include "link/link_mode.h"

namespace zeltar {

// Section LINK of Zeltar.ini: how the station exchanges with its instruments.
//
//     [LINK]
//     Mode=fast          ; absent or "standard": the standard timing
//     TurnaroundMs=5     ; fast mode: pause between a reply and the next request
class LinkSettings
{
public:
    static LinkMode load(const IniFile &ini);

    // Writes the mode when it differs from the file's, so that a file without the section
    // keeps it absent while the standard mode stays chosen. Turning the fast mode on also
    // writes the turnaround when the file has none. False when the file could not be
    // written.
    static bool write(IniFile &ini, const LinkMode &mode);
};

} // namespace zeltar
