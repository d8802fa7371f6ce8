#include "config/ini_file.h"

#include "core/number_text.h"

#include <QFileInfo>
#include <QThread>

#include <limits>

namespace zeltar {

namespace {

QString NativeEol()
{
#ifdef Q_OS_WIN
    return QStringLiteral("\r\n");
#else
    return QStringLiteral("\n");
#endif
}

// A value must stay on its line.
QString OneLine(const QString &text)
{
    QString result = text;
    result.replace(QLatin1Char('\r'), QLatin1Char(' '));
    result.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return result;
}

bool SameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QDateTime ModifiedAt(const QString &path)
{
    return QFileInfo(path).fileTime(QFileDevice::FileModificationTime);
}

// Waits until a file that someone other than the station changed within the last second
// has been left alone for a second, five seconds at most.
void WaitUntilQuiet(const QString &path, const QDateTime &ownWrite)
{
    constexpr qint64 QuietMs = 1000;
    constexpr qint64 LongestWaitMs = 5000;
    for (qint64 waited = 0; waited < LongestWaitMs;) {
        const QDateTime modified = ModifiedAt(path);
        if (!modified.isValid() || modified == ownWrite)
            return;
        const qint64 age = modified.msecsTo(QDateTime::currentDateTimeUtc());
        if (age < 0 || age >= QuietMs)
            return;
        const qint64 pause = QuietMs - age;
        QThread::msleep(static_cast<unsigned long>(pause));
        waited += pause;
    }
}

} // namespace

bool IniFile::load(const QString &path)
{
    m_path = path;
    m_pending.clear();
    m_error.clear();
    const bool read = this->read();
    m_known = names();
    m_writtenAt = QDateTime();
    return read;
}

// Every section as "section]" and every key as "section]key", without regard to case,
// each with the name to show: "SECTION" or "SECTION/Key" as written.
QMap<QString, QString> IniFile::names() const
{
    QMap<QString, QString> result;
    QString section;
    QString shown;
    for (const Line &line : m_lines) {
        if (line.kind == LineKind::Section) {
            section = line.name.toLower() + QLatin1Char(']');
            shown = line.name;
            result.insert(section, shown);
        } else if (line.kind == LineKind::Key) {
            result.insert(section + line.name.toLower(), shown + QLatin1Char('/') + line.name);
        }
    }
    return result;
}

// What the station knew of the file that current no longer has.
QStringList IniFile::lostNames(const IniFile &current) const
{
    const QMap<QString, QString> now = current.names();
    QStringList lost;
    for (auto known = m_known.cbegin(); known != m_known.cend(); ++known) {
        if (now.contains(known.key()))
            continue;
        const QString section = known.key().section(QLatin1Char(']'), 0, 0) + QLatin1Char(']');
        // A lost section names itself once, not once per key.
        if (section != known.key() && m_known.contains(section) && !now.contains(section))
            continue;
        lost.append(known.value());
    }
    lost.sort();
    return lost;
}

bool IniFile::read()
{
    m_encoding = PlatformTextEncoding();
    m_lines.clear();
    m_eol.clear();

    QString text;
    if (!ReadTextFile(m_path, &text, &m_encoding))
        return !QFileInfo::exists(m_path); // a missing file is an empty INI

    qsizetype start = 0;
    while (start < text.size()) {
        const qsizetype newline = text.indexOf(QLatin1Char('\n'), start);
        if (newline < 0) {
            m_lines.append(parseLine(text.mid(start), QString()));
            break;
        }
        const bool crlf = newline > start && text.at(newline - 1) == QLatin1Char('\r');
        const qsizetype end = crlf ? newline - 1 : newline;
        const QString eol = crlf ? QStringLiteral("\r\n") : QStringLiteral("\n");
        if (m_eol.isEmpty())
            m_eol = eol;
        m_lines.append(parseLine(text.mid(start, end - start), eol));
        start = newline + 1;
    }
    return true;
}

QString IniFile::text() const
{
    QString result;
    for (const Line &line : m_lines)
        result += line.raw + line.eol;
    return result;
}

IniFile::Line IniFile::parseLine(const QString &raw, const QString &eol)
{
    Line line;
    line.raw = raw;
    line.eol = eol;
    QString trimmed = raw.trimmed();
    if (trimmed.startsWith(QChar(0xFEFF)))
        trimmed = trimmed.mid(1).trimmed();
    if (trimmed.startsWith(QLatin1Char('['))) {
        const qsizetype close = trimmed.indexOf(QLatin1Char(']'));
        if (close > 0) {
            line.kind = LineKind::Section;
            line.name = trimmed.mid(1, close - 1).trimmed();
        }
        return line;
    }
    if (trimmed.startsWith(QLatin1Char(';')) || trimmed.startsWith(QLatin1Char('#')))
        return line;
    const qsizetype equals = trimmed.indexOf(QLatin1Char('='));
    if (equals <= 0)
        return line;
    const QString key = trimmed.left(equals).trimmed();
    if (key.isEmpty())
        return line;
    line.kind = LineKind::Key;
    line.name = key;
    line.value = trimmed.mid(equals + 1).trimmed();
    return line;
}

IniFile::Line IniFile::keyLine(const QString &key, const QString &value, const QString &eol)
{
    return parseLine(key + QLatin1Char('=') + OneLine(value), eol);
}

int IniFile::findSection(const QString &section) const
{
    for (int i = 0; i < m_lines.size(); ++i) {
        const Line &line = m_lines.at(i);
        if (line.kind == LineKind::Section && SameName(line.name, section))
            return i;
    }
    return -1;
}

// The index after the last line of the section whose header is at `header`.
int IniFile::sectionEnd(int header) const
{
    int i = header + 1;
    while (i < m_lines.size() && m_lines.at(i).kind != LineKind::Section)
        ++i;
    return i;
}

int IniFile::findKey(const QString &section, const QString &key) const
{
    const int header = findSection(section);
    if (header < 0)
        return -1;
    const int end = sectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        const Line &line = m_lines.at(i);
        if (line.kind == LineKind::Key && SameName(line.name, key))
            return i;
    }
    return -1;
}

