#include "platform/automation/com/MessageFilter.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/BusyServer.h"
#include "platform/automation/HResult.h"
#include "platform/automation/Utf8.h"
#include "platform/automation/com/SingleInterface.h"

#include <windows.h>

#include <ole2.h>
#include <objbase.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace automation::com {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How often a call left waiting has COM ask the filter again: the windows
// are drawn and the user's stop is seen at this pace.
constexpr milliseconds askEvery{100};

// Wine exports CoCancelCall as a stub that ends the process when called: there
// the filter's own answer (PENDINGMSG_CANCELCALL) is all there is.
bool canCancelCalls()
{
    static const bool can =
        ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr;
    return can;
}

// Esc, waiting in the queue of an owned window of this thread that is the
// active one: the command's progress window. Only looks: the key stays for
// the window, which hears it as its own stop.
bool escapePendingForProgressWindow()
{
    const HWND active = ::GetActiveWindow();
    if (!active || !::GetWindow(active, GW_OWNER))
        return false;
    MSG message{};
    return ::PeekMessageW(&message, active, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE | PM_NOYIELD)
           && message.wParam == VK_ESCAPE;
}

} // namespace

// The watch over this thread's outgoing calls: when the outermost one began,
// and why the filter had it cancelled, if it did. A second thread keeps the
// time: past askEvery it posts a message to the calling thread, so that COM
// asks the filter (MessagePending) even when nothing else arrives; past the
// limit it cancels the call.
struct MessageFilter::Watch {
    enum class Stop { None, TimedOut, ByUser };

    Watch(DWORD thread, milliseconds limit) : thread(thread), limit(limit)
    {
        // Without it CoCancelCall has nothing to cancel on this thread.
        ::CoEnableCallCancellation(nullptr);
    }

    ~Watch()
    {
        {
            const std::lock_guard lock(mutex);
            quitting = true;
        }
        wake.notify_all();
        if (keeper.joinable())
            keeper.join();
        ::CoDisableCallCancellation(nullptr);
    }

    // A call begins. The second thread is woken only from its rest: one
    // that already keeps time finds the new call when its moment comes.
    void begin()
    {
        bool resting = false;
        {
            const std::lock_guard lock(mutex);
            started = Clock::now();
            stop = Stop::None;
            userStop = nullptr;
            armed = true;
            ++generation;
            if (!keeper.joinable())
                keeper = std::thread([this] { keepTime(); });
            resting = keeperResting;
        }
        if (resting)
            wake.notify_all();
    }

    void end()
    {
        const std::lock_guard lock(mutex);
        armed = false;
        ++generation;
    }

    milliseconds waited() const { return std::chrono::duration_cast<milliseconds>(Clock::now() - started); }

    // The second thread: it never touches the call's objects, only the
    // calling thread's queue and COM's cancellation.
    void keepTime()
    {
        // CoCancelCall wants COM on the thread that calls it.
        ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        std::unique_lock lock(mutex);
        while (!quitting) {
            if (!armed) {
                keeperResting = true;
                wake.wait(lock);
                keeperResting = false;
                continue;
            }
            const uint64_t call = generation;
            // The next moment to ask, and the limit itself while it lies ahead.
            const auto now = Clock::now();
            const auto due = started + limit > now ? std::min(started + limit, now + askEvery) : now + askEvery;
            wake.wait_until(lock, due, [&] { return quitting; });
            if (quitting || !armed || generation != call)
                continue; // that call has ended; the next one is looked at afresh
            // The same call still waits.
            ::PostThreadMessageW(thread, WM_NULL, 0, 0);
            if (Clock::now() >= started + limit && stop == Stop::None) {
                stop = Stop::TimedOut;
                if (canCancelCalls())
                    ::CoCancelCall(thread, 0);
            }
        }
        lock.unlock();
        ::CoUninitialize();
    }

    const DWORD thread;
    const milliseconds limit;
    int depth = 0; // calls begun and not ended, on the calling thread
    std::mutex mutex;
    std::condition_variable wake;
    bool armed = false;
    bool quitting = false;
    bool keeperResting = false;
    uint64_t generation = 0;
    Clock::time_point started;
    Stop stop = Stop::None;
    std::exception_ptr userStop; // what the waitForAnswer hook threw
    std::thread keeper;
};

namespace {

// The watch of this thread's filter, where one is registered.
thread_local MessageFilter::Watch* threadWatch = nullptr;

} // namespace

struct MessageFilter::Filter final : public SingleInterface<IMessageFilter, IID_IMessageFilter> {
    Filter(std::function<bool()> refusing, milliseconds limit)
        : refusing(std::move(refusing)), watch(::GetCurrentThreadId(), limit)
    {
    }

    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override
    {
        return refusing && refusing() ? SERVERCALL_RETRYLATER : SERVERCALL_ISHANDLED;
    }

