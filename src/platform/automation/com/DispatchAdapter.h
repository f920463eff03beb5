#pragma once

#ifdef _WIN32

#include "platform/automation/Dispatch.h"
#include "platform/automation/com/ComPtr.h"
#include "platform/automation/com/SingleInterface.h"

#include <windows.h>

#include <ole2.h>
#include <oaidl.h>

#include <exception>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace automation::com {

// An IDispatch over an automation object of this program, so that COM can
// reach it: as an argument of a call into another program, or as a running
// object in the running object table. Member names get dispatch identifiers
// as they are asked for (case-insensitively), except those the object
// declares identifiers for (DeclaredDispatchIds), which keep theirs and can be
// invoked without a lookup first. A name the object's member
// table does not have is DISP_E_UNKNOWNNAME, and is not kept; an object
// without a table answers for its members when Invoke calls it, and gets
// identifiers for at most maxNames names. An AutomationError of the object
// goes back as EXCEPINFO with its source and description.
class DispatchAdapter final : public SingleInterface<IDispatch, IID_IDispatch> {
public:
    // The one adapter of `object` while it lives, so that COM sees one
    // identity for one object.
    static ComPtr<IDispatch> of(const DispatchRef& object);
    // The object of this program behind `dispatch`, or nullptr when
    // `dispatch` is not an adapter of this process.
    static DispatchRef unwrap(IDispatch* dispatch);
    // How many adapters of this process are alive: its objects that COM, or
    // another program through COM, still holds.
    static size_t liveCount();

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

private:
    explicit DispatchAdapter(DispatchRef object);
    ~DispatchAdapter() override;

    // The steps of Invoke: the member a dispatch identifier names, the
    // arguments in source order (by-ref ones pointing into `values`), and
    // what a failure of the member answers.
    std::optional<std::u16string> memberOf(DISPID id);
    static HRESULT readArguments(DISPPARAMS& params, std::vector<Variant>& values, std::vector<Arg>& args,
                                 UINT* argumentError);
    static HRESULT failed(std::exception_ptr failure, EXCEPINFO* exception) noexcept;

    // Longer than any member's name; more names than any object has.
    static constexpr size_t maxNameLength = 256;
    static constexpr size_t maxNames = 256;

    DispatchRef m_object;
    std::mutex m_namesMutex;
    // The identifiers handed out as names were asked for, and the next one.
    std::vector<std::pair<DISPID, std::u16string>> m_names;
    DISPID m_nextId = 1;
};

// The IDispatch that stands for `object` in COM: the other program's own
// interface for one of its objects, an adapter for one of ours.
ComPtr<IDispatch> dispatchToCom(const DispatchRef& object);

// The automation object for an IDispatch: ours when it is an adapter of this
// process, else a proxy that calls it. nullptr for nullptr.
DispatchRef dispatchFromCom(IDispatch* dispatch);

} // namespace automation::com

#endif // _WIN32
