#pragma once

#include <QByteArray>
#include <QString>

namespace zeltar {

// Zeltar.ini and Zeltar.mes are UTF-16 when they start with its byte-order mark (a file
// saved as "Unicode" by a Windows editor), UTF-8 when they are valid UTF-8 and
// Windows-1251 otherwise (files written by the station on Russian Windows). A file is
// written back in the encoding it was read in; a new file, or one that is all ASCII so
// far, takes the platform's convention.
enum class TextEncoding
{
    Utf8,
    Windows1251,
    Utf16LE, // written with its byte-order mark
    Utf16BE  // written with its byte-order mark
};

// The encoding of new text files: the ANSI code page (Windows-1251) on Windows, UTF-8
// elsewhere.
TextEncoding PlatformTextEncoding();

// Decodes Windows-1251 bytes, whatever else they might be read as.
QString DecodeCp1251(const QByteArray &bytes);

// Decodes bytes by the rules above; all-ASCII bytes report the platform's encoding.
QString DecodeText(const QByteArray &bytes, TextEncoding *encoding);

// Encodes text; a character that Windows-1251 cannot hold becomes '?'.
QByteArray EncodeText(const QString &text, TextEncoding encoding);

// Reads a whole text file. False when it cannot be read (text left empty, encoding the
// platform's).
bool ReadTextFile(const QString &path, QString *text, TextEncoding *encoding);

// Replaces a file's content as a whole (see FileReplacement): a crash or a full disk
// leaves the old content. False (error set when given) when it cannot be written.
bool WriteTextFile(const QString &path, const QString &text, TextEncoding encoding,
                   QString *error = nullptr);

} // namespace zeltar
