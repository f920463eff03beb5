#include "platform/automation/BusyServer.h"

#include "platform/automation/HResult.h"
#include "platform/hooks/ProcessHook.h"

#include <thread>
#include <utility>

namespace automation {

CallRejected::CallRejected(std::u16string member)
    : LinkFailure(hr::Rpc_E_CallRejected, u"Call was rejected by callee.", {}, std::move(member))
{
}

void CallRejected::raiseOfThisKind(std::u16string_view member) const
{
    throw CallRejected(this->member().empty() ? std::u16string(member) : this->member());
}

namespace {

hooks::ProcessHook<BusyWait>& hook()
{
    static hooks::ProcessHook<BusyWait> installed(
        [](std::chrono::milliseconds, std::chrono::milliseconds pause) {
            if (pause.count() > 0)
                std::this_thread::sleep_for(pause);
        });
    return installed;
}

} // namespace

BusyWait setBusyWait(BusyWait wait) { return hook().install(std::move(wait)); }

void waitWhileBusy(std::chrono::milliseconds waited, std::chrono::milliseconds pause)
{
    hook().current()(waited, pause);
}

} // namespace automation
