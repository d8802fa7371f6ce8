#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace zeltar {

// One file the web view serves as it is.
struct WebFile
{
    QByteArray type;
    QByteArray body;
    bool page = false; // a page for viewers, as opposed to a script, style or the login page
};

// The files of the web view by their URL path: its pages, scripts and style from the
// program's resources and the chart library from the system's JavaScript folder. Only the
// paths listed are served: a URL path is never turned into a file name, and a library file
// that resolves (through a link) outside the library's folder is not served.
std::optional<WebFile> StaticFile(const QString &urlPath);

// The folder of the chart library; tests and a Windows build may point it elsewhere.
QString ChartLibraryFolder();
void SetChartLibraryFolder(const QString &folder);

} // namespace zeltar
