// The test COM server, a program of its own. COM starts it with -Embedding
// when a client creates its class (LocalServer32); the tests start it with
// /running to have its object in the running object table. It offers the
// class through CoRegisterClassObject in both cases and ends when its last
// object is gone, or after two minutes at the latest, so that no test run
// leaves it behind.
#include "ComTestIds.h"
#include "ComTestObject.h"

#include <windows.h>

#include <shellapi.h>

#include <objbase.h>
#include <oleauto.h>

#include <utility>

namespace {

constexpr UINT kLifetimeMilliseconds = 120 * 1000;

DWORD g_rotCookie = 0;

void revokeRunning()
{
    if (g_rotCookie != 0)
        ::RevokeActiveObject(std::exchange(g_rotCookie, 0), nullptr);
}

bool hasSwitch(const wchar_t* name)
{
    int count = 0;
    LPWSTR* args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    bool found = false;
    for (int i = 1; i < count && !found; ++i)
        found = ::lstrcmpiW(args[i], name) == 0;
    ::LocalFree(args);
    return found;
}

} // namespace

int main()
{
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)))
        return 1;
    const DWORD mainThread = ::GetCurrentThreadId();
    ComTestObject::setLastReleaseHandler([mainThread] { ::PostThreadMessageW(mainThread, WM_QUIT, 0, 0); });
    ComTestObject::setRevokeHandler(revokeRunning);

    auto* factory = new ComTestFactory;
    DWORD classCookie = 0;
    HRESULT hr = ::CoRegisterClassObject(kLocalClsid, factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &classCookie);
    factory->Release();
    if (FAILED(hr))
        return 2;

    if (hasSwitch(L"/running")) {
        ComTestObject* object = ComTestObject::create();
        hr = ::RegisterActiveObject(object, kLocalClsid, ACTIVEOBJECT_STRONG, &g_rotCookie);
        object->Release(); // the running object table holds it now
        if (FAILED(hr))
            return 3;
    }

    ::SetTimer(nullptr, 0, kLifetimeMilliseconds, nullptr);
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd == nullptr)
            break;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }

    revokeRunning();
    ::CoRevokeClassObject(classCookie);
    ::CoUninitialize();
    return 0;
}
