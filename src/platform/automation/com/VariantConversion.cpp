#include "platform/automation/com/VariantConversion.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"
#include "platform/automation/com/ComResources.h"
#include "platform/automation/com/DispatchAdapter.h"

#include <limits>

namespace automation::com {

namespace {

[[noreturn]] void badType() { throw AutomationError(hr::Disp_E_BadVarType, {}); }

// How deep values may nest: arrays in arrays, and a by-reference VARIANT's
// target. The values the CAD, the spreadsheet and the program exchange nest
// three levels at most; a server's VARIANT that refers to itself, or arrays
// nested thousands deep, would otherwise recurse until the thread's stack
// overflows, which nothing can catch, and inside the CAD takes its drawing
// with it.
constexpr int maxNesting = 32;

void enter(int& depth)
{
    if (++depth > maxNesting)
        throw AutomationError(hr::E_InvalidArg, u"A value nests deeper than 32 levels");
}

void toComVariant(const Variant& value, VARIANT& out, int depth);
Variant fromComVariant(const VARIANT& in, int depth);

SAFEARRAY* toSafeArray(const SafeArray& array, int depth)
{
    const auto count = array.elements.size();
    if (count > std::numeric_limits<ULONG>::max())
        throw AutomationError(hr::E_OutOfMemory, {});
    SafeArrayGuard result(::SafeArrayCreateVector(VT_VARIANT, array.lowerBound, static_cast<ULONG>(count)));
    if (!result.get())
        throw AutomationError(hr::E_OutOfMemory, {});
    if (count > 0) {
        // The elements start out VT_EMPTY, so a failure halfway leaves an
        // array that SafeArrayDestroy clears correctly.
        SafeArrayAccess access(result.get());
        VARIANT* elements = access.data<VARIANT>();
        for (size_t i = 0; i < count; ++i)
            toComVariant(array.elements[i], elements[i], depth);
    }
    return result.detach();
}

Variant fromSafeArray(SAFEARRAY* array, int depth)
{
    if (!array)
        badType();
    // Only vectors: the automation layer has no multi-dimensional arrays.
    if (::SafeArrayGetDim(array) != 1)
        badType();
    VARTYPE elementType = VT_EMPTY;
    if (FAILED(::SafeArrayGetVartype(array, &elementType)))
        badType();
    LONG lower = 0;
    if (FAILED(::SafeArrayGetLBound(array, 1, &lower)))
        badType();
    // The count as the array holds it: an upper bound past 32 bits (a lower
    // bound near the top of the range) wraps around in SafeArrayGetUBound,
    // and its elements cannot all be indexed.
    const int64_t count = array->rgsabound[0].cElements;
    const int64_t upper = int64_t(lower) + count - 1;
    if (upper > std::numeric_limits<LONG>::max())
        badType();

    switch (elementType) {
    case VT_VARIANT: case VT_I1: case VT_I2: case VT_I4: case VT_I8: case VT_INT:
    case VT_UI1: case VT_UI2: case VT_UI4: case VT_UI8: case VT_UINT:
    case VT_R4: case VT_R8: case VT_BOOL: case VT_BSTR: case VT_ERROR:
    case VT_CY: case VT_DATE: case VT_DECIMAL: case VT_DISPATCH: case VT_UNKNOWN:
        break;
    default:
        badType(); // records and the like
    }

    SafeArray result;
    result.lowerBound = static_cast<int32_t>(lower);
    result.elements.reserve(static_cast<size_t>(count));
    for (int64_t at = lower; at <= upper; ++at) {
        LONG index = static_cast<LONG>(at);
        // SafeArrayGetElement hands out a copy of the element (a new BSTR, an
        // added reference, a copied VARIANT); a VARIANT of the element's kind
        // receives it in its union, whatever that kind is.
        VariantGuard element;
        // A decimal fills the whole VARIANT, tag bytes included, so the tag
        // is written after the element.
        void* slot = elementType == VT_VARIANT   ? static_cast<void*>(element.get())
                     : elementType == VT_DECIMAL ? static_cast<void*>(&element.get()->decVal)
                                                 : static_cast<void*>(&element.get()->llVal);
        const HRESULT got = ::SafeArrayGetElement(array, &index, slot);
        if (FAILED(got))
            throw AutomationError(got, {});
        if (elementType != VT_VARIANT)
            element.get()->vt = elementType;
        result.elements.push_back(fromComVariant(*element, depth));
    }
    return Variant::fromArray(std::move(result));
}

Variant fromInterface(IUnknown* object)
{
    if (!object)
        return Variant();
    IDispatch* dispatch = nullptr;
    if (FAILED(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))) || !dispatch)
        throw AutomationError(hr::Disp_E_TypeMismatch, {});
    DispatchRef ref = dispatchFromCom(dispatch);
    dispatch->Release();
    return Variant::dispatch(std::move(ref));
}

