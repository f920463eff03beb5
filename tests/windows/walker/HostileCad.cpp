#include "HostileCad.h"

#include "platform/automation/com/SingleInterface.h"

#include <oleauto.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>
#include <utility>

namespace hostile {

namespace {

// The names the walk asks for, and their identifiers.
struct Name {
    const wchar_t* name;
    DISPID id;
};
constexpr Name names[] = {{L"Item", 1},     {L"Count", 2},   {L"EntityType", 3}, {L"Layer", 4},
                          {L"ObjectID", 5}, {L"Handle", 6},  {L"GetXData", 7},   {L"Name", 8},
                          {L"Lock", 9},     {L"Freeze", 10}, {L"LayerOn", 11}};

const wchar_t* nameOf(DISPID id)
{
    for (const Name& n : names)
        if (n.id == id)
            return n.name;
    return L"";
}

// An object of the hostile CAD, counted among the script's live objects for
// as long as it lives.
template <class Interface, const IID& InterfaceId>
class Counted : public automation::com::SingleInterface<Interface, InterfaceId> {
protected:
    explicit Counted(std::shared_ptr<Script> script) : m_script(std::move(script)) { ++m_script->liveObjects; }
    ~Counted() override { --m_script->liveObjects; }

    std::shared_ptr<Script> m_script;
};

// An object that offers IUnknown alone: no automation object at all.
class Opaque final : public Counted<IUnknown, IID_IUnknown> {
public:
    explicit Opaque(std::shared_ptr<Script> script) : Counted(std::move(script)) {}
};

// An automation object of the hostile CAD: the model space or an entity.
class Object : public Counted<IDispatch, IID_IDispatch> {
public:
    Object(std::shared_ptr<Script> script, bool modelSpace, int32_t count)
        : Counted(std::move(script)), m_modelSpace(modelSpace), m_count(count)
    {
    }

    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        if (count)
            *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }

    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* asked, UINT count, LCID, DISPID* ids) override
    {
        if (!asked || !ids || count != 1)
            return E_INVALIDARG;
        Script& script = *m_script;
        if (script.oneIn(script.failureOdds * 4)) {
            const HRESULT answer = failure(script, nullptr);
            if (isLinkFailure(answer))
                script.linkFailed = true;
            return answer;
        }
        for (const Name& n : names) {
            if (::lstrcmpiW(asked[0], n.name) == 0) {
                ids[0] = n.id;
                return S_OK;
            }
        }
        ids[0] = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }

    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                                     EXCEPINFO* exception, UINT*) override
    {
        Script& script = *m_script;
        ++script.calls;
        if (script.lastRefused && script.lastObject == this && script.lastMember == id)
            ++script.retriesAfterRefusal;
        script.lastObject = this;
        script.lastMember = id;
        script.lastRefused = false;
        if (!params)
            return E_INVALIDARG;
        if (script.oneIn(script.failureOdds)) {
            const HRESULT answer = failure(script, exception);
            script.lastRefused = answer == RPC_E_CALL_REJECTED || answer == RPC_E_SERVERCALL_RETRYLATER;
            if (isLinkFailure(answer))
                script.linkFailed = true;
            return answer;
        }
        Values values(script, m_storage);
        VARIANT answer;
        ::VariantInit(&answer);
        if (m_modelSpace) {
            if (id == 1)
                item(answer);
            else if (id == 2) {
                answer.vt = VT_I4;
                answer.lVal = m_count;
            } else {
                return DISP_E_MEMBERNOTFOUND;
            }
        } else if (id == 7) {
            // GetXData(application, codes, values): the two outputs go into
            // the caller's by-reference arguments, in reverse order here.
            if (params->cArgs == 3 && params->rgvarg[0].vt == (VT_BYREF | VT_VARIANT)
                && params->rgvarg[1].vt == (VT_BYREF | VT_VARIANT) && !script.oneIn(8)) {
                VARIANT* codes = params->rgvarg[1].pvarVal;
                VARIANT* data = params->rgvarg[0].pvarVal;
                ::VariantClear(codes);
                ::VariantClear(data);
                values.xdata(*codes, *data);
            }
        } else if ((id >= 3 && id <= 6) || (id >= 8 && id <= 11)) {
            values.forMember(nameOf(id), answer);
        } else {
            return DISP_E_MEMBERNOTFOUND;
        }
        if (result)
            *result = answer;
        else
            ::VariantClear(&answer);
        return S_OK;
    }

