#pragma once

#include "acquisition/archive_layout.h"

#include <QString>
#include <QVector>

namespace zeltar {

// The empty table from which every archive table is copied. It lies in the program
// folder and is made from ArchiveLayout() when it is missing there.
inline const QString ArchiveTemplateName = QStringLiteral("Zeltar.dbf");

// progDir + "Zeltar.dbf".
QString ArchiveTemplatePath(const QString &progDir);

// Makes the template when it is missing from progDir. An existing one is kept when it is
// a sound table of the archive layout (it may come from elsewhere, with other names at
// positions 0, 4 and 7); any other file or folder of that name is set aside (SetAside,
// its new path in setAside when given) and the template made afresh. True when a sound
// template is there afterwards.
bool EnsureTemplate(const QString &progDir, QString *setAside = nullptr);

// Renames a file or folder that cannot serve as a table to a free name beside it
// (path + ".bad", ".bad2", ...), where nothing of the station ever deletes or overwrites
// it. Returns the new path; empty when it could not be renamed.
QString SetAside(const QString &path);

// Makes an empty table with these fields at path, where no file is: made beside it and
// renamed, so that it appears whole or not at all. True when a table is there afterwards
// (also when another made it meanwhile).
bool MakeTable(const QString &path, const QVector<ArchiveField> &fields);

enum class TemplateCopy
{
    KeepExisting, // a table already at the target keeps its records and is left alone
    Replace       // the target is replaced by an empty table
};

// Copies the template to target. The copy appears whole or not at all and is on the
// disk when this returns; a failed copy leaves the old target as it was. True when a table is at
// the target afterwards (with KeepExisting also when one was there before); false when the template
// cannot be read or the target cannot be written.
bool CopyTemplate(const QString &templatePath, const QString &target,
                  TemplateCopy mode = TemplateCopy::KeepExisting);

} // namespace zeltar
