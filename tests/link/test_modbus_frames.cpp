// Frames, check bytes, timing tables and the reply checks of the Modbus master, without a line.
#include "link/link_result.h"
#include "link/modbus_frame.h"
#include "link/modbus_master.h"
#include "link/timing.h"

#include <QtTest>

using namespace zeltar;

namespace {

// A line whose replies are given in advance; records what the master wrote.
class ScriptedTransport : public LinkTransport
{
public:
    QList<QByteArray> replies;
    QList<QByteArray> written;
    int waitResult = WaitComplete;
    bool failWrite = false;

    bool write(const QByteArray &bytes) override
    {
        written.append(bytes);
        return !failWrite;
    }
    int WaitReply(int, int, int) override { return replies.isEmpty() ? WaitNothing : waitResult; }
    bool readAll(QByteArray *bytes) override
    {
        *bytes = replies.isEmpty() ? QByteArray() : replies.takeFirst();
        return true;
    }
};

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray result;
    for (int v : values)
        result.append(static_cast<char>(v));
    return result;
}

int code(const QByteArray &result)
{
    return LinkErrorCode(result);
}

} // namespace

class ModbusFramesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void frameOfReadRequest()
    {
        const QByteArray message = ReadRequest(1, 0x03, 57, 3);
        QCOMPARE(message, bytes({0x01, 0x03, 0x00, 0x39, 0x00, 0x03}));
        QCOMPARE(Lrc(message), quint8(0xC0));
        QCOMPARE(ModBusFrame(message), QByteArray(":010300390003C0\r\n"));
        // A message whose bytes sum to 0 mod 256 has the check byte "00".
        QCOMPARE(ModBusFrame(bytes({0x80, 0x80})), QByteArray(":808000\r\n"));
        const QByteArray write =
            WriteRequest(1, 57, 3, bytes({0x09, 0x07, 0x14, 0x05, 0x03, 0x24}));
        QCOMPARE(write.toHex().toUpper(), QByteArray("011000390003060907140503"
                                                     "24"));
        // The byte count field is taken modulo 256 and not checked against the count.
        QCOMPARE(static_cast<quint8>(WriteRequest(1, 0, 200, QByteArray(300, 0)).at(6)),
                 quint8(300 % 256));
    }

    void hexDigits()
    {
        QCOMPARE(HexDigitValue('0'), quint8(0));
        QCOMPARE(HexDigitValue('9'), quint8(9));
        QCOMPARE(HexDigitValue('A'), quint8(10));
        QCOMPARE(HexDigitValue('F'), quint8(15));
        // Lower-case letters and other characters give their own code.
        QCOMPARE(HexDigitValue('a'), quint8(0x61));
        QCOMPARE(HexDigitValue('G'), quint8('G'));
        QCOMPARE(HexDigitValue(':'), quint8(':'));
    }

    void decodeChecksInOrder_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("valid") << QByteArray(":010300390003C0\r\n") << 0;
        QTest::newRow("stray byte first") << QByteArray("x:010300390003C0\r\n") << 4;
        QTest::newRow("empty") << QByteArray() << 4;
        QTest::newRow("short") << QByteArray(":0103C\r\n") << 5;
        QTest::newRow("short beats lf") << QByteArray(":0103") << 5;
        QTest::newRow("no lf") << QByteArray(":010300390003C0\r\r") << 6;
        QTest::newRow("no cr") << QByteArray(":010300390003C0\n\n") << 7;
        QTest::newRow("odd") << QByteArray(":010300390003C\r\n") << 8;
        QTest::newRow("lrc") << QByteArray(":010300390003C1\r\n") << 9;
        // "1a" is not hex: (16 * 1 + 0x61) mod 256 = 0x71.
        QTest::newRow("lower case") << QByteArray(":01031a\r\n") << 5;
    }

    void decodeChecksInOrder()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, expected);
        QByteArray message;
        QCOMPARE(DecodeFrame(text, &message), expected);
        if (expected == 0)
            QCOMPARE(message, ReadRequest(1, 0x03, 57, 3));
    }

    void lowerCaseHexDecodesAsCharacterCode()
    {
        // 0x01 0x83 0x71 sum to 0xF5; LRC 0x0B. The pair "1a" stands for 0x71.
        QByteArray message;
        QCOMPARE(DecodeFrame(":01831a0B\r\n", &message), 0);
        QCOMPARE(message, bytes({0x01, 0x83, 0x71}));
    }

    void timingTables()
    {
        auto check = [](int p, int b, int n, int a, int f, int q) {
            const TimingProfile t = SetTiming(p, b, n);
            QCOMPARE(t.ReplyTimeout, a);
            QCOMPARE(t.FirstWait, f);
            QCOMPARE(t.QuietInterval, q);
        };
        check(1, 2, 3, 126, 120, 20);
        check(3, 0, 4, 280, 240, 20);
        check(3, 6, 4, 58, 50, 5);
        check(2, 0, 6, 780, 720, 20);
        check(2, 2, 6, 482, 440, 20); // 440, not 470
        check(2, 4, 6, 412, 400, 50); // 50, not 20
        check(4, 1, 5, 200, 150, 20);
        check(4, 3, 5, 100, 90, 5);
        check(1, 0, 256, 240, 240, 20); // n taken modulo 256
        check(5, 2, 3, 200, 50, 5);
        check(0, 2, 3, 200, 50, 5);
        check(1, 7, 3, 200, 50, 5);
        check(1, -1, 3, 200, 50, 5);
    }

    void baudTexts()
    {
        QCOMPARE(BaudText(0), QStringLiteral("2400"));
        QCOMPARE(BaudText(6), QStringLiteral("115200"));
        QCOMPARE(BaudText(7), QString());
        QCOMPARE(BaudText(-1), QString());
        QCOMPARE(BaudIndexOf(19200), 3);
        QCOMPARE(BaudIndexOf(1200), -1);
    }

    void readReplyChecks_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("expected");
        // Request: address 1, function 03, 2 registers.
        QTest::newRow("valid") << bytes({1, 3, 4, 0xCD, 0xCC, 0xCC, 0x3D}) << 0;
        QTest::newRow("other address") << bytes({2, 3, 4, 0, 0, 0, 0}) << 21;
        QTest::newRow("exception") << bytes({1, 0x83, 2}) << 22;
        QTest::newRow("other function") << bytes({1, 4, 4, 0, 0, 0, 0}) << 23;
        QTest::newRow("byte count") << bytes({1, 3, 2, 0, 0}) << 24;
        QTest::newRow("surplus byte") << bytes({1, 3, 4, 0, 0, 0, 0, 0}) << 25;
        QTest::newRow("missing byte") << bytes({1, 3, 4, 0, 0, 0}) << 25;
        // Address is checked before the function code.
        QTest::newRow("address first") << bytes({9, 0x83, 2}) << 21;
    }

    void readReplyChecks()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, expected);
        ScriptedTransport line;
        line.replies = {ModBusFrame(reply)};
        ModbusMaster master(line);
        const QByteArray result = master.ModBusRead03(1, 11, 2, SetTiming(1, 2, 2));
        QCOMPARE(line.written.value(0), ModBusFrame(ReadRequest(1, 3, 11, 2)));
        QCOMPARE(code(result), expected);
        if (expected == 0)
            QCOMPARE(result, reply);
    }

    void function04UsesItsOwnCodes()
    {
        ScriptedTransport line;
        line.replies = {ModBusFrame(bytes({1, 0x84, 2})), ModBusFrame(bytes({1, 0x83, 2}))};
        ModbusMaster master(line);
        QCOMPARE(code(master.ModBusRead04(1, 0, 4, {})), 22);
        QCOMPARE(code(master.ModBusRead04(1, 0, 4, {})), 23);
    }

    void largeReadsEndWithByteCount()
    {
        // 128 registers: the byte count byte can never equal 256.
        QByteArray reply = bytes({1, 3, 0});
        reply.append(QByteArray(256, 0));
        ScriptedTransport line;
        line.replies = {ModBusFrame(reply)};
        ModbusMaster master(line);
        QCOMPARE(code(master.ModBusRead03(1, 0, 128, {})), 24);
    }

    void writeReplyChecks_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("expected");
        QTest::newRow("valid") << bytes({1, 0x10, 0, 57, 0, 3}) << 0;
        QTest::newRow("echo not compared") << bytes({1, 0x10, 0, 99, 0, 7}) << 0;
        QTest::newRow("other address") << bytes({5, 0x10, 0, 57, 0, 3}) << 21;
        QTest::newRow("exception") << bytes({1, 0x90, 4}) << 22;
        QTest::newRow("other function") << bytes({1, 0x03, 0, 57, 0, 3}) << 23;
        QTest::newRow("short") << bytes({1, 0x10, 0, 57, 0}) << 26;
        QTest::newRow("long") << bytes({1, 0x10, 0, 57, 0, 3, 0}) << 26;
    }

    void writeReplyChecks()
    {
        QFETCH(QByteArray, reply);
        QFETCH(int, expected);
        ScriptedTransport line;
        line.replies = {ModBusFrame(reply)};
        ModbusMaster master(line);
        const QByteArray data = bytes({0x09, 0x07, 0x14, 0x05, 0x03, 0x24});
        const QByteArray result = master.ModBusWrite16(1, 57, 3, data, SetTiming(2, 2, 6));
        QCOMPARE(line.written.value(0), ModBusFrame(WriteRequest(1, 57, 3, data)));
        QCOMPARE(code(result), expected);
    }

    void sessionFailuresBecomeCodes()
    {
        ScriptedTransport line;
        line.failWrite = true;
        line.replies = {ModBusFrame(bytes({1, 3, 0}))};
        ModbusMaster master(line);
        QCOMPARE(code(master.ModBusRead03(1, 0, 0, {})), 1);

        ScriptedTransport silent;
        ModbusMaster quiet(silent);
        QCOMPARE(code(quiet.ModBusRead03(1, 0, 1, {})), 2);

        ScriptedTransport growing;
        growing.waitResult = WaitStillGrowing;
        growing.replies = {ModBusFrame(bytes({1, 3, 2, 0, 0}))};
        ModbusMaster busy(growing);
        QCOMPARE(code(busy.ModBusRead03(1, 0, 1, {})), 2);
    }
};

QTEST_GUILESS_MAIN(ModbusFramesTest)
#include "test_modbus_frames.moc"
