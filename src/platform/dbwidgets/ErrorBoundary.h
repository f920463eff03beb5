#pragma once

#include <exception>
#include <functional>
#include <utility>

namespace dbwidgets {

// Receives a failure that reached a data-aware control from inside the Qt
// event loop (a key press, a click, a focus change). Qt must never see an
// exception, so every action of the grid and the navigator runs inside
// guarded() and hands what it caught to a handler of this kind.
using ErrorHandler = std::function<void(std::exception_ptr)>;

// The process-wide handler, used by every control whose own handler is empty.
// The default is the program's one failure reporter (messages::reportFailure):
// a SilentAbort is swallowed, any other failure's text is shown. Returns the
// replaced hook; an empty hook restores the default.
ErrorHandler setErrorHook(ErrorHandler hook);
const ErrorHandler& errorHook();

// Hands the failure to `handler`, or to the process-wide hook when `handler`
// is empty. Never throws: a handler that throws itself is ignored.
void deliverError(const ErrorHandler& handler, std::exception_ptr error) noexcept;

// Runs `action`; a failure goes to deliverError. True when it succeeded.
template <class Action>
bool guarded(const ErrorHandler& handler, Action&& action) noexcept
{
    try {
        std::forward<Action>(action)();
        return true;
    } catch (...) {
        deliverError(handler, std::current_exception());
        return false;
    }
}

} // namespace dbwidgets
