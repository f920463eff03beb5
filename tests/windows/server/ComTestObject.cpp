#include "ComTestObject.h"

#include "ComTestMembers.h"
#include "ComTestVariant.h"

#include <utility>

namespace {

LONG g_live = 0;
std::function<void()>& lastReleaseHandler()
{
    static std::function<void()> handler;
    return handler;
}

std::wstring flagText(WORD flags)
{
    std::wstring out;
    auto add = [&](WORD flag, const wchar_t* name) {
        if (flags & flag)
            out += (out.empty() ? L"" : L"|") + std::wstring(name);
    };
    add(DISPATCH_METHOD, L"METHOD");
    add(DISPATCH_PROPERTYGET, L"GET");
    add(DISPATCH_PROPERTYPUT, L"PUT");
    add(DISPATCH_PROPERTYPUTREF, L"PUTREF");
    return out;
}

// A call as LastInvoke reports it: "METHOD|GET named=PROPERTYPUT (I4:1)".
std::wstring record(const ComTestCall& call)
{
    std::wstring text = flagText(call.flags);
    if (call.params.cNamedArgs)
        text += call.putValueNamed() ? L" named=PROPERTYPUT" : L" named=?";
    text += L" (";
    for (UINT i = 0; i < call.count(); ++i)
        text += (i ? L"," : L"") + describe(call.arg(i));
    return text + L")";
}

} // namespace

ComTestObject* ComTestObject::create() { return new ComTestObject; }

long ComTestObject::liveObjects() { return g_live; }

void ComTestObject::setLastReleaseHandler(std::function<void()> handler) { lastReleaseHandler() = std::move(handler); }

ComTestObject::ComTestObject()
{
    ::VariantInit(&m_state.value);
    ::InterlockedIncrement(&g_live);
}

ComTestObject::~ComTestObject()
{
    // What the object holds goes first, so that the last release is
    // reported when everything is gone.
    ::VariantClear(&m_state.value);
    for (auto& cell : m_state.cells)
        ::VariantClear(&cell.second);
    if (::InterlockedDecrement(&g_live) == 0 && lastReleaseHandler())
        lastReleaseHandler()();
}

HRESULT ComTestObject::QueryInterface(REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG ComTestObject::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&m_references)); }

ULONG ComTestObject::Release()
{
    const LONG left = ::InterlockedDecrement(&m_references);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT ComTestObject::GetTypeInfoCount(UINT* count)
{
    *count = 0;
    return S_OK;
}

HRESULT ComTestObject::GetTypeInfo(UINT, LCID, ITypeInfo** info)
{
    *info = nullptr;
    return DISP_E_BADINDEX;
}

HRESULT ComTestObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID locale, DISPID* ids)
{
    ++m_state.nameLookups;
    m_state.locales.insert(locale);
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        // Only the member's own name is known: names of arguments are not.
        if (i == 0)
            if (const ComTestMember* member = findMember(names[0]))
                ids[0] = member->id;
        if (ids[i] == DISPID_UNKNOWN)
            hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT ComTestObject::Invoke(DISPID id, REFIID, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                              EXCEPINFO* exception, UINT* argumentError)
{
    m_state.locales.insert(locale);
    if (!params)
        return E_INVALIDARG;
    // A caller that wants no result or no exception still gets a place for
    // them, which is cleared here.
    VARIANT local;
    ::VariantInit(&local);
    EXCEPINFO localException{};
    ComTestCall call{*this, m_state, flags, *params, result ? *result : local,
                     exception ? *exception : localException, argumentError};
    const ComTestMember* member = findMember(id);
    if (!member || !member->reportsOnCalls)
        m_state.lastInvoke = record(call);
    const HRESULT hr = member ? member->run(call) : DISP_E_MEMBERNOTFOUND;
    ::VariantClear(&local);
    if (!exception) {
        ::SysFreeString(localException.bstrSource);
        ::SysFreeString(localException.bstrDescription);
    }
    return hr;
}

HRESULT ComTestFactory::QueryInterface(REFIID iid, void** object)
{
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
        *object = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG ComTestFactory::AddRef() { return static_cast<ULONG>(::InterlockedIncrement(&m_references)); }

ULONG ComTestFactory::Release()
{
    const LONG left = ::InterlockedDecrement(&m_references);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT ComTestFactory::CreateInstance(IUnknown* outer, REFIID iid, void** object)
{
    if (outer)
        return CLASS_E_NOAGGREGATION;
    ComTestObject* created = ComTestObject::create();
    const HRESULT hr = created->QueryInterface(iid, object);
    created->Release();
    return hr;
}

HRESULT ComTestFactory::LockServer(BOOL) { return S_OK; }
