#include "ComTestObject.h"

#include <cstdio>
#include <cwchar>
#include <vector>

namespace {

enum Member : DISPID {
    Echo = 1,
    Describe,
    Value,
    Cells,
    Assign,
    GetXData,
    TypedArray,
    Scalar,
    Matrix,
    Fail,
    FailDeferred,
    FailWCode,
    Child,
    IsSelf,
    CallBack,
    CallBackByRef,
    CallBackTypedRef,
    PutBack,
    Revoke,
    LiveObjects,
    ProcessId,
    LastInvoke,
    NameLookups,
    Locales,
    Hang,
};

const struct {
    const wchar_t* name;
    DISPID id;
} kMembers[] = {
    {L"Echo", Echo}, {L"Describe", Describe}, {L"Value", Value}, {L"Cells", Cells}, {L"Assign", Assign},
    {L"GetXData", GetXData}, {L"TypedArray", TypedArray}, {L"Scalar", Scalar}, {L"Matrix", Matrix}, {L"Fail", Fail},
    {L"FailDeferred", FailDeferred}, {L"FailWCode", FailWCode}, {L"Child", Child}, {L"IsSelf", IsSelf},
    {L"CallBack", CallBack}, {L"CallBackByRef", CallBackByRef}, {L"CallBackTypedRef", CallBackTypedRef},
    {L"PutBack", PutBack}, {L"Revoke", Revoke},
    {L"LiveObjects", LiveObjects}, {L"ProcessId", ProcessId}, {L"LastInvoke", LastInvoke},
    {L"NameLookups", NameLookups}, {L"Locales", Locales}, {L"Hang", Hang},
};

constexpr wchar_t kSource[] = L"Vedoris.ComTest";
constexpr SCODE kServerFailure = static_cast<SCODE>(0x80040201);

LONG g_live = 0;
std::function<void()>& lastReleaseHandler()
{
    static std::function<void()> handler;
    return handler;
}
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

std::wstring number(const wchar_t* format, ...)
{
    wchar_t buffer[64];
    va_list args;
    va_start(args, format);
    std::vswprintf(buffer, 64, format, args);
    va_end(args);
    return buffer;
}

std::wstring typeName(VARTYPE vt)
{
    switch (vt) {
    case VT_EMPTY: return L"EMPTY";
    case VT_NULL: return L"NULL";
    case VT_I1: return L"I1";
    case VT_UI1: return L"UI1";
    case VT_I2: return L"I2";
    case VT_UI2: return L"UI2";
    case VT_I4: return L"I4";
    case VT_UI4: return L"UI4";
    case VT_I8: return L"I8";
    case VT_INT: return L"INT";
    case VT_R4: return L"R4";
    case VT_R8: return L"R8";
    case VT_BOOL: return L"BOOL";
    case VT_BSTR: return L"BSTR";
    case VT_ERROR: return L"ERROR";
    case VT_DISPATCH: return L"DISPATCH";
    case VT_UNKNOWN: return L"UNKNOWN";
    case VT_VARIANT: return L"VARIANT";
    default: return number(L"VT%u", static_cast<unsigned>(vt));
    }
}

std::wstring quoted(BSTR text)
{
    std::wstring out = L"\"";
    const UINT length = text ? ::SysStringLen(text) : 0;
    for (UINT i = 0; i < length; ++i) {
        const wchar_t c = text[i];
        if (c >= 0x20 && c < 0x7F && c != L'\\' && c != L'"')
            out += c;
        else
            out += number(L"\\u%04X", static_cast<unsigned>(c));
    }
    return out + L"\"";
}

// Element i of a SAFEARRAY as a VARIANT of the element's type.
HRESULT element(SAFEARRAY* array, VARTYPE vt, LONG index, VARIANT& out)
{
    ::VariantInit(&out);
    void* slot = vt == VT_VARIANT ? static_cast<void*>(&out) : static_cast<void*>(&out.llVal);
    const HRESULT hr = ::SafeArrayGetElement(array, &index, slot);
    if (SUCCEEDED(hr) && vt != VT_VARIANT)
        out.vt = vt;
    return hr;
}

std::wstring describeArray(SAFEARRAY* array)
{
    if (!array)
        return L"ARRAY:null";
    VARTYPE vt = VT_EMPTY;
    ::SafeArrayGetVartype(array, &vt);
    const UINT dims = ::SafeArrayGetDim(array);
    if (dims != 1)
        return L"ARRAY " + typeName(vt) + number(L"[%u dims]", dims);
    LONG lower = 0;
    LONG upper = -1;
    ::SafeArrayGetLBound(array, 1, &lower);
    ::SafeArrayGetUBound(array, 1, &upper);
    std::wstring out = L"ARRAY " + typeName(vt) + number(L"[%ld..%ld](", static_cast<long>(lower),
                                                         static_cast<long>(upper));
    for (LONG i = lower; i <= upper; ++i) {
        VARIANT item;
        if (FAILED(element(array, vt, i, item)))
            return out + L"?)";
        if (i > lower)
            out += L",";
        out += describe(item);
        ::VariantClear(&item);
    }
    return out + L")";
}

UINT positional(const DISPPARAMS& params) { return params.cArgs; }

// Argument i in source order (rgvarg holds them in reverse).
VARIANT& arg(DISPPARAMS& params, UINT i) { return params.rgvarg[params.cArgs - 1 - i]; }

bool isPut(WORD flags) { return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }

bool putValueNamed(const DISPPARAMS& params)
{
    return params.cNamedArgs == 1 && params.rgdispidNamedArgs && params.rgdispidNamedArgs[0] == DISPID_PROPERTYPUT;
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

// A copy of the argument with any VT_BYREF taken away.
HRESULT valueOf(const VARIANT& in, VARIANT& out)
{
    ::VariantInit(&out);
    return ::VariantCopyInd(&out, const_cast<VARIANT*>(&in));
}

HRESULT textOf(const VARIANT& in, std::wstring& out)
{
    VARIANT text;
    ::VariantInit(&text);
    const HRESULT hr = ::VariantChangeType(&text, const_cast<VARIANT*>(&in), 0, VT_BSTR);
    if (SUCCEEDED(hr))
        out.assign(text.bstrVal, ::SysStringLen(text.bstrVal));
    ::VariantClear(&text);
    return hr;
}

HRESULT integerOf(const VARIANT& in, LONG& out)
{
    VARIANT number;
    ::VariantInit(&number);
    const HRESULT hr = ::VariantChangeType(&number, const_cast<VARIANT*>(&in), 0, VT_I4);
    if (SUCCEEDED(hr))
        out = number.lVal;
    return hr;
}

SAFEARRAY* vectorOf(VARTYPE vt, LONG lowerBound, ULONG count) { return ::SafeArrayCreateVector(vt, lowerBound, count); }

void put(SAFEARRAY* array, LONG index, void* value) { ::SafeArrayPutElement(array, &index, value); }

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

} // namespace

std::wstring describe(const VARIANT& value)
{
    const VARTYPE vt = value.vt;
    if (vt == (VT_BYREF | VT_VARIANT))
        return value.pvarVal ? L"REF(" + describe(*value.pvarVal) + L")" : L"REF(null)";
    if (vt & VT_BYREF) {
        VARIANT copy;
        if (FAILED(valueOf(value, copy)))
            return L"REF ?";
        std::wstring out = L"REF " + describe(copy);
        ::VariantClear(&copy);
        return out;
    }
    if (vt & VT_ARRAY)
        return describeArray(value.parray);
    switch (vt) {
    case VT_EMPTY: return L"EMPTY";
    case VT_NULL: return L"NULL";
    case VT_I2: return number(L"I2:%d", value.iVal);
    case VT_I4: return number(L"I4:%ld", static_cast<long>(value.lVal));
    case VT_I8: return number(L"I8:%lld", static_cast<long long>(value.llVal));
    case VT_UI1: return number(L"UI1:%u", value.bVal);
    case VT_R8: return number(L"R8:%.17g", value.dblVal);
    case VT_BOOL: return number(L"BOOL:%d", value.boolVal);
    case VT_BSTR: return L"BSTR:" + quoted(value.bstrVal);
    case VT_ERROR: return number(L"ERROR:%08lX", static_cast<unsigned long>(value.scode));
    case VT_DISPATCH: return value.pdispVal ? L"DISPATCH" : L"DISPATCH:null";
    case VT_UNKNOWN: return value.punkVal ? L"UNKNOWN" : L"UNKNOWN:null";
    default: return typeName(vt);
    }
}

ComTestObject* ComTestObject::create() { return new ComTestObject; }

long ComTestObject::liveObjects() { return g_live; }

void ComTestObject::setLastReleaseHandler(std::function<void()> handler) { lastReleaseHandler() = std::move(handler); }

void ComTestObject::setRevokeHandler(std::function<void()> handler) { revokeHandler() = std::move(handler); }

ComTestObject::ComTestObject()
{
    ::VariantInit(&m_value);
    ::InterlockedIncrement(&g_live);
}

ComTestObject::~ComTestObject()
{
    ::VariantClear(&m_value);
    for (auto& cell : m_cells)
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
    ++m_nameLookups;
    m_locales.insert(locale);
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        ids[i] = DISPID_UNKNOWN;
        if (i == 0)
            for (const auto& member : kMembers)
                if (::lstrcmpiW(names[0], member.name) == 0) // names are not case-sensitive
                    ids[0] = member.id;
        if (ids[i] == DISPID_UNKNOWN)
            hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT ComTestObject::Invoke(DISPID id, REFIID, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                              EXCEPINFO* exception, UINT* argumentError)
{
    m_locales.insert(locale);
    if (!params)
        return E_INVALIDARG;
    if (id != LastInvoke && id != NameLookups) {
        std::wstring record = flagText(flags);
        if (params->cNamedArgs)
            record += putValueNamed(*params) ? L" named=PROPERTYPUT" : L" named=?";
        record += L" (";
        for (UINT i = 0; i < params->cArgs; ++i)
            record += (i ? L"," : L"") + describe(arg(*params, i));
        m_lastInvoke = record + L")";
    }
    VARIANT local;
    ::VariantInit(&local);
    EXCEPINFO localException{};
    HRESULT hr = run(id, flags, *params, result ? *result : local, exception ? *exception : localException,
                     argumentError);
    ::VariantClear(&local);
    if (!exception) {
        ::SysFreeString(localException.bstrSource);
        ::SysFreeString(localException.bstrDescription);
    }
    return hr;
}

HRESULT ComTestObject::run(DISPID id, WORD flags, DISPPARAMS& params, VARIANT& result, EXCEPINFO& exception,
                           UINT* argumentError)
{
    const UINT n = positional(params);
    auto expect = [&](UINT count) { return n == count; };
    auto mismatch = [&](UINT i) {
        if (argumentError)
            *argumentError = params.cArgs - 1 - i;
        return DISP_E_TYPEMISMATCH;
    };

    switch (id) {
    case Echo:
        if (!expect(1))
            return DISP_E_BADPARAMCOUNT;
        return valueOf(arg(params, 0), result);

    case Describe: {
        std::wstring text;
        for (UINT i = 0; i < n; ++i)
            text += (i ? L"," : L"") + describe(arg(params, i));
        result.vt = VT_BSTR;
        result.bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        return S_OK;
    }

    case Value:
        if (isPut(flags)) {
            // A put without DISPID_PROPERTYPUT as its named argument is
            // refused, as real servers refuse it.
            if (!putValueNamed(params))
                return DISP_E_PARAMNOTFOUND;
            if (!expect(1))
                return DISP_E_BADPARAMCOUNT;
            ::VariantClear(&m_value);
            return valueOf(arg(params, 0), m_value);
        }
        if (!expect(0))
            return DISP_E_BADPARAMCOUNT;
        return ::VariantCopy(&result, &m_value);

    case Cells: {
        // Cells(row, column) = value: the row may come by reference.
        const UINT keys = isPut(flags) ? 2 : n;
        if (isPut(flags) && !putValueNamed(params))
            return DISP_E_PARAMNOTFOUND;
        if (keys != 2 || n != (isPut(flags) ? 3u : 2u))
            return DISP_E_BADPARAMCOUNT;
        LONG row = 0;
        LONG column = 0;
        if (FAILED(integerOf(arg(params, 0), row)))
            return mismatch(0);
        if (FAILED(integerOf(arg(params, 1), column)))
            return mismatch(1);
        const std::wstring key = number(L"%ld,%ld", static_cast<long>(row), static_cast<long>(column));
        if (isPut(flags)) {
            VARIANT& cell = m_cells[key];
            ::VariantClear(&cell);
            return valueOf(arg(params, 2), cell);
        }
        const auto found = m_cells.find(key);
        return found == m_cells.end() ? S_OK : ::VariantCopy(&result, &found->second);
    }

    case Assign: {
        // Assign(target, value): the value goes into the caller's by-ref slot.
        if (!expect(2))
            return DISP_E_BADPARAMCOUNT;
        VARIANT& target = arg(params, 0);
        if (target.vt != (VT_BYREF | VT_VARIANT))
            return mismatch(0);
        VARIANT value;
        const HRESULT hr = valueOf(arg(params, 1), value);
        if (FAILED(hr))
            return hr;
        ::VariantClear(target.pvarVal);
        *target.pvarVal = value;
        return S_OK;
    }

    case GetXData: {
        // GetXData(application, codes, values), the way the CAD answers it:
        // the group codes as a VT_ARRAY | VT_I2, the values as VT_ARRAY |
        // VT_VARIANT, a point as an array of three doubles. Both outputs must
        // be VARIANTs by reference.
        if (!expect(3))
            return DISP_E_BADPARAMCOUNT;
        std::wstring application;
        if (FAILED(textOf(arg(params, 0), application)))
            return mismatch(0);
        for (UINT i = 1; i <= 2; ++i)
            if (arg(params, i).vt != (VT_BYREF | VT_VARIANT))
                return mismatch(i);
        VARIANT& codes = *arg(params, 1).pvarVal;
        VARIANT& values = *arg(params, 2).pvarVal;
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

    case TypedArray: {
        // TypedArray(vartype, lowerBound): three elements of that type.
        if (!expect(2))
            return DISP_E_BADPARAMCOUNT;
        LONG vt = 0;
        LONG lowerBound = 0;
        if (FAILED(integerOf(arg(params, 0), vt)))
            return mismatch(0);
        if (FAILED(integerOf(arg(params, 1), lowerBound)))
            return mismatch(1);
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
                return mismatch(0);
            }
        }
        result.vt = static_cast<VARTYPE>(VT_ARRAY | vt);
        result.parray = array;
        return S_OK;
    }

    case Scalar: {
        // Scalar(vartype): one value of a kind the automation layer has no
        // tag of its own for.
        LONG vt = 0;
        if (!expect(1) || FAILED(integerOf(arg(params, 0), vt)))
            return DISP_E_BADPARAMCOUNT;
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
            result.punkVal = static_cast<IDispatch*>(this);
            AddRef();
            break;
        default:
            result.vt = VT_EMPTY;
            return mismatch(0);
        }
        return S_OK;
    }

    case Matrix: {
        // A two-dimensional array, which the automation layer cannot hold.
        SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
        result.vt = VT_ARRAY | VT_I4;
        result.parray = ::SafeArrayCreate(VT_I4, 2, bounds);
        return S_OK;
    }

    case Fail: {
        std::wstring description;
        if (!expect(1) || FAILED(textOf(arg(params, 0), description)))
            return DISP_E_BADPARAMCOUNT;
        exception = EXCEPINFO{};
        exception.scode = kServerFailure;
        exception.bstrSource = ::SysAllocString(kSource);
        exception.bstrDescription = ::SysAllocString(description.c_str());
        return DISP_E_EXCEPTION;
    }

    case FailDeferred: {
        // Only the deferred fill-in is left; the caller asks for the texts.
        if (!expect(1) || FAILED(textOf(arg(params, 0), g_deferredDescription)))
            return DISP_E_BADPARAMCOUNT;
        exception = EXCEPINFO{};
        exception.pfnDeferredFillIn = fillDeferred;
        return DISP_E_EXCEPTION;
    }

    case FailWCode: {
        LONG code = 0;
        if (!expect(1) || FAILED(integerOf(arg(params, 0), code)))
            return DISP_E_BADPARAMCOUNT;
        exception = EXCEPINFO{};
        exception.wCode = static_cast<WORD>(code);
        exception.bstrSource = ::SysAllocString(kSource);
        exception.bstrDescription = ::SysAllocString(L"Failure with an application code");
        return DISP_E_EXCEPTION;
    }

    case Child:
        result.vt = VT_DISPATCH;
        result.pdispVal = create();
        return S_OK;

    case IsSelf: {
        if (!expect(1))
            return DISP_E_BADPARAMCOUNT;
        VARIANT other;
        if (FAILED(valueOf(arg(params, 0), other)) || other.vt != VT_DISPATCH)
            return mismatch(0);
        IUnknown* theirs = nullptr;
        if (other.pdispVal)
            other.pdispVal->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&theirs));
        IUnknown* mine = nullptr;
        QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&mine));
        result.vt = VT_BOOL;
        result.boolVal = theirs == mine ? VARIANT_TRUE : VARIANT_FALSE;
        if (theirs)
            theirs->Release();
        mine->Release();
        ::VariantClear(&other);
        return S_OK;
    }

    case CallBack:
    case CallBackByRef:
    case CallBackTypedRef:
    case PutBack: {
        // CallBack(object, member, argument): calls the member of an object
        // the client handed over and answers its result; its failure becomes
        // this call's failure, texts and all.
        // CallBackByRef(object, member): passes a VARIANT holding I4 1 by
        // reference (VT_BYREF | VT_VARIANT) and answers what the member left
        // in it. CallBackTypedRef: the same with a VT_BYREF | VT_I4.
        // PutBack(object, member, value): object.member = value.
        const bool withValue = id == CallBack || id == PutBack;
        if (!expect(withValue ? 3 : 2))
            return DISP_E_BADPARAMCOUNT;
        VARIANT object;
        if (FAILED(valueOf(arg(params, 0), object)) || object.vt != VT_DISPATCH || !object.pdispVal)
            return mismatch(0);
        std::wstring member;
        if (FAILED(textOf(arg(params, 1), member))) {
            ::VariantClear(&object);
            return mismatch(1);
        }
        VARIANT slot;
        ::VariantInit(&slot);
        slot.vt = VT_I4;
        slot.lVal = 1;
        std::vector<VARIANT> args(1);
        ::VariantInit(&args[0]);
        if (withValue) {
            valueOf(arg(params, 2), args[0]);
        } else if (id == CallBackByRef) {
            args[0].vt = VT_BYREF | VT_VARIANT;
            args[0].pvarVal = &slot;
        } else {
            args[0].vt = VT_BYREF | VT_I4;
            args[0].plVal = &slot.lVal;
        }
        exception = EXCEPINFO{};
        VARIANT answer;
        ::VariantInit(&answer);
        HRESULT hr = callOut(object.pdispVal, member, args, answer, exception, id == PutBack);
        if (withValue) {
            ::VariantClear(&args[0]);
            result = answer;
        } else {
            ::VariantClear(&answer);
            result = slot;
        }
        ::VariantClear(&object);
        if (hr == DISP_E_EXCEPTION && exception.pfnDeferredFillIn) {
            exception.pfnDeferredFillIn(&exception);
            exception.pfnDeferredFillIn = nullptr;
        }
        return hr;
    }

    case Revoke:
        if (revokeHandler())
            revokeHandler()();
        return S_OK;

    case LiveObjects:
        result.vt = VT_I4;
        result.lVal = g_live;
        return S_OK;

    case Hang: // Hang(ms): a server whose thread stops answering for a while
        if (params.cArgs != 1 || arg(params, 0).vt != VT_I4)
            return DISP_E_TYPEMISMATCH;
        ::Sleep(static_cast<DWORD>(arg(params, 0).lVal));
        return S_OK;

    case ProcessId:
        result.vt = VT_I4;
        result.lVal = static_cast<LONG>(::GetCurrentProcessId());
        return S_OK;

    case LastInvoke:
        result.vt = VT_BSTR;
        result.bstrVal = ::SysAllocStringLen(m_lastInvoke.data(), static_cast<UINT>(m_lastInvoke.size()));
        return S_OK;

    case NameLookups:
        result.vt = VT_I4;
        result.lVal = m_nameLookups;
        return S_OK;

    case Locales: { // every locale a lookup or a call was given, as "1033,1049"
        std::wstring list;
        for (LCID locale : m_locales)
            list += (list.empty() ? L"" : L",") + std::to_wstring(locale);
        result.vt = VT_BSTR;
        result.bstrVal = ::SysAllocStringLen(list.data(), static_cast<UINT>(list.size()));
        return S_OK;
    }

    default:
        return DISP_E_MEMBERNOTFOUND;
    }
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
