#pragma once

#include "platform/messages/SilentAbort.h"

#include <QString>

#include <utility>

// Ends the current operation and command with one message to its user, in
// the program's own words (a plain message box, not the error box): what it
// refused, or why it could not go on. Thrown where that is decided, shown
// once by the entry point that ends the command (messages::reportFailure).
// It is a SilentAbort, so that whatever passes a silent abort on passes this
// one on too, and nothing between the two says anything.
class MessageAbort : public SilentAbort {
public:
    explicit MessageAbort(QString text) : m_text(std::move(text)) {}
    const QString& text() const noexcept { return m_text; }
    const char* what() const noexcept override { return "Operation aborted with a message"; }

private:
    QString m_text;
};