bool IniFile::hasSection(const QString &section) const
{
    return findSection(section) >= 0;
}

bool IniFile::hasKey(const QString &section, const QString &key) const
{
    return findKey(section, key) >= 0;
}

QStringList IniFile::keys(const QString &section) const
{
    QStringList result;
    const int header = findSection(section);
    if (header < 0)
        return result;
    const int end = sectionEnd(header);
    for (int i = header + 1; i < end; ++i) {
        if (m_lines.at(i).kind == LineKind::Key)
            result.append(m_lines.at(i).name);
    }
    return result;
}

std::optional<QString> IniFile::value(const QString &section, const QString &key) const
{
    const int index = findKey(section, key);
    if (index < 0)
        return std::nullopt;
    return m_lines.at(index).value;
}

std::optional<int> IniFile::integerValue(const QString &section, const QString &key) const
{
    const std::optional<QString> text = value(section, key);
    if (!text)
        return std::nullopt;
    const std::optional<long long> number = ParseInteger(*text);
    if (!number || *number < std::numeric_limits<int>::min() ||
        *number > std::numeric_limits<int>::max())
        return std::nullopt;
    return static_cast<int>(*number);
}

QString IniFile::readString(const QString &section, const QString &key,
                            const QString &defaultValue) const
{
    return value(section, key).value_or(defaultValue);
}

int IniFile::readInteger(const QString &section, const QString &key, int defaultValue) const
{
    return integerValue(section, key).value_or(defaultValue);
}

bool IniFile::writeString(const QString &section, const QString &key, const QString &value)
{
    m_pending.append({section, key, value});
    apply(m_pending.last());
    return changed();
}

void IniFile::apply(const PendingWrite &write)
{
    const QString &section = write.section;
    const QString &key = write.key;
    const QString &value = write.value;
    const QString eol = m_eol.isEmpty() ? NativeEol() : m_eol;
    const int existing = findKey(section, key);
    if (existing >= 0) {
        Line &line = m_lines[existing];
        line = keyLine(line.name, value, line.eol);
        return;
    }

    // A line that gets a successor must end in a line break.
    auto terminate = [&](int index) {
        if (index >= 0 && m_lines.at(index).eol.isEmpty())
            m_lines[index].eol = eol;
    };

    const int header = findSection(section);
    if (header >= 0) {
        int last = header;
        const int end = sectionEnd(header);
        for (int i = header + 1; i < end; ++i) {
            if (m_lines.at(i).kind == LineKind::Key)
                last = i;
        }
        terminate(last);
        m_lines.insert(last + 1, keyLine(key, value, eol));
        return;
    }

    terminate(int(m_lines.size()) - 1);
    if (!m_lines.isEmpty() && !m_lines.last().raw.trimmed().isEmpty())
        m_lines.append(parseLine(QString(), eol));
    m_lines.append(parseLine(QLatin1Char('[') + section + QLatin1Char(']'), eol));
    m_lines.append(keyLine(key, value, eol));
}

bool IniFile::writeInteger(const QString &section, const QString &key, qint64 value)
{
    return writeString(section, key, QString::number(value));
}

bool IniFile::changed()
{
    return m_groupDepth > 0 || flush();
}

bool IniFile::flush()
{
    if (m_pending.isEmpty())
        return true;
    if (m_path.isEmpty()) {
        m_pending.clear();
        return true;
    }
    // Others may have changed the file since it was read: only our own keys go into the
    // file as it is on disk now. A file that cannot be read now is not replaced.
    m_error.clear();
    IniFile current;
    current.m_path = m_path;
    bool read = current.read();
    QStringList lost = lostNames(current);
    if (read && !lost.isEmpty()) {
        // An editor may be saving the file in place just now.
        WaitUntilQuiet(m_path, m_writtenAt);
        read = current.read();
        lost = lostNames(current);
    }
    if (!read) {
        m_error = QStringLiteral("Не могу прочитать файл %1").arg(m_path);
        return false;
    }
    if (!lost.isEmpty()) {
        // Perhaps half saved: never written back so. Should the operator have removed
        // them, the next write takes the file as it is.
        m_known = current.names();
        m_error = QStringLiteral("Файл %1 не записан: в нём нет прочитанного ранее (%2)")
                      .arg(m_path, lost.join(QStringLiteral(", ")));
        return false;
    }
    for (const PendingWrite &write : std::as_const(m_pending))
        current.apply(write);
    if (!WriteTextFile(m_path, current.text(), current.m_encoding, &m_error))
        return false;
    m_writtenAt = ModifiedAt(m_path);
    m_encoding = current.m_encoding;
    m_lines = current.m_lines;
    m_eol = current.m_eol;
    m_known = current.names();
    m_pending.clear();
    return true;
}

IniFile::WriteGroup::WriteGroup(IniFile &ini) : m_ini(ini)
{
    ++m_ini.m_groupDepth;
}

IniFile::WriteGroup::~WriteGroup()
{
    commit();
}

bool IniFile::WriteGroup::commit()
{
    if (!m_open)
        return true;
    m_open = false;
    --m_ini.m_groupDepth;
    return m_ini.m_groupDepth > 0 || m_ini.flush();
}

} // namespace zeltar
