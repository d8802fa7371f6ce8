#pragma once

#include "core/text_file.h"

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <optional>

namespace zeltar {

// An INI file kept in memory; every change is written to the file on disk at once.
//
// Section and key names are compared without regard to case; a value is the text after
// "=" with surrounding blanks removed; a missing key yields the caller's default. A new
// key goes to the end of its section, a new section to the end of the file. Every other
// line (comments, blank lines, unknown keys and sections) is kept as it is, and so are the
// file's encoding and line ends. A missing file is an empty INI that comes into being at
// the first write.
//
// Every write is on disk when it returns, replacing the file as a whole. Like the
// platform's private-profile functions, a write applies only its own keys to the file as
// it is on disk at that moment (read again, keys applied, written), so sections and keys
// that others added or changed meanwhile survive. A WriteGroup gathers several writes
// into one replacement of the file.
//
// A file that has lost sections or keys the station read from it before may be half saved
// by an editor: when someone changed it in the last second, the write waits until it has
// been quiet for a second and reads it again. One that still lacks them is not written: the
// write fails with a message, and the next write takes the file as it then is.
class IniFile
{
public:
    IniFile() = default;
    explicit IniFile(const QString &path) { load(path); }

    // Reads the file. A missing file gives an empty INI and true; a file that exists but
    // cannot be read gives an empty INI and false (a write then fails while it stays so).
    bool load(const QString &path);

    QString path() const { return m_path; }
    TextEncoding encoding() const { return m_encoding; }
    // The whole text as it would be written.
    QString text() const;

    bool hasSection(const QString &section) const;
    bool hasKey(const QString &section, const QString &key) const;
    QStringList keys(const QString &section) const;

    // The trimmed value, or nullopt when the key is missing.
    std::optional<QString> value(const QString &section, const QString &key) const;
    // The whole number the value holds (decimal with sign, or "0x" hexadecimal, within
    // 32 bits), or nullopt when the key is missing or holds anything else.
    std::optional<int> integerValue(const QString &section, const QString &key) const;

    QString readString(const QString &section, const QString &key,
                       const QString &defaultValue) const;
    int readInteger(const QString &section, const QString &key, int defaultValue) const;

    // Sets the value and writes the file (or leaves it to the open WriteGroup).
    // False when the file could not be written; the value is kept in memory regardless.
    bool writeString(const QString &section, const QString &key, const QString &value);
    bool writeInteger(const QString &section, const QString &key, qint64 value);

    // Writes pending changes to disk; true when there is nothing left to write.
    bool flush();

    // Why the last write failed, for the operator.
    QString errorString() const { return m_error; }

    // Holds the writes made while it lives and writes the file once at commit() (or at
    // destruction). Groups may nest; the outermost one writes.
    class WriteGroup
    {
    public:
        explicit WriteGroup(IniFile &ini);
        ~WriteGroup();
        WriteGroup(const WriteGroup &) = delete;
        WriteGroup &operator=(const WriteGroup &) = delete;

        // Ends the group; false when the file could not be written.
        bool commit();

    private:
        IniFile &m_ini;
        bool m_open = true;
    };

private:
    enum class LineKind
    {
        Other, // blank line, comment or anything that is neither a header nor a key
        Section,
        Key
    };

    struct Line
    {
        QString raw;
        QString eol; // "\n", "\r\n" or empty for a last line without one
        LineKind kind = LineKind::Other;
        QString name;  // section or key name as written
        QString value; // trimmed value of a key line
    };

    struct PendingWrite
    {
        QString section;
        QString key;
        QString value;
    };

    bool read();
    QMap<QString, QString> names() const;
    QStringList lostNames(const IniFile &current) const;
    void apply(const PendingWrite &write);
    static Line parseLine(const QString &raw, const QString &eol);
    static Line keyLine(const QString &key, const QString &value, const QString &eol);

    int findSection(const QString &section) const;
    int sectionEnd(int header) const;
    int findKey(const QString &section, const QString &key) const;
    bool changed();

    QString m_path;
    TextEncoding m_encoding = PlatformTextEncoding();
    QList<Line> m_lines;
    QString m_eol;
    int m_groupDepth = 0;
    QList<PendingWrite> m_pending;  // written in memory, not yet on disk
    QMap<QString, QString> m_known; // sections and keys the file had when last read or written
    QDateTime m_writtenAt;          // modification time of the file as the station wrote it
    QString m_error;
};

} // namespace zeltar