private:
    ~Object() override
    {
        for (VARIANT& kept : m_storage)
            ::VariantClear(&kept);
    }

    // Item's answer: an entity of its own (a CAD makes a new wrapper at
    // every call), or anything else.
    void item(VARIANT& answer)
    {
        Script& script = *m_script;
        switch (script.below(12)) {
        case 0: Values(script, m_storage).any(answer); return;
        case 1: answer.vt = VT_DISPATCH; answer.pdispVal = nullptr; return;
        case 2: answer.vt = VT_UNKNOWN; answer.punkVal = new Opaque(m_script); return;
        case 3: {
            // By reference, as a VARIANT that holds the entity.
            m_storage.emplace_back();
            VARIANT& held = m_storage.back();
            held.vt = VT_DISPATCH;
            held.pdispVal = new Object(m_script, false, 0);
            answer.vt = VT_BYREF | VT_VARIANT;
            answer.pvarVal = &held;
            return;
        }
        default: answer.vt = VT_DISPATCH; answer.pdispVal = new Object(m_script, false, 0); return;
        }
    }

    bool m_modelSpace;
    int32_t m_count;
    std::deque<VARIANT> m_storage;
};

SAFEARRAY* vector(VARTYPE type, LONG lower, ULONG count) { return ::SafeArrayCreateVector(type, lower, count); }

} // namespace

bool isLinkFailure(HRESULT code)
{
    const auto value = static_cast<uint32_t>(code);
    const uint32_t win32 = value & 0xFFFFu;
    return (value & 0xFFFF0000u) == 0x80010000u                             // RPC_E_*: the channel
           || ((value & 0xFFFF0000u) == 0x80070000u && win32 >= 1700 && win32 < 2000) // RPC_S_* as HRESULTs
           || code == CO_E_OBJNOTCONNECTED;
}

HRESULT failure(Script& script, EXCEPINFO* exception)
{
    static const HRESULT links[] = {RPC_E_DISCONNECTED,         HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE),
                                    RPC_E_SERVER_DIED,          RPC_E_SERVER_DIED_DNE,
                                    CO_E_OBJNOTCONNECTED,       RPC_E_CALL_REJECTED,
                                    RPC_E_SERVERCALL_RETRYLATER, RPC_E_TIMEOUT,
                                    HRESULT_FROM_WIN32(RPC_S_CALL_FAILED)};
    static const HRESULT plain[] = {DISP_E_MEMBERNOTFOUND, DISP_E_TYPEMISMATCH, DISP_E_BADINDEX, E_FAIL,
                                    E_OUTOFMEMORY, DISP_E_BADPARAMCOUNT};
    switch (script.below(3)) {
    case 0: return links[script.below(std::size(links))];
    case 1:
        if (exception) {
            exception->wCode = 0;
            exception->scode = script.oneIn(3) ? 0 : E_FAIL;
            exception->bstrSource = script.oneIn(4) ? nullptr : ::SysAllocString(L"Hostile.CAD");
            exception->bstrDescription = ::SysAllocString(L"Ошибка объекта");
            return DISP_E_EXCEPTION;
        }
        return E_FAIL;
    default: return plain[script.below(std::size(plain))];
    }
}

double Values::real()
{
    switch (m_script.below(8)) {
    case 0: return std::numeric_limits<double>::quiet_NaN();
    case 1: return std::numeric_limits<double>::infinity();
    case 2: return -1.0;
    case 3: return 1e308;
    case 4: return 0.0;
    case 5: return std::numeric_limits<double>::denorm_min();
    default: return double(m_script.below(5000)) / 4.0;
    }
}

