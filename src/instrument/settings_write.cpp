#include "instrument/settings_write.h"

#include "instrument/register_codec.h"
#include "link/modbus_master.h"
#include "link/serial_session.h"
#include "link/timing.h"

namespace zeltar {

namespace {

// One function 16 block of blocks B to E and G: the registers written and the code of
// its failure. Block F, the program, lies between E and G.
struct WriteBlock
{
    quint16 start;
    quint16 count;
    int failureCode;
};

constexpr WriteBlock BlocksBeforeProgram[] = {
    {RegSensor, 3, SettingsWriteSensor},
    {RegSetpoints, 16, SettingsWriteSetpoints},
    {RegCorrections, 12, SettingsWriteCorrections},
    {RegCoefficients, 18, SettingsWriteRegulation},
};

constexpr WriteBlock ControlBlock{RegControl, 1, SettingsWriteControl};

// One write at the record's present baud index and address; true when acknowledged.
bool WriteRegisters(ModbusMaster &master, const InstrumentSettings &record, quint16 start,
                    quint16 count, const QByteArray &data)
{
    const QByteArray reply =
        master.ModBusWrite16(record.PribAdr, start, count, data,
                             SetTiming(TimingWrite16, record.PribBaud, int(data.size())));
    return reply.size() >= 2;
}

bool WriteBlockOf(ModbusMaster &master, const InstrumentSettings &record, const WriteBlock &block)
{
    return WriteRegisters(master, record, block.start, block.count,
                          EncodeSettingsRegisters(record, block.start, block.count));
}

// Entries 1 to PribPoint, then the end marker in the entry after the last one.
bool WriteProgram(ModbusMaster &master, const InstrumentSettings &record)
{
    const int steps = qMin<int>(record.PribPoint, MaxProgramSteps);
    for (int i = 1; i <= steps; ++i) {
        const ProgramStep &step = record.Program[static_cast<size_t>(i - 1)];
        if (!WriteRegisters(master, record, ProgramEntryRegister(i), ProgramEntryRegisters,
                            EncodeProgramEntry(step)))
            return false;
    }
    return WriteRegisters(master, record, ProgramEntryRegister(steps + 1), ProgramEntryRegisters,
                          EncodeProgramEnd());
}

// The window's entries, without the station's link to the instrument and without the
// program, which the program editor changes in the record itself.
void TakeWindowEntries(const InstrumentSettings &staging, InstrumentSettings *record)
{
    InstrumentSettings taken = staging;
    taken.PribPort = record->PribPort;
    taken.PribBaud = record->PribBaud;
    taken.PribAdr = record->PribAdr;
    taken.PribPoint = record->PribPoint;
    taken.Program = record->Program;
    *record = taken;
}

} // namespace

bool WriteChangesLink(const InstrumentSettings &record, int windowBaud, int windowAdr)
{
    return windowBaud != record.PribBaud || windowAdr != record.PribAdr;
}

QString LinkChangeQuestionText()
{
    return QStringLiteral("В процессе записи будет изменен адрес или скорость прибора\r"
                          "Продолжить?");
}

int WriteInstrumentSettings(SerialSession &port, DeviceTable &table, int k)
{
    if (k < 1 || k > MaxDevices)
        return SettingsWriteNoPort;
    InstrumentSettings &record = table.device(k);
    const InstrumentSettings &staging = table.staging;

    // 3. The record holds the window's entries from here on, whatever happens.
    TakeWindowEntries(staging, &record);

    // 4. The port at the old baud index.
    int code = SettingsWriteOk;
    if (port.OpenPort(record.PribPort, record.PribBaud) != 0)
        code = SettingsWriteNoPort;

    ModbusMaster master(port);

    // 5. Step A: the new link settings, sent at the old ones on every write.
    if (code == SettingsWriteOk) {
        QByteArray link;
        link += static_cast<char>(staging.PribBaud);
        link += static_cast<char>(staging.PribAdr);
        if (WriteRegisters(master, record, RegLink, 1, link)) {
            record.PribBaud = staging.PribBaud;
            record.PribAdr = staging.PribAdr;
        } else {
            code = SettingsWriteLink;
        }
    }

    // 6. The port again, at the new baud index.
    if (code == SettingsWriteOk && port.OpenPort(record.PribPort, record.PribBaud) != 0)
        code = SettingsWriteNoPort;

    // 7. Blocks B to G at the new address; the first failure ends the write.
    for (const WriteBlock &block : BlocksBeforeProgram) {
        if (code != SettingsWriteOk)
            break;
        if (!WriteBlockOf(master, record, block))
            code = block.failureCode;
    }
    if (code == SettingsWriteOk && !WriteProgram(master, record))
        code = SettingsWriteProgram;
    if (code == SettingsWriteOk && !WriteBlockOf(master, record, ControlBlock))
        code = SettingsWriteControl;

    // 8. Closed on every path.
    port.ClosePort();
    return code;
}

QString SettingsWriteFailureText(int code)
{
    return QStringLiteral("Нет связи с прибором. Ошибка обмена:") + QString::number(code);
}

QString SettingsWriteSuccessText()
{
    return QStringLiteral("Данные в прибор записаны успешно");
}

QString EnteredSettingsWrite::message() const
{
    if (refused())
        return refusal;
    return code == SettingsWriteOk ? SettingsWriteSuccessText() : SettingsWriteFailureText(code);
}

EnteredSettingsWrite WriteEnteredSettings(SerialSession &port, DeviceTable &table, int k,
                                          const SettingsEntries &entries)
{
    if (k < 1 || k > MaxDevices)
        return {{}, SettingsWriteNoPort};
    table.staging = table.device(k);
    const QString refusal = ParseSettings(entries, &table.staging);
    if (!refusal.isEmpty())
        return {refusal, SettingsWriteOk};
    return {{}, WriteInstrumentSettings(port, table, k)};
}

} // namespace zeltar
