#pragma once

#include "platform/automation/AutomationError.h"

#include <chrono>
#include <functional>
#include <string>

namespace automation {

// A server that is busy (a CAD showing a dialog, running a command or
// reading the text it was just sent; a spreadsheet whose user is editing a
// cell) refuses incoming calls, and the caller is expected to try them again
// a little later. That refusal belongs to the call channel, not to the
// member: COM delivers it to the client's message filter, the local-socket
// transport as an answer of its own. A server object throws CallRejected to
// refuse; the transport turns it into that answer. A refusal that outlasts
// the caller's wait reaches the caller as a CallRejected too: the link
// failed, the object said nothing.
class CallRejected : public LinkFailure {
public:
    explicit CallRejected(std::u16string member = {});

protected:
    void raiseOfThisKind(std::u16string_view member) const override;
};

// How long a refused call is tried again before it fails as rejected. Long
// enough for what a CAD or a spreadsheet is busy with between two calls of
// ours (a command it was sent, a cell its user is typing into); short enough
// that a server that stays busy (a dialog nobody answers) ends the command
// with its message instead of holding the program for ever.
inline constexpr std::chrono::milliseconds busyRetryLimit{30'000};
// The pause between two tries. (When a wait is shown to the user is the
// display's business: progress::BusyNoticeMs.)
inline constexpr std::chrono::milliseconds busyRetryInterval{100};

// What a caller does while a server keeps it waiting: between two tries of a
// refused call, `waited` is how long the call has been refused so far and
// `pause` how long to wait now; while a call waits for its answer, the
// transport asks every slice of its wait with no pause of its own (`pause`
// zero). The default only sleeps; the program keeps its windows drawn, shows
// what it waits for, and throws the user's stop (progress::Cancelled) out of
// the call. Process-wide; returns the hook it replaces, an empty hook
// restores the default.
using BusyWait = std::function<void(std::chrono::milliseconds waited, std::chrono::milliseconds pause)>;
BusyWait setBusyWait(BusyWait wait);
void waitWhileBusy(std::chrono::milliseconds waited, std::chrono::milliseconds pause);
// While a call has waited `waited` for its answer.
inline void waitForAnswer(std::chrono::milliseconds waited) { waitWhileBusy(waited, std::chrono::milliseconds(0)); }

// Tries `attempt` again while `refused` says its answer is a busy refusal,
// waiting between tries, until the refusals have lasted `limit`. Returns the
// last answer, refused or not: the caller fails a refusal its own way.
template <class Attempt, class Refused>
auto retryWhileRefused(Attempt&& attempt, Refused&& refused, std::chrono::milliseconds limit = busyRetryLimit)
{
    const auto firstTry = std::chrono::steady_clock::now();
    for (;;) {
        auto answer = attempt();
        if (!refused(answer))
            return answer;
        const auto waited =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - firstTry);
        if (waited >= limit)
            return answer;
        waitWhileBusy(waited, busyRetryInterval);
    }
}

} // namespace automation
