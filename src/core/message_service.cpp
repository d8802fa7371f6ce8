#include "core/message_service.h"

#include <QTextStream>

namespace zeltar {

namespace {

const char *IconName(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Error:
        return "error";
    case MessageIcon::Warning:
        return "warning";
    case MessageIcon::Question:
        return "question";
    case MessageIcon::Information:
        break;
    }
    return "information";
}

// Used when no window is there to show boxes: the command-line client and early start-up.
class StderrMessageService final : public MessageService
{
public:
    bool show(MessageIcon icon, MessageButtons buttons, const QString &text) override
    {
        QTextStream err(stderr);
        err << MessageCaption << " (" << IconName(icon) << "): " << text;
        if (buttons == MessageButtons::YesNo)
            err << " [No]";
        err << Qt::endl;
        return false;
    }
};

StderrMessageService DefaultService;
MessageService *CurrentService = nullptr;

} // namespace

MessageService::~MessageService() = default;

MessageService *MessageService::current()
{
    return CurrentService ? CurrentService : &DefaultService;
}

void MessageService::setCurrent(MessageService *service)
{
    CurrentService = service;
}

void ShowError(const QString &text)
{
    MessageService::current()->show(MessageIcon::Error, MessageButtons::Ok, text);
}

void ShowWarning(const QString &text)
{
    MessageService::current()->show(MessageIcon::Warning, MessageButtons::Ok, text);
}

void ShowInformation(const QString &text)
{
    MessageService::current()->show(MessageIcon::Information, MessageButtons::Ok, text);
}

bool AskYesNo(const QString &text, MessageIcon icon)
{
    return MessageService::current()->show(icon, MessageButtons::YesNo, text);
}

} // namespace zeltar
