#pragma once

#include <QQueue>
#include <QString>

class QFileDialog;
class QWidget;

namespace zeltar {

// The file dialogs of the windows. A test queues the names the next dialogs answer, so no
// test ever waits for a modal dialog; an empty name stands for Cancel.
class FileDialogs
{
public:
    // The file to save to, with the default suffix added when none is typed; empty when
    // the operator cancels. suggested, when given, is the folder the dialog opens in and
    // the name it offers (a folder alone when it ends in "/").
    static QString saveFileName(QWidget *parent, const QString &title, const QString &filter,
                                const QString &defaultSuffix, const QString &suggested = {});
    // An existing file to open, the dialog opened in folder when given; empty when the
    // operator cancels.
    static QString openFileName(QWidget *parent, const QString &title, const QString &filter,
                                const QString &folder = {});
    // A folder; empty when the operator cancels.
    static QString existingDirectory(QWidget *parent, const QString &title);

    static void setNextFileName(const QString &name);
    static bool queueEmpty();
    // What the last dialog was to offer (suggested or folder), queued answer or not.
    static QString lastSuggestion();

    // Sets up a dialog of the functions above: opened at suggested, and, where Qt draws it
    // itself, Russian throughout, the kinds of file in its list too, which Qt's
    // translations leave in English ("Folder").
    static void prepare(QFileDialog &dialog, const QString &suggested);

private:
    static QQueue<QString> &queue();
    static QString &suggestion();
};

} // namespace zeltar
