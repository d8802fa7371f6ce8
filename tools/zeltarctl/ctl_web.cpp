#include "ctl_web.h"

#include "config/ini_file.h"
#include "core/terminal_echo.h"
#include "web/web_password.h"
#include "web/web_settings.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <cstdio>
#include <iostream>
#include <string>

namespace zeltar::ctl {

namespace {

// A line of standard input without its line end; nullopt at its end.
std::optional<QString> ReadLine()
{
    std::string line;
    if (!std::getline(std::cin, line))
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return QString::fromStdString(line);
}

} // namespace

int RunWebUserCommand(const Invocation &invocation, QTextStream &out, QTextStream &err)
{
    const QStringList &args = invocation.arguments;
    static const QRegularExpression names(QStringLiteral("^[A-Za-z0-9._-]{1,32}$"));
    const bool remove = args.size() == 2 && args.at(1) == QLatin1String("--delete");
    if ((args.size() != 1 && !remove) || !names.match(args.at(0)).hasMatch()) {
        err << "usage: zeltarctl [--dir DIR] web-user NAME [--delete]\n"
               "NAME: 1 to 32 Latin letters, digits, '.', '_' or '-'"
            << Qt::endl;
        return ExitUsage;
    }
    const QString name = args.at(0);
    const QString path = QDir(invocation.stationDir).filePath(QStringLiteral("Zeltar.ini"));
    if (!QFileInfo::exists(path)) {
        err << "Не найден файл конфигурации " << path << Qt::endl;
        return ExitFailed;
    }
    IniFile ini;
    if (!ini.load(path)) {
        err << "Не могу прочитать " << path << Qt::endl;
        return ExitFailed;
    }
    // Keys compare without case: the user's existing key, whatever its case.
    QString key = name;
    for (const QString &known : ini.keys(WebUsersSection)) {
        if (known.compare(name, Qt::CaseInsensitive) == 0)
            key = known;
    }

    QString hash;
    if (!remove) {
        TerminalEchoOff echoOff;
        err << "Пароль для " << name << ": " << Qt::flush;
        const std::optional<QString> first = ReadLine();
        err << "Ещё раз: " << Qt::flush;
        const std::optional<QString> second = ReadLine();
        if (!first || !second || first->isEmpty()) {
            err << "Пароль не задан" << Qt::endl;
            return ExitFailed;
        }
        if (*first != *second) {
            err << "Пароли не совпадают" << Qt::endl;
            return ExitFailed;
        }
        hash = HashPassword(*first);
    } else if (!ini.hasKey(WebUsersSection, key)) {
        err << "Нет пользователя " << name << Qt::endl;
        return ExitFailed;
    }
    // A deleted user keeps an empty key, which reads as no user.
    if (!ini.writeString(WebUsersSection, key, hash)) {
        err << ini.errorString() << Qt::endl;
        return ExitFailed;
    }
    out << (remove ? "Пользователь удалён: " : "Пароль записан: ") << name << Qt::endl;
    return ExitOk;
}

} // namespace zeltar::ctl
