#include "platform/dbwidgets/ErrorBoundary.h"

#include "platform/messages/ProcessHook.h"
#include "platform/messages/ReportFailure.h"

namespace dbwidgets {
namespace {

// A control's failure is told the way a command's is.
void defaultHandler(std::exception_ptr error) { messages::reportFailure(error); }

messages::ProcessHook<ErrorHandler>& hook()
{
    static messages::ProcessHook<ErrorHandler> installed(defaultHandler);
    return installed;
}

} // namespace

ErrorHandler setErrorHook(ErrorHandler newHook) { return hook().install(std::move(newHook)); }

const ErrorHandler& errorHook() { return hook().current(); }

void deliverError(const ErrorHandler& handler, std::exception_ptr error) noexcept
{
    try {
        if (handler)
            handler(error);
        else
            hook().current()(error);
    } catch (...) {
        // A handler that fails cannot be reported anywhere safer; Qt must not see it.
    }
}

} // namespace dbwidgets
