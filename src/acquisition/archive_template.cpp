#include "acquisition/archive_template.h"

#include "acquisition/archive_layout.h"
#include "acquisition/archive_names.h"
#include "acquisition/archive_table.h"

#include <QFile>
#include <QSaveFile>

namespace zeltar {

namespace {

// Where the template is made before it takes its name.
QString PartMadeName(const QString &path)
{
    return path.chopped(4) + QStringLiteral(".part.dbf");
}

} // namespace

QString ArchiveTemplatePath(const QString &progDir)
{
    return FileInFolder(progDir, ArchiveTemplateName);
}

bool EnsureTemplate(const QString &progDir)
{
    const QString path = ArchiveTemplatePath(progDir);
    if (QFile::exists(path))
        return true;
    // Made beside it and renamed, so a crash never leaves half a template.
    const QString partMade = PartMadeName(path);
    QFile::remove(partMade);
    if (!ArchiveTable::create(partMade, ArchiveLayout())) {
        QFile::remove(partMade);
        return false;
    }
    if (!QFile::rename(partMade, path)) {
        QFile::remove(partMade);
        return QFile::exists(path);
    }
    return true;
}

bool CopyTemplate(const QString &templatePath, const QString &target, TemplateCopy mode)
{
    if (mode == TemplateCopy::KeepExisting && QFile::exists(target))
        return true;
    QFile source(templatePath);
    if (!source.open(QIODevice::ReadOnly))
        return false;
    const QByteArray table = source.readAll();
    if (source.error() != QFileDevice::NoError)
        return false;
    QSaveFile copy(target);
    if (!copy.open(QIODevice::WriteOnly))
        return false;
    if (copy.write(table) != table.size()) {
        copy.cancelWriting();
        return false;
    }
    return copy.commit();
}

} // namespace zeltar
