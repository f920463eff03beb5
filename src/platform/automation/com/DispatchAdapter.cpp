#include "platform/automation/com/DispatchAdapter.h"

#include "platform/automation/AsciiCase.h"
#include "platform/automation/AutomationError.h"
#include "platform/automation/BusyServer.h"
#include "platform/automation/DeclaredDispatchIds.h"
#include "platform/automation/com/ComDispatch.h"
#include "platform/automation/com/ComError.h"
#include "platform/automation/com/ComResources.h"
#include "platform/automation/com/VariantConversion.h"
#include "platform/automation/HResult.h"
#include "platform/automation/MemberTable.h"
#include "platform/automation/ServedCalls.h"
#include "platform/automation/Utf8.h"

#include <optional>
#include <unordered_map>
#include <unordered_set>

namespace automation::com {

namespace {

// The live adapters of this process, by the object they stand for. Looked up
// under the lock; an adapter leaves the table in its destructor.
struct AdapterTable {
    std::mutex mutex;
    std::unordered_map<const Dispatch*, DispatchAdapter*> byObject;
    std::unordered_set<const IDispatch*> all;
};

AdapterTable& adapters()
{
    static AdapterTable table;
    return table;
}

std::u16string fold(std::u16string_view name)
{
    std::u16string folded(name);
    for (char16_t& c : folded)
        c = asciiLower(c);
    return folded;
}

std::optional<InvokeKind> kindOf(WORD flags)
{
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))
        return InvokeKind::PropertyPut;
    const bool method = (flags & DISPATCH_METHOD) != 0;
    const bool get = (flags & DISPATCH_PROPERTYGET) != 0;
    if (method && get)
        return InvokeKind::MethodOrGet;
    if (method)
        return InvokeKind::Method;
    if (get)
        return InvokeKind::PropertyGet;
    return std::nullopt;
}

// By-ref kinds whose slot this side can write an output into; other by-ref
// arguments are taken as plain inputs.
bool writable(VARTYPE base)
{
    switch (base) {
    case VT_VARIANT: case VT_I2: case VT_I4: case VT_I8: case VT_R8: case VT_BOOL: case VT_BSTR: case VT_DISPATCH:
        return true;
    default:
        return false;
    }
}

// Writes an output into the caller's by-ref slot, freeing what it held.
void storeByRef(VARIANT& slot, const Variant& value)
{
    const VARTYPE base = slot.vt & ~VT_BYREF;
    VariantGuard fresh;
    toComVariant(value, *fresh);
    if (base == VT_VARIANT) {
        ::VariantClear(slot.pvarVal);
        *slot.pvarVal = *fresh;
        fresh->vt = VT_EMPTY; // moved
        return;
    }
    // A typed slot (VT_BYREF | VT_I4 …) keeps its type: OLE's conversion rules.
    VariantGuard typed;
    const HRESULT changed = ::VariantChangeType(typed.get(), fresh.get(), 0, base);
    if (FAILED(changed))
        throw AutomationError(changed, {});
    switch (base) {
    case VT_I2: *slot.piVal = typed->iVal; break;
    case VT_I4: *slot.plVal = typed->lVal; break;
    case VT_I8: *slot.pllVal = typed->llVal; break;
    case VT_R8: *slot.pdblVal = typed->dblVal; break;
    case VT_BOOL: *slot.pboolVal = typed->boolVal; break;
    case VT_BSTR:
        ::SysFreeString(*slot.pbstrVal);
        *slot.pbstrVal = typed->bstrVal;
        typed->vt = VT_EMPTY;
        break;
    case VT_DISPATCH:
        if (*slot.ppdispVal)
            (*slot.ppdispVal)->Release();
        *slot.ppdispVal = typed->pdispVal;
        typed->vt = VT_EMPTY;
        break;
    default: break;
    }
}

} // namespace

DispatchAdapter::DispatchAdapter(DispatchRef object) : m_object(std::move(object)) {}

