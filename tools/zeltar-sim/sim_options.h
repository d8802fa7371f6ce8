#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace zeltar::sim {

// Ways a frame of a reply can be spoilt on its way out (--fault KIND).
enum FrameFault : unsigned
{
    FaultShort = 1 << 0,         // a frame under 11 characters
    FaultNoLf = 1 << 1,          // the closing LF is missing
    FaultNoCr = 1 << 2,          // the CR before LF is missing
    FaultOdd = 1 << 3,           // an odd number of characters between ':' and CR LF
    FaultWrongFunction = 1 << 4, // another function code than the one requested
    FaultBadCount = 1 << 5,      // 03/04: byte count field is not 2 x register count
    FaultExtraByte = 1 << 6,     // 03/04: one surplus data byte, byte count field correct
    FaultWriteLength = 1 << 7    // 16: reply is not 6 bytes long
};

// Misbehaviour of one instrument. Everything but pacing and its turnaround hits only the requests
// picked by `every` (1, 1 + every, 1 + 2 every, ... counted per instrument from 1).
struct FaultOptions
{
    bool silent = false;    // never answers
    double drop = 0.0;      // share of requests left unanswered, at random
    bool badLrc = false;    // wrong check byte
    bool garbage = false;   // stray bytes before ':'
    bool exception = false; // exception reply to every request
    bool wrongAddr = false; // reply carries another slave address
    int lateMs = 0;         // extra delay before the reply starts
    int dribbleMs = 0;      // gap between reply bytes
    int burstMs = 0;        // gap between the two halves of the reply
    unsigned frame = 0;     // FrameFault bits
    int every = 1;
    bool pace = false;     // requests and replies no faster than the baud rate allows
    int turnaroundMs = 10; // with pace: from a request's last byte to the reply's first
};

// One simulated instrument.
struct InstrumentOptions
{
    int address = 1;
    int baudIndex = 2; // 9600 baud
    int version = 105; // software version x 100, register 0 byte 1
    std::optional<float> fixedValue;
    bool sensorBreak = false;
    int archiveCount = 50;
    FaultOptions faults;
};

// The whole command line.
struct SimConfig
{
    QString linkPath;
    bool verbose = false;
    bool checkBaud = true; // a request sent at another baud rate is not heard
    bool help = false;
    bool version = false;
    std::optional<quint32> seed; // for --drop; random when not given
    QString statsPath;           // where the line's counts are kept, empty for nowhere
    std::vector<InstrumentOptions> instruments;
};

// Parses the arguments after the program name. Options before the first --addr apply to
// every instrument, options after an --addr to that instrument only. Returns false with
// a message in *error when an option is unknown or its value is out of range.
bool ParseCommandLine(const QStringList &arguments, SimConfig *config, QString *error);

// Text printed by --help.
QString HelpText();

} // namespace zeltar::sim
