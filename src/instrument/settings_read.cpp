#include "instrument/settings_read.h"

#include "link/link_result.h"
#include "link/modbus_master.h"
#include "link/serial_session.h"
#include "link/timing.h"

namespace zeltar {

namespace {

// One function 03 block of the settings read and the code of its failure.
struct ReadBlock
{
    quint16 start;
    quint16 count;
    int failureCode;
};

constexpr ReadBlock SettingsBlocks[] = {
    {RegLink, 8, SettingsReadLink},
    {RegSetpoints, 16, SettingsReadSetpoints},
    {RegCorrections, 12, SettingsReadCorrections},
    {RegControl, 1, SettingsReadControl},
    {RegCoefficients, 21, SettingsReadRegulation},
};

constexpr int ProgramEntries = MaxProgramSteps + 1;

// Data byte of the clock's first byte in block 5 (registers 39 to 59).
constexpr int ClockByteInRegulationBlock = RegisterOffset(RegCoefficients, RegClock) + 1;

QByteArray ReadBlockRegisters(ModbusMaster &master, const InstrumentSettings &record, quint16 start,
                              quint16 count)
{
    return master.ModBusRead03(record.PribAdr, start, count,
                               SetTiming(TimingRead03, record.PribBaud, count));
}

// Everything of the staging record that came from the instrument; the station's own
// fields (name, polling flag, port) stay as they are.
void TakeInstrumentFields(const InstrumentSettings &staging, InstrumentSettings *record)
{
    const QString name = record->PribName;
    const quint8 vkl = record->PribVkl;
    const quint8 port = record->PribPort;
    *record = staging;
    record->PribName = name;
    record->PribVkl = vkl;
    record->PribPort = port;
}

} // namespace

int ReadInstrumentSettings(SerialSession &port, DeviceTable &table, int k, int windowBaud,
                           int windowAdr, InstrumentClock *clock)
{
    if (k < 1 || k > MaxDevices)
        return SettingsReadNoPort;
    InstrumentSettings &record = table.device(k);
    InstrumentSettings &staging = table.staging;

    // 1. The window's link settings go into the record whatever the outcome.
    record.PribBaud = static_cast<quint8>(windowBaud);
    record.PribAdr = static_cast<quint8>(windowAdr);

    // 2. The port at the window's baud rate.
    if (port.OpenPort(record.PribPort, record.PribBaud) != 0)
        return SettingsReadNoPort;

    ModbusMaster master(port);
    int result = SettingsReadOk;

    // 3. Blocks 1 to 5; the first failure ends them.
    for (const ReadBlock &block : SettingsBlocks) {
        const QByteArray reply = ReadBlockRegisters(master, record, block.start, block.count);
        if (reply.size() <= 2) {
            result = block.failureCode;
            break;
        }
        const QByteArray data = ReplyData(reply);
        DecodeSettingsRegisters(block.start, data, &staging);
        if (block.start == RegCoefficients && clock)
            *clock = DecodeClock(data, ClockByteInRegulationBlock);
    }

    // 4. The program up to its end marker; a failed entry does not stop the others.
    if (result == SettingsReadOk) {
        staging.PribPoint = 0;
        for (int i = 1; i <= ProgramEntries; ++i) {
            const QByteArray reply =
                ReadBlockRegisters(master, record, ProgramEntryRegister(i), ProgramEntryRegisters);
            if (reply.size() <= 2) {
                result = SettingsReadProgram;
                continue;
            }
            ProgramStep &entry = staging.Program[static_cast<size_t>(i - 1)];
            entry = DecodeProgramEntry(ReplyData(reply));
            if (entry.Hours == ProgramEndMarker) {
                staging.PribPoint = static_cast<quint8>(i - 1);
                break;
            }
        }
    }

    // 5. The port is closed on every path.
    port.ClosePort();

    // 6. A failed read leaves the record as it was, apart from step 1.
    if (result != SettingsReadOk)
        return result;

    // 7. Everything arrived: the record takes the instrument's values and program.
    TakeInstrumentFields(staging, &record);
    return SettingsReadOk;
}

QString SettingsReadFailureText(int code)
{
    return QStringLiteral("Ошибка связи с прибором: ") + QString::number(code);
}

QString SettingsReadSuccessText()
{
    return QStringLiteral("Чтение настроек завершено успешно");
}

} // namespace zeltar