DispatchAdapter::~DispatchAdapter()
{
    std::lock_guard lock(adapters().mutex);
    auto& table = adapters();
    table.all.erase(this);
    const auto mine = table.byObject.find(m_object.get());
    if (mine != table.byObject.end() && mine->second == this)
        table.byObject.erase(mine);
    // m_object goes after the lock is released: the object's destructor may
    // release other adapters.
}

ComPtr<IDispatch> DispatchAdapter::of(const DispatchRef& object)
{
    if (!object)
        return {};
    std::lock_guard lock(adapters().mutex);
    auto& table = adapters();
    const auto found = table.byObject.find(object.get());
    if (found != table.byObject.end() && found->second->addRefUnlessDying())
        return ComPtr<IDispatch>::adopt(found->second);
    auto* adapter = new DispatchAdapter(object);
    table.byObject[object.get()] = adapter;
    table.all.insert(adapter);
    return ComPtr<IDispatch>::adopt(adapter);
}

DispatchRef DispatchAdapter::unwrap(IDispatch* dispatch)
{
    std::lock_guard lock(adapters().mutex);
    if (!adapters().all.contains(dispatch))
        return nullptr;
    return static_cast<DispatchAdapter*>(dispatch)->m_object;
}

size_t DispatchAdapter::liveCount()
{
    std::lock_guard lock(adapters().mutex);
    return adapters().all.size();
}

HRESULT DispatchAdapter::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 0; // late binding only: no type library
    return S_OK;
}

HRESULT DispatchAdapter::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    if (info)
        *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT DispatchAdapter::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    countServedNameLookup();
    if (!names || !names[0] || !ids || count == 0)
        return E_INVALIDARG;
    // Named parameters are not supported: their names are unknown.
    for (UINT i = 1; i < count; ++i)
        ids[i] = DISPID_UNKNOWN;
    ids[0] = DISPID_UNKNOWN;
    try {
        const std::u16string_view asked(reinterpret_cast<const char16_t*>(names[0]));
        // A name is kept only where the object has such a member: whoever
        // asks for names that do not exist, however many, leaves nothing
        // behind. An object without a member table learns its members only
        // when called; for it, names are kept up to a bound.
        const auto* table = dynamic_cast<const TableObject*>(m_object.get());
        if (asked.size() > maxNameLength || (table && !table->hasMember(asked)))
            return DISP_E_UNKNOWNNAME;
        const auto* declared = dynamic_cast<const DeclaredDispatchIds*>(m_object.get());
        if (declared) {
            if (const std::optional<int32_t> fixed = declared->declaredDispatchId(asked)) {
                ids[0] = static_cast<DISPID>(*fixed);
                return count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
            }
        }
        const std::u16string name = fold(asked);
        std::lock_guard lock(m_namesMutex);
        DISPID id = 0;
        for (const auto& [known, knownName] : m_names)
            if (knownName == name)
                id = known;
        if (id == 0) {
            if (m_names.size() >= maxNames)
                return DISP_E_UNKNOWNNAME;
            // Past the identifiers the object keeps for members of its own.
            while (declared && declared->memberWithDispatchId(static_cast<int32_t>(m_nextId)))
                ++m_nextId;
            id = m_nextId++;
            m_names.emplace_back(id, name);
        }
        ids[0] = id;
    } catch (...) {
        return E_OUTOFMEMORY; // the name could not be kept; nothing may leave a COM method
    }
    return count > 1 ? DISP_E_UNKNOWNNAME : S_OK;
}

std::optional<std::u16string> DispatchAdapter::memberOf(DISPID id)
{
    if (const auto* declared = dynamic_cast<const DeclaredDispatchIds*>(m_object.get()))
        if (std::optional<std::u16string> member = declared->memberWithDispatchId(static_cast<int32_t>(id)))
            return member;
    std::lock_guard lock(m_namesMutex);
    for (const auto& [known, name] : m_names)
        if (known == id)
            return name;
    return std::nullopt;
}

