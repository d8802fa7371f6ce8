// Zeltar.ini as anyone may have left it: loaded, read key by key, written back with a few
// changes, and loaded again. What was written must read back, and every other value must
// stay as it was.
#include "config/ini_file.h"
#include "fuzz_files.h"

#include <QFile>
#include <QHash>
#include <QStringDecoder>

using namespace zeltar;

namespace {

const QStringList Sections = {QStringLiteral("MAIN"), QStringLiteral("ZELTAR1"),
                              QStringLiteral("PORTS"), QStringLiteral("NEW")};

// Every value of those sections by "SECTION/key", as the first key of a name reads.
QHash<QString, QString> Values(const IniFile &ini)
{
    QHash<QString, QString> values;
    for (const QString &section : Sections) {
        for (const QString &key : ini.keys(section)) {
            const QString name = section + QLatin1Char('/') + key.toUpper();
            if (!values.contains(name))
                values.insert(name, ini.value(section, key).value_or(QString()));
            ini.integerValue(section, key);
        }
    }
    return values;
}

// Whether the file as it is now on disk is valid UTF-8 with a character beyond ASCII.
bool ReadsAsUtf8(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    return !utf8.hasError() && text.size() != bytes.size();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = fuzz::InputFile(QStringLiteral("Zeltar.ini"), data, size);
    IniFile ini;
    if (!ini.load(path))
        return 0;
    const TextEncoding readAs = ini.encoding();
    QHash<QString, QString> expected = Values(ini);
    ini.text();

    {
        IniFile::WriteGroup group(ini);
        ini.writeInteger(QStringLiteral("MAIN"), QStringLiteral("TimeOpr"), 7);
        ini.writeString(QStringLiteral("ZELTAR1"), QStringLiteral("PribName"),
                        QStringLiteral("Pech 1"));
        if (!group.commit())
            return 0;
    }
    if (!ini.writeString(QStringLiteral("NEW"), QStringLiteral("Key"), QStringLiteral("v")))
        return 0;
    expected.insert(QStringLiteral("MAIN/TIMEOPR"), QStringLiteral("7"));
    expected.insert(QStringLiteral("ZELTAR1/PRIBNAME"), QStringLiteral("Pech 1"));
    expected.insert(QStringLiteral("NEW/KEY"), QStringLiteral("v"));

    const IniFile again(path);
    // A Windows-1251 file whose remaining bytes happen to be valid UTF-8 reads as UTF-8 once
    // the bytes that told them apart are overwritten. How the encoding is told is a matter
    // of its own; here only files read back in the encoding they were read in are compared.
    if (again.encoding() != readAs || ini.encoding() != readAs ||
        (readAs == TextEncoding::Windows1251 && ReadsAsUtf8(path)))
        return 0;
    const QHash<QString, QString> found = Values(again);
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        if (found.value(it.key()) != it.value())
            qWarning("%s: '%s' read back as '%s'", qPrintable(it.key()), qPrintable(it.value()),
                     qPrintable(found.value(it.key())));
    }
    fuzz::Expect(found == expected);
    return 0;
}
