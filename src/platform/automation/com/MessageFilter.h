#pragma once

#ifdef _WIN32

#include "platform/automation/BusyServer.h"

#include <windows.h>

#include <chrono>
#include <exception>
#include <functional>
#include <string_view>

namespace automation::com {

// The message filter of this thread's apartment (CoRegisterMessageFilter),
// for as long as the guard lives; the one it replaced comes back after.
//
// As a client: a server that is busy answers a call with
// SERVERCALL_RETRYLATER through COM's channel, and COM asks the filter what
// to do. This one tries the call again, silently, until busyRetryLimit, each
// time after waitWhileBusy (the program keeps its windows drawn and says what
// it waits for); then the call fails with RPC_E_CALL_REJECTED. A rejection
// for good (SERVERCALL_REJECTED) is not retried.
//
// A server whose thread hangs does not refuse: it never answers, and the
// call itself blocks. Every call through COM's proxy from this thread
// (WatchedCall) is watched: after `unansweredLimit` (busyRetryLimit unless
// given) COM is told to cancel it (CoCancelCall from a second thread, and
// PENDINGMSG_CANCELCALL when COM tells the filter of a message that arrived
// meanwhile), and the call fails as a failed link. While it waits, the
// waitForAnswer hook is asked, as every transport asks it (the program shows
// what it waits for, and throws its user's stop out of it), and Esc pending
// for an owned window of this thread (the command's progress window, the
// only one the program shows while a command waits) stops the call as its
// user's stop. No dialog of any kind is shown.
//
// As a server: when `refusing` is given and answers true, every incoming
// call is answered with SERVERCALL_RETRYLATER before it reaches an object,
// as a busy CAD or spreadsheet application answers.
class MessageFilter {
public:
    explicit MessageFilter(std::function<bool()> refusing = {},
                           std::chrono::milliseconds unansweredLimit = busyRetryLimit);
    ~MessageFilter();
    MessageFilter(const MessageFilter&) = delete;
    MessageFilter& operator=(const MessageFilter&) = delete;

    struct Watch;

private:
    struct Filter;
    Filter* m_filter;
    void* m_previous = nullptr; // IMessageFilter*
};

// One outgoing call from this thread, watched by the thread's message filter
// while it lives: only a call through COM's proxy, where the thread waits
// for another apartment or process, and only the outermost one.
class WatchedCall {
public:
    explicit WatchedCall(bool throughProxy);
    ~WatchedCall();
    WatchedCall(const WatchedCall&) = delete;
    WatchedCall& operator=(const WatchedCall&) = delete;

    // After the call answered `answer`: when the filter had COM cancel it,
    // raises why. The user's stop is what the waitForAnswer hook threw (the
    // program's progress::Cancelled); where no hook threw, the hook is given
    // a moment to hear the Esc that stopped it, and a stop it does not take
    // fails as the cancelled call (LinkFailure, RPC_E_CALL_CANCELED). A call
    // left unanswered past the limit is a LinkFailure, RPC_E_TIMEOUT.
    // Returns when the call was not cancelled by the filter.
    void raiseIfStopped(HRESULT answer, std::u16string_view member);

private:
    MessageFilter::Watch* m_counted = nullptr; // the watch whose depth this call adds to
    MessageFilter::Watch* m_watch = nullptr;   // the watch this call armed: the outermost call
};

} // namespace automation::com

#endif // _WIN32
