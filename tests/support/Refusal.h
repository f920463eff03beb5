#pragma once

#include "platform/messages/MessageAbort.h"

#include <QString>

#include <exception>
#include <utility>

// What a lower layer that ends a command with a message (a MessageAbort) has
// to say, for tests that call it past the entry point that would show it.

// The text of the MessageAbort in `failure`; empty for any other failure.
inline QString refusalText(std::exception_ptr failure)
{
    try {
        std::rethrow_exception(std::move(failure));
    } catch (const MessageAbort& refusal) {
        return refusal.text();
    } catch (...) {
        return {};
    }
}

// Runs `action`: the text of the MessageAbort it ends with; empty when it
// ends normally or with another failure.
template <typename Action>
QString refusalOf(Action&& action)
{
    try {
        std::forward<Action>(action)();
    } catch (...) {
        return refusalText(std::current_exception());
    }
    return {};
}
