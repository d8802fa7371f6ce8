#pragma once

#include <QByteArray>
#include <QString>

namespace zeltar {

// Zeltar.ini and Zeltar.mes are UTF-8 when they are valid UTF-8 and Windows-1251 otherwise
// (files written by the station on Russian Windows). A file is written back in the
// encoding it was read in; a new file is UTF-8.
enum class TextEncoding
{
    Utf8,
    Windows1251
};

// Decodes bytes as UTF-8 when they are valid UTF-8, else as Windows-1251.
QString DecodeText(const QByteArray &bytes, TextEncoding *encoding);

// Encodes text; a character that Windows-1251 cannot hold becomes '?'.
QByteArray EncodeText(const QString &text, TextEncoding encoding);

// Reads a whole text file. False when it cannot be read (text left empty, encoding UTF-8).
bool ReadTextFile(const QString &path, QString *text, TextEncoding *encoding);

// Replaces a file's content atomically (temporary file and rename): a crash leaves either
// the old or the new content, never half a file. False when it cannot be written.
bool WriteTextFile(const QString &path, const QString &text, TextEncoding encoding);

} // namespace zeltar
