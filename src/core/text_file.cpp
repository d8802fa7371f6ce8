#include "core/text_file.h"

#include "core/file_replacement.h"

#include <QFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <array>

namespace zeltar {

namespace {

// Characters of the Windows-1251 bytes 0x80 to 0xFF; the bytes below are ASCII. The one
// unassigned byte 0x98 maps to the C1 control U+0098, so every byte decodes to something.
constexpr std::array<char16_t, 128> Cp1251High = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F, // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, // C0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, // C8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, // D0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, // D8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, // E0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, // E8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, // F0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F, // F8
};

char EncodeCp1251Char(char16_t c)
{
    if (c < 0x80)
        return static_cast<char>(c);
    if (c >= 0x0410 && c <= 0x044F)
        return static_cast<char>(0xC0 + (c - 0x0410));
    for (size_t i = 0; i < Cp1251High.size(); ++i) {
        if (Cp1251High[i] == c)
            return static_cast<char>(0x80 + i);
    }
    return '?';
}

QByteArray EncodeCp1251(const QString &text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        // A character outside the basic plane is one '?', not one per surrogate.
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        bytes += EncodeCp1251Char(c.unicode());
    }
    return bytes;
}

} // namespace

QString DecodeCp1251(const QByteArray &bytes)
{
    QString text(bytes.size(), Qt::Uninitialized);
    QChar *out = text.data();
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        *out++ = byte < 0x80 ? QChar(byte) : QChar(Cp1251High[byte - 0x80]);
    }
    return text;
}

TextEncoding PlatformTextEncoding()
{
#ifdef Q_OS_WIN
    return TextEncoding::Windows1251;
#else
    return TextEncoding::Utf8;
#endif
}

QString DecodeText(const QByteArray &bytes, TextEncoding *encoding)
{
    TextEncoding found = PlatformTextEncoding();
    QString text;
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        const bool little = bytes.startsWith("\xFF\xFE");
        found = little ? TextEncoding::Utf16LE : TextEncoding::Utf16BE;
        // The mark is dropped; an odd last byte becomes a replacement character.
        QStringDecoder utf16(little ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE,
                             QStringDecoder::Flag::Stateless);
        text = utf16.decode(bytes.mid(2));
    } else {
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        text = utf8.decode(bytes);
        const bool ascii = std::all_of(bytes.cbegin(), bytes.cend(),
                                       [](char c) { return static_cast<uchar>(c) < 0x80; });
        if (utf8.hasError()) {
            found = TextEncoding::Windows1251;
            text = DecodeCp1251(bytes);
        } else if (!ascii) {
            found = TextEncoding::Utf8;
        }
    }
    if (encoding)
        *encoding = found;
    return text;
}

QByteArray EncodeText(const QString &text, TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Windows1251:
        return EncodeCp1251(text);
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16BE: {
        QStringEncoder utf16(encoding == TextEncoding::Utf16LE ? QStringEncoder::Utf16LE
                                                               : QStringEncoder::Utf16BE,
                             QStringEncoder::Flag::WriteBom);
        return utf16.encode(text);
    }
    case TextEncoding::Utf8:
        break;
    }
    return text.toUtf8();
}

bool ReadTextFile(const QString &path, QString *text, TextEncoding *encoding)
{
    text->clear();
    *encoding = PlatformTextEncoding();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return false;
    *text = DecodeText(bytes, encoding);
    return true;
}

bool WriteTextFile(const QString &path, const QString &text, TextEncoding encoding, QString *error)
{
    return ReplaceFileContent(path, EncodeText(text, encoding), error);
}

} // namespace zeltar