HRESULT DispatchAdapter::readArguments(DISPPARAMS& params, std::vector<Variant>& values, std::vector<Arg>& args,
                                       UINT* argumentError)
{
    // Source order is the reverse of rgvarg; the named put value sits at
    // rgvarg[0] and so comes last, where a put wants it.
    const size_t count = params.cArgs;
    values.resize(count);
    args.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        VARIANT& slot = params.rgvarg[count - 1 - i];
        try {
            values[i] = fromComVariant(slot);
        } catch (const AutomationError&) {
            if (argumentError)
                *argumentError = static_cast<UINT>(count - 1 - i);
            return DISP_E_TYPEMISMATCH;
        }
        if ((slot.vt & VT_BYREF) && writable(slot.vt & ~VT_BYREF))
            args.push_back(Arg::ref(values[i]));
        else
            args.push_back(Arg(values[i]));
    }
    return S_OK;
}

HRESULT DispatchAdapter::failed(std::exception_ptr failure, EXCEPINFO* exception) noexcept
{
    try {
        try {
            std::rethrow_exception(failure);
        } catch (const CallRejected&) {
            // Busy: refused as COM's channel refuses for a server whose
            // message filter said "retry later", not as a failure of the member.
            return RPC_E_CALL_REJECTED;
        } catch (const CallFailure& e) {
            // A link of this object's own that failed keeps its code, so its
            // caller hears a failed link too.
            return reportFailure(e, exception);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (const std::exception& e) {
            return reportFailure(AutomationError(hr::E_Fail, fromUtf8(e.what())), exception);
        }
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY; // the report itself could not be made
    } catch (...) {
        return E_UNEXPECTED; // nothing may leave a COM method
    }
}

HRESULT DispatchAdapter::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                EXCEPINFO* exception, UINT* argumentError)
{
    countServedInvocation();
    if (!IsEqualIID(iid, IID_NULL))
        return DISP_E_UNKNOWNINTERFACE;
    if (!params || (params->cArgs > 0 && !params->rgvarg) || params->cNamedArgs > params->cArgs
        || (params->cNamedArgs > 0 && !params->rgdispidNamedArgs))
        return E_INVALIDARG;
    const std::optional<InvokeKind> kind = kindOf(flags);
    if (!kind)
        return E_INVALIDARG;
    // The only named argument understood is the value of a put.
    if (params->cNamedArgs > 1
        || (params->cNamedArgs == 1
            && (*kind != InvokeKind::PropertyPut || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)))
        return DISP_E_NONAMEDARGS;

    try {
        const std::optional<std::u16string> member = memberOf(id);
        if (!member)
            return DISP_E_MEMBERNOTFOUND;
        std::vector<Variant> values;
        std::vector<Arg> args;
        if (const HRESULT read = readArguments(*params, values, args, argumentError); FAILED(read))
            return read;

        const Variant answer = m_object->invoke(*member, *kind, Args(args));

        const size_t count = params->cArgs;
        for (size_t i = 0; i < count; ++i)
            if (args[i].isByRef())
                storeByRef(params->rgvarg[count - 1 - i], values[i]);
        if (result) {
            ::VariantClear(result);
            toComVariant(answer, *result);
        }
        return S_OK;
    } catch (...) {
        // Whatever the member threw becomes the call's answer (failed).
        return failed(std::current_exception(), exception);
    }
}

ComPtr<IDispatch> dispatchToCom(const DispatchRef& object)
{
    if (!object)
        return {};
    if (const auto* proxy = dynamic_cast<const ComDispatch*>(object.get()))
        return ComPtr<IDispatch>::share(proxy->object());
    return DispatchAdapter::of(object);
}

DispatchRef dispatchFromCom(IDispatch* dispatch)
{
    if (!dispatch)
        return nullptr;
    if (DispatchRef ours = DispatchAdapter::unwrap(dispatch))
        return ours;
    return std::make_shared<ComDispatch>(ComPtr<IDispatch>::share(dispatch));
}

} // namespace automation::com
