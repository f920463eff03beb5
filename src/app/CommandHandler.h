#pragma once

#include "app/InputBlocker.h"
#include "platform/messages/ReportFailure.h"

#include <exception>
#include <utility>

namespace app {

// Runs one command (a menu item, a button, a window event) under the
// top-level handling, so that no exception ever crosses the Qt event loop: a
// failure is reported (messages::reportFailure) and the program returns to
// the event loop, usable.
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
        messages::reportFailure(std::current_exception());
    }
}

} // namespace app
