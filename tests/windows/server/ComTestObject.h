#pragma once

#include <windows.h>

#include <oaidl.h>

#include <functional>
#include <map>
#include <set>
#include <string>

// The test server's object: an IDispatch written by hand on the raw COM
// types, independent of the automation layer's own conversions, so that
// what a client sends is checked as COM sees it (Describe, LastInvoke) and
// what it receives is shaped as a real server shapes it (GetXData's typed
// arrays, deferred exceptions, wCode).
class ComTestObject final : public IDispatch {
public:
    // A new object with one reference.
    static ComTestObject* create();
    // Objects of this class alive in the process.
    static long liveObjects();
    // Called when the count of live objects drops to zero.
    static void setLastReleaseHandler(std::function<void()> handler);
    // What the member "Revoke" does (the server revokes its running object).
    static void setRevokeHandler(std::function<void()> handler);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override;

private:
    ComTestObject();
    ~ComTestObject();

    HRESULT run(DISPID id, WORD flags, DISPPARAMS& params, VARIANT& result, EXCEPINFO& exception,
                UINT* argumentError);

    LONG m_references = 1;
    long m_nameLookups = 0;
    std::set<LCID> m_locales;
    VARIANT m_value;
    std::map<std::wstring, VARIANT> m_cells;
    std::wstring m_lastInvoke;
};

// The class factory for CoRegisterClassObject.
class ComTestFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override;

private:
    LONG m_references = 1;
};

// The raw shape of a VARIANT: "I2:5", "REF(BSTR:\"a\")",
// "ARRAY VARIANT[1..2](I4:1,R8:2.5)". Text outside ASCII as \uXXXX.
std::wstring describe(const VARIANT& value);
