#include "platform/dbwidgets/ErrorBoundary.h"

#include "platform/messages/ReportFailure.h"

namespace dbwidgets {
namespace {

// A control's failure is told the way a command's is.
void defaultHandler(std::exception_ptr error) { messages::reportFailure(error); }

ErrorHandler& hook()
{
    static ErrorHandler current = defaultHandler;
    return current;
}

} // namespace

ErrorHandler setErrorHook(ErrorHandler newHook)
{
    ErrorHandler previous = std::move(hook());
    hook() = newHook ? std::move(newHook) : ErrorHandler(defaultHandler);
    return previous;
}

const ErrorHandler& errorHook()
{
    return hook();
}

void deliverError(const ErrorHandler& handler, std::exception_ptr error) noexcept
{
    try {
        if (handler)
            handler(error);
        else
            hook()(error);
    } catch (...) {
        // A handler that fails cannot be reported anywhere safer; Qt must not see it.
    }
}

} // namespace dbwidgets
