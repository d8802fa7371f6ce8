#include "acquisition/dbf_file_hooks.h"

#include "core/file_sync.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>

#include <charconv>
#include <cstdio>
#include <cstring>

namespace zeltar {

namespace {

struct HookFile
{
    QFile file;
    bool sync = true;
};

thread_local QString g_target;
thread_local QString g_lastError;

HookFile *FromSaFile(SAFile file)
{
    return reinterpret_cast<HookFile *>(file);
}

// The first failure since ClearDbfError is kept: it is the cause, what follows its effects.
void NoteError(const QString &message)
{
    if (g_lastError.isEmpty())
        g_lastError = message;
}

// Shapelib's own messages are English; the operator gets ours.
QString LibraryErrorText(const QByteArray &message)
{
    const QByteArray lower = message.toLower();
    if (lower.contains("writ"))
        return QStringLiteral("ошибка записи в таблицу");
    if (lower.contains("fread") || lower.contains("read"))
        return QStringLiteral("ошибка чтения таблицы");
    if (lower.contains("fseek"))
        return QStringLiteral("ошибка позиционирования в таблице");
    if (lower.contains("memory"))
        return QStringLiteral("не хватает памяти для таблицы");
    if (lower.contains("cannot add field"))
        return QStringLiteral("поле не помещается в таблицу");
    return QStringLiteral("ошибка работы с таблицей");
}

QIODevice::OpenMode ModeOf(const char *access)
{
    const bool update = std::strchr(access, '+') != nullptr;
    QIODevice::OpenMode mode = QIODevice::Unbuffered;
    switch (access[0]) {
    case 'r':
        mode |= (update ? QIODevice::ReadWrite : QIODevice::ReadOnly) | QIODevice::ExistingOnly;
        break;
    case 'w':
        mode |= (update ? QIODevice::ReadWrite : QIODevice::WriteOnly) | QIODevice::Truncate;
        break;
    default: // 'a'
        mode |= (update ? QIODevice::ReadWrite : QIODevice::WriteOnly) | QIODevice::Append;
        break;
    }
    return mode;
}

bool IsTableName(const QString &name)
{
    return QFileInfo(name).suffix().compare(QLatin1String("dbf"), Qt::CaseInsensitive) == 0;
}

SAFile Open(const char *filename, const char *access)
{
    const QString requested = QString::fromUtf8(filename);
    QString path = requested;
    if (!g_target.isEmpty()) {
        // Only the table itself; the code page of our tables is fixed, so a code page
        // file is neither read nor written.
        if (!IsTableName(requested))
            return nullptr;
        path = g_target;
    }
    auto *hookFile = new HookFile;
    hookFile->file.setFileName(path);
    if (!hookFile->file.open(ModeOf(access))) {
        delete hookFile;
        return nullptr;
    }
    return reinterpret_cast<SAFile>(hookFile);
}

SAOffset Read(void *buffer, SAOffset size, SAOffset count, SAFile file)
{
    if (!file || size == 0)
        return 0;
    QFile &qfile = FromSaFile(file)->file;
    const qint64 wanted = static_cast<qint64>(size * count);
    qint64 done = 0;
    while (done < wanted) {
        const qint64 got = qfile.read(static_cast<char *>(buffer) + done, wanted - done);
        if (got <= 0)
            break;
        done += got;
    }
    return static_cast<SAOffset>(done) / size;
}

SAOffset Write(void *buffer, SAOffset size, SAOffset count, SAFile file)
{
    if (!file || size == 0)
        return 0;
    QFile &qfile = FromSaFile(file)->file;
    const qint64 wanted = static_cast<qint64>(size * count);
    const qint64 done = qfile.write(static_cast<const char *>(buffer), wanted);
    if (done != wanted) {
        NoteError(FileErrorText(qfile));
        return done > 0 ? static_cast<SAOffset>(done) / size : 0;
    }
    return count;
}

SAOffset Seek(SAFile file, SAOffset offset, int whence)
{
    if (!file)
        return static_cast<SAOffset>(-1);
    QFile &qfile = FromSaFile(file)->file;
    // The offset is unsigned; a move back from the current position or the end arrives
    // as its two's complement.
    const auto signedOffset = static_cast<qint64>(static_cast<long>(offset));
    qint64 position = signedOffset;
    if (whence == SEEK_CUR)
        position += qfile.pos();
    else if (whence == SEEK_END)
        position += qfile.size();
    return position >= 0 && qfile.seek(position) ? 0 : static_cast<SAOffset>(-1);
}

SAOffset Tell(SAFile file)
{
    return file ? static_cast<SAOffset>(FromSaFile(file)->file.pos()) : 0;
}

int Flush(SAFile file)
{
    if (!file)
        return -1;
    HookFile *hookFile = FromSaFile(file);
    if (!hookFile->file.flush()) {
        NoteError(FileErrorText(hookFile->file));
        return -1;
    }
    if (hookFile->sync && !SyncFileToDisk(hookFile->file)) {
        NoteError(QStringLiteral("файл не записан на диск"));
        return -1;
    }
    return 0;
}

int Close(SAFile file)
{
    delete FromSaFile(file);
    return 0;
}

int Remove(const char *filename)
{
    // Shapelib removes a stale code page file beside a table it creates; with a target
    // set that name is not ours to touch.
    if (!g_target.isEmpty())
        return 0;
    return QFile::remove(QString::fromUtf8(filename)) ? 0 : -1;
}

void Error(const char *message)
{
    NoteError(LibraryErrorText(QByteArray(message)));
}

// Numbers in dBase fields always use '.', whatever the process locale says.
double Atof(const char *text)
{
    const char *begin = text;
    const char *end = text + std::strlen(text);
    while (begin < end && *begin == ' ')
        ++begin;
    if (begin < end && *begin == '+')
        ++begin;
    double value = 0.0;
    std::from_chars(begin, end, value);
    return value;
}

} // namespace

SAHooks DbfFileHooks()
{
    SAHooks hooks{};
    hooks.FOpen = Open;
    hooks.FRead = Read;
    hooks.FWrite = Write;
    hooks.FSeek = Seek;
    hooks.FTell = Tell;
    hooks.FFlush = Flush;
    hooks.FClose = Close;
    hooks.Remove = Remove;
    hooks.Error = Error;
    hooks.Atof = Atof;
    return hooks;
}

DbfFileTarget::DbfFileTarget(const QString &path) : m_previous(g_target)
{
    g_target = path;
}

DbfFileTarget::~DbfFileTarget()
{
    g_target = m_previous;
}

QFile *DbfHookFile(SAFile file)
{
    return file ? &FromSaFile(file)->file : nullptr;
}

void SetDbfFileSync(SAFile file, bool sync)
{
    if (file)
        FromSaFile(file)->sync = sync;
}

QString LastDbfError()
{
    return g_lastError;
}

void ClearDbfError()
{
    g_lastError.clear();
}

} // namespace zeltar
