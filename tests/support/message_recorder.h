#pragma once

#include "core/message_service.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <QStringList>

namespace zeltar {

// Stands in for the message boxes while it lives: keeps every shown message and answers
// questions from a queue, so no test ever waits for a modal box. Check settled() in each
// test's cleanup.
class MessageRecorder : public MessageService
{
public:
    struct Message
    {
        MessageIcon icon;
        MessageButtons buttons;
        QString text;
    };

    MessageRecorder();
    ~MessageRecorder() override;

    bool show(MessageIcon icon, MessageButtons buttons, const QString &text) override;

    // Queues the answer to the next question (true = Yes).
    void setNextAnswer(bool yes);

    const QList<Message> &messages() const { return m_messages; }
    QStringList texts() const;
    // The last message's text; empty when none was shown.
    QString lastText() const;

    // True when every queued answer was used and no question came without one.
    bool settled() const;
    // Forgets messages, answers and unanswered questions.
    void reset();

private:
    MessageService *m_previous;
    QList<Message> m_messages;
    QQueue<bool> m_answers;
    int m_unanswered = 0;
};

} // namespace zeltar
