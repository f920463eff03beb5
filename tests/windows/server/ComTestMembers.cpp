#include "ComTestMembers.h"

#include "ComTestVariant.h"

#include <functional>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr wchar_t kSource[] = L"Vedoris.ComTest";
constexpr SCODE kServerFailure = static_cast<SCODE>(0x80040201);

std::function<void()>& revokeHandler()
{
    static std::function<void()> handler;
    return handler;
}

std::wstring g_deferredDescription;

HRESULT STDMETHODCALLTYPE fillDeferred(EXCEPINFO* info)
{
    info->scode = kServerFailure;
    info->bstrSource = ::SysAllocString(kSource);
    info->bstrDescription = ::SysAllocString(g_deferredDescription.c_str());
    return S_OK;
}

SAFEARRAY* vectorOf(VARTYPE vt, LONG lowerBound, ULONG count) { return ::SafeArrayCreateVector(vt, lowerBound, count); }

void put(SAFEARRAY* array, LONG index, void* value) { ::SafeArrayPutElement(array, &index, value); }

HRESULT answerText(ComTestCall& call, const std::wstring& text)
{
    call.result.vt = VT_BSTR;
    call.result.bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return S_OK;
}

HRESULT answerInteger(ComTestCall& call, LONG value)
{
    call.result.vt = VT_I4;
    call.result.lVal = value;
    return S_OK;
}

// Raw IDispatch call of `member` on `target` with the given arguments
// (source order), as method-or-get, or as a put of the last one.
HRESULT callOut(IDispatch* target, const std::wstring& member, std::vector<VARIANT>& args, VARIANT& result,
                EXCEPINFO& exception, bool put = false)
{
    std::wstring name = member;
    LPOLESTR names[] = {name.data()};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = target->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr))
        return hr;
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), put ? &putId : nullptr, static_cast<UINT>(reversed.size()), put ? 1u : 0u};
    UINT argumentError = 0;
    return target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT,
                          put ? DISPATCH_PROPERTYPUT : DISPATCH_METHOD | DISPATCH_PROPERTYGET, &params,
                          put ? nullptr : &result, &exception, &argumentError);
}

// --- values in and out -------------------------------------------------------

HRESULT echo(ComTestCall& call)
{
    if (call.count() != 1)
        return DISP_E_BADPARAMCOUNT;
    return valueOf(call.arg(0), call.result);
}

// Describe(...): the raw shape of every argument, as COM delivered it.
HRESULT describeArguments(ComTestCall& call)
{
    std::wstring text;
    for (UINT i = 0; i < call.count(); ++i)
        text += (i ? L"," : L"") + describe(call.arg(i));
    return answerText(call, text);
}

HRESULT storedValue(ComTestCall& call)
{
    if (call.isPut()) {
        // A put without DISPID_PROPERTYPUT as its named argument is
        // refused, as real servers refuse it.
        if (!call.putValueNamed())
            return DISP_E_PARAMNOTFOUND;
        if (call.count() != 1)
            return DISP_E_BADPARAMCOUNT;
        ::VariantClear(&call.state.value);
        return valueOf(call.arg(0), call.state.value);
    }
    if (call.count() != 0)
        return DISP_E_BADPARAMCOUNT;
    return ::VariantCopy(&call.result, &call.state.value);
}

// Cells(row, column) = value: the row may come by reference.
HRESULT cells(ComTestCall& call)
{
    const UINT n = call.count();
    const UINT keys = call.isPut() ? 2 : n;
    if (call.isPut() && !call.putValueNamed())
        return DISP_E_PARAMNOTFOUND;
    if (keys != 2 || n != (call.isPut() ? 3u : 2u))
        return DISP_E_BADPARAMCOUNT;
    LONG row = 0;
    LONG column = 0;
    if (FAILED(integerOf(call.arg(0), row)))
        return call.mismatch(0);
    if (FAILED(integerOf(call.arg(1), column)))
        return call.mismatch(1);
    const std::wstring key = formatted(L"%ld,%ld", static_cast<long>(row), static_cast<long>(column));
    if (call.isPut()) {
        VARIANT& cell = call.state.cells[key];
        ::VariantClear(&cell);
        return valueOf(call.arg(2), cell);
    }
    const auto found = call.state.cells.find(key);
    return found == call.state.cells.end() ? S_OK : ::VariantCopy(&call.result, &found->second);
}

