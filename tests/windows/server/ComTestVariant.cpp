#include "ComTestVariant.h"

#include <cstdarg>
#include <cwchar>

std::wstring formatted(const wchar_t* format, ...)
{
    wchar_t buffer[64];
    va_list args;
    va_start(args, format);
    std::vswprintf(buffer, 64, format, args);
    va_end(args);
    return buffer;
}

namespace {

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
    default: return formatted(L"VT%u", static_cast<unsigned>(vt));
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
            out += formatted(L"\\u%04X", static_cast<unsigned>(c));
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
        return L"ARRAY " + typeName(vt) + formatted(L"[%u dims]", dims);
    LONG lower = 0;
    LONG upper = -1;
    ::SafeArrayGetLBound(array, 1, &lower);
    ::SafeArrayGetUBound(array, 1, &upper);
    std::wstring out = L"ARRAY " + typeName(vt) + formatted(L"[%ld..%ld](", static_cast<long>(lower),
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
    case VT_I2: return formatted(L"I2:%d", value.iVal);
    case VT_I4: return formatted(L"I4:%ld", static_cast<long>(value.lVal));
    case VT_I8: return formatted(L"I8:%lld", static_cast<long long>(value.llVal));
    case VT_UI1: return formatted(L"UI1:%u", value.bVal);
    case VT_R8: return formatted(L"R8:%.17g", value.dblVal);
    case VT_BOOL: return formatted(L"BOOL:%d", value.boolVal);
    case VT_BSTR: return L"BSTR:" + quoted(value.bstrVal);
    case VT_ERROR: return formatted(L"ERROR:%08lX", static_cast<unsigned long>(value.scode));
    case VT_DISPATCH: return value.pdispVal ? L"DISPATCH" : L"DISPATCH:null";
    case VT_UNKNOWN: return value.punkVal ? L"UNKNOWN" : L"UNKNOWN:null";
    default: return typeName(vt);
    }
}

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
