#include "ctl_station.h"

#include "config/config_json.h"
#include "config/configuration.h"
#include "config/ini_file.h"
#include "config/link_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>

namespace zeltar::ctl {

bool ResolveStationDevice(LinkOptions *link, QTextStream &err)
{
    if (link->dir.isEmpty() || link->device == 0)
        return true;
    const QString progDir = QDir(link->dir).absolutePath();
    const QString path = ConfigFilePath(progDir);
    if (!QFileInfo::exists(path)) {
        err << "no configuration file " << path << Qt::endl;
        return false;
    }
    IniFile ini(path);
    ProgramSettings settings;
    DeviceTable table;
    LoadProgramSettings(ini, progDir, settings, table, false);
    if (link->device > settings.CountUstr) {
        err << "device " << link->device << " is not configured in " << path
            << " (CountUstr=" << settings.CountUstr << ")" << Qt::endl;
        return false;
    }
    const InstrumentSettings &device = table.device(link->device);
    link->port = LoadPortNames(ini).deviceName(device.PribPort);
    link->baudIndex = device.PribBaud;
    link->address = device.PribAdr;
    const bool fast = link->mode.fast;
    link->mode = LinkSettings::load(ini);
    link->mode.fast = link->mode.fast || fast;
    return true;
}

int PrintConfiguration(const Invocation &invocation, QTextStream &out, QTextStream &)
{
    out << QJsonDocument(LoadConfigJson(invocation.stationDir)).toJson(QJsonDocument::Indented);
    return ExitOk;
}

} // namespace zeltar::ctl
