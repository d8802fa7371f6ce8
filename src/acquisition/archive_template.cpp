#include "acquisition/archive_template.h"

#include "acquisition/archive_layout.h"
#include "acquisition/archive_names.h"
#include "acquisition/archive_table.h"
#include "acquisition/dbf_table_file.h"
#include "core/file_replacement.h"
#include "core/file_sync.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

QString SetAside(const QString &path)
{
    const QString stem = path + QStringLiteral(".bad");
    for (int k = 1; k < 1000; ++k) {
        const QString candidate = k == 1 ? stem : stem + QString::number(k);
        // QDir::rename never replaces an existing file; a link is renamed, not followed.
        if (!QFileInfo::exists(candidate) && !QFileInfo(candidate).isSymLink() &&
            QDir().rename(path, candidate)) {
            SyncFolderOf(candidate);
            return candidate;
        }
    }
    return {};
}

bool EnsureTemplate(const QString &progDir, QString *setAside)
{
    const QString path = ArchiveTemplatePath(progDir);
    const QFileInfo existing(path);
    if (existing.exists() || existing.isSymLink()) {
        QString error;
        const DbfRepair check = CheckDbfFile(path, &error, IsArchiveLayout);
        if (check == DbfRepair::Sound)
            return true;
        if (check == DbfRepair::Failed)
            return false; // there, but out of reach: not ours to move
        const QString aside = SetAside(path);
        if (aside.isEmpty())
            return false;
        if (setAside)
            *setAside = aside;
    }
    return MakeTable(path, ArchiveLayout());
}

bool MakeTable(const QString &path, const QVector<ArchiveField> &fields)
{
    // Made beside it and renamed, so a crash never leaves half a table.
    const QString partMade = PartMadeName(path);
    QFile::remove(partMade);
    if (!ArchiveTable::create(partMade, fields)) {
        QFile::remove(partMade);
        return false;
    }
    if (!QFile::rename(partMade, path)) {
        QFile::remove(partMade);
        return QFile::exists(path);
    }
    SyncFolderOf(path);
    return true;
}

bool CopyTemplate(const QString &templatePath, const QString &target, TemplateCopy mode)
{
    if (mode == TemplateCopy::KeepExisting && QFile::exists(target))
        return true;
    // A link that points nowhere would make the table wherever it points.
    if (QFileInfo(target).isSymLink() && !QFileInfo::exists(target))
        return false;
    QFile source(templatePath);
    if (!source.open(QIODevice::ReadOnly))
        return false;
    const QByteArray table = source.readAll();
    if (source.error() != QFileDevice::NoError)
        return false;
    return ReplaceFileContent(target, table);
}

} // namespace zeltar
