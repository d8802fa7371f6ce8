#include "ui/file_dialogs.h"

#include <QAbstractFileIconProvider>
#include <QFileDialog>
#include <QFileInfo>

namespace zeltar {

namespace {

// The icons of the platform, the kinds of file in Russian.
class RussianFileKinds : public QAbstractFileIconProvider
{
public:
    QString type(const QFileInfo &info) const override
    {
        if (info.isRoot())
            return QStringLiteral("Диск");
        if (info.isDir())
            return QStringLiteral("Папка");
        if (info.suffix().isEmpty())
            return QStringLiteral("Файл");
        return QStringLiteral("Файл %1").arg(info.suffix());
    }
};

QAbstractFileIconProvider *FileKinds()
{
    static RussianFileKinds kinds;
    return &kinds;
}

} // namespace

QQueue<QString> &FileDialogs::queue()
{
    static QQueue<QString> names;
    return names;
}

QString &FileDialogs::suggestion()
{
    static QString last;
    return last;
}

void FileDialogs::setNextFileName(const QString &name)
{
    queue().enqueue(name);
}

bool FileDialogs::queueEmpty()
{
    return queue().isEmpty();
}

QString FileDialogs::lastSuggestion()
{
    return suggestion();
}

void FileDialogs::prepare(QFileDialog &dialog, const QString &suggested)
{
    dialog.setIconProvider(FileKinds());
    if (suggested.isEmpty())
        return;
    const QFileInfo info(suggested);
    if (suggested.endsWith(QLatin1Char('/')) || info.isDir()) {
        dialog.setDirectory(suggested);
        return;
    }
    dialog.setDirectory(info.absolutePath());
    dialog.selectFile(info.fileName());
}

QString FileDialogs::saveFileName(QWidget *parent, const QString &title, const QString &filter,
                                  const QString &defaultSuffix, const QString &suggested)
{
    suggestion() = suggested;
    if (!queue().isEmpty())
        return queue().dequeue();
    QFileDialog dialog(parent, title, QString(), filter);
    prepare(dialog, suggested);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString FileDialogs::openFileName(QWidget *parent, const QString &title, const QString &filter,
                                  const QString &folder)
{
    suggestion() = folder;
    if (!queue().isEmpty())
        return queue().dequeue();
    QFileDialog dialog(parent, title, QString(), filter);
    prepare(dialog, folder);
    dialog.setFileMode(QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString FileDialogs::existingDirectory(QWidget *parent, const QString &title)
{
    suggestion().clear();
    if (!queue().isEmpty())
        return queue().dequeue();
    QFileDialog dialog(parent, title);
    prepare(dialog, QString());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace zeltar
