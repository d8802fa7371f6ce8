#pragma once

#include <QString>

namespace zeltar {

// Every message box of the station goes through the current MessageService. The windows
// install one that shows real boxes; without it messages go to stderr and every question
// is answered No; tests install a recorder.

// Caption of every message box.
inline const QString MessageCaption = QStringLiteral("Zeltar");

enum class MessageIcon
{
    Error,       // refused input, failed operation
    Warning,     // refusals and warnings (the exclamation mark)
    Information, // notes of success: no icon
    Question,
};

enum class MessageButtons
{
    Ok,
    YesNo,
};

class MessageService
{
public:
    virtual ~MessageService();

    // Shows one box and waits for the operator; true when the answer is Yes (always false
    // for an Ok box).
    virtual bool show(MessageIcon icon, MessageButtons buttons, const QString &text) = 0;

    // The service in use; never null.
    static MessageService *current();
    // Installs a service (not owned); null returns to the stderr service.
    static void setCurrent(MessageService *service);
};

// The usual boxes, through the current service.
void ShowError(const QString &text);
void ShowWarning(const QString &text);
void ShowInformation(const QString &text);
// A Yes/No question, by default with the question icon; true for Yes.
bool AskYesNo(const QString &text, MessageIcon icon = MessageIcon::Question);

} // namespace zeltar
