#include "core/journal.h"

#include "core/clock.h"
#include "core/date_time_text.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace zeltar {

namespace {

const QString LineEnd = QStringLiteral("\r\n");

QStringList SplitLines(const QString &text)
{
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = text.split(lineEnd);
    // The end of the last line is not the start of another one.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

Journal::Journal(QObject *parent) : QObject(parent) {}

void Journal::load(const QString &path)
{
    m_path = path;
    m_lines.clear();
    m_encoding = PlatformTextEncoding();
    if (QFileInfo::exists(path)) {
        QString text;
        if (ReadTextFile(path, &text, &m_encoding))
            m_lines = SplitLines(text);
    } else {
        save();
    }
    emit changed();
}

bool Journal::AddProgMes(const QString &text)
{
    // Only a journal that already has a line 101 loses it: one of 100 lines grows to 101,
    // and one loaded with more keeps its extra lines below.
    if (m_lines.size() >= MaxLines)
        m_lines.removeAt(MaxLines - 1);
    m_lines.prepend(QLatin1Char('[') + DateTimeText(Clock::now()) + QStringLiteral("]- ") + text);
    const bool failed = !save();
    emit changed();
    return failed;
}

void Journal::clear()
{
    m_lines.clear();
    save();
    emit changed();
}

bool Journal::save()
{
    if (m_path.isEmpty())
        return false;
    QString text;
    for (const QString &line : std::as_const(m_lines))
        text += line + LineEnd;
    return WriteTextFile(m_path, text, m_encoding);
}

} // namespace zeltar
