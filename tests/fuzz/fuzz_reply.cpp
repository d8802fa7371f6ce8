// A reply as it comes off the line: framing, the master's checks for functions 03, 04 and
// 16, then the register decoders on whatever data they let through.
//
// Input: one byte for the function, one for the register count, one for the block read,
// then the characters of the reply.
#include "acquisition/archive_download.h"
#include "instrument/register_codec.h"
#include "link/link_result.h"
#include "link/link_transport.h"
#include "link/modbus_frame.h"
#include "link/modbus_master.h"
#include "link/timing.h"

#include <cstddef>
#include <cstdint>

using namespace zeltar;

namespace {

// A line that answers every request at once with the same characters.
class ReplyLine : public LinkTransport
{
public:
    explicit ReplyLine(const QByteArray &reply) : m_reply(reply) {}

    bool write(const QByteArray &) override { return true; }
    int WaitReply(int, int, int) override { return WaitComplete; }
    bool readAll(QByteArray *bytes) override
    {
        *bytes = m_reply;
        return true;
    }

private:
    QByteArray m_reply;
};

// The first registers of the blocks the station reads.
constexpr quint16 BlockStarts[] = {RegVersion,
                                   RegLink,
                                   RegSensor,
                                   RegSetpoints,
                                   RegCorrections,
                                   RegCoefficients,
                                   RegClock,
                                   RegProgram,
                                   RegControl,
                                   22,
                                   34};

void Decode(quint16 start, const QByteArray &data)
{
    InstrumentSettings settings;
    DecodeSettingsRegisters(start, data, &settings);
    DecodeProgramEntry(data);
    for (int n = 1; n <= data.size() + 1; n += 5)
        DecodeClock(data, n);
    DecodeCurrentValue(data);
    DecodeArchiveRecord(data);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    const int function = data[0] % 3;
    const auto count = static_cast<quint16>(data[1] % 125 + 1);
    const quint16 start = BlockStarts[data[2] % std::size(BlockStarts)];
    const QByteArray text(reinterpret_cast<const char *>(data + 3),
                          static_cast<qsizetype>(size - 3));

    QByteArray message;
    if (DecodeFrame(text, &message) == 0)
        Decode(start, message);

    ReplyLine line(text);
    ModbusMaster master(line);
    QByteArray result;
    if (function == 0)
        result = master.ModBusRead03(1, start, count, SetTiming(TimingRead03, 2, count));
    else if (function == 1)
        result = master.ModBusRead04(1, start, count, SetTiming(TimingPoll04, 2, count));
    else
        result = master.ModBusWrite16(1, start, count, QByteArray(2 * count, '\0'),
                                      SetTiming(TimingWrite16, 2, 2 * count));
    if (!IsLinkError(result))
        Decode(start, function == 2 ? result : ReplyData(result));
    else
        LinkErrorCode(result);
    return 0;
}
