#pragma once

#include "core/text_file.h"

#include <QObject>
#include <QStringList>

namespace zeltar {

// The program journal: what the station did, newest line first, mirrored whole in a text
// file after every change. Neither a read nor a write error ever stops the station or shows
// a message: the journal on screen simply goes on.
class Journal : public QObject
{
    Q_OBJECT

public:
    // A journal that has grown to this many lines drops its bottom line as a new one comes.
    static constexpr int MaxLines = 101;

    explicit Journal(QObject *parent = nullptr);

    // Empties the journal and takes the lines of the file at path. A missing file is
    // created empty (in the platform's encoding); an unreadable one leaves the journal empty.
    void load(const QString &path);

    // Adds "[date time]- text" on top and saves the file. True when the file could not be
    // written (the line stays in the journal).
    bool AddProgMes(const QString &text);

    // Empties the journal and the file.
    void clear();

    QStringList lines() const { return m_lines; }
    QString path() const { return m_path; }

signals:
    void changed();

private:
    bool save();

    QString m_path;
    QStringList m_lines; // newest first
    TextEncoding m_encoding = PlatformTextEncoding();
};

} // namespace zeltar
