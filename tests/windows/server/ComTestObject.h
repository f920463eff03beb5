#pragma once

#include <windows.h>

#include <oaidl.h>

#include <functional>
#include <map>
#include <set>
#include <string>

// What an object keeps between calls: the values its members were given,
// and what it reports of the calls it was given.
struct ComTestState {
    VARIANT value;                         // Value
    std::map<std::wstring, VARIANT> cells; // Cells, keyed "row,column"
    std::wstring lastInvoke;               // LastInvoke: the last call's flags and arguments
    long nameLookups = 0;                  // NameLookups: calls of GetIDsOfNames
    std::set<LCID> locales;                // Locales: every locale a lookup or a call was given
};

// The test server's object: an IDispatch written by hand on the raw COM
// types, independent of the automation layer's own conversions, so that
// what a client sends is checked as COM sees it (Describe, LastInvoke) and
// what it receives is shaped as a real server shapes it (GetXData's typed
// arrays, deferred exceptions, wCode). Its members are ComTestMembers.cpp's.
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

    LONG m_references = 1;
    ComTestState m_state;
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
