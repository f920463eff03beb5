#include "support/MessageRecorder.h"

MessageRecorder::MessageRecorder() : m_previous(messages::setService(this)) {}

MessageRecorder::~MessageRecorder() { messages::setService(m_previous); }

void MessageRecorder::showMessage(const QString& text)
{
    messages.append(text);
    all.append(text);
}

void MessageRecorder::showError(const QString& text)
{
    errors.append(text);
    all.append(QStringLiteral("error: ") + text);
}

bool MessageRecorder::ask(const QString& text)
{
    all.append(QStringLiteral("question: ") + text);
    return answer;
}

void MessageRecorder::clear()
{
    all.clear();
    messages.clear();
    errors.clear();
}
