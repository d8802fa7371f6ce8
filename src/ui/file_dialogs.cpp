#include "ui/file_dialogs.h"

#include <QFileDialog>

namespace zeltar {

QQueue<QString> &FileDialogs::queue()
{
    static QQueue<QString> names;
    return names;
}

void FileDialogs::setNextFileName(const QString &name)
{
    queue().enqueue(name);
}

bool FileDialogs::queueEmpty()
{
    return queue().isEmpty();
}

QString FileDialogs::saveFileName(QWidget *parent, const QString &title, const QString &filter,
                                  const QString &defaultSuffix)
{
    if (!queue().isEmpty())
        return queue().dequeue();
    QFileDialog dialog(parent, title, QString(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

QString FileDialogs::openFileName(QWidget *parent, const QString &title, const QString &filter)
{
    if (!queue().isEmpty())
        return queue().dequeue();
    return QFileDialog::getOpenFileName(parent, title, QString(), filter);
}

QString FileDialogs::existingDirectory(QWidget *parent, const QString &title)
{
    if (!queue().isEmpty())
        return queue().dequeue();
    return QFileDialog::getExistingDirectory(parent, title);
}

} // namespace zeltar
