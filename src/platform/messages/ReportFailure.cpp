#include "platform/messages/ReportFailure.h"

#include "platform/messages/MessageAbort.h"
#include "platform/messages/Messages.h"
#include "platform/messages/SilentAbort.h"

#include <QString>

#include <cstdio>

namespace messages {

void reportFailure(std::exception_ptr failure) noexcept
{
    try {
        try {
            std::rethrow_exception(failure);
        } catch (const MessageAbort& refusal) {
            // The command's own words, in a plain message box.
            showMessage(refusal.text());
        } catch (const SilentAbort&) {
            // Already told the user; the command simply ends.
        } catch (const std::exception& e) {
            showError(QString::fromUtf8(e.what()));
        } catch (...) {
            // Not even a text to show: the user still learns that something failed.
            showError(QStringLiteral("Unknown error"));
        }
    } catch (...) {
        // Showing the message failed (out of memory, say): the event loop must
        // still not see an exception, so this is the last word.
        std::fputs("Ведорис: failure while reporting a failure\n", stderr);
    }
}

} // namespace messages
