#include "platform/dbwidgets/ErrorBoundary.h"

#include "platform/messages/Messages.h"
#include "platform/messages/SilentAbort.h"

#include <QString>

namespace dbwidgets {
namespace {

void defaultHandler(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const SilentAbort&) {
        // Already shown to the user.
    } catch (const std::exception& e) {
        messages::showError(QString::fromUtf8(e.what()));
    } catch (...) {
        messages::showError(QStringLiteral("Unknown error"));
    }
}

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
