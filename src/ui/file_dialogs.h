#pragma once

#include <QQueue>
#include <QString>

class QWidget;

namespace zeltar {

// The file dialogs of the windows. A test queues the names the next dialogs answer, so no
// test ever waits for a modal dialog; an empty name stands for Cancel.
class FileDialogs
{
public:
    // The file to save to, with the default suffix added when none is typed; empty when
    // the operator cancels.
    static QString saveFileName(QWidget *parent, const QString &title, const QString &filter,
                                const QString &defaultSuffix);
    // An existing file to open; empty when the operator cancels.
    static QString openFileName(QWidget *parent, const QString &title, const QString &filter);
    // A folder; empty when the operator cancels.
    static QString existingDirectory(QWidget *parent, const QString &title);

    static void setNextFileName(const QString &name);
    static bool queueEmpty();

private:
    static QQueue<QString> &queue();
};

} // namespace zeltar
