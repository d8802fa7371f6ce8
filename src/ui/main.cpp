// zeltar: the station's desktop program.
#include "alarms/mail/alarm_mailer.h"
#include "core/station_folder.h"
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

// The station's options, defined once. The whole command line is parsed twice: before the
// window system is opened, so that --help and --version work without a display (the manual
// page is made from --help), where Qt's own options (-platform, -style) may still be in it;
// and once the application has taken those, strictly.
struct StationOptions
{
    QCommandLineParser parser;
    const QCommandLineOption help{{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Print this text and end.")};
    const QCommandLineOption version{QStringLiteral("version"),
                                     QStringLiteral("Print the version and end.")};

    StationOptions()
    {
        parser.setApplicationDescription(
            QStringLiteral("The Zeltar station: polls up to 16 measuring regulators over Modbus "
                           "ASCII on the serial ports, keeps their archive tables and journal, "
                           "and reads and writes their settings, program and clock.\n\n"
                           "Without --dir the station works in its program's folder when the "
                           "user may write it, else in the user's data folder "
                           "(~/.local/share/zeltar). Zeltar.ini, Zeltar.mes and Zeltar.dbf lie "
                           "there, the archive tables by default in its Data folder."));
        parser.addOption(zeltar::StationFolderOption());
        parser.addOption(help);
        parser.addOption(version);
    }
};

std::optional<int> answerInformationOptions(int argc, char *argv[])
{
    QCoreApplication probe(argc, argv);
    StationOptions options;
    options.parser.parse(QCoreApplication::arguments());
    if (options.parser.isSet(options.help)) {
        std::fputs(qUtf8Printable(options.parser.helpText()), stdout);
        return 0;
    }
    if (options.parser.isSet(options.version)) {
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
    StationOptions options;
    if (!options.parser.parse(QApplication::arguments())) {
        std::fprintf(stderr, "zeltar: %s\n", qUtf8Printable(options.parser.errorText()));
        return 2;
    }
    zeltar::MessageBoxService boxes;
    zeltar::MessageService::setCurrent(&boxes);
    zeltar::InstallAlarmMail();
    return zeltar::RunStation(zeltar::StationFolder(options.parser), 1200);
}
