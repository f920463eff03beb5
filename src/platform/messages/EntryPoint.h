#pragma once

#include <exception>
#include <functional>
#include <utility>

namespace messages {

// Where the failure of an entry point goes: a control may have a handler of
// its own (a test collects them there); without one it is the program's one
// reporter, reportFailure.
using FailureHandler = std::function<void(std::exception_ptr)>;

// Hands `failure` to `handler`, or to reportFailure when the handler is
// empty. Never throws: a handler that fails cannot be reported anywhere
// safer, and Qt must not see it.
void deliverFailure(const FailureHandler& handler, std::exception_ptr failure) noexcept;

// While one lives, a long command keeps the windows drawn with the user's
// input blocked (the program's input blocker holds one): no other entry point
// starts inside it.
class InputBlock {
public:
    InputBlock() noexcept;
    ~InputBlock();
    InputBlock(const InputBlock&) = delete;
    InputBlock& operator=(const InputBlock&) = delete;

    static bool active() noexcept;
};

// Runs one entry point of the program: a menu command, a button, a window
// event, a model's edit, a grid's or navigator's action. This is the
// program's error boundary: no exception crosses it, so none reaches Qt's
// event loop; a failure goes to deliverFailure and the program returns to
// the event loop, usable. Inside a block of the user's input nothing starts.
// True when the action ran to its end.
template <typename Action>
bool runEntryPoint(Action&& action, const FailureHandler& handler = {}) noexcept
{
    if (InputBlock::active())
        return false;
    try {
        std::forward<Action>(action)();
        return true;
    } catch (...) {
        deliverFailure(handler, std::current_exception());
        return false;
    }
}

} // namespace messages
