#pragma once

#ifdef _WIN32

#include "platform/automation/Dispatch.h"
#include "platform/automation/com/ComPtr.h"

#include <windows.h>

#include <ole2.h>
#include <oaidl.h>

namespace automation::com {

// An automation object of another program (or of a COM class in this one),
// called by late binding through its IDispatch: the member's name is resolved
// by GetIDsOfNames at every call, then Invoke runs it.
class ComDispatch final : public Dispatch {
public:
    explicit ComDispatch(ComPtr<IDispatch> object);

    Variant invoke(std::u16string_view member, InvokeKind kind, Args args) override;

    IDispatch* object() const { return m_object.get(); }

private:
    ComPtr<IDispatch> m_object;
    bool m_throughProxy; // reached through COM's proxy, i.e. in another apartment or process
};

} // namespace automation::com

#endif // _WIN32