void Values::scalar(VARIANT& out)
{
    switch (m_script.below(22)) {
    case 0: out.vt = VT_EMPTY; return;
    case 1: out.vt = VT_NULL; return;
    case 2: out.vt = VT_I1; out.cVal = CHAR(m_script.below(256)); return;
    case 3: out.vt = VT_UI1; out.bVal = BYTE(m_script.below(256)); return;
    case 4: out.vt = VT_I2; out.iVal = SHORT(m_script.below(65536)); return;
    case 5: out.vt = VT_UI2; out.uiVal = USHORT(m_script.below(65536)); return;
    case 6: out.vt = VT_I4; out.lVal = LONG(m_script.below(UINT32_MAX)); return;
    case 7: out.vt = VT_UI4; out.ulVal = m_script.below(UINT32_MAX); return;
    case 8: out.vt = VT_I8; out.llVal = LONGLONG(m_script.below(UINT32_MAX)) << m_script.below(32); return;
    case 9: out.vt = VT_UI8; out.ullVal = ULLONG_MAX - m_script.below(3); return;
    case 10: out.vt = VT_INT; out.intVal = INT(m_script.below(UINT32_MAX)); return;
    case 11: out.vt = VT_UINT; out.uintVal = m_script.below(UINT32_MAX); return;
    case 12: out.vt = VT_R4; out.fltVal = float(real()); return;
    case 13: out.vt = VT_R8; out.dblVal = real(); return;
    case 14: out.vt = VT_BOOL; out.boolVal = m_script.oneIn(2) ? VARIANT_TRUE : VARIANT_FALSE; return;
    case 15: out.vt = VT_BSTR; out.bstrVal = nullptr; return; // a null BSTR is an empty text
    case 16: {
        // Long, or with a null inside.
        const std::wstring text = m_script.oneIn(2) ? std::wstring(size_t(m_script.below(20000)), L'Ж')
                                                    : std::wstring(L"1A\0B", 4);
        out.vt = VT_BSTR;
        out.bstrVal = ::SysAllocStringLen(text.data(), UINT(text.size()));
        return;
    }
    case 17: out.vt = VT_ERROR; out.scode = DISP_E_PARAMNOTFOUND; return;
    case 18: out.vt = VT_CY; out.cyVal.int64 = LONGLONG(m_script.below(UINT32_MAX)) * 10000; return;
    case 19: out.vt = VT_DATE; out.date = real(); return;
    case 20: {
        DECIMAL value{};
        value.scale = BYTE(m_script.below(40)); // past 28 is no decimal at all
        value.Lo64 = m_script.below(UINT32_MAX);
        out.decVal = value;
        out.vt = VT_DECIMAL;
        return;
    }
    default: out.vt = VT_BSTR; out.bstrVal = ::SysAllocString(L"1F3"); return;
    }
}

void Values::deepArray(VARIANT& out, int levels)
{
    // From the inside out: a value, then arrays of one element around it.
    VARIANT inner;
    ::VariantInit(&inner);
    inner.vt = VT_I2;
    inner.iVal = 10;
    for (int i = 0; i < levels; ++i) {
        SAFEARRAY* array = vector(VT_VARIANT, 0, 1);
        VARIANT* elements = nullptr;
        ::SafeArrayAccessData(array, reinterpret_cast<void**>(&elements));
        elements[0] = inner;
        ::SafeArrayUnaccessData(array);
        ::VariantInit(&inner);
        inner.vt = VT_ARRAY | VT_VARIANT;
        inner.parray = array;
    }
    out = inner;
}

