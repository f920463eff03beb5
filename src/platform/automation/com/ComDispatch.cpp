#include "platform/automation/com/ComDispatch.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/BusyServer.h"
#include "platform/automation/HResult.h"
#include "platform/automation/Utf8.h"
#include "platform/automation/com/ComError.h"
#include "platform/automation/com/ComResources.h"
#include "platform/automation/com/MessageFilter.h"
#include "platform/automation/com/VariantConversion.h"

#include <atomic>
#include <string>
#include <utility>
#include <vector>

namespace automation::com {

namespace {

// English (United States): the locale the servers' macro languages use.
constexpr LCID AutomationLocale = 1033;

WORD invokeFlags(InvokeKind kind)
{
    switch (kind) {
    case InvokeKind::Method: return DISPATCH_METHOD;
    case InvokeKind::PropertyGet: return DISPATCH_PROPERTYGET;
    case InvokeKind::MethodOrGet: return DISPATCH_METHOD | DISPATCH_PROPERTYGET;
    case InvokeKind::PropertyPut: return DISPATCH_PROPERTYPUT;
    }
    return DISPATCH_METHOD;
}

// The argument block of one call. DISPPARAMS holds the arguments in reverse
// order; a by-ref argument is a VT_BYREF | VT_VARIANT pointing at a VARIANT of
// its own, which the server may replace and which is read back after the call.
// (VariantClear of a VT_BYREF slot leaves its target alone, so the two arrays
// may be cleared in any order.)
class CallArguments {
public:
    explicit CallArguments(Args args) : m_count(args.size()), m_values(m_count), m_targets(m_count)
    {
        for (size_t i = 0; i < m_count; ++i) {
            VARIANT& slot = m_values[m_count - 1 - i];
            if (args[i].isByRef()) {
                toComVariant(args[i].value(), m_targets[i]);
                slot.vt = VT_BYREF | VT_VARIANT;
                slot.pvarVal = &m_targets[i];
            } else {
                toComVariant(args[i].value(), slot);
            }
        }
        m_params.rgvarg = m_values.data();
        m_params.cArgs = static_cast<UINT>(m_count);
    }

    CallArguments(const CallArguments&) = delete;
    CallArguments& operator=(const CallArguments&) = delete;

    // The value of a put travels as the one named argument DISPID_PROPERTYPUT.
    void nameLastAsPutValue()
    {
        m_params.cNamedArgs = 1;
        m_params.rgdispidNamedArgs = &m_putId;
    }

    DISPPARAMS* params() { return &m_params; }

    // After a successful call: what the server left in each by-ref slot goes
    // back to the caller's Variant. Every slot is read before any is written,
    // so a failed conversion leaves the caller's values as they were.
    void writeBack(Args args)
    {
        std::vector<std::pair<size_t, Variant>> outputs;
        for (size_t i = 0; i < m_count; ++i)
            if (args[i].isByRef())
                outputs.emplace_back(i, fromComVariant(m_targets[i]));
        for (auto& [i, value] : outputs)
            args[i].slot() = std::move(value);
    }

private:
    size_t m_count;
    VariantArray m_values;
    VariantArray m_targets;
    DISPID m_putId = DISPID_PROPERTYPUT;
    DISPPARAMS m_params{nullptr, nullptr, 0, 0};
};

std::atomic<bool> guestModule{false};

bool isRefusal(HRESULT answer) { return answer == RPC_E_CALL_REJECTED || answer == RPC_E_SERVERCALL_RETRYLATER; }

} // namespace

void setGuestCalls(bool guest) { guestModule.store(guest); }

bool guestCalls() { return guestModule.load(); }

ComDispatch::ComDispatch(ComPtr<IDispatch> object)
    : m_object(std::move(object)),
      // COM's standard proxy answers for IClientSecurity; objects do not.
      m_throughProxy(m_object && m_object.query<IClientSecurity>(IID_IClientSecurity)),
      m_guest(guestCalls())
{
    if (!m_object)
        throw AutomationError(hr::E_InvalidArg, u"No object");
    if (m_guest && m_throughProxy)
        throw AutomationError(static_cast<int32_t>(CO_E_NOT_SUPPORTED),
                              u"An object of another apartment or process is not called from inside the CAD");
}

DISPID ComDispatch::idOf(std::u16string_view member)
{
    const std::u16string key(member);
    if (const auto known = m_ids.find(key); known != m_ids.end())
        return known->second;
    std::wstring name = toWide(member);
    LPOLESTR names[] = {name.data()};
    DISPID id = DISPID_UNKNOWN;
    HRESULT answer = S_OK;
    {
        // A name crosses to the server as a call does, and may wait as long.
        WatchedCall watched(m_throughProxy);
        answer = m_object->GetIDsOfNames(IID_NULL, names, 1, AutomationLocale, &id);
        watched.raiseIfStopped(answer, member);
    }
    check(answer, member);
    m_ids.emplace(key, id);
    return id;
}

Variant ComDispatch::invoke(std::u16string_view member, InvokeKind kind, Args args)
{
    if (kind == InvokeKind::PropertyPut && args.empty())
        throw AutomationError(hr::Disp_E_BadParamCount, {}, {}, std::u16string(member));
    return call(idOf(member), member, kind, args);
}

Variant ComDispatch::invokeById(int32_t dispatchId, InvokeKind kind, Args args)
{
    const std::u16string member = u"DISPID " + fromUtf8(std::to_string(dispatchId));
    if (kind == InvokeKind::PropertyPut && args.empty())
        throw AutomationError(hr::Disp_E_BadParamCount, {}, {}, member);
    return call(DISPID(dispatchId), member, kind, args);
}

Variant ComDispatch::call(DISPID id, std::u16string_view member, InvokeKind kind, Args args)
{
    CallArguments call(args);
    if (kind == InvokeKind::PropertyPut)
        call.nameLastAsPutValue();

    VariantGuard result;
    EXCEPINFO exception{};
    UINT argumentError = 0;
    // A call through COM's proxy is watched while it waits (MessageFilter.h):
    // a server that never answers, or the user's stop, cancels it.
    const auto attempt = [&] {
        WatchedCall watched(m_throughProxy);
        const HRESULT answer =
            m_object->Invoke(id, IID_NULL, AutomationLocale, invokeFlags(kind), call.params(),
                             kind == InvokeKind::PropertyPut ? nullptr : result.get(), &exception, &argumentError);
        watched.raiseIfStopped(answer, member);
        return answer;
    };
    // The message filter has COM retry a call a busy server refuses. Where the
    // refusal still reaches us within the limit (a runtime whose channel does
    // not consult the filter, as Wine's does not), the call is retried here
    // by the same rule; after a filter that gave up, the limit is spent. A
    // guest never waits: its refused call fails at once.
    const HRESULT hr = m_guest ? attempt() : retryWhileRefused(attempt, isRefusal);
    if (hr == DISP_E_EXCEPTION)
        raiseException(exception, member, !m_throughProxy);
    // A server may leave texts behind with any other answer too.
    ::SysFreeString(exception.bstrSource);
    ::SysFreeString(exception.bstrDescription);
    ::SysFreeString(exception.bstrHelpFile);
    check(hr, member);

    try {
        call.writeBack(args);
        return fromComVariant(*result);
    } catch (const CallFailure& e) {
        e.raiseWithMember(member);
    }
}

} // namespace automation::com
