#include "platform/messages/Messages.h"

#include "platform/hooks/ProcessHook.h"

#include <cstdio>

namespace messages {
namespace {

// Used until the program or a test installs its own service: a message that
// nobody could show still leaves a trace on stderr instead of vanishing.
class StderrService final : public MessageService {
public:
    void showMessage(const QString& text) override { print("message", text); }
    void showError(const QString& text) override { print("error", text); }

private:
    static void print(const char* kind, const QString& text)
    {
        std::fprintf(stderr, "[%s] %s\n", kind, text.toUtf8().constData());
    }
};

hooks::ProcessHook<MessageService*>& hook()
{
    static StderrService fallback;
    static hooks::ProcessHook<MessageService*> installed(&fallback);
    return installed;
}

} // namespace

MessageService* setService(MessageService* service) { return hook().install(service); }

MessageService& service() { return *hook().current(); }

} // namespace messages
