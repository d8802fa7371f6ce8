#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace zeltar::fuzz {

// A scratch folder for the whole run; every input is written into it as a file.
inline const QTemporaryDir &ScratchDir()
{
    static const QTemporaryDir dir;
    return dir;
}

// Writes the input to name in the scratch folder (replacing what was there) and returns
// the file's full path.
inline QString InputFile(const QString &name, const uint8_t *data, size_t size)
{
    const QString path = ScratchDir().filePath(name);
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size));
    return path;
}

// A property that every input must keep; a broken one stops the run as a finding.
inline void Expect(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace zeltar::fuzz
