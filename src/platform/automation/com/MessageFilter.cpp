#include "platform/automation/com/MessageFilter.h"

#include "platform/automation/BusyServer.h"
#include "platform/automation/com/SingleInterface.h"

#include <windows.h>

#include <ole2.h>
#include <objbase.h>

#include <chrono>
#include <utility>

namespace automation::com {

struct MessageFilter::Filter final : public SingleInterface<IMessageFilter, IID_IMessageFilter> {
    explicit Filter(std::function<bool()> refusing) : refusing(std::move(refusing)) {}

    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override
    {
        return refusing && refusing() ? SERVERCALL_RETRYLATER : SERVERCALL_ISHANDLED;
    }

    // dwTickCount: how long the call has been refused so far. A value of 0 to
    // 99 retries at once, -1 gives up; the pause is ours, so that the windows
    // stay drawn while we wait.
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD dwTickCount, DWORD dwRejectType) override
    {
        const std::chrono::milliseconds refused(dwTickCount);
        if (dwRejectType != SERVERCALL_RETRYLATER || refused >= busyRetryLimit)
            return static_cast<DWORD>(-1);
        // Nothing may leave a COM callback: a wait the program ends (its user
        // stopped the command) gives the call up, and the caller's own retry
        // then hears why.
        try {
            waitWhileBusy(refused, busyRetryInterval);
        } catch (...) {
            return static_cast<DWORD>(-1);
        }
        return 0;
    }

    // Windows messages that arrive during an outgoing call are dispatched as
    // usual (painting, timers); the user's input is kept out by the program.
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override { return PENDINGMSG_WAITDEFPROCESS; }

    std::function<bool()> refusing;
};

MessageFilter::MessageFilter(std::function<bool()> refusing) : m_filter(new Filter(std::move(refusing)))
{
    IMessageFilter* previous = nullptr;
    if (SUCCEEDED(::CoRegisterMessageFilter(m_filter, &previous)))
        m_previous = previous;
}

MessageFilter::~MessageFilter()
{
    IMessageFilter* ours = nullptr;
    ::CoRegisterMessageFilter(static_cast<IMessageFilter*>(m_previous), &ours);
    if (ours)
        ours->Release();
    if (m_previous)
        static_cast<IMessageFilter*>(m_previous)->Release();
    m_filter->Release();
}

} // namespace automation::com
