// The station's start-up on any Zeltar.ini: program settings, devices and port names
// loaded with every default and correction, then shown as the configuration printout.
#include "config/config_json.h"
#include "config/configuration.h"
#include "fuzz_files.h"

using namespace zeltar;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = fuzz::InputFile(QStringLiteral("Zeltar.ini"), data, size);
    const IniFile ini(path);
    ProgramSettings settings;
    DeviceTable table;
    LoadProgramSettings(ini, fuzz::ScratchDir().path() + QLatin1Char('/'), settings, table, false);
    LoadPortNames(ini);
    ConfigJson(settings, table);
    return 0;
}
