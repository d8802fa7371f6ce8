#include "acquisition/station.h"

#include "config/link_settings.h"

#include <QDir>

namespace zeltar {

Station::Station(const QString &progDir, QObject *parent)
    : QObject(parent), m_progDir(WithTrailingSeparator(QDir(progDir).absolutePath()))
{}

QString Station::configPath() const
{
    return ConfigFilePath(m_progDir);
}

QString Station::journalPath() const
{
    return m_progDir + QStringLiteral("Zeltar.mes");
}

QString Station::templatePath() const
{
    return m_progDir + QStringLiteral("Zeltar.dbf");
}

bool Station::loadConfiguration()
{
    const bool readable = ini.load(configPath());
    LoadProgramSettings(ini, m_progDir, settings, table);
    lines.setPortNames(LoadPortNames(ini));
    lines.setLinkMode(LinkSettings::load(ini));
    return readable;
}

} // namespace zeltar