    // dwTickCount: how long the call has been refused so far. A value of 0 to
    // 99 retries at once, -1 gives up; the pause is ours, so that the windows
    // stay drawn while we wait.
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD dwTickCount, DWORD dwRejectType) override
    {
        const milliseconds refused(dwTickCount);
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

    // A message arrived while an outgoing call waits. Windows messages are
    // dispatched as usual (painting, timers); the user's input is kept out by
    // the program, but for the Esc that stops it. A call the filter does not
    // watch (none is, or one of another thread) is left to wait.
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override
    {
        if (threadWatch != &watch)
            return PENDINGMSG_WAITDEFPROCESS;
        milliseconds waited{};
        {
            const std::lock_guard lock(watch.mutex);
            if (!watch.armed)
                return PENDINGMSG_WAITDEFPROCESS;
            waited = watch.waited();
            if (watch.stop == Watch::Stop::TimedOut || waited >= watch.limit) {
                watch.stop = Watch::Stop::TimedOut;
                return PENDINGMSG_CANCELCALL;
            }
            if (watch.stop == Watch::Stop::ByUser)
                return PENDINGMSG_CANCELCALL;
        }
        // The program's hook says what it waits for and throws its user's
        // stop; nothing may leave a COM callback, so the stop is kept for
        // the caller to raise once the call has ended.
        std::exception_ptr userStop;
        try {
            waitForAnswer(waited);
        } catch (...) {
            userStop = std::current_exception();
        }
        if (!userStop && !escapePendingForProgressWindow())
            return PENDINGMSG_WAITDEFPROCESS;
        const std::lock_guard lock(watch.mutex);
        watch.stop = Watch::Stop::ByUser;
        watch.userStop = userStop;
        return PENDINGMSG_CANCELCALL;
    }

    std::function<bool()> refusing;
    Watch watch;
};

MessageFilter::MessageFilter(std::function<bool()> refusing, milliseconds unansweredLimit)
    : m_filter(new Filter(std::move(refusing), unansweredLimit))
{
    IMessageFilter* previous = nullptr;
    if (SUCCEEDED(::CoRegisterMessageFilter(m_filter, &previous))) {
        m_previous = previous;
        threadWatch = &m_filter->watch;
    }
}

MessageFilter::~MessageFilter()
{
    if (threadWatch == &m_filter->watch)
        threadWatch = nullptr;
    IMessageFilter* ours = nullptr;
    ::CoRegisterMessageFilter(static_cast<IMessageFilter*>(m_previous), &ours);
    if (ours)
        ours->Release();
    if (m_previous)
        static_cast<IMessageFilter*>(m_previous)->Release();
    m_filter->Release();
}

WatchedCall::WatchedCall(bool throughProxy)
{
    MessageFilter::Watch* watch = threadWatch;
    if (!throughProxy || !watch)
        return;
    m_counted = watch;
    if (watch->depth++ == 0) {
        m_watch = watch;
        m_watch->begin();
    }
}

WatchedCall::~WatchedCall()
{
    if (m_watch)
        m_watch->end();
    if (m_counted)
        --m_counted->depth;
}

void WatchedCall::raiseIfStopped(HRESULT answer, std::u16string_view member)
{
    if (!m_watch || answer != RPC_E_CALL_CANCELED)
        return;
    MessageFilter::Watch::Stop stop = MessageFilter::Watch::Stop::None;
    std::exception_ptr userStop;
    {
        const std::lock_guard lock(m_watch->mutex);
        stop = m_watch->stop;
        userStop = m_watch->userStop;
    }
    if (userStop)
        std::rethrow_exception(userStop);
    const std::u16string name(member);
    if (stop == MessageFilter::Watch::Stop::TimedOut) {
        const auto limit = m_watch->limit.count();
        const std::string after = limit % 1000 == 0 ? std::to_string(limit / 1000) + " s" : std::to_string(limit) + " ms";
        throw LinkFailure(hr::Rpc_E_Timeout, fromUtf8("The server gave no answer within " + after), {}, name);
    }
    if (stop == MessageFilter::Watch::Stop::ByUser) {
        // The Esc that stopped the call still waits for its window: the
        // program's hook hears it there and throws its user's stop.
        waitWhileBusy(m_watch->waited(), busyRetryInterval);
        throw LinkFailure(static_cast<int32_t>(RPC_E_CALL_CANCELED), u"The call was stopped by its user", {}, name);
    }
}

} // namespace automation::com
