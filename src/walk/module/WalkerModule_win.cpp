// The walker as an in-process COM server: the CAD creates it in its own
// process (GetInterfaceObject, CoCreateInstance with CLSCTX_INPROC_SERVER)
// and hands it to the program. Apartment threaded: the CAD calls it on the
// thread it made it on, where it calls the CAD's objects directly. It is the
// class of one version of the program (walk/WalkerIdentity.h), registered
// for the current user only.
#include "platform/automation/com/ClassObject.h"
#include "platform/automation/com/ComDispatch.h"
#include "platform/automation/com/ComError.h"
#include "platform/automation/com/ComResources.h"
#include "platform/automation/com/ServerRegistry.h"
#include "walk/WalkerIdentity.h"
#include "walk/WalkerObject.h"

#include <windows.h>

#include <objbase.h>
#include <olectl.h>

#include <memory>
#include <new>
#include <string>

namespace {

// Loaded into the CAD, this module is a guest on the CAD's thread: its calls
// to the CAD's objects never wait (no retries, nothing through a proxy). Set
// as the DLL loads, before any of its objects exists.
[[maybe_unused]] const bool guestOnTheCadsThread = [] {
    automation::com::setGuestCalls(true);
    return true;
}();

// The full path of this DLL, for its registration.
std::u16string modulePath()
{
    HMODULE self = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                              reinterpret_cast<LPCWSTR>(&modulePath), &self))
        return {};
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return std::u16string(path.begin(), path.end());
        }
        path.resize(path.size() * 2);
    }
}

automation::com::ServerClass walkerClass()
{
    automation::com::ServerClass server;
    server.progId = std::u16string(walk::walkerProgId);
    server.classId = std::u16string(walk::walkerClassId);
    server.description = u"Vedoris model-space walker";
    server.inprocServer = modulePath();
    return server;
}

// Runs a registration step so that nothing but an HRESULT leaves it.
template <typename F>
HRESULT asResult(F&& step)
{
    try {
        step();
        return S_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return SELFREG_E_CLASS; // nothing may leave a DLL's entry point
    }
}

} // namespace

extern "C" {

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID classId, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    try {
        CLSID walker{};
        const std::wstring text(walk::walkerClassId.begin(), walk::walkerClassId.end());
        if (FAILED(::CLSIDFromString(text.c_str(), &walker)) || !IsEqualCLSID(classId, walker))
            return CLASS_E_CLASSNOTAVAILABLE;
        const automation::com::ComPtr<IClassFactory> factory = automation::com::makeClassObject(
            [] { return std::make_shared<walk::WalkerObject>(); });
        return factory->QueryInterface(iid, object);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED; // nothing may leave a COM entry point
    }
}

// Never unloaded: it costs the CAD a few hundred kilobytes, and a library
// that stays cannot be freed under an object someone still holds.
HRESULT STDAPICALLTYPE DllCanUnloadNow() { return S_FALSE; }

// For the current user, as the installer and the program register it.
HRESULT STDAPICALLTYPE DllRegisterServer()
{
    return asResult([] { automation::com::registerServerClass(walkerClass()); });
}

HRESULT STDAPICALLTYPE DllUnregisterServer()
{
    return asResult([] { automation::com::unregisterServerClass(walkerClass()); });
}

} // extern "C"
