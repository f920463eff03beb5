#pragma once

#include "app/InputBlocker.h"

#include <exception>
#include <utility>

namespace app {

// The top-level handling of a failed command: a SilentAbort ends the command
// without a word (its message was already shown); any other exception's text
// is shown in a modal error box titled with the application title. The
// program then returns to the event loop and stays usable.
void reportFailure(std::exception_ptr failure) noexcept;

// Runs one command (a menu item, a button, a window event) under the
// top-level handling, so that no exception ever crosses the Qt event loop.
// While a command keeps the windows drawn with the user's input blocked, no
// other command starts inside it.
template <typename Command>
void runCommand(Command&& command) noexcept
{
    if (InputBlocker::isActive())
        return;
    try {
        std::forward<Command>(command)();
    } catch (...) {
        reportFailure(std::current_exception());
    }
}

} // namespace app