void Values::array(VARIANT& out, int depth)
{
    const ULONG count = m_script.below(6);
    // Bounds at the edges of 32 bits: the last element's index is LONG_MAX,
    // or the array starts far below zero.
    static const LONG lowers[] = {0, 1, -3, LONG_MAX, LONG_MIN, LONG_MAX - 2};
    const LONG lower = m_script.oneIn(3) ? lowers[m_script.below(std::size(lowers))] : 0;
    switch (m_script.below(6)) {
    case 0: { // of doubles, as a CAD's points
        SAFEARRAY* array = vector(VT_R8, lower, count);
        double* elements = nullptr;
        ::SafeArrayAccessData(array, reinterpret_cast<void**>(&elements));
        for (ULONG i = 0; i < count; ++i)
            elements[i] = real();
        ::SafeArrayUnaccessData(array);
        out.vt = VT_ARRAY | VT_R8;
        out.parray = array;
        return;
    }
    case 1: { // of texts
        SAFEARRAY* array = vector(VT_BSTR, lower, count);
        BSTR* elements = nullptr;
        ::SafeArrayAccessData(array, reinterpret_cast<void**>(&elements));
        for (ULONG i = 0; i < count; ++i)
            elements[i] = m_script.oneIn(3) ? nullptr : ::SysAllocString(L"Слой");
        ::SafeArrayUnaccessData(array);
        out.vt = VT_ARRAY | VT_BSTR;
        out.parray = array;
        return;
    }
    case 2: { // two dimensions
        SAFEARRAYBOUND bounds[2] = {{count, lower}, {2, 0}};
        out.parray = ::SafeArrayCreate(VT_VARIANT, 2, bounds);
        out.vt = VT_ARRAY | VT_VARIANT;
        return;
    }
    default: { // of anything, nested
        SAFEARRAY* array = vector(VT_VARIANT, lower, count);
        VARIANT* elements = nullptr;
        ::SafeArrayAccessData(array, reinterpret_cast<void**>(&elements));
        for (ULONG i = 0; i < count; ++i)
            any(elements[i], depth + 1);
        ::SafeArrayUnaccessData(array);
        out.vt = VT_ARRAY | VT_VARIANT;
        out.parray = array;
        return;
    }
    }
}

void Values::byReference(VARIANT& out)
{
    switch (m_script.below(5)) {
    case 0: {
        // A VARIANT that refers to itself.
        m_storage.emplace_back();
        VARIANT& self = m_storage.back();
        self.vt = VT_BYREF | VT_VARIANT;
        self.pvarVal = &self;
        out = self;
        return;
    }
    case 1: {
        // A chain of references, long or short, ending at a value.
        m_storage.emplace_back();
        VARIANT* target = &m_storage.back();
        scalar(*target);
        const uint32_t links = m_script.oneIn(2) ? m_script.below(4) : 30 + m_script.below(20);
        for (uint32_t i = 0; i < links; ++i) {
            m_storage.emplace_back();
            VARIANT& link = m_storage.back();
            link.vt = VT_BYREF | VT_VARIANT;
            link.pvarVal = target;
            target = &link;
        }
        out.vt = VT_BYREF | VT_VARIANT;
        out.pvarVal = target;
        return;
    }
    case 2: {
        m_storage.emplace_back();
        VARIANT& held = m_storage.back();
        held.vt = VT_I4;
        held.lVal = 10;
        out.vt = VT_BYREF | VT_I4;
        out.plVal = &held.lVal;
        return;
    }
    case 3:
        out.vt = VT_BYREF | VT_VARIANT;
        out.pvarVal = nullptr;
        return;
    default: {
        // A record by reference: no kind the walk knows.
        m_storage.emplace_back();
        out.vt = VT_BYREF | VT_RECORD;
        out.pvRecord = &m_storage.back();
        out.pRecInfo = nullptr;
        return;
    }
    }
}

void Values::any(VARIANT& out, int depth)
{
    ::VariantInit(&out);
    const uint32_t pick = m_script.below(20);
    if (pick < 10 || depth > 3)
        scalar(out);
    else if (pick < 14)
        array(out, depth);
    else if (pick == 14)
        deepArray(out, m_script.oneIn(2) ? 20 + int(m_script.below(20)) : 1000);
    else if (pick < 18)
        byReference(out);
    else if (pick == 18) {
        out.vt = VT_UNKNOWN;
        out.punkVal = nullptr;
    } else {
        out.vt = VT_DISPATCH;
        out.pdispVal = nullptr;
    }
}