// Assign(target, value): the value goes into the caller's by-ref slot.
HRESULT assign(ComTestCall& call)
{
    if (call.count() != 2)
        return DISP_E_BADPARAMCOUNT;
    VARIANT& target = call.arg(0);
    if (target.vt != (VT_BYREF | VT_VARIANT))
        return call.mismatch(0);
    VARIANT value;
    const HRESULT hr = valueOf(call.arg(1), value);
    if (FAILED(hr))
        return hr;
    ::VariantClear(target.pvarVal);
    *target.pvarVal = value;
    return S_OK;
}

// --- answers shaped as the CAD shapes them -----------------------------------

// GetXData(application, codes, values), the way the CAD answers it: the
// group codes as a VT_ARRAY | VT_I2, the values as VT_ARRAY | VT_VARIANT, a
// point as an array of three doubles. Both outputs must be VARIANTs by
// reference.
HRESULT getXData(ComTestCall& call)
{
    if (call.count() != 3)
        return DISP_E_BADPARAMCOUNT;
    std::wstring application;
    if (FAILED(textOf(call.arg(0), application)))
        return call.mismatch(0);
    for (UINT i = 1; i <= 2; ++i)
        if (call.arg(i).vt != (VT_BYREF | VT_VARIANT))
            return call.mismatch(i);
    VARIANT& codes = *call.arg(1).pvarVal;
    VARIANT& values = *call.arg(2).pvarVal;
    ::VariantClear(&codes);
    ::VariantClear(&values);
    if (::lstrcmpiW(application.c_str(), L"trb") != 0)
        return S_OK; // no data for that application: both stay empty

    SHORT codeList[] = {1001, 1070, 1070, 1010};
    SAFEARRAY* codeArray = vectorOf(VT_I2, 0, 4);
    for (LONG i = 0; i < 4; ++i)
        put(codeArray, i, &codeList[i]);
    codes.vt = VT_ARRAY | VT_I2;
    codes.parray = codeArray;

    double point[] = {10.5, -2.25, 0.0};
    SAFEARRAY* pointArray = vectorOf(VT_R8, 0, 3);
    for (LONG i = 0; i < 3; ++i)
        put(pointArray, i, &point[i]);

    VARIANT items[4];
    for (VARIANT& v : items)
        ::VariantInit(&v);
    items[0].vt = VT_BSTR;
    items[0].bstrVal = ::SysAllocString(L"trb");
    items[1].vt = VT_I2;
    items[1].iVal = 2;
    items[2].vt = VT_I2;
    items[2].iVal = 7;
    items[3].vt = VT_ARRAY | VT_R8;
    items[3].parray = pointArray;
    SAFEARRAY* valueArray = vectorOf(VT_VARIANT, 0, 4);
    for (LONG i = 0; i < 4; ++i) {
        put(valueArray, i, &items[i]); // copies
        ::VariantClear(&items[i]);
    }
    values.vt = VT_ARRAY | VT_VARIANT;
    values.parray = valueArray;
    return S_OK;
}

