#include "SheetServer.h"

#include "platform/automation/com/ClassObject.h"
#include "platform/automation/publish/Publish.h"
#include "platform/sheet/StandIn.h"

#include <windows.h>

#include <cstdio>
#include <memory>

namespace sheetsim {

namespace {

constexpr UINT checkPeriodMs = 200;

std::u16string quoted(const std::u16string& text) { return u"\"" + text + u"\""; }

} // namespace

std::u16string serverCommand(const std::u16string& program, const QString& folder)
{
    std::u16string command = quoted(program);
    if (!folder.isEmpty())
        command += u" --folder " + quoted(folder.toStdU16String());
    return command;
}

int serve(const QString& folder, unsigned idleLimitMs)
{
    sheet::StandInOptions options;
    options.folder = folder;
    options.opener = [](const QString&) {};
    // Shared with the factory, which COM may hold a moment longer than this call.
    auto served = std::make_shared<bool>(false);

    automation::Registration registration;
    try {
        registration = automation::publishClass(ProgId, [options, served] {
            *served = true;
            return sheet::createStandIn(options);
        });
    } catch (const automation::PublishError& e) {
        std::fprintf(stderr, "sheetsim: %s\n", e.what());
        return 1;
    }

    // Calls from clients arrive through this thread's messages. Between two
    // of them the timer looks whether anything is still held; the check and
    // the revocation run on this thread too, so no creation slips in between.
    const UINT_PTR timer = ::SetTimer(nullptr, 0, checkPeriodMs, nullptr);
    const ULONGLONG started = ::GetTickCount64();
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd == nullptr) {
            const bool done = *served ? automation::com::heldByClients() == 0
                                     : ::GetTickCount64() - started > idleLimitMs;
            if (done)
                break;
            continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    ::KillTimer(nullptr, timer);
    registration.revoke();
    return 0;
}

} // namespace sheetsim