// Currency, dates and decimals through OLE's own conversion to a double.
Variant throughDouble(const VARIANT& in)
{
    VariantGuard converted;
    const HRESULT hr = ::VariantChangeType(converted.get(), const_cast<VARIANT*>(&in), 0, VT_R8);
    if (FAILED(hr))
        throw AutomationError(hr, {});
    return Variant::r8(converted->dblVal);
}

void toComVariant(const Variant& value, VARIANT& out, int depth)
{
    enter(depth);
    switch (value.type()) {
    case VarType::Empty:
        out.vt = VT_EMPTY;
        return;
    case VarType::Null:
        out.vt = VT_NULL;
        return;
    case VarType::I2:
        out.vt = VT_I2;
        out.iVal = value.toI2();
        return;
    case VarType::I4:
        out.vt = VT_I4;
        out.lVal = value.toI4();
        return;
    case VarType::I8:
        out.vt = VT_I8;
        out.llVal = value.toI8();
        return;
    case VarType::R8:
        out.vt = VT_R8;
        out.dblVal = value.toR8();
        return;
    case VarType::Bool:
        out.vt = VT_BOOL;
        out.boolVal = value.toBool() ? VARIANT_TRUE : VARIANT_FALSE;
        return;
    case VarType::BStr:
        out.bstrVal = Bstr(value.toBStr()).detach();
        out.vt = VT_BSTR;
        return;
    case VarType::Array:
        out.parray = toSafeArray(value.toArray(), depth);
        out.vt = VT_ARRAY | VT_VARIANT;
        return;
    case VarType::Dispatch:
        out.pdispVal = dispatchToCom(value.toDispatch()).detach();
        out.vt = VT_DISPATCH;
        return;
    case VarType::Error:
        out.vt = VT_ERROR;
        out.scode = value.errorCode();
        return;
    }
    badType();
}

Variant fromComVariant(const VARIANT& in, int depth)
{
    enter(depth);
    const VARTYPE vt = in.vt;
    const bool byRef = (vt & VT_BYREF) != 0;
    const VARTYPE base = vt & ~VT_BYREF;

    if (byRef && base == VT_VARIANT) {
        if (!in.pvarVal)
            badType();
        return fromComVariant(*in.pvarVal, depth);
    }
    if (byRef && !in.byref)
        badType();
    if (base & VT_ARRAY)
        return fromSafeArray(byRef ? *in.pparray : in.parray, depth);

    switch (base) {
    case VT_EMPTY: return Variant();
    case VT_NULL: return Variant::null();
    case VT_I1: return Variant::i2(byRef ? *in.pcVal : in.cVal);
    case VT_UI1: return Variant::i2(byRef ? *in.pbVal : in.bVal);
    case VT_I2: return Variant::i2(byRef ? *in.piVal : in.iVal);
    case VT_UI2: return Variant::i4(byRef ? *in.puiVal : in.uiVal);
    case VT_I4: return Variant::i4(byRef ? *in.plVal : in.lVal);
    case VT_INT: return Variant::i4(byRef ? *in.pintVal : in.intVal);
    case VT_UI4: return Variant::i8(byRef ? *in.pulVal : in.ulVal);
    case VT_UINT: return Variant::i8(byRef ? *in.puintVal : in.uintVal);
    case VT_I8: return Variant::i8(byRef ? *in.pllVal : in.llVal);
    case VT_UI8: {
        const ULONGLONG v = byRef ? *in.pullVal : in.ullVal;
        if (v > static_cast<ULONGLONG>(std::numeric_limits<int64_t>::max()))
            throw AutomationError(hr::Disp_E_Overflow, {});
        return Variant::i8(static_cast<int64_t>(v));
    }
    case VT_R4: return Variant::r8(byRef ? *in.pfltVal : in.fltVal);
    case VT_R8: return Variant::r8(byRef ? *in.pdblVal : in.dblVal);
    case VT_BOOL: return Variant::boolean((byRef ? *in.pboolVal : in.boolVal) != VARIANT_FALSE);
    case VT_BSTR: return Variant::bstr(toU16(byRef ? *in.pbstrVal : in.bstrVal));
    case VT_ERROR: return Variant::error(byRef ? *in.pscode : in.scode);
    case VT_DISPATCH: return fromInterface(byRef ? *in.ppdispVal : in.pdispVal);
    case VT_UNKNOWN: return fromInterface(byRef ? *in.ppunkVal : in.punkVal);
    case VT_CY: case VT_DATE: case VT_DECIMAL: return throughDouble(in);
    default: break;
    }
    badType();
}

} // namespace

void toComVariant(const Variant& value, VARIANT& out) { toComVariant(value, out, 0); }

Variant fromComVariant(const VARIANT& in) { return fromComVariant(in, 0); }

} // namespace automation::com