// TypedArray(vartype, lowerBound): three elements of that type.
HRESULT typedArray(ComTestCall& call)
{
    if (call.count() != 2)
        return DISP_E_BADPARAMCOUNT;
    LONG vt = 0;
    LONG lowerBound = 0;
    if (FAILED(integerOf(call.arg(0), vt)))
        return call.mismatch(0);
    if (FAILED(integerOf(call.arg(1), lowerBound)))
        return call.mismatch(1);
    SAFEARRAY* array = vectorOf(static_cast<VARTYPE>(vt), lowerBound, 3);
    if (!array)
        return E_INVALIDARG;
    for (LONG i = 0; i < 3; ++i) {
        const LONG at = lowerBound + i;
        switch (vt) {
        case VT_I2: { SHORT v[] = {-1, 0, 32767}; put(array, at, &v[i]); break; }
        case VT_I4: { LONG v[] = {-100000, 0, 7}; put(array, at, &v[i]); break; }
        case VT_R8: { double v[] = {0.5, -1.25, 1e300}; put(array, at, &v[i]); break; }
        case VT_UI1: { BYTE v[] = {0, 128, 255}; put(array, at, &v[i]); break; }
        case VT_BOOL: { VARIANT_BOOL v[] = {VARIANT_TRUE, VARIANT_FALSE, VARIANT_TRUE}; put(array, at, &v[i]); break; }
        case VT_BSTR: {
            const wchar_t* v[] = {L"a", L"", L"\x0412\x0435\x0434\x043E\x0440\x0438\x0441"};
            BSTR text = ::SysAllocString(v[i]);
            put(array, at, text); // copies the string
            ::SysFreeString(text);
            break;
        }
        default:
            ::SafeArrayDestroy(array);
            return call.mismatch(0);
        }
    }
    call.result.vt = static_cast<VARTYPE>(VT_ARRAY | vt);
    call.result.parray = array;
    return S_OK;
}

// Scalar(vartype): one value of a kind the automation layer has no tag of
// its own for.
HRESULT scalar(ComTestCall& call)
{
    LONG vt = 0;
    if (call.count() != 1 || FAILED(integerOf(call.arg(0), vt)))
        return DISP_E_BADPARAMCOUNT;
    VARIANT& result = call.result;
    result.vt = static_cast<VARTYPE>(vt);
    switch (vt) {
    case VT_I1: result.cVal = -5; break;
    case VT_UI1: result.bVal = 200; break;
    case VT_UI2: result.uiVal = 60000; break;
    case VT_INT: result.intVal = -7; break;
    case VT_UI4: result.ulVal = 4000000000u; break;
    case VT_UINT: result.uintVal = 4000000000u; break;
    case VT_UI8: result.ullVal = 1ull << 40; break;
    case VT_R4: result.fltVal = 0.5f; break;
    case VT_CY: result.cyVal.int64 = 123456; break; // 12.3456
    case VT_DATE: result.date = 2.5; break;
    case VT_DECIMAL: {
        DECIMAL value{};
        ::VarDecFromR8(1.25, &value);
        result.decVal = value; // overwrites the tag bytes
        result.vt = VT_DECIMAL;
        break;
    }
    case VT_UNKNOWN:
        result.punkVal = static_cast<IDispatch*>(&call.object);
        call.object.AddRef();
        break;
    default:
        result.vt = VT_EMPTY;
        return call.mismatch(0);
    }
    return S_OK;
}

// A two-dimensional array, which the automation layer cannot hold.
HRESULT matrix(ComTestCall& call)
{
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    call.result.vt = VT_ARRAY | VT_I4;
    call.result.parray = ::SafeArrayCreate(VT_I4, 2, bounds);
    return S_OK;
}

// --- failures ----------------------------------------------------------------

HRESULT fail(ComTestCall& call)
{
    std::wstring description;
    if (call.count() != 1 || FAILED(textOf(call.arg(0), description)))
        return DISP_E_BADPARAMCOUNT;
    call.exception = EXCEPINFO{};
    call.exception.scode = kServerFailure;
    call.exception.bstrSource = ::SysAllocString(kSource);
    call.exception.bstrDescription = ::SysAllocString(description.c_str());
    return DISP_E_EXCEPTION;
}

// Only the deferred fill-in is left; the caller asks for the texts.
HRESULT failDeferred(ComTestCall& call)
{
    if (call.count() != 1 || FAILED(textOf(call.arg(0), g_deferredDescription)))
        return DISP_E_BADPARAMCOUNT;
    call.exception = EXCEPINFO{};
    call.exception.pfnDeferredFillIn = fillDeferred;
    return DISP_E_EXCEPTION;
}

