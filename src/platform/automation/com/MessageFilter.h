#pragma once

#ifdef _WIN32

#include <functional>

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
// As a server: when `refusing` is given and answers true, every incoming
// call is answered with SERVERCALL_RETRYLATER before it reaches an object,
// as a busy CAD or spreadsheet application answers.
class MessageFilter {
public:
    explicit MessageFilter(std::function<bool()> refusing = {});
    ~MessageFilter();
    MessageFilter(const MessageFilter&) = delete;
    MessageFilter& operator=(const MessageFilter&) = delete;

private:
    struct Filter;
    Filter* m_filter;
    void* m_previous = nullptr; // IMessageFilter*
};

} // namespace automation::com

#endif // _WIN32
