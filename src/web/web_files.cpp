#include "web/web_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#ifndef ZELTAR_DYGRAPHS_DIR
#define ZELTAR_DYGRAPHS_DIR "/usr/share/javascript/dygraphs"
#endif

namespace zeltar {

namespace {

constexpr qint64 MaxLibraryFile = 2 * 1024 * 1024;

struct Entry
{
    const char *resource; // below :/web/, or the library's file when library is set
    const char *type;
    bool library;
    bool page;
};

const QHash<QString, Entry> &Entries()
{
    static const QHash<QString, Entry> entries = {
        {QStringLiteral("/"), {"overview.html", "text/html; charset=utf-8", false, true}},
        {QStringLiteral("/device"), {"device.html", "text/html; charset=utf-8", false, true}},
        {QStringLiteral("/journal"), {"journal.html", "text/html; charset=utf-8", false, true}},
        {QStringLiteral("/alarms"), {"alarms.html", "text/html; charset=utf-8", false, true}},
        {QStringLiteral("/login"), {"login.html", "text/html; charset=utf-8", false, false}},
        {QStringLiteral("/static/style.css"),
         {"style.css", "text/css; charset=utf-8", false, false}},
        {QStringLiteral("/static/common.js"),
         {"common.js", "text/javascript; charset=utf-8", false, false}},
        {QStringLiteral("/static/overview.js"),
         {"overview.js", "text/javascript; charset=utf-8", false, false}},
        {QStringLiteral("/static/device.js"),
         {"device.js", "text/javascript; charset=utf-8", false, false}},
        {QStringLiteral("/static/journal.js"),
         {"journal.js", "text/javascript; charset=utf-8", false, false}},
        {QStringLiteral("/static/alarms.js"),
         {"alarms.js", "text/javascript; charset=utf-8", false, false}},
        {QStringLiteral("/static/dygraph.min.js"),
         {"dygraph.min.js", "text/javascript; charset=utf-8", true, false}},
        {QStringLiteral("/static/dygraph.min.css"),
         {"dygraph.min.css", "text/css; charset=utf-8", true, false}},
    };
    return entries;
}

QString &LibraryFolder()
{
    static QString folder = QStringLiteral(ZELTAR_DYGRAPHS_DIR);
    return folder;
}

// The library's file, only when it really lies inside the library's folder.
std::optional<QByteArray> ReadLibraryFile(const QString &name)
{
    const QString root = QFileInfo(LibraryFolder()).canonicalFilePath();
    const QFileInfo file(QDir(LibraryFolder()).filePath(name));
    const QString real = file.canonicalFilePath();
    if (root.isEmpty() || real.isEmpty() || !real.startsWith(root + QLatin1Char('/')) ||
        !file.isFile() || file.size() > MaxLibraryFile)
        return std::nullopt;
    QFile f(real);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    return f.read(MaxLibraryFile);
}

} // namespace

QString ChartLibraryFolder()
{
    return LibraryFolder();
}

void SetChartLibraryFolder(const QString &folder)
{
    LibraryFolder() = folder;
}

std::optional<WebFile> StaticFile(const QString &urlPath)
{
    const auto it = Entries().constFind(urlPath);
    if (it == Entries().constEnd())
        return std::nullopt;
    const QString name = QString::fromLatin1(it->resource);
    WebFile file{it->type, {}, it->page};
    if (it->library) {
        const std::optional<QByteArray> body = ReadLibraryFile(name);
        if (!body)
            return std::nullopt;
        file.body = *body;
    } else {
        QFile resource(QStringLiteral(":/web/") + name);
        if (!resource.open(QIODevice::ReadOnly))
            return std::nullopt;
        file.body = resource.readAll();
    }
    return file;
}

} // namespace zeltar