HRESULT failWCode(ComTestCall& call)
{
    LONG code = 0;
    if (call.count() != 1 || FAILED(integerOf(call.arg(0), code)))
        return DISP_E_BADPARAMCOUNT;
    call.exception = EXCEPINFO{};
    call.exception.wCode = static_cast<WORD>(code);
    call.exception.bstrSource = ::SysAllocString(kSource);
    call.exception.bstrDescription = ::SysAllocString(L"Failure with an application code");
    return DISP_E_EXCEPTION;
}

// --- objects -----------------------------------------------------------------

HRESULT child(ComTestCall& call)
{
    call.result.vt = VT_DISPATCH;
    call.result.pdispVal = ComTestObject::create();
    return S_OK;
}

HRESULT isSelf(ComTestCall& call)
{
    if (call.count() != 1)
        return DISP_E_BADPARAMCOUNT;
    VARIANT other;
    if (FAILED(valueOf(call.arg(0), other)) || other.vt != VT_DISPATCH) {
        ::VariantClear(&other); // a copy of another kind holds a string or a reference too
        return call.mismatch(0);
    }
    IUnknown* theirs = nullptr;
    if (other.pdispVal)
        other.pdispVal->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&theirs));
    IUnknown* mine = nullptr;
    call.object.QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&mine));
    call.result.vt = VT_BOOL;
    call.result.boolVal = theirs == mine ? VARIANT_TRUE : VARIANT_FALSE;
    if (theirs)
        theirs->Release();
    mine->Release();
    ::VariantClear(&other);
    return S_OK;
}

// How a call back hands its one argument to the client's object.
enum class Handing {
    Value,      // CallBack(object, member, argument): the argument, as a method-or-get
    Put,        // PutBack(object, member, value): object.member = value
    ByRef,      // CallBackByRef(object, member): a VARIANT holding I4 1, as VT_BYREF | VT_VARIANT
    TypedByRef, // CallBackTypedRef(object, member): the same as VT_BYREF | VT_I4
};

// Calls the member of an object the client handed over. With a value it
// answers the member's result; by reference, what the member left in the
// slot. The member's failure becomes this call's failure, texts and all.
HRESULT callBack(ComTestCall& call, Handing handing)
{
    const bool withValue = handing == Handing::Value || handing == Handing::Put;
    if (call.count() != (withValue ? 3u : 2u))
        return DISP_E_BADPARAMCOUNT;
    VARIANT object;
    if (FAILED(valueOf(call.arg(0), object)) || object.vt != VT_DISPATCH || !object.pdispVal) {
        ::VariantClear(&object); // a copy of another kind holds a string or a reference too
        return call.mismatch(0);
    }
    std::wstring member;
    if (FAILED(textOf(call.arg(1), member))) {
        ::VariantClear(&object);
        return call.mismatch(1);
    }
    VARIANT slot;
    ::VariantInit(&slot);
    slot.vt = VT_I4;
    slot.lVal = 1;
    std::vector<VARIANT> args(1);
    ::VariantInit(&args[0]);
    if (withValue) {
        valueOf(call.arg(2), args[0]);
    } else if (handing == Handing::ByRef) {
        args[0].vt = VT_BYREF | VT_VARIANT;
        args[0].pvarVal = &slot;
    } else {
        args[0].vt = VT_BYREF | VT_I4;
        args[0].plVal = &slot.lVal;
    }
    EXCEPINFO& exception = call.exception;
    exception = EXCEPINFO{};
    VARIANT answer;
    ::VariantInit(&answer);
    HRESULT hr = callOut(object.pdispVal, member, args, answer, exception, handing == Handing::Put);
    if (withValue) {
        ::VariantClear(&args[0]);
        call.result = answer;
    } else {
        ::VariantClear(&answer);
        call.result = slot;
    }
    ::VariantClear(&object);
    if (hr == DISP_E_EXCEPTION && exception.pfnDeferredFillIn) {
        exception.pfnDeferredFillIn(&exception);
        exception.pfnDeferredFillIn = nullptr;
    }
    return hr;
}

