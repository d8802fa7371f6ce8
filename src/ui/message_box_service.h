#pragma once

#include "core/message_service.h"

class QWidget;

namespace zeltar {

// The message boxes of the windows: caption "Zeltar", the icon by kind, OK or Yes/No.
class MessageBoxService : public MessageService
{
public:
    bool show(MessageIcon icon, MessageButtons buttons, const QString &text) override;
};

} // namespace zeltar
