#pragma once

#include "platform/messages/Messages.h"

#include <QStringList>

// Records every message instead of showing a modal box, for as long as it
// lives; the previous service comes back when it goes.
class MessageRecorder final : public messages::MessageService {
public:
    MessageRecorder();
    ~MessageRecorder() override;
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    void showMessage(const QString& text) override;
    void showError(const QString& text) override;
    // Recorded with a "question: " prefix, answered with `answer`.
    bool ask(const QString& text) override;

    // Messages and errors in the order they were shown; errors carry an "error: " prefix.
    QStringList all;
    bool answer = false;
    QStringList messages;
    QStringList errors;

    void clear();

private:
    messages::MessageService* m_previous;
};