void Values::forMember(const std::wstring& member, VARIANT& out)
{
    ::VariantInit(&out);
    if (m_script.oneIn(5)) {
        any(out);
        return;
    }
    if (member == L"EntityType") {
        out.vt = m_script.oneIn(4) ? VT_I2 : VT_I4;
        if (out.vt == VT_I2)
            out.iVal = 3;
        else
            out.lVal = m_script.oneIn(6) ? 19 : 3; // a 3D solid, now and then a line
    } else if (member == L"Layer") {
        out.vt = VT_BSTR;
        out.bstrVal = ::SysAllocString(m_script.oneIn(2) ? L"Трубы" : L"0");
    } else if (member == L"Name") {
        out.vt = VT_BSTR;
        out.bstrVal = ::SysAllocString(m_script.oneIn(3) ? L"0" : L"Трубопроводы");
    } else if (member == L"Lock" || member == L"Freeze" || member == L"LayerOn") {
        out.vt = VT_BOOL;
        out.boolVal = m_script.oneIn(2) ? VARIANT_TRUE : VARIANT_FALSE;
    } else if (member == L"ObjectID") {
        // Few values, so that Find finds some.
        out.vt = m_script.oneIn(2) ? VT_I8 : VT_I4;
        if (out.vt == VT_I8)
            out.llVal = LONGLONG(m_script.below(6)) + (m_script.oneIn(4) ? (1LL << 40) : 0);
        else
            out.lVal = LONG(m_script.below(6));
    } else {
        out.vt = VT_BSTR;
        out.bstrVal = ::SysAllocString(m_script.oneIn(5) ? L"не ключ" : L"2A7F");
    }
}

void Values::xdata(VARIANT& codes, VARIANT& values)
{
    ::VariantInit(&codes);
    ::VariantInit(&values);
    if (m_script.oneIn(4)) {
        any(codes);
        any(values);
        return;
    }
    // [1070, 1010] and [10, (length, outer radius, inner radius)], with every
    // part of it now and then of another shape.
    const ULONG count = m_script.oneIn(6) ? m_script.below(4) : 2;
    const LONG lower = m_script.oneIn(6) ? 1 : 0;
    SAFEARRAY* codeArray = vector(m_script.oneIn(5) ? VT_I2 : VT_VARIANT, lower, count);
    SAFEARRAY* valueArray = vector(VT_VARIANT, lower, m_script.oneIn(8) ? count / 2 : count);
    VARTYPE codeType = VT_EMPTY;
    ::SafeArrayGetVartype(codeArray, &codeType);
    void* codeData = nullptr;
    VARIANT* valueData = nullptr;
    ::SafeArrayAccessData(codeArray, &codeData);
    ::SafeArrayAccessData(valueArray, reinterpret_cast<void**>(&valueData));
    const ULONG valueCount = valueArray->rgsabound[0].cElements;
    for (ULONG i = 0; i < count; ++i) {
        const SHORT code = i == 0 ? 1070 : 1010;
        if (codeType == VT_I2) {
            static_cast<SHORT*>(codeData)[i] = code;
        } else {
            mostly(static_cast<VARIANT*>(codeData)[i], 8, [code](VARIANT& c) {
                c.vt = VT_I2;
                c.iVal = code;
            });
        }
        if (i >= valueCount)
            continue;
        VARIANT& v = valueData[i];
        if (m_script.oneIn(6)) {
            any(v);
        } else if (i == 0) {
            v.vt = VT_I2;
            v.iVal = 10;
        } else {
            // The size point: mostly a pipe's, now and then not.
            SAFEARRAY* point = vector(m_script.oneIn(4) ? VT_VARIANT : VT_R8, 0, m_script.oneIn(6) ? 2 : 3);
            VARTYPE pointType = VT_EMPTY;
            ::SafeArrayGetVartype(point, &pointType);
            void* pointData = nullptr;
            ::SafeArrayAccessData(point, &pointData);
            const double sizes[3] = {1000.0 + m_script.below(100), 25.0, m_script.oneIn(5) ? real() : 20.0};
            for (ULONG k = 0; k < point->rgsabound[0].cElements; ++k) {
                if (pointType == VT_R8) {
                    static_cast<double*>(pointData)[k] = sizes[k];
                } else {
                    mostly(static_cast<VARIANT*>(pointData)[k], 3, [size = sizes[k]](VARIANT& element) {
                        element.vt = VT_R8;
                        element.dblVal = size;
                    });
                }
            }
            ::SafeArrayUnaccessData(point);
            v.vt = VT_ARRAY | pointType;
            v.parray = point;
        }
    }
    ::SafeArrayUnaccessData(codeArray);
    ::SafeArrayUnaccessData(valueArray);
    codes.vt = VT_ARRAY | codeType;
    codes.parray = codeArray;
    values.vt = VT_ARRAY | VT_VARIANT;
    values.parray = valueArray;
}

IDispatch* makeModelSpace(const std::shared_ptr<Script>& script, int32_t count)
{
    return new Object(script, true, count);
}

} // namespace hostile
