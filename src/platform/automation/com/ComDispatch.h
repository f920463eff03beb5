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
    // The identifiers asked for so far: each name crosses to the server once
    // per object, not at every call (the walk of a model space calls Item on
    // one object as often as the drawing has entities).
    std::unordered_map<std::u16string, DISPID> m_ids;
};

} // namespace automation::com

#endif // _WIN32
