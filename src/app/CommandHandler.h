#pragma once

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
template <typename Command>
void runCommand(Command&& command) noexcept
{
    try {
        std::forward<Command>(command)();
    } catch (...) {
        reportFailure(std::current_exception());
    }
}

} // namespace app