HRESULT callBackValue(ComTestCall& call) { return callBack(call, Handing::Value); }
HRESULT callBackByRef(ComTestCall& call) { return callBack(call, Handing::ByRef); }
HRESULT callBackTypedRef(ComTestCall& call) { return callBack(call, Handing::TypedByRef); }
HRESULT putBack(ComTestCall& call) { return callBack(call, Handing::Put); }

// --- the server and its reports ----------------------------------------------

HRESULT revoke(ComTestCall&)
{
    if (revokeHandler())
        revokeHandler()();
    return S_OK;
}

HRESULT liveObjects(ComTestCall& call) { return answerInteger(call, ComTestObject::liveObjects()); }

HRESULT processId(ComTestCall& call) { return answerInteger(call, static_cast<LONG>(::GetCurrentProcessId())); }

HRESULT lastInvoke(ComTestCall& call) { return answerText(call, call.state.lastInvoke); }

HRESULT nameLookups(ComTestCall& call) { return answerInteger(call, call.state.nameLookups); }

// Every locale a lookup or a call was given, as "1033,1049".
HRESULT locales(ComTestCall& call)
{
    std::wstring list;
    for (LCID locale : call.state.locales)
        list += (list.empty() ? L"" : L",") + std::to_wstring(locale);
    return answerText(call, list);
}

// Hang(ms): a server whose thread stops answering for a while.
HRESULT hang(ComTestCall& call)
{
    if (call.count() != 1 || call.arg(0).vt != VT_I4)
        return DISP_E_TYPEMISMATCH;
    ::Sleep(static_cast<DWORD>(call.arg(0).lVal));
    return S_OK;
}

constexpr bool kReportsOnCalls = true;

// The object's one list of its members: the identifier Invoke is given, the
// name GetIDsOfNames answers it for, what a call does.
constexpr ComTestMember kMembers[] = {
    {1, L"Echo", echo},
    {2, L"Describe", describeArguments},
    {3, L"Value", storedValue},
    {4, L"Cells", cells},
    {5, L"Assign", assign},
    {6, L"GetXData", getXData},
    {7, L"TypedArray", typedArray},
    {8, L"Scalar", scalar},
    {9, L"Matrix", matrix},
    {10, L"Fail", fail},
    {11, L"FailDeferred", failDeferred},
    {12, L"FailWCode", failWCode},
    {13, L"Child", child},
    {14, L"IsSelf", isSelf},
    {15, L"CallBack", callBackValue},
    {16, L"CallBackByRef", callBackByRef},
    {17, L"CallBackTypedRef", callBackTypedRef},
    {18, L"PutBack", putBack},
    {19, L"Revoke", revoke},
    {20, L"LiveObjects", liveObjects},
    {21, L"ProcessId", processId},
    {22, L"LastInvoke", lastInvoke, kReportsOnCalls},
    {23, L"NameLookups", nameLookups, kReportsOnCalls},
    {24, L"Locales", locales},
    {25, L"Hang", hang},
};

constexpr wchar_t lowered(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }

constexpr bool sameName(const wchar_t* a, const wchar_t* b)
{
    while (*a && lowered(*a) == lowered(*b))
        ++a, ++b;
    return lowered(*a) == lowered(*b);
}

// Names are not case-sensitive: no two members may share a name in any
// case, nor an identifier.
constexpr bool membersDistinct()
{
    for (size_t i = 0; i < std::size(kMembers); ++i)
        for (size_t j = i + 1; j < std::size(kMembers); ++j)
            if (kMembers[i].id == kMembers[j].id || sameName(kMembers[i].name, kMembers[j].name))
                return false;
    return true;
}
static_assert(membersDistinct(), "two members share an identifier or a name");

} // namespace

void ComTestObject::setRevokeHandler(std::function<void()> handler) { revokeHandler() = std::move(handler); }

const ComTestMember* findMember(DISPID id)
{
    for (const ComTestMember& member : kMembers)
        if (member.id == id)
            return &member;
    return nullptr;
}

const ComTestMember* findMember(const wchar_t* name)
{
    for (const ComTestMember& member : kMembers)
        if (::lstrcmpiW(name, member.name) == 0) // names are not case-sensitive
            return &member;
    return nullptr;
}
