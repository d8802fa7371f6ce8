#pragma once

#include "acquisition/lines.h"
#include "acquisition/polling_state.h"
#include "config/configuration.h"
#include "config/ini_file.h"
#include "core/journal.h"
#include "instrument/instrument_settings.h"

#include <QObject>
#include <QString>

namespace zeltar {

// Everything the station holds for its whole run: the folder it works in, the
// configuration file with the program settings and the device table, the polling state,
// the journal and the serial lines, each with the worker that alone uses it. The windows and the
// headless poller share it.
class Station : public QObject
{
    Q_OBJECT
public:
    explicit Station(const QString &progDir, QObject *parent = nullptr);

    // ProgDir with its trailing separator.
    QString ProgDir() const { return m_progDir; }
    QString configPath() const;
    QString journalPath() const;
    QString templatePath() const;

    // Loads the program settings and the devices from Zeltar.ini (missing keys take their
    // defaults), the PORTS mapping into the port, and makes the archive template when it
    // is missing. False when the file exists but cannot be read.
    bool loadConfiguration();

    ProgramSettings settings;
    DeviceTable table;
    PollingState state;
    IniFile ini;
    Journal journal;
    Lines lines;

private:
    QString m_progDir;
};

} // namespace zeltar
