#include "message_recorder.h"

namespace zeltar {

MessageRecorder::MessageRecorder() : m_previous(MessageService::current())
{
    MessageService::setCurrent(this);
}

MessageRecorder::~MessageRecorder()
{
    if (MessageService::current() == this)
        MessageService::setCurrent(m_previous);
}

bool MessageRecorder::show(MessageIcon icon, MessageButtons buttons, const QString &text)
{
    m_messages.append({icon, buttons, text});
    if (buttons != MessageButtons::YesNo)
        return false;
    if (m_answers.isEmpty()) {
        ++m_unanswered;
        return false;
    }
    return m_answers.dequeue();
}

void MessageRecorder::setNextAnswer(bool yes)
{
    m_answers.enqueue(yes);
}

QStringList MessageRecorder::texts() const
{
    QStringList result;
    for (const Message &message : m_messages)
        result << message.text;
    return result;
}

QString MessageRecorder::lastText() const
{
    return m_messages.isEmpty() ? QString() : m_messages.last().text;
}

bool MessageRecorder::settled() const
{
    return m_answers.isEmpty() && m_unanswered == 0;
}

void MessageRecorder::reset()
{
    m_messages.clear();
    m_answers.clear();
    m_unanswered = 0;
}

} // namespace zeltar
