#pragma once

#include "link/link_mode.h"

#include <QString>
#include <QStringList>

namespace zeltar::ctl {

// Exit codes of the command-line client.
enum ExitCode
{
    ExitOk = 0,
    ExitFailed = 1,
    ExitNoPort = 2,
    ExitUsage = 3
};

// Where and how to reach an instrument, as given on the command line.
struct LinkOptions
{
    QString port;      // device path or COM1 to COM8
    int baudIndex = 2; // 9600 baud
    int address = 1;
    QString dir;    // the station's folder, when given
    int device = 0; // device number in that folder's configuration, when given
    LinkMode mode;  // --fast, or that of the folder's configuration
};

struct Invocation
{
    LinkOptions link;
    QString command;
    QStringList arguments; // after the command
    QString stationDir;    // --dir made absolute, else the window's station folder
};

// Parses the command line; on failure returns false with a message for stderr.
bool ParseInvocation(const QStringList &args, Invocation *invocation, QString *error);

QString UsageText();

} // namespace zeltar::ctl
