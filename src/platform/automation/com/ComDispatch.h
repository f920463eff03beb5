#pragma once

#ifdef _WIN32

#include "platform/automation/Dispatch.h"
#include "platform/automation/com/ComPtr.h"

#include <windows.h>

#include <ole2.h>
#include <oaidl.h>

#include <string>
#include <unordered_map>

namespace automation::com {

// An automation object of another program (or of a COM class in this one),
// called by late binding through its IDispatch: the member's name is resolved
// by GetIDsOfNames the first time it is called on this object, then Invoke
// runs it. Every lookup and call passes the locale 1033 (English, United
// States), as the servers' own macro languages do: a spreadsheet application
// is known to fail name lookups under other regional settings, and to read
// values by the locale it is given.
class ComDispatch final : public Dispatch {
public:
    explicit ComDispatch(ComPtr<IDispatch> object);

    Variant invoke(std::u16string_view member, InvokeKind kind, Args args) override;
    Variant invokeById(int32_t dispatchId, InvokeKind kind, Args args) override;

    IDispatch* object() const { return m_object.get(); }

private:
    DISPID idOf(std::u16string_view member);
    // The call itself, once the identifier is known; `member` names it in errors.
    Variant call(DISPID id, std::u16string_view member, InvokeKind kind, Args args);

    ComPtr<IDispatch> m_object;
    bool m_throughProxy; // reached through COM's proxy, i.e. in another apartment or process
    bool m_guest;        // made while this module was a guest (setGuestCalls)
    // The identifiers asked for so far: each name crosses to the server once
    // per object, not at every call (the walk of a model space calls Item on
    // one object as often as the drawing has entities).
    std::unordered_map<std::u16string, DISPID> m_ids;
};

// Whether this module is a guest on someone else's thread: the walker inside
// the CAD's process, called on the CAD's own thread, where every moment it
// waits is a moment the CAD's user waits, and where a wait that never ends
// takes the drawing with it. A guest makes no call that can wait: an object
// reached through COM's proxy (in another apartment or process, so that each
// call blocks the thread until the other side answers) is refused as it
// arrives (CO_E_NOT_SUPPORTED), and a call an object refuses as busy fails at
// once instead of being tried again. Off by default: the program waits for a
// busy server as its message filter and retryWhileRefused say. Process-wide;
// a DLL that links this backend has its own.
void setGuestCalls(bool guest);
bool guestCalls();

} // namespace automation::com

#endif // _WIN32
