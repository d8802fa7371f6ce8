// zeltar: the station's desktop program.
#include "core/version.h"
#include "ui/message_box_service.h"
#include "ui/station_app.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QLibraryInfo>
#include <QTranslator>

#include <cstdio>
#include <optional>

namespace {

// --help and --version are answered before the window system is opened, so that they work
// without a display; the manual page is made from --help. Other arguments are left to the
// station and to Qt's own options, so a parse error is not one here.
std::optional<int> answerInformationOptions(int argc, char *argv[])
{
    QCoreApplication probe(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The Zeltar station: polls up to 16 measuring regulators over Modbus "
                       "ASCII on the serial ports, keeps their archive tables and journal, "
                       "and reads and writes their settings, program and clock.\n\n"
                       "Without --dir the station works in its program's folder when the "
                       "user may write it, else in the user's data folder "
                       "(~/.local/share/zeltar). Zeltar.ini, Zeltar.mes and Zeltar.dbf lie "
                       "there, the archive tables by default in its Data folder."));
    parser.addOption({QStringLiteral("dir"),
                      QStringLiteral("Work in <folder>: Zeltar.ini, Zeltar.mes, Zeltar.dbf."),
                      QStringLiteral("folder")});
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Print this text and end."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Print the version and end."));
    parser.addOption(help);
    parser.addOption(version);
    parser.parse(QCoreApplication::arguments());
    if (parser.isSet(help)) {
        std::fputs(qUtf8Printable(parser.helpText()), stdout);
        return 0;
    }
    if (parser.isSet(version)) {
        std::printf("zeltar %s\n", zeltar::BuildVersion);
        return 0;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication::setApplicationName(QStringLiteral("zeltar"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(zeltar::BuildVersion));
    if (const std::optional<int> status = answerInformationOptions(argc, argv))
        return *status;

    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("zeltar"));
    // The station speaks Russian: Qt's own dialogs too, where its translations are installed.
    QTranslator qtTranslations;
    if (qtTranslations.load(QStringLiteral("qtbase_ru"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslations);
    zeltar::MessageBoxService boxes;
    zeltar::MessageService::setCurrent(&boxes);
    return zeltar::RunStation(zeltar::StationFolder(QApplication::arguments()), 1200);
}
